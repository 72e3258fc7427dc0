#pragma once
// The commit stream of a core as text: one record per write of a general register, HI, LO or
// memory, in program order. The reference core writes it through its Observer; a core under test
// writes the same lines from its testbench, and the trace compare (trace_compare.h) finds where
// the two part. Reading a trace is trace_reader.h.
//
//   bfc0038c r04 fffff008        instruction at 0xbfc0038c wrote 0xfffff008 to r4 (a0)
//   bfc61a44 lo fffffffe         ... wrote LO
//   bfc61a44 hi 00000001         ... wrote HI
//   bfc003ac m fffff008 00000002 ... stored the word 2 at 0xfffff008 (LAMP_B_REG)
//   @17 bfc0038c r04 fffff008    the same record tagged with its instruction's program-order number
//
// Addresses and values are hexadecimal without 0x; the register number is decimal, 00 to 31.
// A memory value has 8, 4 or 2 digits for a word, halfword or byte store. Board-register stores
// are memory records like any other. Writes to r0 are not recorded. The stream of a run ends with
// the store of 0xff to END_MARK_REG; the idle loop after it is not recorded.
#include <cstdint>
#include <string>
#include <vector>

#include "coretest/state.h"

namespace coretest {

struct TraceRecord {
    enum class Kind : std::uint8_t { Reg, Hi, Lo, Memory };
    std::uint32_t pc = 0; // the instruction that wrote
    Kind kind = Kind::Reg;
    std::uint8_t reg = 0;      // Reg
    std::uint8_t size = 4;     // Memory: bytes stored, 1, 2 or 4
    std::uint32_t address = 0; // Memory
    std::uint32_t value = 0;
    std::uint32_t unknown = 0; // bits a simulator showed as x or z (their value bits are 0)
    bool operator==(const TraceRecord&) const = default;
};

// The same destination (register, HI, LO, or memory at one address and size) of one instruction.
bool sameDestination(const TraceRecord& a, const TraceRecord& b);

// `digits` hexadecimal digits of value, with 'x' for a digit that has unknown bits.
std::string hexDigits(std::uint32_t value, std::uint32_t unknown, int digits);
std::string formatRecord(const TraceRecord& r); // "bfc00390 r09 00000002", unknown digits 'x'
// "what it wrote" in words: "r9 (t1) = 0x00000002", "memory word 0xfffff008 = 0x00000002"
std::string explainRecord(const TraceRecord& r);

// Collects the writes of each retired instruction and hands them on together, up to the
// instruction that writes the end mark. Each destination is recorded once per instruction with
// the last value written to it, in the order of its first write (LO before HI for the reference
// core's multiply and divide).
class CommitStream : public Observer {
  public:
    void regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) override;
    void hiWritten(std::uint32_t pc, std::uint32_t value) override;
    void loWritten(std::uint32_t pc, std::uint32_t value) override;
    void memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override;
    void retired(std::uint32_t pc, std::uint64_t count) override;

    bool ended() const { return ended_; }
    std::uint64_t instructions() const { return instructions_; } // retired up to the end
    std::uint64_t records() const { return records_; }

  protected:
    // One retired instruction with its records (possibly none).
    virtual void committed(std::uint32_t pc, const std::vector<TraceRecord>& records) = 0;

  private:
    void add(const TraceRecord& r);

    std::vector<TraceRecord> pending_;
    bool endMarkPending_ = false;
    bool ended_ = false;
    std::uint64_t instructions_ = 0;
    std::uint64_t records_ = 0;
};

// How many records a written trace holds at most unless told otherwise: a run that would write
// more is cut there, so that a core looping over a store cannot fill the disk. The reference
// core's trace is written by ReferenceTraceWriter (checking/reference_commits.h).
struct TraceLimits {
    static constexpr std::uint64_t kDefaultMaxRecords = 100'000'000;
};

} // namespace coretest
