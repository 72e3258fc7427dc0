#include "coretest/trace_reader.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <istream>
#include <span>
#include <vector>

#include "coretest/image.h"
#include "coretest/seq_window.h"
#include "coretest/trace_records.h"

namespace coretest {

namespace {

// The length of the valid UTF-8 sequence starting at text[i] (2 to 4 bytes), or 0 when the bytes
// there are not one: a stray continuation byte, an overlong form, a surrogate, past U+10FFFF, or
// cut short. The C1 controls (U+0080 to U+009F, C2 80 to C2 9F) count as invalid here too: some
// terminals act on them as they do on ESC.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf; // the range of the first continuation byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        if (lead == 0xc2) low = 0xa0;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else
        return 0;
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xbf) return 0;
    return length;
}

} // namespace

std::string quoteBytes(std::string_view text, std::size_t max) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (i >= max) return out + "...";
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '\'') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7f) {
            out += fmt::format("\\x{:02x}", c);
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = utf8Length(text, i); n != 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += fmt::format("\\x{:02x}", c);
            ++i;
        }
    }
    return out;
}

namespace {

constexpr std::size_t kBlock = 1 << 20;
constexpr std::size_t kFirstBlock = 2 * TraceReader::kMaxLine + 2; // a longest line and its end

class StreamSource : public ByteSource {
  public:
    StreamSource(std::istream& in, std::string source) : in_(in), source_(std::move(source)) {}
    std::size_t read(char* buffer, std::size_t size) override {
        in_.read(buffer, static_cast<std::streamsize>(size));
        if (in_.bad()) throw InputError(fmt::format("{}: reading failed", source_));
        return static_cast<std::size_t>(in_.gcount());
    }

  private:
    std::istream& in_;
    std::string source_;
};

// A file descriptor: a file, a FIFO, a pipe or standard input.
class FdSource : public ByteSource {
  public:
    FdSource(int fd, bool owned, std::string source)
        : fd_(fd), owned_(owned), source_(std::move(source)) {}
    ~FdSource() override {
        if (owned_) ::close(fd_);
    }
    FdSource(const FdSource&) = delete;
    FdSource& operator=(const FdSource&) = delete;
    std::size_t read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR)
                throw InputError(
                    fmt::format("{}: reading failed ({})", source_, std::strerror(errno)));
        }
    }

  private:
    int fd_;
    bool owned_;
    std::string source_;
};

// A gzip stream (one or more members) inflated as it is read; `head` holds its first bytes,
// already read from `raw`.
class GzipSource : public ByteSource {
  public:
    GzipSource(std::unique_ptr<ByteSource> raw, std::string head, std::string source)
        : raw_(std::move(raw)), in_(std::move(head)), source_(std::move(source)) {
        if (inflateInit2(&z_, 15 + 16) != Z_OK)
            throw InputError(fmt::format("{}: cannot start decompressing", source_));
        z_.next_in = reinterpret_cast<Bytef*>(in_.data());
        z_.avail_in = static_cast<uInt>(in_.size());
    }
    ~GzipSource() override { inflateEnd(&z_); }
    GzipSource(const GzipSource&) = delete;
    GzipSource& operator=(const GzipSource&) = delete;

    std::size_t read(char* buffer, std::size_t size) override {
        z_.next_out = reinterpret_cast<Bytef*>(buffer);
        z_.avail_out = static_cast<uInt>(size);
        while (z_.avail_out == size && !done_) {
            if (z_.avail_in == 0 && !refill()) {
                cut_ = inMember_;
                done_ = true;
                break;
            }
            const int rc = inflate(&z_, Z_NO_FLUSH);
            inMember_ = true;
            if (rc == Z_STREAM_END) {
                inMember_ = false;
                inflateReset(&z_);
            } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
                throw InputError(fmt::format("{}: not a valid gzip stream ({})", source_,
                                             z_.msg ? z_.msg : "corrupt data"));
            }
        }
        return size - z_.avail_out;
    }
    bool cut() const override { return cut_; }

  private:
    // Like the line buffer, the input buffer grows to a whole block once a read fills it.
    bool refill() {
        in_.resize(filled_ ? kBlock : std::max(in_.size(), kFirstBlock));
        const std::size_t n = raw_->read(in_.data(), in_.size());
        filled_ = n == in_.size();
        z_.next_in = reinterpret_cast<Bytef*>(in_.data());
        z_.avail_in = static_cast<uInt>(n);
        return n > 0;
    }

    std::unique_ptr<ByteSource> raw_;
    std::string in_;
    std::string source_;
    z_stream z_{};
    bool inMember_ = false, done_ = false, cut_ = false, filled_ = false;
};

// Gives back the bytes read to look for the gzip magic before the rest of `raw`.
class HeadSource : public ByteSource {
  public:
    HeadSource(std::unique_ptr<ByteSource> raw, std::string head)
        : raw_(std::move(raw)), head_(std::move(head)) {}
    std::size_t read(char* buffer, std::size_t size) override {
        if (used_ == head_.size()) return raw_->read(buffer, size);
        const std::size_t n = std::min(size, head_.size() - used_);
        std::memcpy(buffer, head_.data() + used_, n);
        used_ += n;
        return n;
    }

  private:
    std::unique_ptr<ByteSource> raw_;
    std::string head_;
    std::size_t used_ = 0;
};

// ---- One line into a record ----

constexpr std::string_view kAccepted =
    "expected '[@SEQ] ADDRESS rNN VALUE', '... hi VALUE', '... lo VALUE', '... m ADDRESS "
    "VALUE' or '... exc CODE EPC [BADVADDR]' (hexadecimal, register number 00 to 31, Cause code "
    "00 to 31)";

struct Parsed {
    enum class Status { Skip, Record, Bad } status = Status::Skip;
    TraceRecord record;
    std::optional<std::uint32_t> seq;
    bool fullWidth = false; // address and register values with all 8 digits
    std::string problem;
};

constexpr std::array<std::int8_t, 256> kHexDigit = [] {
    std::array<std::int8_t, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[c] = static_cast<std::int8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        t[c] = static_cast<std::int8_t>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        t[c] = static_cast<std::int8_t>(c - 'A' + 10);
    for (char c : {'x', 'X', 'z', 'Z', '?'})
        t[static_cast<unsigned char>(c)] = 16; // unknown
    return t;
}();

std::string_view withoutPrefix(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    return text;
}

struct Hex {
    std::uint32_t value = 0, unknown = 0;
    std::size_t digits = 0;
};

// Up to 8 hexadecimal digits, with or without 0x; unknown digits only where allowed.
std::optional<Hex> hexField(std::string_view text, bool unknownAllowed) {
    text = withoutPrefix(text);
    if (text.empty() || text.size() > 8) return std::nullopt;
    Hex h;
    h.digits = text.size();
    for (char c : text) {
        const int d = kHexDigit[static_cast<unsigned char>(c)];
        if (d < 0 || (d == 16 && !unknownAllowed)) return std::nullopt;
        h.value = (h.value << 4) | (d == 16 ? 0 : static_cast<std::uint32_t>(d));
        h.unknown = (h.unknown << 4) | (d == 16 ? 0xf : 0);
    }
    return h;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool equalsLower(std::string_view field, std::string_view word) {
    if (field.size() != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if ((field[i] | 0x20) != word[i]) return false;
    return true;
}

Parsed bad(std::string problem) {
    Parsed p;
    p.status = Parsed::Status::Bad;
    p.problem = std::move(problem);
    return p;
}

// Eight known hexadecimal digits at p.
bool eightHexDigits(const char* p, std::uint32_t& value) {
    std::uint32_t v = 0;
    int notDigit = 0; // -1 or 16 in kHexDigit: no known digit
    for (int k = 0; k < 8; ++k) {
        const int d = kHexDigit[static_cast<unsigned char>(p[k])];
        notDigit |= d & ~15;
        v = (v << 4) | static_cast<std::uint32_t>(d & 15);
    }
    value = v;
    return notDigit == 0;
}

// The lines this project's tools and the HDL kit's tracer write, "[@SEQ ]PPPPPPPP rNN VVVVVVVV"
// and "[@SEQ ]PPPPPPPP hi|lo VVVVVVVV" with single spaces and known digits, read without the
// general field splitting: they are nearly every line of a long trace. False for anything else,
// which the general reader then takes.
bool parseCanonical(std::string_view line, Parsed& p) {
    if (!line.empty() && line[0] == '@') {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos || space < 2) return false;
        std::uint32_t seq = 0;
        const auto [end, ec] = std::from_chars(line.data() + 1, line.data() + space, seq);
        if (ec != std::errc{} || end != line.data() + space) return false;
        p.seq = seq;
        line.remove_prefix(space + 1);
    }
    TraceRecord& r = p.record;
    if (line.size() == 21 && line[8] == ' ' && line[9] == 'r' && line[12] == ' ') {
        const unsigned tens = static_cast<unsigned>(line[10] - '0');
        const unsigned ones = static_cast<unsigned>(line[11] - '0');
        if (tens > 3 || ones > 9 || 10 * tens + ones > 31) return false;
        r.kind = TraceRecord::Kind::Reg;
        r.reg = static_cast<std::uint8_t>(10 * tens + ones);
    } else if (line.size() == 20 && line[8] == ' ' && line[11] == ' ' &&
               (line.substr(9, 2) == "hi" || line.substr(9, 2) == "lo")) {
        r.kind = line[9] == 'h' ? TraceRecord::Kind::Hi : TraceRecord::Kind::Lo;
    } else {
        return false;
    }
    if (!eightHexDigits(line.data(), r.pc) ||
        !eightHexDigits(line.data() + line.size() - 8, r.value))
        return false;
    p.fullWidth = true;
    p.status = Parsed::Status::Record;
    return true;
}

// "PC exc CODE EPC [BADVADDR]" (f from PC on): the Cause code in decimal, EPC and BadVAddr
// hexadecimal, BadVAddr for an address error and only then.
Parsed parseException(Parsed& p, std::span<const std::string_view> f, const Hex& pc) {
    if (f.size() != 4 && f.size() != 5)
        return bad(fmt::format("{} fields where 'exc' takes 4 or 5 (ADDRESS exc CODE EPC, and "
                               "BADVADDR for an address error)",
                               f.size()));
    unsigned code = 32;
    const std::string_view digits = f[2];
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    if (digits.size() > 2 || ec != std::errc{} || end != digits.data() + digits.size() || code > 31)
        return bad(fmt::format("'{}' is not a Cause code (00 to 31, decimal)", quoteBytes(digits)));
    const auto epc = hexField(f[3], true);
    if (!epc) return bad(fmt::format("'{}' is not a hexadecimal EPC", quoteBytes(f[3])));
    if (setsBadVAddr(code) != (f.size() == 5))
        return bad(fmt::format("an exception of code {:02} {}", code,
                               setsBadVAddr(code)
                                   ? "(an address error) carries its BadVAddr after the EPC"
                                   : "carries no BadVAddr: only address errors (04, 05) set it"));
    std::optional<Hex> badVAddr;
    if (f.size() == 5) {
        badVAddr = hexField(f[4], true);
        if (!badVAddr)
            return bad(fmt::format("'{}' is not a hexadecimal BadVAddr", quoteBytes(f[4])));
    }
    p.record = exceptionRecord(pc.value, code, epc->value,
                               badVAddr ? std::optional(badVAddr->value) : std::nullopt);
    p.record.unknown = epc->unknown;
    if (badVAddr && badVAddr->unknown) p.record.size |= kBadVAddrUnknown;
    p.fullWidth = pc.digits == 8 && epc->digits == 8 && (!badVAddr || badVAddr->digits == 8);
    p.status = Parsed::Status::Record;
    return p;
}

Parsed parseLine(std::string_view line) {
    if (Parsed p; parseCanonical(line, p)) return p;
    constexpr std::size_t kMaxFields = 6;
    std::array<std::string_view, kMaxFields> f;
    std::size_t n = 0, i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !isSpace(line[i]))
            ++i;
        if (i == start) break;
        const std::string_view field = line.substr(start, i - start);
        if (field[0] == '#' || field.starts_with("//")) break;
        if (n == kMaxFields) return bad(fmt::format("more than {} fields", kMaxFields - 1));
        f[n++] = field;
    }
    Parsed p;
    if (n == 0) return p;
    std::size_t at = 0;
    if (f[0][0] == '@') {
        std::uint32_t seq = 0;
        const std::string_view digits = f[0].substr(1);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), seq);
        if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size())
            return bad(fmt::format("'{}' is not a program-order number (@ and up to 10 decimal "
                                   "digits)",
                                   quoteBytes(f[0])));
        p.seq = seq;
        at = 1;
    }
    const std::size_t count = n - at;
    const auto pc = hexField(f[at], false);
    if (!pc) return bad(fmt::format("'{}' is not a hexadecimal address", quoteBytes(f[at])));
    if (count < 3) return bad("too few fields");
    TraceRecord& r = p.record;
    r.pc = pc->value;
    const std::string_view what = f[at + 1];
    if (equalsLower(what, "exc")) return parseException(p, std::span(f).subspan(at, count), *pc);
    const bool memory = equalsLower(what, "m");
    const std::size_t wanted = memory ? 4 : 3;
    if (count != wanted)
        return bad(fmt::format("{} fields where '{}' takes {}", count, quoteBytes(what), wanted));
    const auto value = hexField(f[n - 1], true);
    if (!value) return bad(fmt::format("'{}' is not a hexadecimal value", quoteBytes(f[n - 1])));
    r.value = value->value;
    r.unknown = value->unknown;
    p.fullWidth = pc->digits == 8;
    if (equalsLower(what, "hi") || equalsLower(what, "lo")) {
        r.kind = equalsLower(what, "hi") ? TraceRecord::Kind::Hi : TraceRecord::Kind::Lo;
        p.fullWidth = p.fullWidth && value->digits == 8;
    } else if (memory) {
        const auto address = hexField(f[at + 2], false);
        if (!address)
            return bad(fmt::format("'{}' is not a hexadecimal address", quoteBytes(f[at + 2])));
        if (value->digits % 2 != 0)
            return bad("a memory value has 8, 4 or 2 digits (word, halfword or byte), or 6 for "
                       "three bytes");
        r.kind = TraceRecord::Kind::Memory;
        r.address = address->value;
        r.size = static_cast<std::uint8_t>(value->digits / 2);
        // Three bytes are stored by swl or swr, within one word.
        if (r.size == 3 && (r.address & 3) > 1)
            return bad(fmt::format("three bytes from 0x{:08x} cross a word boundary; a store of "
                                   "three bytes starts at a word's byte 0 or 1",
                                   r.address));
        p.fullWidth = p.fullWidth && address->digits == 8;
    } else {
        unsigned reg = 32;
        const std::string_view num = what.substr(1);
        const auto [end, ec] = std::from_chars(num.data(), num.data() + num.size(), reg);
        if ((what[0] | 0x20) != 'r' || num.empty() || ec != std::errc{} ||
            end != num.data() + num.size())
            return bad(fmt::format("'{}' is not rNN, hi, lo, m or exc", quoteBytes(what)));
        if (reg > 31) return bad(fmt::format("register number {} is not 00 to 31", reg));
        r.kind = TraceRecord::Kind::Reg;
        r.reg = static_cast<std::uint8_t>(reg);
        p.fullWidth = p.fullWidth && value->digits == 8;
    }
    p.status = Parsed::Status::Record;
    return p;
}

bool blankOrComment(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    return i == line.size() || line[i] == '#' || line.substr(i).starts_with("//");
}

} // namespace

// ---- Lines of a byte stream ----

struct TraceReader::Lines {
    enum class Status { Line, Unterminated, End, TooLong };

    // The buffer starts small, so that reading a short input costs little, and grows to a
    // whole block as soon as a read fills it.
    explicit Lines(std::unique_ptr<ByteSource> s) : src(std::move(s)), buf(kFirstBlock) {}

    Status next(std::string_view& line) {
        for (;;) {
            if (skipLf && begin < end) {
                skipLf = false;
                if (buf[begin] == '\n') ++begin;
            }
            if (nl < begin || nl > end) {
                const void* p = std::memchr(buf.data() + begin, '\n', end - begin);
                nl = p ? static_cast<std::size_t>(static_cast<const char*>(p) - buf.data()) : end;
            }
            std::size_t stop = nl;
            if (const void* cr = std::memchr(buf.data() + begin, '\r', nl - begin))
                stop = static_cast<std::size_t>(static_cast<const char*>(cr) - buf.data());
            if (stop - begin > kMaxLine) {
                line = std::string_view(buf.data() + begin, kMaxLine);
                ++number;
                return Status::TooLong;
            }
            if (stop < end) {
                line = std::string_view(buf.data() + begin, stop - begin);
                begin = stop + 1;
                skipLf = buf[stop] == '\r';
                ++number;
                return Status::Line;
            }
            if (eof) {
                if (begin == end) return Status::End;
                line = std::string_view(buf.data() + begin, end - begin);
                begin = end;
                ++number;
                return Status::Unterminated;
            }
            refill();
        }
    }

    void refill() {
        if (begin > 0) {
            std::memmove(buf.data(), buf.data() + begin, end - begin);
            end -= begin;
            begin = 0;
        }
        nl = std::string_view::npos;
        if (filled && buf.size() < kBlock) buf.resize(kBlock);
        const std::size_t n = src->read(buf.data() + end, buf.size() - end);
        filled = n == buf.size() - end;
        end += n;
        eof = n == 0;
    }

    std::unique_ptr<ByteSource> src;
    std::vector<char> buf;
    bool filled = false; // the last read filled the buffer: the input is longer than it
    std::size_t begin = 0, end = 0, nl = std::string_view::npos;
    bool eof = false, skipLf = false;
    std::uint64_t number = 0;
};

// ---- Tagged records back into program order ----

struct TraceReader::SeqOrder {
    enum class Added { Kept, TooLate, TooMany };

    // Takes a record of instruction `seq`; hands on every buffered record whose instruction is
    // more than kMaxSeqDisorder older than the youngest seen. A seq is placed relative to the
    // youngest seen (serial-number arithmetic), the nearer way round, so @0 after @4294967295 is
    // the next instruction. Records of one instruction beyond kMaxRecordsPerSeq are refused
    // rather than kept: that bounds what the window buffers (at most 2 * kMaxSeqDisorder
    // instructions of kMaxRecordsPerSeq records each).
    Added add(const UserRecord& r, std::deque<UserRecord>& out) {
        const std::uint32_t seq = *r.origin.seq;
        if (!started) {
            started = true;
            highest = seq;
            window.skipTo(seq - kMaxSeqDisorder); // earlier instructions may still come
        }
        if (static_cast<std::int32_t>(seq - highest) > 0) {
            highest = seq;
            release(highest - kMaxSeqDisorder, out);
        } else if (!window.inside(seq)) {
            return Added::TooLate;
        }
        auto* slot = window.at(seq, [](std::vector<UserRecord>& v) { v.clear(); });
        if (slot->size() >= kMaxRecordsPerSeq) return Added::TooMany;
        slot->push_back(r);
        ++buffered;
        return Added::Kept;
    }

    // Hands on the records of every instruction before `upTo`.
    void release(std::uint32_t upTo, std::deque<UserRecord>& out) {
        while (window.oldest() != upTo) {
            if (window.used() == 0) {
                window.skipTo(upTo);
                return;
            }
            handOnOldest(out);
        }
    }

    void drain(std::deque<UserRecord>& out) {
        while (window.used() > 0)
            handOnOldest(out);
    }

    void handOnOldest(std::deque<UserRecord>& out) {
        if (auto* slot = window.oldestSlot()) {
            for (auto& r : *slot)
                out.push_back(r);
            buffered -= slot->size();
        }
        window.pop();
    }

    SeqWindow<std::vector<UserRecord>> window{0, 2 * kMaxSeqDisorder};
    std::uint32_t highest = 0; // the youngest seq seen
    bool started = false;
    std::size_t buffered = 0;
};

// ---- The reader ----

TraceReader::TraceReader(std::unique_ptr<ByteSource> bytes, std::string source)
    : source_(std::move(source)) {
    std::string head(2, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const std::size_t n = bytes->read(head.data() + got, head.size() - got);
        if (n == 0) break;
        got += n;
    }
    head.resize(got);
    compressed_ = head == "\x1f\x8b";
    if (compressed_)
        bytes = std::make_unique<GzipSource>(std::move(bytes), std::move(head), source_);
    else
        bytes = std::make_unique<HeadSource>(std::move(bytes), std::move(head));
    lines_ = std::make_unique<Lines>(std::move(bytes));
}

TraceReader::TraceReader(std::istream& in, std::string source)
    : TraceReader(std::make_unique<StreamSource>(in, source), source) {}

TraceReader TraceReader::open(const std::string& path) {
    if (path == "-") return TraceReader(std::make_unique<FdSource>(0, false, "-"), "-");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw InputError(fmt::format("{}: cannot be read ({}); give the path of a trace file", path,
                                     std::strerror(errno)));
    return TraceReader(std::make_unique<FdSource>(fd, true, path), path);
}

TraceReader::TraceReader(TraceReader&&) noexcept = default;
TraceReader::~TraceReader() = default;

bool TraceReader::streamCut() const {
    return lines_->src->cut();
}

void TraceReader::refuse(std::uint64_t line, std::string_view text,
                         std::string_view problem) const {
    throw InputError(fmt::format("{}:{}: '{}' is not a trace record: {}; {}", source_, line,
                                 quoteBytes(text), problem, kAccepted));
}

bool TraceReader::fill() {
    const std::size_t before = ready_.size();
    while (ready_.size() == before) {
        if (ended_) return false;
        std::string_view text;
        const Lines::Status status = lines_->next(text);
        if (status == Lines::Status::End) {
            ended_ = true;
            if (order_) order_->drain(ready_);
            continue;
        }
        if (status == Lines::Status::TooLong)
            throw InputError(fmt::format("{}:{}: a line longer than {} bytes ('{}'); a trace line "
                                         "holds one record",
                                         source_, lines_->number, kMaxLine, quoteBytes(text)));
        // A byte-order mark before the first line, as some editors write: not part of it.
        if (lines_->number == 1 && text.starts_with("\xef\xbb\xbf")) text.remove_prefix(3);
        Parsed p = parseLine(text);
        if (p.status == Parsed::Status::Skip) continue;
        const bool last = status == Lines::Status::Unterminated;
        if (last && (p.status == Parsed::Status::Bad || !p.fullWidth || streamCut())) {
            incomplete_ = std::string(text);
            incompleteLineNumber_ = lines_->number;
            continue; // the input ends here
        }
        if (p.status == Parsed::Status::Bad) refuse(lines_->number, text, p.problem);
        if (!tagged_) tagged_ = p.seq.has_value();
        if (*tagged_ != p.seq.has_value())
            refuse(lines_->number, text,
                   *tagged_ ? "no @SEQ where the trace's first record has one"
                            : "an @SEQ where the trace's first record has none");
        if (p.record.kind == TraceRecord::Kind::Reg && p.record.reg == 0) continue;
        const UserRecord u{p.record, {++parsed_, lines_->number, p.seq}};
        if (!p.seq) {
            ready_.push_back(u);
            continue;
        }
        if (!order_) order_ = std::make_unique<SeqOrder>();
        switch (order_->add(u, ready_)) {
        case SeqOrder::Added::Kept: break;
        case SeqOrder::Added::TooLate:
            throw InputError(fmt::format(
                "{}:{}: the record of instruction @{} comes after records of @{}: more than {} "
                "instructions out of program order, which a tagged trace may not be",
                source_, lines_->number, *p.seq, order_->highest, kMaxSeqDisorder));
        case SeqOrder::Added::TooMany:
            throw InputError(fmt::format(
                "{}:{}: a record more for instruction @{}, which already has {}: one instruction "
                "writes at most a register, HI, LO and a store; each @SEQ numbers one instruction",
                source_, lines_->number, *p.seq, kMaxRecordsPerSeq));
        }
    }
    return true;
}

std::optional<TraceRecord> TraceReader::next() {
    if (ready_.empty() && !fill()) return std::nullopt;
    origin_ = ready_.front().origin;
    const TraceRecord r = ready_.front().record;
    ready_.pop_front();
    return r;
}

const UserRecord* TraceReader::peek(std::size_t ahead) {
    while (ready_.size() <= ahead)
        if (!fill()) return nullptr;
    return &ready_[ahead];
}

TraceReader::Rest TraceReader::skipRest(std::uint64_t maxLines) {
    Rest rest;
    rest.lines = ready_.size() + (order_ ? order_->buffered : 0);
    ready_.clear();
    if (ended_) return rest;
    for (std::uint64_t read = 0;; ++read) {
        std::string_view text;
        if (read == maxLines) {
            // More follows, perhaps without end (a pipe): left unread.
            rest.stoppedEarly = lines_->next(text) != Lines::Status::End;
            break;
        }
        const Lines::Status status = lines_->next(text);
        if (status == Lines::Status::End) break;
        if (status == Lines::Status::TooLong) {
            rest.stoppedEarly = true;
            break;
        }
        if (!blankOrComment(text)) ++rest.lines;
    }
    ended_ = true;
    return rest;
}

} // namespace coretest
