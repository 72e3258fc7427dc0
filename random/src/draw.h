#pragma once
// Drawing the random instructions of a block: ALU and shift operations, lui, loads and stores of
// every width inside the RAM window, mult/div with mfhi/mflo at random distances, mthi/mtlo,
// forward branches and jumps with filled delay slots, and calls through jal, jalr, bltzal and
// bgezal to a short body that returns through jr. A jump's target register is written long
// enough before the jump that it needs no forwarding. Expected exceptions (--exceptions) are
// built on purpose: syscall, break, an add/addi/sub whose operands overflow, a misaligned
// lw/lh/sw/sh in the window. Every instruction respects what the generator
// knows about the values (no overflow trap, no division by zero or of -2^31 by -1, aligned
// accesses only) and, unless interlocked, never reads a register the previous instruction loaded.
#include <cstdint>
#include <string>

#include "assembly.h"
#include "coretest/random_program.h"
#include "dependency.h"
#include "rng.h"
#include "value_facts.h"

namespace coretest::random {

// What holds at a point of the program on every path that reaches it.
struct PathState {
    Hazards hazards;
    ValueFacts facts;
    void merge(const PathState& other) {
        hazards.merge(other.hazards);
        facts.merge(other.facts);
    }
};

class Drawer {
  public:
    Drawer(const RandomOptions& options, Rng& rng);

    // Appends random instructions until at least `count` have been drawn; the labels inside are
    // named after `prefix`. Returns how many it drew.
    std::uint32_t block(Assembly& out, std::uint32_t count, const std::string& prefix);
    // Nothing known: the start of every pass (the values of the previous pass differ).
    void forgetAll() { state_ = {}; }
    // The checker ran: no load or HI/LO read just before.
    void afterChecker() { state_.hazards = {}; }

  private:
    // What an instruction in a given place must not do.
    struct Limits {
        RegMask noWrite = 0;
        RegMask noRead = 0;
        bool single = false; // one instruction only (a delay slot)
    };

    std::uint32_t plain(Assembly& out, const Limits& limits);
    std::uint32_t alu(Assembly& out, const Limits& limits);
    std::uint32_t memory(Assembly& out, const Limits& limits);
    std::uint32_t multiplyDivide(Assembly& out, const Limits& limits);
    std::uint32_t branch(Assembly& out);
    std::uint32_t jump(Assembly& out);
    std::uint32_t call(Assembly& out);
    // An expected exception, announced with the address to resume at, now and then in the
    // delay slot of a branch.
    std::uint32_t exception(Assembly& out);
    std::uint32_t announce(Assembly& out, const std::string& resume, RegMask keep);
    std::uint32_t plainRun(Assembly& out, std::uint32_t count, const Limits& limits);
    // lui and ori of the target's address into r, each followed by kSpacing - 1 random
    // instructions that do not write r; returns how many instructions it drew.
    std::uint32_t address(Assembly& out, unsigned r, const std::string& target);

    unsigned source(const Limits& limits, RegMask extra = 0);
    unsigned dest(const Limits& limits, RegMask extra = 0);
    // Emits one instruction and updates the path state: it writes `dest` (0: nothing) with the
    // fact known of the value, loads into dest or not, reads HI/LO or not.
    void put(Assembly& out, std::uint32_t word, unsigned dest, ValueFact fact, bool load = false,
             bool readsHiLo = false);
    void putRef(Assembly& out, std::uint32_t word, Fixup fixup, const std::string& target,
                unsigned dest, ValueFact fact);
    std::string newLabel();

    const RandomOptions& options_;
    Rng& rng_;
    DependencyModel deps_;
    PathState state_;
    std::string prefix_;
    std::uint32_t labels_ = 0;
};

} // namespace coretest::random
