#pragma once
// The commit stream of a core as text: one record per write of a general register, HI, LO or
// memory, in the order the instructions retire. The reference core writes it through its
// Observer; a core under test writes the same lines from its testbench, and compareTrace() finds
// the first record where the two part.
//
//   bfc0038c r04 fffff008        instruction at 0xbfc0038c wrote 0xfffff008 to r4 (a0)
//   bfc61a44 hi 00000001         ... wrote HI
//   bfc61a44 lo fffffffe         ... wrote LO
//   bfc003ac m fffff008 00000002 ... stored the word 2 at 0xfffff008 (LAMP_B_REG)
//
// Addresses and values are hexadecimal without 0x; the register number is decimal, 00 to 31.
// A memory value has 8, 4 or 2 digits for a word, halfword or byte store. Board-register stores
// are memory records like any other. Writes to r0 are not recorded (and ignored when read). The
// records of one instruction (HI and LO of a multiply) may come in either order. Blank lines and
// lines starting with '#' or "//" are skipped. The stream of a run ends with the store of 0xff to
// END_MARK_REG; the idle loop after it is not recorded.
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "coretest/diagnosis.h"
#include "coretest/run.h"
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
    bool operator==(const TraceRecord&) const = default;
};

std::string formatRecord(const TraceRecord& r); // "bfc00390 r09 00000002"
// "what it wrote" in words: "r9 (t1) = 0x00000002", "memory word 0xfffff008 = 0x00000002"
std::string explainRecord(const TraceRecord& r);

// Reads trace lines one by one; a malformed line throws InputError naming the source and line.
class TraceReader {
  public:
    TraceReader(std::istream& in, std::string source);
    std::optional<TraceRecord> next();                 // nullopt at the end of the input
    std::uint64_t records() const { return records_; } // records returned so far
    int line() const { return line_; }                 // line of the last record returned

  private:
    std::istream& in_;
    std::string source_;
    std::uint64_t records_ = 0;
    int line_ = 0;
};

// Collects the writes of each retired instruction and hands them on together, up to the
// instruction that writes the end mark.
class CommitStream : public Observer {
  public:
    void regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) override;
    void hiWritten(std::uint32_t pc, std::uint32_t value) override;
    void loWritten(std::uint32_t pc, std::uint32_t value) override;
    void memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override;
    void retired(std::uint32_t pc, std::uint64_t count) override;

    bool ended() const { return ended_; }
    std::uint64_t instructions() const { return instructions_; } // retired before the end
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

// Writes the commit stream as trace lines.
class TraceWriter : public CommitStream {
  public:
    explicit TraceWriter(std::ostream& out) : out_(out) {}
    void finish(); // writes out what is buffered; call after the run

  protected:
    void committed(std::uint32_t pc, const std::vector<TraceRecord>& records) override;

  private:
    std::ostream& out_;
    std::string buffer_;
};

// One instruction the reference core retired, with the records it wrote.
struct RetiredInstruction {
    std::uint32_t pc = 0;
    std::vector<TraceRecord> records;
};

struct TraceComparison {
    enum class Outcome { Agree, Differs, EndsEarly };
    Outcome outcome = Outcome::Agree;
    std::uint64_t expectedRecords = 0; // records of the reference run
    std::uint64_t matchedRecords = 0;  // records that agreed before the divergence or the end
    std::uint64_t extraRecords = 0;    // Agree: records of the user's trace after the end mark
    // Differs: the user's record number and line, the two records; EndsEarly: the next record
    // that the reference core wrote, and the user's last record line.
    std::uint64_t record = 0;
    int line = 0;
    std::optional<TraceRecord> expected, observed;
    CaseRef where; // case of the expected record's instruction
    // Registers the case had placed before that instruction, with the reference core's values.
    std::vector<std::pair<unsigned, std::uint32_t>> caseRegisters;
    std::vector<RetiredInstruction> before; // the instructions retired just before, oldest first
    std::optional<RetiredInstruction> lastAgreed; // EndsEarly: where the user's trace got to
};

struct CompareOptions {
    RunOptions run;          // switch, limit and faults of the reference run
    std::size_t context = 6; // instructions shown before the divergence
};

// Runs the reference core on the image and compares its commit stream with the user's trace,
// record by record, up to the first divergence. Throws InputError for a malformed line.
TraceComparison compareTrace(const Image& image, const RomMap& map, TraceReader& user,
                             const CompareOptions& options);

// The address of the instruction that loads SWITCH_REG in wait_1s, if the image has one.
std::optional<std::uint32_t> switchLoadAddress(const Image& image, const RomMap& map);
// The SWITCH_REG value that the user's trace shows the core read first (the record of that
// load), if the trace has one.
std::optional<std::uint32_t> switchReadIn(TraceReader& user, std::uint32_t loadAddress);

} // namespace coretest
