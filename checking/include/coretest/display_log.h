#pragma once
// Reading a text log once, line by line, with the trace reader's rules for its bytes: a file, a
// FIFO or a pipe ("-" is standard input) read as a stream in blocks, gzip told by its first two
// bytes and inflated as it is read, lines ending in LF, CRLF or CR, and a longest line: a longer
// one is refused with its line number, so that a source without line ends (/dev/zero) costs no
// more than one line's memory. On it, the display words of a simulation or board log, as
// `coretest decode --file` and `coretest diagnose --log` both read them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace coretest {

class LineReader {
  public:
    static constexpr std::size_t kMaxLine = 16384;

    // Opens `path` ("-": standard input); throws InputError when it cannot be read or is a
    // folder.
    static LineReader open(const std::string& path, std::size_t maxLine = kMaxLine);
    LineReader(LineReader&&) noexcept;
    LineReader& operator=(LineReader&&) noexcept;
    ~LineReader();

    // The next line without its end, valid until the next call; false at the end of the input.
    // Throws InputError "SOURCE:LINE: a line longer than N bytes (...)" for a longer line.
    bool next(std::string_view& line);
    std::uint64_t line() const { return line_; } // the number of the last line returned
    const std::string& source() const { return source_; }
    bool compressed() const { return compressed_; }

  private:
    struct Bytes;
    LineReader(std::unique_ptr<Bytes> bytes, std::string source, std::size_t maxLine);
    bool refill();

    std::unique_ptr<Bytes> bytes_;
    std::string source_;
    std::size_t maxLine_;
    std::vector<char> buf_;
    std::size_t begin_ = 0, end_ = 0;
    bool eof_ = false, skipLf_ = false, compressed_ = false;
    std::uint64_t line_ = 0;
};

// The display words a log shows, as displayWordInLine reads each line (a word after "display",
// a trace record storing to the display, a word alone; other lines are skipped). A word repeated
// on the next word line counts once, and only the last kMaxWords are kept: one run writes at
// most 58 result words, so a longer log holds several runs or no run at all.
struct DisplayLog {
    static constexpr std::size_t kMaxWords = 4096;
    std::vector<std::uint32_t> words; // in order, at most kMaxWords
    std::uint64_t wordLines = 0;      // lines that showed a display word
    std::uint64_t dropped = 0;        // words left out at the start to keep kMaxWords
    std::uint64_t lines = 0;
};
// Throws InputError as LineReader does, and "SOURCE: no display word found; ..." when no line
// shows one.
DisplayLog readDisplayLog(const std::string& path);

} // namespace coretest
