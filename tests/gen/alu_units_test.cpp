// What every arithmetic, logic, shift and upper-immediate routine must show as the generator
// writes it: the same text every build and as committed, and every counted property of its
// report met.
#include <gtest/gtest.h>

#include "alu_routines.h"
#include "alu_support.h"
#include "unit_checks.h"

namespace {

TEST(AluUnits, GenerationIsDeterministicAndCommitted) {
    for (const auto& name : alutest::aluUnits()) {
        SCOPED_TRACE(name);
        const casegen::Unit u = alutest::unitNamed(name);
        gen_test::expectCommittedAndDeterministic(u);
        gen_test::expectReportMet(u);
    }
}

} // namespace
