#include "coretest/display_log.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include "coretest/display_word.h"
#include "coretest/image.h"
#include "coretest/trace_reader.h"

namespace coretest {

namespace {
constexpr std::size_t kBlock = 1 << 16;
} // namespace

// The bytes of a file descriptor, inflated when they start with the gzip magic.
struct LineReader::Bytes {
    Bytes(int fd, bool owned, std::string source)
        : fd(fd), owned(owned), source(std::move(source)) {}
    ~Bytes() {
        if (gzip) inflateEnd(&z);
        if (owned) ::close(fd);
    }
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;

    std::size_t raw(char* buffer, std::size_t size) {
        for (;;) {
            const ssize_t n = ::read(fd, buffer, size);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno == EISDIR)
                throw InputError(fmt::format("{}: is a directory; give a log file", source));
            if (errno != EINTR)
                throw InputError(
                    fmt::format("{}: reading failed ({})", source, std::strerror(errno)));
        }
    }

    // Looks at the first two bytes; true when they start a gzip stream.
    bool start() {
        std::size_t got = 0;
        in.resize(kBlock);
        while (got < 2) {
            const std::size_t n = raw(in.data() + got, in.size() - got);
            if (n == 0) break;
            got += n;
        }
        head = got;
        gzip = got >= 2 && in[0] == '\x1f' && in[1] == '\x8b';
        if (gzip) {
            if (inflateInit2(&z, 15 + 16) != Z_OK)
                throw InputError(fmt::format("{}: cannot start decompressing", source));
            z.next_in = reinterpret_cast<Bytef*>(in.data());
            z.avail_in = static_cast<uInt>(got);
        }
        return gzip;
    }

    std::size_t read(char* buffer, std::size_t size) {
        if (!gzip) {
            if (head > used) { // the bytes start() looked at
                const std::size_t n = std::min(size, head - used);
                std::memcpy(buffer, in.data() + used, n);
                used += n;
                return n;
            }
            return raw(buffer, size);
        }
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = static_cast<uInt>(size);
        while (z.avail_out == size && !done) {
            if (z.avail_in == 0) {
                const std::size_t n = raw(in.data(), in.size());
                if (n == 0) {
                    done = true; // a stream cut inside a member ends where it was cut
                    break;
                }
                z.next_in = reinterpret_cast<Bytef*>(in.data());
                z.avail_in = static_cast<uInt>(n);
            }
            const int rc = inflate(&z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                inflateReset(&z); // another member may follow
            else if (rc != Z_OK && rc != Z_BUF_ERROR)
                throw InputError(fmt::format("{}: not a valid gzip stream ({})", source,
                                             z.msg ? z.msg : "corrupt data"));
        }
        return size - z.avail_out;
    }

    int fd;
    bool owned;
    std::string source;
    std::string in;
    std::size_t head = 0, used = 0;
    z_stream z{};
    bool gzip = false, done = false;
};

LineReader LineReader::open(const std::string& path, std::size_t maxLine) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw InputError(fmt::format("{}: cannot be read ({}); give the path of a log file",
                                     quoteBytes(path), std::strerror(errno)));
    auto bytes = std::make_unique<Bytes>(fd, !standardInput, quoteBytes(path));
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        throw InputError(fmt::format("{}: is a directory; give a log file", quoteBytes(path)));
    return LineReader(std::move(bytes), quoteBytes(path), maxLine);
}

LineReader::LineReader(std::unique_ptr<Bytes> bytes, std::string source, std::size_t maxLine)
    : bytes_(std::move(bytes)), source_(std::move(source)), maxLine_(maxLine),
      buf_(std::max(kBlock, 2 * maxLine + 2)) {
    compressed_ = bytes_->start();
}

LineReader::LineReader(LineReader&&) noexcept = default;
LineReader& LineReader::operator=(LineReader&&) noexcept = default;
LineReader::~LineReader() = default;

bool LineReader::refill() {
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const std::size_t n = bytes_->read(buf_.data() + end_, buf_.size() - end_);
    end_ += n;
    eof_ = n == 0;
    return n > 0;
}

bool LineReader::next(std::string_view& line) {
    std::size_t scanned = 0; // bytes of this line already searched for its end
    for (;;) {
        if (skipLf_ && begin_ < end_) {
            skipLf_ = false;
            if (buf_[begin_] == '\n') ++begin_;
        }
        std::size_t stop = begin_ + scanned;
        while (stop < end_ && buf_[stop] != '\n' && buf_[stop] != '\r')
            ++stop;
        if (stop - begin_ > maxLine_)
            throw InputError(fmt::format("{}:{}: a line longer than {} bytes ('{}'); a log line "
                                         "shows at most one display word",
                                         source_, line_ + 1, maxLine_,
                                         quoteBytes({buf_.data() + begin_, stop - begin_})));
        if (stop < end_) {
            line = std::string_view(buf_.data() + begin_, stop - begin_);
            skipLf_ = buf_[stop] == '\r';
            begin_ = stop + 1;
            ++line_;
            return true;
        }
        scanned = stop - begin_;
        if (eof_ || !refill()) {
            if (begin_ == end_) return false;
            line = std::string_view(buf_.data() + begin_, end_ - begin_);
            begin_ = end_;
            ++line_;
            return true;
        }
    }
}

DisplayLog readDisplayLog(const std::string& path) {
    LineReader reader = LineReader::open(path);
    DisplayLog log;
    std::deque<std::uint32_t> words;
    std::string_view line;
    while (reader.next(line)) {
        const auto w = displayWordInLine(line);
        if (!w) continue;
        ++log.wordLines;
        if (!words.empty() && words.back() == *w) continue;
        words.push_back(*w);
        if (words.size() > DisplayLog::kMaxWords) {
            words.pop_front();
            ++log.dropped;
        }
    }
    log.lines = reader.line();
    if (log.wordLines == 0)
        throw InputError(fmt::format("{}: no display word found in {} line{}; expected lines such "
                                     "as 'display 0x08000007', 'm fffff010 08000007' or a word "
                                     "alone",
                                     reader.source(), log.lines, log.lines == 1 ? "" : "s"));
    log.words.assign(words.begin(), words.end());
    return log;
}

} // namespace coretest
