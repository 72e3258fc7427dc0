#pragma once
// The fixed code of a random program (start, checkpoint calls, checker, verdicts, the exception
// report) is emitted through SpacedCode, which keeps every value's producer and its consumers at
// least kSpacing instructions apart by putting nops in between where the code itself does not.
// A value read that late comes from the register file on any five-stage pipeline: no forwarding
// path, no register-file bypass and no load interlock is needed. So a core whose forwarding or
// interlocks are broken still starts, checks, reports and ends correctly, and shows the fault as
// the first checkpoint whose random block it changes.
#include <array>
#include <cstdint>
#include <string>

#include "assembly.h"

namespace coretest::random {

// Instructions between a write and its first read: 3 in between (distance 4).
inline constexpr unsigned kSpacing = 4;

// What an instruction reads and writes: bits 1-31 the registers, kHi and kLo the HI/LO pair
// ($zero is neither read nor written). Only the instructions the fixed code uses are known;
// another throws std::logic_error.
inline constexpr std::uint64_t reg(unsigned r) {
    return r == 0 ? 0 : std::uint64_t{1} << r;
}
inline constexpr std::uint64_t kHi = std::uint64_t{1} << 32;
inline constexpr std::uint64_t kLo = std::uint64_t{1} << 33;
struct Access {
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
};
Access accessOf(std::uint32_t word);

class SpacedCode {
  public:
    // The writes of the last kSpacing - 1 instructions, the latest last.
    using History = std::array<std::uint64_t, kSpacing - 1>;
    static constexpr History kQuiet{};                      // nothing written lately
    static constexpr History kUnknown{~0ull, ~0ull, ~0ull}; // anything may have been written

    explicit SpacedCode(Assembly& out, History history = kQuiet) : out_(out), history_(history) {}

    // Emits the word after as many nops as its reads need.
    void emit(std::uint32_t word, std::string comment = {});
    void emitRef(std::uint32_t word, Fixup fixup, std::string target, std::string comment = {});
    void label(const std::string& name) { out_.label(name); }
    // Nops until registers in `reads` may be read.
    void waitFor(std::uint64_t reads);
    // Nops until the last `n` instructions wrote nothing (before leaving for code that may read
    // anything: a return, the random blocks).
    void settle(unsigned n);

    const History& history() const { return history_; }
    // A place reached by a jump or branch: what the path to it wrote.
    void setHistory(const History& history) { history_ = history; }

  private:
    void push(std::uint64_t writes);

    Assembly& out_;
    History history_;
};

} // namespace coretest::random
