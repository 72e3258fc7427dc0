#pragma once
// The fault campaign: every selected fault of the catalogue run on the reference core in its
// scope, each run on its own thread of a small pool, with what the ROM showed set against what
// the catalogue expects.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "coretest/catalogue.h"
#include "coretest/fault.h"
#include "coretest/outcomes.h"

namespace coretest {

// Which faults a campaign runs: names matching a glob (when the pattern has *, ? or [) or
// containing the pattern; an empty pattern selects every fault.
class FaultFilter {
  public:
    explicit FaultFilter(std::string pattern = {});
    bool matches(std::string_view name) const;
    bool glob() const { return glob_; }
    std::string describe() const; // "every fault", "faults matching glob 'slt-*'", ...
    std::vector<const FaultDef*> select(std::span<const FaultDef> catalogue) const;

  private:
    std::string pattern_;
    bool glob_ = false;
};

// A place where a run failed or was expected to fail, named as everywhere else: the case with
// its source line, and the comparison that caught it (0 when not stated).
struct OutcomePlace {
    CaseRef where;
    std::string routine;
    int caseIndex = 0;
    int comparison = 0;
    std::string describe() const; // "case 2 of n1_lui_test (inst/n1_lui.S:14), comparison 1"
};

// What a run shows a user of the board: how it ended, where the fault is first seen, every word
// the display showed in order and the lamps at the end.
struct BoardOutcome {
    ExpectedKind kind = ExpectedKind::Unnoticed;
    StopReason reason = StopReason::Verdict;
    // The first routine that reported a failure; when none did, where the exception was raised.
    std::optional<OutcomePlace> first;
    std::vector<std::uint32_t> displayWords; // every display write, in order
    std::uint32_t finalDisplay = 0, lampA = 0, lampB = 0;
    std::string describe() const; // "first fails at case 2 of ..., display 0x3a000039, lamps 2,2"
    // The board shows the fault: no pass verdict, or a routine that reported a failure.
    bool caught() const { return kind != ExpectedKind::Unnoticed || first.has_value(); }
};

// The whole-core expectation of a fault: the one stated with it, else the recorded table's;
// recorded == false when neither has one.
WholeCoreExpected wholeCoreExpectation(const FaultDef& fault);
// The image is this project's second ROM: its routines are numbered after the first ROM's 58.
bool isSecondRom(const RomMap& map);
// The recorded outcome of the fault on the whole core with the second ROM; recorded == false
// when the table has no entry for it.
WholeCoreExpected secondRomExpectation(const FaultDef& fault);
// "first fails at case 2 of n1_lui_test, comparison 1, display 0x3a000039, lamps 2,2".
std::string describe(const WholeCoreExpected& expected);

// The fault unscoped, as a core that has it everywhere: set against its whole-core expectation.
struct WholeCoreResult {
    bool checked = false; // the campaign looked at the whole-core outcome
    bool ownRun = false;  // false when the fault's scope is already the whole ROM
    WholeCoreExpected expected;
    BoardOutcome observed;
    bool agrees = false;
};
bool agrees(const WholeCoreExpected& expected, const BoardOutcome& observed);

struct CampaignRow {
    const FaultDef* fault = nullptr;
    // Run in its scope. The scopes and scoped expectations name the first ROM's routines: on the
    // second ROM every fault runs on the whole core only, and the scoped fields stay empty.
    bool scoped = true;
    Observed observed;
    StopReason reason = StopReason::Verdict;
    std::optional<ExceptionRecord> exception;
    std::vector<OutcomePlace> expectedPlaces; // the catalogue's failures, located in the ROM
    std::vector<OutcomePlace> observedPlaces; // every failed routine, or where the exception was
    bool agrees = false;
    std::uint64_t instructions = 0;
    double seconds = 0;

    WholeCoreResult wholeCore; // when the campaign runs whole-core faults
    bool agreesBothWays() const {
        return (agrees || !scoped) && (!wholeCore.checked || wholeCore.agrees);
    }

    std::string expectedText() const; // "fails at case 2 of n1_lui_test (...), comparison 1"
    std::string observedText() const;
};

// "unnoticed", "fails", "exception idle", "idle without verdict".
const char* expectedKindName(ExpectedKind kind);

struct CampaignSummary {
    std::size_t run = 0;
    std::size_t detected = 0;            // agreeing, and the fault shows in the run
    std::size_t unnoticedAsExpected = 0; // agreeing, and the catalogue expects it to pass
    std::size_t disagreements = 0;
    std::size_t wholeCoreRuns = 0;          // faults run unscoped as well
    std::size_t wholeCoreDisagreements = 0; // whole-core outcome other than expected
    std::size_t wholeCoreUnnoticed = 0;     // the ROM passes with the fault everywhere
    std::size_t wholeCoreElsewhere = 0;     // seen, first in another routine than the fault's own
    std::size_t wholeCoreCaught = 0;        // the board shows the fault (BoardOutcome::caught)
};
CampaignSummary summarize(std::span<const CampaignRow> rows);

struct CampaignOptions {
    std::uint32_t switchValue = 1;
    std::uint64_t instructionLimit = 20'000'000;
    unsigned threads = 0;       // 0: one per hardware thread
    bool wholeCore = true;      // also run each scoped fault unscoped
    bool wholeCoreOnly = false; // only the whole-core runs: scoped rows are left unrun
    // A core with a fault everywhere may loop for ever; the ROM's short run is about 130 thousand
    // instructions, so a whole-core run still going after this many has no verdict to come.
    std::uint64_t wholeCoreInstructionLimit = 2'000'000;
    // The second ROM's short run is about 24 thousand instructions: the same margin.
    std::uint64_t secondRomInstructionLimit = 400'000;
    // Called after each fault, from the worker that ran it, one call at a time.
    std::function<void(std::size_t done, std::size_t total)> progress{};
};

// What a board shows with all of `faults` everywhere in the core at once (two bugs in one core),
// run as a whole-core campaign run is.
BoardOutcome wholeCoreOutcome(const Image& image, const RomMap& map,
                              std::span<const FaultDef* const> faults,
                              const CampaignOptions& options);

// Rows in the order of `faults`. On the second ROM (isSecondRom) every fault runs on the whole
// core only, against secondRomExpectation.
std::vector<CampaignRow> runCampaign(const Image& image, const RomMap& map,
                                     std::span<const FaultDef* const> faults,
                                     const CampaignOptions& options);

} // namespace coretest
