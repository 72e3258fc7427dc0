#pragma once
// Reads a core's trace (trace.h) as it streams in, once, in blocks: from a file, a FIFO or a pipe
// ("-" is standard input) or any std::istream, gzip-compressed or not (told by its first bytes).
//
// - Lines end with LF, CRLF or CR. Blank lines and lines starting with '#' or "//" are skipped,
//   and so is a '#' or "//" comment after a record. A line longer than kMaxLine bytes is refused.
// - Values may hold unknown digits (x, z or ? from a simulator); TraceRecord::unknown has their
//   bits.
// - A record may start with its instruction's program-order number, "@SEQ". A trace whose first
//   record is tagged is tagged throughout, and its records are handed on in program order: a
//   record may come after those of up to kMaxSeqDisorder younger instructions; one that comes
//   later than that is refused, and so is a fifth record of one instruction. @SEQ wraps from
//   4294967295 to 0, as a 32-bit counter does.
// - A UTF-8 byte-order mark before the first line is skipped.
// - A last line without a line end that is no record is the sign of a cut trace: it is not
//   refused but kept (incompleteLine()), and the input ends before it.
// A malformed line throws InputError "SOURCE:LINE: ..." with its bytes quoted.
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "coretest/trace.h"

namespace coretest {

// Where a record of the user's trace stands in it.
struct RecordOrigin {
    std::uint64_t record = 0; // 1-based among the records, in the order of the lines
    std::uint64_t line = 0;
    std::optional<std::uint32_t> seq; // its @SEQ
};

struct UserRecord {
    TraceRecord record;
    RecordOrigin origin;
};

// Bytes of a trace, block by block.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `buffer`; 0 at the end. Throws InputError when reading fails.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // The input ended inside a compressed stream.
    virtual bool cut() const { return false; }
};

class TraceReader {
  public:
    static constexpr std::size_t kMaxLine = 4096;
    static constexpr std::uint32_t kMaxSeqDisorder = 4096;
    // Records of one tagged instruction at most: a register, HI, LO and a store.
    static constexpr std::size_t kMaxRecordsPerSeq = 4;

    TraceReader(std::istream& in, std::string source);
    // Opens `path` ("-": standard input) for reading once; throws InputError when it cannot.
    static TraceReader open(const std::string& path);
    TraceReader(std::unique_ptr<ByteSource> bytes, std::string source);
    TraceReader(TraceReader&&) noexcept;
    ~TraceReader();

    std::optional<TraceRecord> next(); // nullopt at the end of the input
    // The record `ahead` places after the last one next() returned, read and kept for next();
    // nullptr when the input ends before.
    const UserRecord* peek(std::size_t ahead);

    const RecordOrigin& origin() const { return origin_; } // of the last record returned
    std::uint64_t records() const { return origin_.record; }
    std::uint64_t line() const { return origin_.line; }
    const std::string& source() const { return source_; }
    bool tagged() const { return tagged_.value_or(false); }
    bool compressed() const { return compressed_; }

    // Once next() has returned nullopt: the cut last line (empty when the trace ended with a
    // whole line), its number, and whether the compressed stream itself was cut.
    const std::string& incompleteLine() const { return incomplete_; }
    std::uint64_t incompleteLineNumber() const { return incompleteLineNumber_; }
    bool streamCut() const;

    // Reads the rest of the input without looking into it: the lines that are not blank or
    // comments. Stops early (returns the count so far, stoppedEarly true) at a line longer than
    // kMaxLine, or after reading maxLines lines of any kind with more to come: an endless input
    // ends here too, and what is left is not read.
    static constexpr std::uint64_t kMaxLinesSkipped = 1'000'000;
    struct Rest {
        std::uint64_t lines = 0;
        bool stoppedEarly = false;
    };
    Rest skipRest(std::uint64_t maxLines = kMaxLinesSkipped);

  private:
    struct Lines;
    struct SeqOrder;
    bool fill(); // reads and orders at least one more record into ready_; false at the end
    [[noreturn]] void refuse(std::uint64_t line, std::string_view text,
                             std::string_view problem) const;

    std::string source_;
    std::unique_ptr<Lines> lines_;
    std::unique_ptr<SeqOrder> order_;
    std::deque<UserRecord> ready_;
    RecordOrigin origin_;
    std::uint64_t parsed_ = 0;
    std::optional<bool> tagged_;
    bool compressed_ = false;
    bool ended_ = false;
    std::string incomplete_;
    std::uint64_t incompleteLineNumber_ = 0;
};

// Bytes as they may stand in a message between single quotes, whatever they are: control bytes
// (and DEL) and bytes that are not part of valid UTF-8 as \xNN, a backslash or single quote with a
// backslash before it, valid UTF-8 as it is; cut after about `max` bytes with "...". A terminal
// shows the result as text and never takes an escape sequence from it.
std::string quoteBytes(std::string_view text, std::size_t max = 60);

} // namespace coretest
