#pragma once
// The reference core's commit stream as a core's trace shows it (trace_records.h), for `coretest
// trace` and for the comparison:
// - a swl or swr store is the bytes it writes, from the first byte's address (the core itself
//   reports the merged aligned word, trace.h): swl at offset 2 writes bytes 0 to 2, swr at offset
//   1 bytes 1 to 3. The offset is that of the instruction's address, rs + offset, with rs as the
//   commit stream saw it written (every register write of the run passes through it);
// - every exception taken is one record of the instruction that raised it: its Cause code, the EPC
//   and, for an address error, BadVAddr, as exception entry sets them. A fetch that failed (a
//   misaligned or unanswered address) is an instruction of its own at that address, with the
//   exception record as its one record.
#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "coretest/board.h"
#include "coretest/trace.h"

namespace coretest {

class ReferenceCommits : public Observer {
  public:
    // The board of the run, whose ROM and RAM hold the instructions; set before the run starts.
    void setBoard(const Board* board) { board_ = board; }

    void regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) override;
    void hiWritten(std::uint32_t pc, std::uint32_t value) override;
    void loWritten(std::uint32_t pc, std::uint32_t value) override;
    void memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override;
    void exceptionTaken(const ExceptionRecord& e) override;
    void retired(std::uint32_t pc, std::uint64_t count) override;

    // The instruction that wrote the end mark has retired; later ones are not recorded.
    bool ended() const { return ended_; }
    // Instructions retired up to the end mark (a failed fetch, which retires none, not counted).
    std::uint64_t instructions() const { return instructions_; }

  protected:
    // One instruction with its records, the exception record last when it raised one (`trap`).
    // Each destination (register, HI, LO, the bytes of a store) is recorded once per
    // instruction, with the last value written to it, in the order of its first write (as
    // CommitStream, trace.h, records them).
    virtual void instruction(std::uint32_t pc, const std::vector<TraceRecord>& records,
                             bool trap) = 0;
    // The records of the instructions from the next one on are collected in `records` (cleared
    // here), which instruction() is then given: a subclass that keeps the instructions names
    // the slot the next one goes to, so that they are written there at once. The vector must
    // stay where it is until instruction() is called, which may name the next one. Without
    // this the stream collects them in a vector of its own.
    void collectInto(std::vector<TraceRecord>& records) {
        records.clear();
        into_ = &records;
    }

  private:
    void add(const TraceRecord& r);
    void store(std::uint32_t pc, std::uint32_t addr, unsigned size, std::uint32_t value);
    std::uint32_t wordAt(std::uint32_t address) const;

    const Board* board_ = nullptr;
    std::array<std::uint32_t, 32> regs_{}; // as the run has written them; 0 at reset
    std::vector<TraceRecord> records_;
    std::vector<TraceRecord>* into_ = &records_; // where the executing instruction's records go
    std::optional<TraceRecord> exception_;       // of the instruction executing
    bool endMarkPending_ = false;
    bool ended_ = false;
    std::uint64_t instructions_ = 0;
};

// The reference core's trace as lines, at most `maxRecords` of them: a run that would write more
// is cut there (capped() tells), so that a core looping over a store cannot fill the disk.
class ReferenceTraceWriter : public ReferenceCommits {
  public:
    explicit ReferenceTraceWriter(std::ostream& out,
                                  std::uint64_t maxRecords = TraceLimits::kDefaultMaxRecords)
        : out_(out), maxRecords_(maxRecords) {}
    // Writes out what is buffered; call after the run. Throws InputError when the output cannot
    // be written.
    void finish();
    bool capped() const { return capped_; }
    std::uint64_t written() const { return written_; } // records, exception records included

  protected:
    void instruction(std::uint32_t pc, const std::vector<TraceRecord>& records, bool trap) override;

  private:
    std::ostream& out_;
    std::uint64_t maxRecords_;
    std::uint64_t written_ = 0;
    bool capped_ = false;
    std::string buffer_;
};

} // namespace coretest
