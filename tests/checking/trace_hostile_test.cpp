// Traces written to exhaust the reader or the comparison: one @SEQ repeated without end, input
// that goes on after the end mark, @SEQ wrapping at 2^32, a byte-order mark. Each either ends in a
// one-line InputError naming its line or compares as the trace it stands for; none holds more
// memory than the window needs, and the memory check reads the process's own peak.
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "coretest/compare_report.h"
#include "support/rom.h"

// AddressSanitizer holds freed blocks back (256 MB by default) to catch their later use; a reader
// that streams millions of records through its queue would show that quarantine as its own peak.
// A smaller one for this program keeps the memory check about the reader. An ASAN_OPTIONS in the
// environment still wins.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=8";
}

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;
using Outcome = TraceComparison::Outcome;
using Lines = std::vector<std::string>;

// The reference run's records, each with the number of its instruction.
class SeqWriter : public CommitStream {
  public:
    std::vector<std::pair<std::uint64_t, std::string>> records;

  protected:
    void committed(std::uint32_t, const std::vector<TraceRecord>& rs) override {
        for (const auto& r : rs)
            records.emplace_back(instructions(), formatRecord(r));
    }
};

const SeqWriter& reference() {
    static SeqWriter w;
    if (w.records.empty()) {
        RunOptions o;
        o.switchValue = 1;
        o.observer = &w;
        run(rom(), o);
    }
    return w;
}

// The reference trace with every seq moved by `offset` (modulo 2^32).
std::string taggedFrom(std::uint32_t offset) {
    std::string out;
    for (const auto& [seq, text] : reference().records)
        out += fmt::format("@{} {}\n", static_cast<std::uint32_t>(seq + offset), text);
    return out;
}

std::string untagged() {
    std::string out;
    for (const auto& r : reference().records)
        out += r.second + "\n";
    return out;
}

CompareOptions options() {
    CompareOptions o;
    o.run.switchValue = 1;
    return o;
}

TraceComparison compareText(const std::string& text) {
    std::istringstream in(text);
    TraceReader reader(in, "core.trace");
    return compareTrace(rom(), romMap(), reader, options());
}

std::string refusal(const std::string& text) {
    std::istringstream in(text);
    TraceReader reader(in, "core.trace");
    try {
        while (reader.next()) {
        }
    } catch (const InputError& e) {
        return e.what();
    }
    return "";
}

TEST(TraceHostile, TooManyRecordsForOneInstructionAreRefusedAtTheirLine) {
    std::string fiveOfOne, repeatedWindow;
    for (int i = 0; i < 5; ++i)
        fiveOfOne += "@5 bfc00000 r01 00000001\n";
    // Seqs 0 to 99, five times over: all within the window, the fifth @0 is one too many.
    for (int pass = 0; pass < 5; ++pass)
        for (int seq = 0; seq < 100; ++seq)
            repeatedWindow += fmt::format("@{} bfc00000 r01 00000001\n", seq);
    struct Case {
        const char* what;
        std::string text;
        const char* where;
    } cases[] = {
        {"one seq five times", fiveOfOne, "core.trace:5: a record more for instruction @5"},
        {"a window of seqs five times", repeatedWindow,
         "core.trace:401: a record more for instruction @0"},
    };
    for (const auto& c : cases) {
        const std::string message = refusal(c.text);
        EXPECT_EQ(message.rfind(c.where, 0), 0u) << c.what << ": " << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << c.what;
    }
    // Four records of one instruction (a register, HI, LO, a store) are still a trace.
    std::string four;
    for (int i = 0; i < 4; ++i)
        four += "@5 bfc00000 r01 00000001\n";
    EXPECT_EQ(refusal(four), "");
}

TEST(TraceHostile, SeqWrapAndByteOrderMarkCompareAsThePlainTrace) {
    const std::uint64_t count = reference().records.size();
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"untagged", untagged()},
        {"tagged from 0", taggedFrom(0)},
        {"tagged, wrapping at 2^32 in the middle",
         taggedFrom(static_cast<std::uint32_t>(0u - reference().records.back().first / 2))},
        {"tagged, starting at 4294967295", taggedFrom(0xffffffffu - reference().records.front().first)},
        {"byte-order mark, untagged", "\xef\xbb\xbf" + untagged()},
        {"byte-order mark, tagged", "\xef\xbb\xbf" + taggedFrom(0)},
    };
    for (const auto& c : cases) {
        const TraceComparison r = compareText(c.text);
        EXPECT_EQ(r.outcome, Outcome::Agree) << c.what;
        EXPECT_EQ(r.matchedRecords, count) << c.what;
    }
}

TEST(TraceHostile, RecordsOutOfOrderAcrossTheWrapAreReordered) {
    std::istringstream in("@4294967295 bfc00000 r01 00000001\n@1 bfc00008 r03 00000003\n"
                          "@0 bfc00004 r02 00000002\n@4294967294 bfc00000 r04 00000004\n");
    TraceReader reader(in, "t");
    std::vector<std::uint8_t> regs;
    while (const auto r = reader.next())
        regs.push_back(r->reg);
    EXPECT_EQ(regs, (std::vector<std::uint8_t>{4, 1, 2, 3}));
    // Far behind across the wrap is as late as far behind anywhere else.
    const std::string late = refusal("@100 bfc00000 r01 00000001\n@10000 bfc00000 r01 00000001\n"
                                     "@4294967295 bfc00000 r01 00000001\n");
    EXPECT_NE(late.find("core.trace:3:"), std::string::npos) << late;
    EXPECT_NE(late.find("out of program order"), std::string::npos) << late;
}

// Bytes made on demand: `head` once, then `line` over and over for `repeats` times (or without
// end), never held whole.
class Generated : public ByteSource {
  public:
    Generated(std::string head, std::string line, std::uint64_t repeats)
        : head_(std::move(head)), line_(std::move(line)), left_(repeats) {}
    std::size_t read(char* buffer, std::size_t size) override {
        std::size_t n = 0;
        while (n < size) {
            if (pending_.empty()) {
                if (!head_.empty()) pending_.swap(head_);
                else if (left_ == 0) break;
                else {
                    --left_;
                    pending_ = line_;
                }
                used_ = 0;
            }
            const std::size_t k = std::min(size - n, pending_.size() - used_);
            std::memcpy(buffer + n, pending_.data() + used_, k);
            n += k;
            used_ += k;
            produced += k;
            if (used_ == pending_.size()) pending_.clear();
        }
        return n;
    }
    std::uint64_t produced = 0;

  private:
    std::string head_, line_, pending_;
    std::uint64_t left_;
    std::size_t used_ = 0;
};

TEST(TraceHostile, EndlessInputAfterTheEndMarkIsLeftUnread) {
    const std::uint64_t endless = ~std::uint64_t{0};
    struct Case {
        const char* what;
        std::string line;
        std::uint64_t counted;
    } cases[] = {
        {"records", "bfc00000 r01 00000000\n", TraceReader::kMaxLinesSkipped},
        {"comments", "# more\n", 0},
        {"blank lines", "\n", 0},
    };
    for (const auto& c : cases) {
        auto source = std::make_unique<Generated>(untagged(), c.line, endless);
        const Generated& bytes = *source;
        TraceReader reader(std::move(source), "-");
        const TraceComparison r = compareTrace(rom(), romMap(), reader, options());
        EXPECT_EQ(r.outcome, Outcome::Agree) << c.what;
        EXPECT_TRUE(r.extraCut) << c.what;
        EXPECT_EQ(r.extraRecords, c.counted) << c.what;
        EXPECT_LT(bytes.produced, untagged().size() + 64 * TraceReader::kMaxLinesSkipped) << c.what;
        const std::string report = formatComparison(r, rom(), romMap(), {"-", 0});
        EXPECT_NE(report.find("not read"), std::string::npos) << c.what << ": " << report;
    }
    // A trace that ends soon after the mark is counted whole, as before.
    auto few = std::make_unique<Generated>(untagged(), "bfc00000 r01 00000000\n", 3);
    TraceReader reader(std::move(few), "-");
    const TraceComparison r = compareTrace(rom(), romMap(), reader, options());
    EXPECT_FALSE(r.extraCut);
    EXPECT_EQ(r.extraRecords, 3u);
}

// The peak resident set of this process, in bytes.
std::uint64_t peakRss() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<std::uint64_t>(u.ru_maxrss) * 1024;
}

// Sets the peak back to what is resident now, so that the next peakRss() tells what came after.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return static_cast<bool>(clear);
}

TEST(TraceHostile, HostileTagsStreamThroughInBoundedMemory) {
    if (!resetPeak()) GTEST_SKIP() << "/proc/self/clear_refs cannot reset the peak here";
    const std::uint64_t before = peakRss();
    // Crowded seqs: 4 records each of 8,192 instructions in a ring, 2^22 records (~128 MB of
    // text), each seq advancing by one and every record accepted; then the same input untagged.
    std::uint64_t records = 0;
    {
        class Crowded : public ByteSource {
          public:
            std::size_t read(char* buffer, std::size_t size) override {
                std::size_t n = 0;
                while (n + 40 < size && count < (1u << 22)) {
                    const auto r = fmt::format_to_n(buffer + n, size - n,
                                                    "@{} bfc00000 r01 00000001\n", count / 4);
                    n += r.size;
                    ++count;
                }
                return n;
            }
            std::uint32_t count = 0;
        };
        TraceReader reader(std::make_unique<Crowded>(), "-");
        while (reader.next())
            ++records;
    }
    EXPECT_EQ(records, 1u << 22);
    const std::uint64_t grown = peakRss() - before;
    EXPECT_LT(grown, 64u << 20) << "peak grew by " << (grown >> 20) << " MB";
}

} // namespace
} // namespace coretest
