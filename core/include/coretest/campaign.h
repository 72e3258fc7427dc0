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

#include "coretest/diagnosis.h"
#include "coretest/fault.h"

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

struct CampaignRow {
    const FaultDef* fault = nullptr;
    Observed observed;
    StopReason reason = StopReason::Verdict;
    std::optional<ExceptionRecord> exception;
    std::vector<OutcomePlace> expectedPlaces; // the catalogue's failures, located in the ROM
    std::vector<OutcomePlace> observedPlaces; // every failed routine, or where the exception was
    bool agrees = false;
    std::uint64_t instructions = 0;
    double seconds = 0;

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
};
CampaignSummary summarize(std::span<const CampaignRow> rows);

struct CampaignOptions {
    std::uint32_t switchValue = 1;
    std::uint64_t instructionLimit = 20'000'000;
    unsigned threads = 0; // 0: one per hardware thread
    // Called after each fault, from the worker that ran it, one call at a time.
    std::function<void(std::size_t done, std::size_t total)> progress{};
};

// Rows in the order of `faults`.
std::vector<CampaignRow> runCampaign(const Image& image, const RomMap& map,
                                     std::span<const FaultDef* const> faults,
                                     const CampaignOptions& options);

} // namespace coretest
