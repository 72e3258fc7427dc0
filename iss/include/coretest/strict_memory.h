#pragma once
// Strict memory mode: the memory facts of the ROM checked on a run. In the first ROM every data
// access must be an aligned word; RAM accesses must fall in the scratch words of the routine that
// makes them (the delay-slot routines' words, the load and store tests' windows, the guard word of
// the boot unit, which only its guard loads touch); board accesses must name a register in its
// direction (outputs written, the switch read); nothing else answers. An image whose routines are
// numbered from 59 on is held to the second ROM's facts instead: bytes and halfwords at their own
// alignment too, its handler's record, hazard and memory words, and hz_link's loads of its own
// code. Run it as the board's checker and as the run's observer, which names the instruction
// behind each access once it retires.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coretest/board.h"
#include "coretest/image.h"
#include "coretest/state.h"

namespace coretest {

struct StrictMemoryRules; // which RAM words whom, which access sizes, for one ROM

struct MemoryViolation {
    BoardAccess access;
    std::uint32_t pc = 0; // the instruction that made the access
    std::string routine;  // its routine; empty in the boot unit
    std::string reason;   // "above the data RAM", "scratch word of n16_beq_ds_test", ...
    std::string describe() const;
};

class StrictMemory : public AccessChecker, public Observer {
  public:
    // The routines' address ranges come from the image's function symbols, and so does the choice
    // of rules.
    explicit StrictMemory(const Image& image);

    void checkAccess(const BoardAccess& access) override;
    void retired(std::uint32_t pc, std::uint64_t count) override;

    const std::vector<MemoryViolation>& violations() const { return violations_; }
    // The lowest RAM address and the highest RAM byte that any access touched.
    std::optional<std::uint32_t> lowestRam() const { return lowest_; }
    std::optional<std::uint32_t> highestRamByte() const { return highest_; }

  private:
    std::optional<std::string> rule(const BoardAccess& access, const std::string& routine) const;

    const Image& image_;
    const StrictMemoryRules* rules_;   // the first or the second ROM's, by the image's routines
    std::vector<BoardAccess> pending_; // accesses of the instruction executing now
    std::vector<MemoryViolation> violations_;
    std::optional<std::uint32_t> lowest_, highest_;
};

} // namespace coretest
