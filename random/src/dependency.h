#pragma once
// Which registers an instruction reads: a value written a drawn number of instructions earlier
// (the dependency distance), so the program exercises forwarding paths and interlocks as the
// distribution asks. Also what the last instructions on every path did, for the two rules that
// MIPS-I leaves to the implementation: a loaded register read by the very next instruction, and
// HI/LO written within two instructions after mfhi/mflo.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "coretest/random_program.h"
#include "registers.h"
#include "rng.h"

namespace coretest::random {

struct Hazards {
    RegMask loadedJustBefore = 0;    // loaded by the previous instruction on some path
    std::uint32_t sinceHiLoRead = 2; // instructions since an mfhi/mflo on some path (2: far enough)

    // After one more instruction that loaded `loaded` and did or did not read HI/LO.
    void step(RegMask loaded, bool readsHiLo) {
        loadedJustBefore = loaded;
        sinceHiLoRead = readsHiLo ? 0 : std::min<std::uint32_t>(sinceHiLoRead + 1, 2);
    }
    bool mayWriteHiLo() const { return sinceHiLoRead >= 2; }
    // Where two paths join, whatever holds on either.
    void merge(const Hazards& other) {
        loadedJustBefore |= other.loadedJustBefore;
        sinceHiLoRead = std::min(sinceHiLoRead, other.sinceHiLoRead);
    }
};

class DependencyModel {
  public:
    DependencyModel(Distance distance, Rng& rng) : distance_(distance), rng_(rng) {}

    // A register to read: the one written `d` instructions earlier in program order for a drawn
    // distance d when there is one and it is not in `forbidden`, otherwise any random register
    // outside `forbidden` (or $zero now and then).
    unsigned source(RegMask forbidden);
    // The instruction just drawn wrote `reg` (0: none).
    void wrote(unsigned reg) { history_.push_back(reg); }

    std::uint32_t drawDistance();

  private:
    Distance distance_;
    Rng& rng_;
    std::vector<unsigned> history_;
};

// A random register outside `forbidden` (at least one must be left).
unsigned anyRegister(Rng& rng, RegMask forbidden);

} // namespace coretest::random
