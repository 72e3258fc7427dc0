#include "coretest/outcomes.h"

#include <fmt/format.h>

namespace coretest {

Observed observe(const Diagnosis& d) {
    Observed o;
    o.reason = d.run.reason;
    switch (d.run.reason) {
    case StopReason::Verdict:
        o.kind = d.verdictPassed() ? ExpectedKind::Unnoticed : ExpectedKind::Fails;
        for (const auto& r : d.routines)
            if (!r.passed)
                o.failures.push_back({r.name, r.failure ? r.failure->where.caseIndex : 0,
                                      r.failure ? r.failure->comparison.ordinal : 0});
        break;
    case StopReason::ExceptionIdle:
        o.kind = ExpectedKind::ExceptionIdle;
        if (d.exceptionAt && d.exceptionAt->routine)
            o.failures.push_back({d.exceptionAt->routine->name, d.exceptionAt->caseIndex, 0});
        break;
    case StopReason::StrayIdle: o.kind = ExpectedKind::ExceptionIdle; break; // no place to name
    case StopReason::IdleNoVerdict:
    case StopReason::InstructionLimit:
    case StopReason::EventLogFull: o.kind = ExpectedKind::IdleNoVerdict; break;
    }
    return o;
}

bool agrees(const Expected& expected, const Observed& observed) {
    if (expected.kind != observed.kind) return false;
    if (observed.reason == StopReason::InstructionLimit ||
        observed.reason == StopReason::EventLogFull)
        return false;
    if (expected.kind == ExpectedKind::Unnoticed || expected.kind == ExpectedKind::IdleNoVerdict)
        return true;
    if (expected.failures.size() != observed.failures.size()) return false;
    for (std::size_t i = 0; i < expected.failures.size(); ++i) {
        const auto& e = expected.failures[i];
        const auto& o = observed.failures[i];
        if (e.routine != o.routine || e.caseIndex != o.caseIndex) return false;
        if (e.comparison != 0 && e.comparison != o.comparison) return false;
    }
    return true;
}

namespace {

template <class F>
std::string joinFailures(const std::vector<F>& failures, bool withComparison) {
    std::string out;
    for (const auto& f : failures) {
        if (!out.empty()) out += "; ";
        out += fmt::format("{} case {}", f.routine, f.caseIndex);
        if (withComparison && f.comparison) out += fmt::format(" comparison {}", f.comparison);
    }
    return out;
}

} // namespace

std::string describe(const Expected& e) {
    switch (e.kind) {
    case ExpectedKind::Unnoticed: return "unnoticed";
    case ExpectedKind::Fails: return "fails " + joinFailures(e.failures, true);
    case ExpectedKind::ExceptionIdle:
        return e.failures.empty() ? "exception idle loop, reached without an exception"
                                  : "exception idle loop at " + joinFailures(e.failures, false);
    case ExpectedKind::IdleNoVerdict: return "idle without verdict";
    }
    return {};
}

std::string describe(const Observed& o) {
    switch (o.reason) {
    case StopReason::InstructionLimit: return "still running at the instruction limit";
    case StopReason::EventLogFull: return "stopped: the board's log of register accesses is full";
    default: break;
    }
    Expected e{o.kind, {}};
    std::string out = describe(e);
    if (!o.failures.empty()) {
        out = o.kind == ExpectedKind::Fails ? "fails " : "exception idle loop at ";
        out += joinFailures(o.failures, o.kind == ExpectedKind::Fails);
    }
    return out;
}

} // namespace coretest
