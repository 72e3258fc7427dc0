#include "coretest/campaign.h"

#include <fmt/format.h>
#include <fnmatch.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

#include "coretest/display_word.h"
#include "coretest/whole_core_table.h"

namespace coretest {

FaultFilter::FaultFilter(std::string pattern)
    : pattern_(std::move(pattern)), glob_(pattern_.find_first_of("*?[") != std::string::npos) {}

bool FaultFilter::matches(std::string_view name) const {
    if (glob_) return fnmatch(pattern_.c_str(), std::string(name).c_str(), 0) == 0;
    return name.find(pattern_) != std::string_view::npos;
}

std::string FaultFilter::describe() const {
    if (pattern_.empty()) return "every fault";
    return glob_ ? fmt::format("faults matching glob '{}'", pattern_)
                 : fmt::format("faults whose name contains '{}'", pattern_);
}

std::vector<const FaultDef*> FaultFilter::select(std::span<const FaultDef> catalogue) const {
    std::vector<const FaultDef*> out;
    for (const auto& f : catalogue)
        if (matches(f.name)) out.push_back(&f);
    return out;
}

std::string OutcomePlace::describe() const {
    std::string out;
    if (where.caseIndex || (where.routine && where.line))
        out = where.describe(); // a case or the frame, with its source line
    else if (caseIndex)
        out = fmt::format("case {} of {}", caseIndex, routine); // not found in this ROM
    else
        out = routine;
    if (comparison) out += fmt::format(", comparison {}", comparison);
    return out;
}

namespace {

std::string placesText(const std::vector<OutcomePlace>& places) {
    std::string out;
    for (const auto& p : places)
        out += (out.empty() ? "" : "; ") + p.describe();
    return out;
}

std::string outcomeText(ExpectedKind kind, const std::vector<OutcomePlace>& places,
                        const std::optional<ExceptionRecord>& exception) {
    switch (kind) {
    case ExpectedKind::Unnoticed: return "unnoticed";
    case ExpectedKind::Fails: return "fails at " + placesText(places);
    case ExpectedKind::ExceptionIdle: {
        const std::string cause =
            exception ? fmt::format(" ({})", causeName(exception->cause)) : "";
        if (places.empty())
            return exception ? "exception idle loop" + cause
                             : "exception idle loop, reached without an exception";
        return fmt::format("exception idle loop{} at {}", cause, placesText(places));
    }
    case ExpectedKind::IdleNoVerdict: return "idle without verdict";
    }
    return {};
}

Diagnosis diagnoseWith(const Image& image, const RomMap& map, const FaultSelection& fault,
                       const CampaignOptions& options, std::uint64_t instructionLimit) {
    RunOptions run;
    run.switchValue = options.switchValue;
    run.instructionLimit = instructionLimit;
    run.faults.push_back(fault);
    return diagnose(image, map, run);
}

BoardOutcome boardOutcome(const Diagnosis& d, bool secondRom) {
    BoardOutcome o;
    o.kind = observe(d).kind;
    o.reason = d.run.reason;
    for (const auto& e : d.run.events)
        if (e.kind == BoardEvent::Kind::Write && e.reg == BoardReg::Display)
            o.displayWords.push_back(e.value);
    o.finalDisplay = d.run.board.display;
    o.lampA = d.run.board.lampA;
    o.lampB = d.run.board.lampB;
    const auto failed = std::find_if(d.routines.begin(), d.routines.end(),
                                     [](const RoutineReport& r) { return !r.passed; });
    if (failed != d.routines.end() && failed->failure)
        o.first =
            OutcomePlace{failed->failure->where, failed->name, failed->failure->where.caseIndex,
                         failed->failure->comparison.ordinal};
    else if (failed != d.routines.end() && !failed->name.empty())
        o.first = OutcomePlace{{}, failed->name, 0, 0};
    else if (d.exceptionAt && d.exceptionAt->routine &&
             (!secondRom || o.kind != ExpectedKind::Unnoticed))
        // The second ROM takes exceptions on purpose: one names a place only in a run that
        // ends without the pass verdict.
        o.first =
            OutcomePlace{*d.exceptionAt, d.exceptionAt->routine->name, d.exceptionAt->caseIndex, 0};
    return o;
}

} // namespace

BoardOutcome wholeCoreOutcome(const Image& image, const RomMap& map,
                              std::span<const FaultDef* const> faults,
                              const CampaignOptions& options) {
    RunOptions run;
    run.switchValue = options.switchValue;
    run.instructionLimit =
        std::min(options.instructionLimit, isSecondRom(map) ? options.secondRomInstructionLimit
                                                            : options.wholeCoreInstructionLimit);
    for (const FaultDef* f : faults)
        run.faults.push_back({f, ""});
    return boardOutcome(diagnose(image, map, run), isSecondRom(map));
}

namespace {

// The fault unscoped; `scoped` is its scoped run, which is the whole-core run when the fault's
// scope is the whole ROM.
WholeCoreResult wholeCoreResult(const Image& image, const RomMap& map, const FaultDef& fault,
                                const CampaignOptions& options, const Diagnosis* scoped) {
    WholeCoreResult w;
    w.checked = true;
    w.ownRun = !fault.scope.empty();
    if (w.ownRun || !scoped)
        w.observed = boardOutcome(
            diagnoseWith(image, map, {&fault, ""}, options,
                         std::min(options.instructionLimit, options.wholeCoreInstructionLimit)),
            false);
    else
        w.observed = boardOutcome(*scoped, false);
    w.expected = wholeCoreExpectation(fault);
    w.agrees = agrees(w.expected, w.observed);
    return w;
}

// On the second ROM: the fault everywhere, against the second ROM's recorded outcome.
CampaignRow runOnSecondRom(const Image& image, const RomMap& map, const FaultDef& fault,
                           const CampaignOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    const Diagnosis d =
        diagnoseWith(image, map, {&fault, ""}, options,
                     std::min(options.instructionLimit, options.secondRomInstructionLimit));
    CampaignRow row;
    row.fault = &fault;
    row.scoped = false;
    row.instructions = d.run.instructions;
    row.wholeCore.checked = true;
    row.wholeCore.ownRun = true;
    row.wholeCore.observed = boardOutcome(d, true);
    row.wholeCore.expected = secondRomExpectation(fault);
    row.wholeCore.agrees = agrees(row.wholeCore.expected, row.wholeCore.observed);
    row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return row;
}

CampaignRow runOne(const Image& image, const RomMap& map, const FaultDef& fault,
                   const CampaignOptions& options) {
    if (isSecondRom(map)) return runOnSecondRom(image, map, fault, options);
    const auto start = std::chrono::steady_clock::now();
    if (options.wholeCoreOnly && !fault.scope.empty()) {
        CampaignRow row;
        row.fault = &fault;
        row.wholeCore = wholeCoreResult(image, map, fault, options, nullptr);
        row.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return row;
    }
    const Diagnosis d =
        diagnoseWith(image, map, campaignSelection(fault), options, options.instructionLimit);

    CampaignRow row;
    row.fault = &fault;
    row.observed = observe(d);
    row.reason = d.run.reason;
    row.exception = d.run.exception;
    row.agrees = agrees(fault.expected, row.observed);
    row.instructions = d.run.instructions;
    for (const auto& e : fault.expected.failures)
        row.expectedPlaces.push_back({map.caseOf(e.routine, e.caseIndex), std::string(e.routine),
                                      e.caseIndex, e.comparison});
    if (row.observed.kind == ExpectedKind::Fails) {
        for (const auto& r : d.routines)
            if (!r.passed)
                row.observedPlaces.push_back(
                    r.failure ? OutcomePlace{r.failure->where, r.name, r.failure->where.caseIndex,
                                             r.failure->comparison.ordinal}
                              : OutcomePlace{map.caseOf(r.name, 0), r.name, 0, 0});
    } else if (d.exceptionAt && d.exceptionAt->routine) {
        row.observedPlaces.push_back(
            {*d.exceptionAt, d.exceptionAt->routine->name, d.exceptionAt->caseIndex, 0});
    }
    if (options.wholeCore) row.wholeCore = wholeCoreResult(image, map, fault, options, &d);
    row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return row;
}

std::string firstText(ExpectedKind kind, std::string_view place) {
    switch (kind) {
    case ExpectedKind::Unnoticed: return "unnoticed";
    case ExpectedKind::Fails:
        return place.empty() ? "fails, no routine reporting it"
                             : fmt::format("first fails at {}", place);
    case ExpectedKind::ExceptionIdle:
        return place.empty() ? "exception idle loop"
                             : fmt::format("exception idle loop at {}", place);
    case ExpectedKind::IdleNoVerdict:
        return place.empty() ? "no verdict" : fmt::format("no verdict, first fails at {}", place);
    }
    return {};
}

std::string boardText(std::uint32_t display, std::uint32_t lampA, std::uint32_t lampB) {
    return fmt::format("display 0x{:08x}, lamps {},{}", display, lampA, lampB);
}

} // namespace

std::string BoardOutcome::describe() const {
    const std::string kindText = reason == StopReason::InstructionLimit
                                     ? std::string("still running at the instruction limit")
                                     : firstText(kind, first ? first->describe() : std::string());
    return fmt::format("{}; {}", kindText, boardText(finalDisplay, lampA, lampB));
}

std::string describe(const WholeCoreExpected& e) {
    if (!e.recorded) return "not recorded";
    std::string place;
    if (!e.first.routine.empty())
        place =
            OutcomePlace{{}, std::string(e.first.routine), e.first.caseIndex, e.first.comparison}
                .describe();
    return fmt::format("{}; {}", firstText(e.kind, place),
                       boardText(e.finalDisplay, e.lampA, e.lampB));
}

bool isSecondRom(const RomMap& map) {
    return map.routineNumbers().first > kRoutineCount;
}

WholeCoreExpected secondRomExpectation(const FaultDef& fault) {
    for (const auto& r : recordedSecondRomTable())
        if (r.fault == fault.name) return r.outcome;
    return {};
}

bool caught(const WholeCoreExpected& e) {
    return e.recorded && (e.kind != ExpectedKind::Unnoticed || !e.first.routine.empty());
}

WholeCoreExpected wholeCoreExpectation(const FaultDef& fault) {
    if (fault.wholeCore.recorded) return fault.wholeCore;
    for (const auto& r : recordedWholeCoreTable())
        if (r.fault == fault.name) return r.outcome;
    return {};
}

bool agrees(const WholeCoreExpected& e, const BoardOutcome& o) {
    if (!e.recorded || e.kind != o.kind || e.finalDisplay != o.finalDisplay || e.lampA != o.lampA ||
        e.lampB != o.lampB)
        return false;
    if (o.reason == StopReason::EventLogFull) return false;
    const std::string_view routine = o.first ? std::string_view(o.first->routine) : "";
    if (e.first.routine != routine) return false;
    if (routine.empty()) return true;
    return e.first.caseIndex == o.first->caseIndex &&
           (e.first.comparison == 0 || e.first.comparison == o.first->comparison);
}

namespace {

// First seen in another routine than the one the fault is confined to (or in none).
bool seenElsewhere(const FaultDef& fault, ExpectedKind kind, std::string_view first) {
    return kind != ExpectedKind::Unnoticed && !fault.scope.empty() && first != fault.scope;
}

} // namespace

bool isBlindSpot(const FaultDef& fault, const WholeCoreExpected& outcome) {
    return outcome.kind == ExpectedKind::Unnoticed ||
           seenElsewhere(fault, outcome.kind, outcome.first.routine);
}

std::string CampaignRow::expectedText() const {
    return outcomeText(fault->expected.kind, expectedPlaces, std::nullopt);
}

std::string CampaignRow::observedText() const {
    if (reason == StopReason::InstructionLimit) return "still running at the instruction limit";
    if (reason == StopReason::EventLogFull)
        return "stopped: the board's log of register accesses is full";
    return outcomeText(observed.kind, observedPlaces, exception);
}

const char* expectedKindName(ExpectedKind kind) {
    switch (kind) {
    case ExpectedKind::Unnoticed: return "unnoticed";
    case ExpectedKind::Fails: return "fails";
    case ExpectedKind::ExceptionIdle: return "exception idle";
    case ExpectedKind::IdleNoVerdict: return "idle without verdict";
    }
    return "unknown";
}

CampaignSummary summarize(std::span<const CampaignRow> rows) {
    CampaignSummary s;
    s.run = rows.size();
    for (const auto& r : rows) {
        const WholeCoreResult& w = r.wholeCore;
        if (w.checked) {
            if (w.ownRun) ++s.wholeCoreRuns;
            if (!w.agrees) ++s.wholeCoreDisagreements;
            if (w.observed.kind == ExpectedKind::Unnoticed) ++s.wholeCoreUnnoticed;
            if (w.observed.caught()) ++s.wholeCoreCaught;
            if (r.scoped && seenElsewhere(*r.fault, w.observed.kind,
                                          w.observed.first ? w.observed.first->routine : ""))
                ++s.wholeCoreElsewhere;
        }
        if (!r.scoped) continue; // the second ROM: whole core only
        if (!r.agrees)
            ++s.disagreements;
        else if (r.fault->expected.kind == ExpectedKind::Unnoticed)
            ++s.unnoticedAsExpected;
        else
            ++s.detected;
    }
    return s;
}

std::vector<CampaignRow> runCampaign(const Image& image, const RomMap& map,
                                     std::span<const FaultDef* const> faults,
                                     const CampaignOptions& options) {
    std::vector<CampaignRow> rows(faults.size());
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    const auto threads = static_cast<unsigned>(
        std::min<std::size_t>(options.threads ? options.threads : hardware, faults.size()));
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;
    std::mutex lock;
    std::exception_ptr failure;
    const auto work = [&] {
        for (std::size_t i = next++; i < faults.size(); i = next++) {
            try {
                rows[i] = runOne(image, map, *faults[i], options);
            } catch (...) {
                const std::lock_guard guard(lock);
                if (!failure) failure = std::current_exception();
                next = faults.size();
                return;
            }
            const std::lock_guard guard(lock);
            ++done;
            if (options.progress) options.progress(done, faults.size());
        }
    };
    {
        std::vector<std::jthread> pool;
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(work);
        work();
    }
    if (failure) std::rethrow_exception(failure);
    return rows;
}

} // namespace coretest
