#pragma once
// A run's outcome in the terms of the fault catalogue's expectations, and whether the two agree.
#include <string>
#include <vector>

#include "coretest/fault.h"
#include "coretest/routine_reports.h"

namespace coretest {

struct ObservedFailure {
    std::string routine;
    int caseIndex = 0;
    int comparison = 0;
};
struct Observed {
    ExpectedKind kind = ExpectedKind::Unnoticed;
    StopReason reason = StopReason::Verdict;
    std::vector<ObservedFailure> failures; // Fails: every failed routine; ExceptionIdle: where
};
Observed observe(const Diagnosis& d);
bool agrees(const Expected& expected, const Observed& observed);
std::string describe(const Expected& expected);
std::string describe(const Observed& observed);

} // namespace coretest
