#pragma once
// The outcomes the fault lists state, and the entry most faults are: confined to the routine that
// reports them.
#include <initializer_list>
#include <string_view>

#include "coretest/fault.h"

namespace coretest::faults {

// The run fails in `routine` alone, first at the `comparison`-th branch to inst_error of case
// `caseIndex`.
inline Expected failsAt(std::string_view routine, int caseIndex, int comparison) {
    return {ExpectedKind::Fails, {{routine, caseIndex, comparison}}};
}

// The same for a case with one comparison, its result against the expected value.
inline Expected failsAt(std::string_view routine, int caseIndex) {
    return failsAt(routine, caseIndex, 1);
}

// The run fails in several routines, each at its first failing case, in run order.
inline Expected failsIn(std::initializer_list<ExpectedFailure> failures) {
    return {ExpectedKind::Fails, failures};
}

// The run ends in the loop at the exception vector: an exception in `routine`'s case, or, with
// no routine, a jump there without one (or an exception outside every routine).
inline Expected exceptionIdle(std::string_view routine = {}, int caseIndex = 0) {
    if (routine.empty()) return {ExpectedKind::ExceptionIdle, {}};
    return {ExpectedKind::ExceptionIdle, {{routine, caseIndex, 0}}};
}

// The run passes: no routine notices the fault.
inline Expected unnoticed() {
    return {ExpectedKind::Unnoticed, {}};
}

// A fault confined to `routine` that the routine itself reports, at the `comparison`-th branch
// to inst_error of case `caseIndex`.
inline FaultDef failsInScope(std::string_view name, std::string_view description,
                             std::string_view routine, void (*install)(FaultSite&), int caseIndex,
                             int comparison) {
    return {name, description, routine, install, failsAt(routine, caseIndex, comparison)};
}

} // namespace coretest::faults
