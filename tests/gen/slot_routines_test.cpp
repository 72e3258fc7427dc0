// What every delay-slot routine, branch or jump, must show as the generator writes it: the probe
// list with its case comments and setup lines, the case lengths and the routine size, the report
// block (through s7 where the cases keep ra there), and the same text every build and as
// committed.
#include <gtest/gtest.h>

#include "slot_routines.h"
#include "slot_test_support.h"
#include "unit_checks.h"

namespace {

using slot_test::allRoutines;

TEST(SlotRoutines, ProbeListAndSetupLinesAsWritten) {
    for (const auto& [r, links] : allRoutines()) {
        SCOPED_TRACE(r.number);
        slot_test::expectProbeListAsWritten(r);
    }
}

TEST(SlotRoutines, CaseLengthsAndRoutineSize) {
    for (const auto& [r, links] : allRoutines()) {
        SCOPED_TRACE(r.number);
        slot_test::expectCaseLengths(r);
    }
}

TEST(SlotRoutines, LinkingRoutinesReportThroughS7) {
    for (const auto& [r, links] : allRoutines()) {
        SCOPED_TRACE(r.number);
        slot_test::expectReportReturnsThrough(r, links);
    }
}

TEST(SlotRoutines, SameTextEveryBuildAndAsCommitted) {
    for (const auto& [r, links] : allRoutines()) {
        SCOPED_TRACE(r.number);
        gen_test::expectCommittedAndDeterministic(slot_test::buildNumbered(r.number));
    }
}

} // namespace
