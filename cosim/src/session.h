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

class Session {
  public:
    // Throws InputError for an image that cannot be read.
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

  private:
    // The slot of a write's instruction, or nullptr after reporting why there is none (naming
    // the register `reg` of a general-register write).
    Retirement* slotForWrite(std::uint32_t seq, WriteKind kind, int reg = -1);
    Status misuse(const std::string& message);
    // Checks every instruction that has become complete, in seq order.
    Status drain();
    void check(const Retirement& r);
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
    std::map<std::string, std::uint64_t> perRoutine_;
    bool followCorePc_ = false; // after a divergence, the next pc is the core's
    bool stopped_ = false;
    bool ended_ = false;
    bool finished_ = false;
};

} // namespace coretest::cosim
