#pragma once
// One co-simulation: the reference core checks a core under simulation instruction by
// instruction as the core reports its retirements and writes (see coretest_cosim.h).
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/rom_map.h"
#include "coretest/trace.h"
#include "reference_core.h"
#include "retirement_window.h"

namespace coretest::cosim {

enum class Status { Ok = 0, Diverged = 1, Stop = 2, Error = 3 };

struct SessionOptions {
    std::uint32_t switchValue = 1;
    bool keepGoing = false;
    bool physical = false;
    unsigned verbosity = 0;
    std::size_t context = 6; // instructions shown before a divergence
    std::FILE* out = stdout; // reports and the summary
    std::FILE* err = stderr; // misuse
};

// A routine's divergences in a keep-going run, for the table of the summary.
struct RoutineTally {
    std::uint64_t count = 0;
    std::uint64_t firstInstruction = 0; // 1-based, in checking order
    std::uint32_t firstSeq = 0;
    std::string first; // where and how the first one parted, one line
};

class Session {
  public:
    // An instruction that has retired but still waits for an announced write, or that never
    // retired, once this many younger instructions have retired: the write (or the retirement)
    // is lost, a divergence.
    static constexpr std::uint32_t kLateLimit = 4096;
    // Keep-going runs print this many divergences in full, then one line for the first in each
    // routine not met before, and the table at the end.
    static constexpr std::uint64_t kFullReports = 10;

    // Throws InputError for an image that cannot be read or has no line records.
    Session(Image image, const SessionOptions& options);

    Status retire(std::uint32_t seq, std::uint32_t pc, std::uint32_t insn, std::uint8_t writes,
                  bool trap);
    Status writeGpr(std::uint32_t seq, std::uint32_t reg, std::uint32_t value);
    Status writeHi(std::uint32_t seq, std::uint32_t value);
    Status writeLo(std::uint32_t seq, std::uint32_t value);
    Status writeMemory(std::uint32_t seq, std::uint32_t address, std::uint32_t enables,
                       std::uint32_t data);
    Status boardRead(std::uint32_t address, std::uint32_t value);
    Status finish();

    std::uint64_t checked() const { return checked_; }
    std::uint64_t divergences() const { return divergences_; }
    bool ended() const { return ended_; }
    // Refuses a call as misuse: ERROR, one line for the first of the session, then a count.
    Status refuse(const std::string& message) { return misuse(message); }
    // Calls refused as misuse (only the first is printed).
    std::uint64_t misuses() const { return misuses_; }

  private:
    // The slot of a write's instruction, or nullptr after reporting why there is none (naming
    // the register `reg` of a general-register write).
    Retirement* slotForWrite(std::uint32_t seq, WriteKind kind, int reg = -1);
    Status misuse(const std::string& message);
    // ERROR for an event reported after finish(), else nullopt.
    std::optional<Status> afterFinish(const char* what, std::uint32_t seq);
    // Checks every instruction that has become complete, in seq order, and gives up on the
    // oldest one once it is kLateLimit behind the newest retirement.
    Status drain();
    bool overdue() const;
    // Compares r with the reference core; `lost` are announced writes that never came.
    void check(const Retirement& r, std::uint8_t lost = 0);
    // The oldest unchecked instruction never retired though younger ones did (`r` holds the
    // writes that arrived for it, or is nullptr).
    void neverRetired(const Retirement* r);
    // Reports a divergence at the reference core's instruction pc, whose registers before it
    // are those of `state`.
    void diverged(const Retirement& r, std::uint32_t pc, const CoreState& state,
                  const std::string& what, const std::optional<TraceRecord>& expected,
                  const std::optional<TraceRecord>& observed);
    void adopt(std::vector<TraceRecord> expected, bool referenceTrapped, bool coreTrapped);
    void remember(const RetiredInstruction& retired);
    void narrate(const RetiredInstruction& retired);
    void reportIncomplete();
    void printSummary();
    void printRoutineTable();
    // What a call returns, from the divergences counted when it began.
    Status status(std::uint64_t divergencesBefore) const;

    Image image_;
    RomMap map_;
    SessionOptions options_;
    ReferenceCore ref_;
    RetirementWindow window_;
    std::vector<TraceRecord> observed_;
    std::vector<RetiredInstruction> ring_; // the last instructions checked, for reports
    std::uint64_t ringNext_ = 0;
    std::uint64_t checked_ = 0;
    std::uint64_t divergences_ = 0;
    std::uint64_t matched_ = 0; // records that agreed
    std::uint64_t misuses_ = 0;
    std::uint32_t newestRetired_ = 0; // seq of the youngest retirement so far
    bool anyRetired_ = false;
    std::map<std::string, RoutineTally> perRoutine_;
    bool followCorePc_ = false; // after a divergence, the next pc is the core's
    bool stopped_ = false;
    bool ended_ = false;
    bool finished_ = false;
    Status finishStatus_ = Status::Ok; // what finish() returned the first time
};

} // namespace coretest::cosim
