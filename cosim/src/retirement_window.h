#pragma once
// The instructions a core has retired or written for but that are not checked yet, by seq. A
// core reports an instruction's retirement and each of its writes separately and in any order
// (a store performed in MEM before an older instruction's write-back, HI/LO from a divider
// cycles after younger instructions retired); the window collects them and hands out the oldest
// unchecked instruction once it has retired and every write it announced has arrived.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace coretest::cosim {

// Bits of Retirement::announced and Retirement::arrived.
enum WriteKind : std::uint8_t { kGpr = 1, kHi = 2, kLo = 4, kMem = 8 };
inline constexpr std::uint8_t kAllWrites = kGpr | kHi | kLo | kMem;

struct Retirement {
    std::uint32_t seq = 0;
    bool used = false;    // the slot holds something reported for seq
    bool retired = false; // the retirement itself has been reported
    bool trap = false;
    std::uint8_t announced = 0; // writes the retirement says belong to the instruction
    std::uint8_t arrived = 0;   // writes that have arrived
    std::uint8_t repeated = 0;  // kinds that arrived more than once (the last value is kept)
    std::uint32_t pc = 0;
    std::uint32_t insn = 0;
    std::uint8_t reg = 0;
    std::uint32_t regValue = 0;
    std::uint32_t hi = 0;
    std::uint32_t lo = 0;
    std::uint32_t memAddress = 0;
    std::uint8_t memEnables = 0;
    std::uint32_t memData = 0;

    bool complete() const { return retired && (announced & arrived) == announced; }
};

class RetirementWindow {
  public:
    // Instructions the window may hold ahead of the oldest unchecked one.
    static constexpr std::size_t kMaxSpan = std::size_t{1} << 16;

    explicit RetirementWindow(std::uint32_t firstSeq = 1);

    // The slot of seq, made when needed; nullptr when seq is older than the oldest unchecked
    // instruction (it has been checked) or more than kMaxSpan ahead of it.
    Retirement* at(std::uint32_t seq);
    // The oldest unchecked instruction when it is complete, else nullptr.
    Retirement* ready();
    // Ends the oldest unchecked instruction (after ready() returned it, or at the end of a run).
    void pop();

    std::uint32_t oldest() const { return oldest_; }
    // The slot of the oldest unchecked instruction, complete or not; nullptr when nothing has
    // been reported for it.
    Retirement* oldestSlot() {
        Retirement& s = slot(oldest_);
        return s.used ? &s : nullptr;
    }
    // Slots in use, oldest first (what is left at the end of a run).
    std::vector<const Retirement*> pending() const;

  private:
    void grow(std::size_t span);
    Retirement& slot(std::uint32_t seq) { return slots_[seq & (slots_.size() - 1)]; }

    std::vector<Retirement> slots_; // a power of two of them, indexed by seq
    std::uint32_t oldest_;
    std::uint32_t newest_; // one past the newest seq that has a slot
};

} // namespace coretest::cosim
