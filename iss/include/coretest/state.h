#pragma once
// The architectural state of the core, the exception record and the observer interface through
// which tracers and checkers see every state change.
#include <array>
#include <cstdint>

namespace coretest {

struct CoreState {
    std::array<std::uint32_t, 32> regs{};
    std::uint32_t hi = 0;
    std::uint32_t lo = 0;
    std::uint32_t pc = 0;         // the next instruction to execute
    std::uint32_t npc = 0;        // the one after it (the branch target when pc is a delay slot)
    std::uint32_t lastBranch = 0; // address of the last branch or jump that was taken
};

// Exception codes as the MIPS Cause register numbers them.
enum class ExceptionCause : std::uint8_t {
    AddressLoad = 4,  // misaligned load or instruction fetch
    AddressStore = 5, // misaligned store
    BusFetch = 6,     // instruction fetch from an address no device answers
    BusData = 7,      // data access to an address no device answers
    Syscall = 8,
    Break = 9,
    Reserved = 10, // reserved instruction
    Overflow = 12,
};

const char* causeName(ExceptionCause cause); // "overflow", "address error on load", ...

struct ExceptionRecord {
    ExceptionCause cause{};
    std::uint32_t pc = 0;          // the instruction that raised it
    std::uint32_t badAddress = 0;  // for address and bus errors
    bool delaySlot = false;        // the instruction sat in a delay slot
    std::uint64_t instruction = 0; // instructions executed before it
};

// Sees every write of a general register, HI, LO and memory, and every completed instruction.
// A run without an observer compiles these calls away.
class Observer {
  public:
    virtual ~Observer() = default;
    virtual void regWritten(std::uint32_t /*pc*/, unsigned /*reg*/, std::uint32_t /*value*/) {}
    virtual void hiWritten(std::uint32_t /*pc*/, std::uint32_t /*value*/) {}
    virtual void loWritten(std::uint32_t /*pc*/, std::uint32_t /*value*/) {}
    // size 1, 2 or 4; swl/swr report the merged aligned word
    virtual void memoryWritten(std::uint32_t /*pc*/, std::uint32_t /*addr*/, unsigned /*size*/,
                               std::uint32_t /*value*/) {}
    virtual void exceptionTaken(const ExceptionRecord& /*record*/) {}
    // After the instruction at pc has had all its effects; count includes it.
    virtual void retired(std::uint32_t /*pc*/, std::uint64_t /*count*/) {}
};

} // namespace coretest
