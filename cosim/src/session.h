#pragma once
// One co-simulation: the reference core checks a core under simulation instruction by
// instruction as the core reports its retirements and writes (see coretest_cosim.h). The
// retirements and writes are put back in program order by seq; each complete instruction goes to
// the comparison that `coretest compare` uses (TraceChecker), which decides and names every
// divergence and, in keep-going runs, resynchronises at the next routine.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coretest/board.h"
#include "coretest/image.h"
#include "coretest/rom_map.h"
#include "coretest/seq_window.h"
#include "coretest/trace.h"
#include "coretest/trace_compare.h"
#include "retirement.h"

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

class Session {
  public:
    // An instruction that has retired but still waits for an announced write, or that never
    // retired, once this many younger instructions have retired: the write (or the retirement)
    // is lost, a divergence.
    static constexpr std::uint32_t kLateLimit = 4096;
    // Instructions the window may hold ahead of the oldest unchecked one.
    static constexpr std::size_t kMaxSpan = std::size_t{1} << 16;
    // Keep-going runs print this many divergences in full, then one line for each later one (the
    // first in its routine), and the table at the end.
    static constexpr std::uint64_t kFullReports = 10;

    // Throws InputError for an image that cannot be read or has no line records.
    Session(Image image, const SessionOptions& options);

    // What a core with coprocessor 0 says of an exception it took.
    struct Exception {
        std::uint32_t code = 0; // Cause.ExcCode, 0 to 31
        std::uint32_t epc = 0;
        std::uint32_t badVAddr = 0; // for an address error (codes 4 and 5)
    };

    // `exception`: the instruction trapped and the core says how (`trap` is then implied).
    Status retire(std::uint32_t seq, std::uint32_t pc, std::uint32_t insn, std::uint8_t writes,
                  bool trap, const Exception* exception = nullptr);
    Status writeGpr(std::uint32_t seq, std::uint32_t reg, std::uint32_t value);
    Status writeHi(std::uint32_t seq, std::uint32_t value);
    Status writeLo(std::uint32_t seq, std::uint32_t value);
    Status writeMemory(std::uint32_t seq, std::uint32_t address, std::uint32_t enables,
                       std::uint32_t data);
    Status boardRead(std::uint32_t address, std::uint32_t value);
    Status finish();

    // Instructions compared with the reference core so far.
    std::uint64_t checked() const { return comparison_.checkedInstructions; }
    std::uint64_t divergences() const { return divergences_; }
    bool ended() const { return checker_.pastEndMark(); }
    // Refuses a call as misuse: ERROR, one line for the first of the session, then a count.
    Status refuse(const std::string& message) { return misuse(message); }
    // Calls refused as misuse (only the first is printed).
    std::uint64_t misuses() const { return misuses_; }

  private:
    // The slot of a write's instruction, or nullptr after reporting why there is none (naming
    // the register `reg` of a general-register write).
    Retirement* slotForWrite(std::uint32_t seq, WriteKind kind, int reg = -1);
    // Misuse of a retirement or a write, said out of the way of the calls that are not.
    Status refuseException(std::uint32_t seq, std::uint32_t code);
    Status refuseRetirement(std::uint32_t seq, bool twice);
    void refuseWrite(std::uint32_t seq, WriteKind kind, int reg, bool second);
    Status misuse(const std::string& message);
    // ERROR for an event reported after finish(), else nullopt.
    std::optional<Status> afterFinish(const char* what, std::uint32_t seq);
    // Whether instructions are still compared (no stop, no end mark, the checker not decided).
    bool checking() const { return checking_; }
    // Checks every instruction that has become complete, in seq order, and gives up on the
    // oldest one once it is kLateLimit behind the newest retirement.
    Status drain();
    // After a write has arrived: drains when it completed the oldest instruction.
    Status afterWrite(const Retirement& r);
    bool overdue() const;
    // Hands the instruction to the checker; `lost` are announced writes that never came.
    void check(const Retirement& r, std::uint8_t lost = 0);
    // Hands on an instruction whose announced writes `lost` never came.
    void compareLost(const ObservedInstruction& o, std::uint8_t lost);
    // The oldest unchecked instruction never retired though younger ones did (`r` holds the
    // writes that arrived for it, or is nullptr).
    void neverRetired(const Retirement* r);
    // Hands one instruction to the checker and prints what it found; `lost` and `lostText` say
    // which announced writes never came and how long they were waited for.
    void compare(const ObservedInstruction& o, std::uint8_t lost, std::string_view lostText);
    // The checker found divergences (`found` were counted before the instruction): counts,
    // stops and prints them.
    void diverged(std::uint64_t found, std::uint8_t lost, std::string_view lostText);
    void report(Divergence d, std::uint8_t lost, std::string_view lostText);
    void narrate(std::uint32_t pc, const std::vector<TraceRecord>& records);
    void reportIncomplete();
    void printSummary();
    // What a call returns, from the divergences counted when it began.
    Status status(std::uint64_t divergencesBefore) const;

    Image image_;
    RomMap map_;
    SessionOptions options_;
    TraceChecker checker_;
    const TraceComparison& comparison_; // checker_.current(), where it stays
    SeqWindow<Retirement> window_{1, kMaxSpan};
    Board coreBoard_;              // the board registers as the core's own stores set them
    ObservedInstruction observed_; // the instruction being checked
    std::uint64_t handed_ = 0;     // instructions handed to the checker
    std::uint64_t divergences_ = 0;
    std::uint64_t reported_ = 0; // divergences the checker recorded that have been printed
    std::uint64_t misuses_ = 0;
    std::uint32_t newestRetired_ = 0; // seq of the youngest retirement so far
    bool anyRetired_ = false;
    bool stopped_ = false;
    bool checking_ = true; // see checking(); follows each instruction handed to the checker
    bool finished_ = false;
    Status finishStatus_ = Status::Ok; // what finish() returned the first time
};

} // namespace coretest::cosim
