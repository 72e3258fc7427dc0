#pragma once
// The architectural state of the core, the exception record and the observer interface through
// which tracers and checkers see every state change.
#include <array>
#include <cstdint>

namespace coretest {

// Coprocessor 0 as the R3000 has it, without a TLB: the registers by number, what mtc0 may
// change in each, and the values after reset (kernel mode, boot exception vectors).
namespace cp0 {
inline constexpr unsigned kBadVAddr = 8; // read-only
inline constexpr unsigned kStatus = 12;
inline constexpr unsigned kCause = 13;
inline constexpr unsigned kEpc = 14;  // read-only
inline constexpr unsigned kPrid = 15; // read-only

inline constexpr std::uint32_t kPridValue = 0x00000230;
// Status: the KU/IE stack (5..0: current, previous, old), IM (15..8), BEV (22), CU0-3 (31..28).
inline constexpr std::uint32_t kStatusWritable = 0xf040ff3fu;
inline constexpr std::uint32_t kStatusReset = 0x00400000u; // BEV
inline constexpr std::uint32_t kStatusBev = 1u << 22;
inline constexpr std::uint32_t kStatusKuc = 1u << 1;
inline constexpr std::uint32_t kStatusCu0 = 1u << 28;
// Cause: BD (31), CE (29..28), IP (15..8, of which mtc0 writes the two software bits 9..8),
// ExcCode (6..2).
inline constexpr std::uint32_t kCauseWritable = 0x00000300u;
inline constexpr std::uint32_t kCauseBd = 1u << 31;
inline constexpr unsigned kCauseCeShift = 28;
inline constexpr unsigned kCauseCodeShift = 2;
inline constexpr std::uint32_t kCauseSetOnEntry = kCauseBd | (3u << kCauseCeShift) | 0x7cu;
// The general exception vector when BEV is clear (with BEV set it is kExceptionVector).
inline constexpr std::uint32_t kRamExceptionVector = 0x80000080u;
} // namespace cp0

struct Cp0State {
    std::uint32_t status = cp0::kStatusReset;
    std::uint32_t cause = 0;
    std::uint32_t epc = 0;
    std::uint32_t badVAddr = 0;
};

struct CoreState {
    std::array<std::uint32_t, 32> regs{};
    std::uint32_t hi = 0;
    std::uint32_t lo = 0;
    std::uint32_t pc = 0;         // the next instruction to execute
    std::uint32_t npc = 0;        // the one after it (the branch target when pc is a delay slot)
    std::uint32_t lastBranch = 0; // address of the last branch or jump that was taken
    Cp0State cp0;
};

// Exception codes as the MIPS Cause register numbers them.
enum class ExceptionCause : std::uint8_t {
    AddressLoad = 4,  // misaligned load or instruction fetch
    AddressStore = 5, // misaligned store
    BusFetch = 6,     // instruction fetch from an address no device answers
    BusData = 7,      // data access to an address no device answers
    Syscall = 8,
    Break = 9,
    Reserved = 10,            // reserved instruction
    CoprocessorUnusable = 11, // a coprocessor instruction whose coprocessor is not usable
    Overflow = 12,
};

const char* causeName(ExceptionCause cause); // "overflow", "address error on load", ...

struct ExceptionRecord {
    ExceptionCause cause{};
    std::uint32_t pc = 0;          // the instruction that raised it
    std::uint32_t badAddress = 0;  // for address and bus errors
    bool delaySlot = false;        // the instruction sat in a delay slot
    std::uint64_t instruction = 0; // instructions executed before it
    unsigned coprocessor = 0;      // the unusable coprocessor (CoprocessorUnusable only)
};

// Sees every write of a general register, HI, LO and memory, every exception taken and every
// completed instruction.
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
