// Stores of 1 to 4 bytes and exceptions in the trace: the reader's forms (every store size at
// every lane, exception records) and the bad ones refused with their line number; the reference
// core's records of the second ROM (swl and swr as the bytes they write, one exception record per
// exception, as the ROM's own handler reads coprocessor 0); and the comparison naming a wrong,
// missing or unexpected exception and a store of other bytes, from a trace and from whole
// instructions, while a core that reports no exceptions is compared as before.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "coretest/compare_report.h"
#include "coretest/instr.h"
#include "coretest/reference_commits.h"
#include "coretest/routine_reports.h"
#include "coretest/trace_compare.h"
#include "coretest/trace_records.h"
#include "support/rom.h"
#include "trace_text.h"

namespace coretest {
namespace {

using Kind = TraceRecord::Kind;
using Lines = std::vector<std::string>;

using coretest_test::readAll;
using coretest_test::rom2;
using coretest_test::rom2Map;

// ---- The reader ----

TEST(SubwordRecords, EverySizeAtEveryLaneReadsBackAsWritten) {
    const std::uint32_t bytes = 0xddccbbaa;
    for (unsigned size = 1; size <= 4; ++size)
        for (unsigned lane = 0; lane + size <= 4; ++lane) {
            const std::uint32_t value = size == 4 ? bytes : bytes & ((1u << (8 * size)) - 1);
            const std::string line =
                fmt::format("bfc00100 m {:08x} {:0{}x}", 0x80000100 + lane, value, 2 * size);
            const auto back = readAll(line + "\n");
            ASSERT_EQ(back.size(), 1u) << line;
            EXPECT_EQ(back[0].kind, Kind::Memory) << line;
            EXPECT_EQ(back[0].address, 0x80000100 + lane) << line;
            EXPECT_EQ(back[0].size, size) << line;
            EXPECT_EQ(back[0].value, value) << line;
            EXPECT_EQ(traceLine(back[0]), line);
        }
}

TEST(ExceptionRecords, EachFormReadsBackWithItsFields) {
    const struct {
        const char* line;
        unsigned code;
        std::uint32_t epc;
        std::optional<std::uint32_t> badVAddr;
        const char* canonical; // as traceLine writes it back
        const char* explained;
    } cases[] = {
        {"bfc0123c exc 12 bfc0123c", 12, 0xbfc0123c, std::nullopt, "bfc0123c exc 12 bfc0123c",
         "an overflow exception (code 12) with EPC bfc0123c"},
        {"bfc01240 exc 05 bfc0123c 80000001", 5, 0xbfc0123c, 0x80000001,
         "bfc01240 exc 05 bfc0123c 80000001",
         "an address error exception on store (code 5) with EPC bfc0123c (delay slot), "
         "BadVAddr 80000001"},
        {"bfc01240 exc 4 0xbfc01240 0xBFC01242", 4, 0xbfc01240, 0xbfc01242,
         "bfc01240 exc 04 bfc01240 bfc01242",
         "an address error exception on load or fetch (code 4) with EPC bfc01240, BadVAddr "
         "bfc01242"},
        {"@7 bfc00400 EXC 08 bfc00400", 8, 0xbfc00400, std::nullopt, "bfc00400 exc 08 bfc00400",
         "a syscall exception (code 8) with EPC bfc00400"},
        {"bfc00400 exc 09 bfc003fc  # break in a delay slot", 9, 0xbfc003fc, std::nullopt,
         "bfc00400 exc 09 bfc003fc",
         "a breakpoint exception (code 9) with EPC bfc003fc (delay slot)"},
        {"bfc00400 exc 10 bfc00400", 10, 0xbfc00400, std::nullopt, "bfc00400 exc 10 bfc00400",
         "a reserved instruction exception (code 10) with EPC bfc00400"},
        {"bfc00400 exc 11 bfc00400", 11, 0xbfc00400, std::nullopt, "bfc00400 exc 11 bfc00400",
         "a coprocessor unusable exception (code 11) with EPC bfc00400"},
        {"bfc00400 exc 00 bfc00400", 0, 0xbfc00400, std::nullopt, "bfc00400 exc 00 bfc00400",
         "an interrupt exception (code 0) with EPC bfc00400"},
        {"bfc00400 exc 07 bfc00400", 7, 0xbfc00400, std::nullopt, "bfc00400 exc 07 bfc00400",
         "a bus error exception on load or store (code 7) with EPC bfc00400"},
        {"bfc00400 exc 31 bfc00400", 31, 0xbfc00400, std::nullopt, "bfc00400 exc 31 bfc00400",
         "an exception of code 31 (code 31) with EPC bfc00400"},
    };
    for (const auto& c : cases) {
        const auto back = readAll(std::string(c.line) + "\n");
        ASSERT_EQ(back.size(), 1u) << c.line;
        const TraceRecord& r = back[0];
        EXPECT_TRUE(isException(r)) << c.line;
        EXPECT_EQ(r.reg, c.code) << c.line;
        EXPECT_EQ(r.value, c.epc) << c.line;
        EXPECT_EQ((r.size & kHasBadVAddr) != 0, c.badVAddr.has_value()) << c.line;
        if (c.badVAddr) {
            EXPECT_EQ(r.address, *c.badVAddr) << c.line;
        }
        EXPECT_EQ(traceLine(r), c.canonical);
        EXPECT_EQ(explainTraceRecord(r), c.explained);
    }
    // Unknown digits in the EPC are kept as unknown bits, as in a value.
    const auto unknown = readAll("bfc0123c exc 12 bfc012xx\n");
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0].unknown, 0xffu);
    EXPECT_EQ(traceLine(unknown[0]), "bfc0123c exc 12 bfc012xx");
}

TEST(ExceptionRecords, MalformedFormsAreRefusedWithTheirLineNumber) {
    const struct {
        const char* line;
        const char* problem;
    } cases[] = {
        {"bfc0123c exc 12", "3 fields where 'exc' takes 4 or 5"},
        {"bfc0123c exc 04 bfc0123c 80000000 1", "6 fields where 'exc' takes 4 or 5"},
        {"bfc0123c exc 32 bfc0123c", "'32' is not a Cause code"},
        {"bfc0123c exc 1x bfc0123c", "'1x' is not a Cause code"},
        {"bfc0123c exc 012 bfc0123c", "'012' is not a Cause code"},
        {"bfc0123c exc 12 bfc0123c 80000000", "carries no BadVAddr"},
        {"bfc0123c exc 05 bfc0123c", "carries its BadVAddr"},
        {"bfc0123c exc 12 bfc0123g", "'bfc0123g' is not a hexadecimal EPC"},
        {"bfc0123c exc 04 bfc0123c 8000000g", "'8000000g' is not a hexadecimal BadVAddr"},
        {"bfc0123c xc bfc0123c", "'xc' is not rNN, hi, lo, m or exc"},
        {"bfc00100 m 80000102 aabbcc", "cross a word boundary"},
        {"bfc00100 m 80000103 aabbcc", "cross a word boundary"},
        {"bfc00100 m 80000100 aabbc", "or 6 for three bytes"},
    };
    for (const auto& c : cases)
        coretest_test::expectRefusedAtLine3(c.line, c.problem);
}

// ---- The reference core on the second ROM ----

struct Retired {
    std::uint32_t pc = 0;
    std::vector<TraceRecord> records;
    bool trap = false;
    std::uint32_t mergedWord = 0; // a store's word as the core stored it (swl, swr: merged)
};

class Collector : public ReferenceCommits {
  public:
    std::vector<Retired> retired;

    void memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override {
        merged_ = value;
        ReferenceCommits::memoryWritten(pc, addr, size, value);
    }

  protected:
    void instruction(std::uint32_t pc, const std::vector<TraceRecord>& records,
                     bool trap) override {
        retired.push_back({pc, records, trap, merged_});
    }

  private:
    std::uint32_t merged_ = 0;
};

const Collector& secondRom() {
    static const Collector collected = [] {
        Collector c;
        RunOptions o;
        o.switchValue = 1;
        o.observer = &c;
        SteppedRun run(rom2(), o);
        c.setBoard(&run.board());
        while (run.advance(1 << 20)) {
        }
        return c;
    }();
    return collected;
}

Op opAt(std::uint32_t pc) {
    return decode(rom2Map().word(pc), pc).op;
}

// swl writes the bytes from the word's lane 0 up to its address, swr those from its address to
// lane 3; every byte the merged word changed lies among them. Each of the 4 sizes of each comes
// in the second ROM's cases.
TEST(ReferenceCommits, SwlAndSwrRecordTheBytesTheyWrite) {
    std::set<std::pair<Op, unsigned>> sizes;
    std::map<std::uint32_t, std::uint32_t> memory; // word address -> contents, from the records
    for (const Retired& i : secondRom().retired)
        for (const TraceRecord& r : i.records) {
            if (r.kind != Kind::Memory || r.address - kRamBase >= kRamSize) continue;
            const std::uint32_t word = r.address & ~3u;
            const unsigned lane = r.address & 3;
            const std::uint32_t mask = (r.size == 4 ? 0xffffffffu : (1u << (8 * r.size)) - 1)
                                       << (8 * lane);
            const Op op = opAt(i.pc);
            if (op == Op::Swl || op == Op::Swr) {
                SCOPED_TRACE(fmt::format("{:08x} {}", i.pc, traceLine(r)));
                if (op == Op::Swl)
                    EXPECT_EQ(lane, 0u);
                else
                    EXPECT_EQ(lane + r.size, 4u);
                EXPECT_EQ(i.mergedWord & mask, r.value << (8 * lane));
                if (const auto old = memory.find(word); old != memory.end()) {
                    EXPECT_EQ((old->second ^ i.mergedWord) & ~mask, 0u)
                        << "a byte the store changed is not in its record";
                }
                sizes.insert({op, r.size});
            }
            memory[word] = (memory[word] & ~mask) | (r.value << (8 * lane));
        }
    const std::set<std::pair<Op, unsigned>> all = {{Op::Swl, 1}, {Op::Swl, 2}, {Op::Swl, 3},
                                                   {Op::Swl, 4}, {Op::Swr, 1}, {Op::Swr, 2},
                                                   {Op::Swr, 3}, {Op::Swr, 4}};
    EXPECT_EQ(sizes, all);
}

// Each trap has one exception record, its last; the handler stores Cause, EPC and BadVAddr at
// 0x80000400, 0x80000404 and 0x80000408 as it read them with mfc0, and they say the same.
TEST(ReferenceCommits, EachExceptionIsOneRecordAsTheHandlerReadsIt) {
    const auto& retired = secondRom().retired;
    std::set<unsigned> codes;
    std::size_t traps = 0;
    for (std::size_t n = 0; n < retired.size(); ++n) {
        const Retired& i = retired[n];
        const auto count = std::count_if(i.records.begin(), i.records.end(), isException);
        ASSERT_EQ(count, i.trap ? 1 : 0) << fmt::format("{:08x}", i.pc);
        if (!i.trap) continue;
        ++traps;
        const TraceRecord& x = i.records.back();
        SCOPED_TRACE(traceLine(x));
        ASSERT_TRUE(isException(x));
        codes.insert(x.reg);
        std::map<std::uint32_t, std::uint32_t> saved; // the handler's first stores after it
        for (std::size_t k = n + 1; k < retired.size() && k < n + 40 && saved.size() < 3; ++k)
            for (const TraceRecord& r : retired[k].records)
                if (r.kind == Kind::Memory && r.address - 0x80000400u < 12 && r.size == 4)
                    saved.emplace(r.address, r.value);
        ASSERT_EQ(saved.size(), 3u);
        const std::uint32_t cause = saved[0x80000400];
        EXPECT_EQ((cause >> 2) & 31, x.reg);
        EXPECT_EQ(saved[0x80000404], x.value);
        EXPECT_EQ(cause >> 31, x.value + 4 == x.pc ? 1u : 0u) << "Cause.BD and the delay slot";
        EXPECT_EQ((x.size & kHasBadVAddr) != 0, setsBadVAddr(x.reg));
        if (setsBadVAddr(x.reg)) {
            EXPECT_EQ(saved[0x80000408], x.address);
        }
    }
    EXPECT_GT(traps, 50u);
    for (unsigned code : {4u, 5u, 8u, 9u, 10u, 12u})
        EXPECT_TRUE(codes.count(code)) << "code " << code;
}

// ---- Comparisons ----

// The reference trace of the second ROM as the kit's tracer writes it: @SEQ, one per instruction.
const Lines& taggedLines() {
    static const Lines lines = [] {
        Lines out;
        std::uint32_t seq = 0;
        for (const Retired& i : secondRom().retired) {
            ++seq;
            for (const TraceRecord& r : i.records)
                out.push_back(fmt::format("@{} {}", seq, traceLine(r)));
        }
        return out;
    }();
    return lines;
}

TraceComparison compareLines(const Lines& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\n";
    std::istringstream in(text);
    TraceReader reader(in, "core.trace");
    CompareOptions options;
    options.run.switchValue = 1;
    return compareTrace(rom2(), rom2Map(), reader, options);
}

std::string report(const TraceComparison& c) {
    return formatComparison(c, rom2(), rom2Map(), {.source = "core.trace"});
}

bool isExceptionLine(const std::string& l) {
    return l.find(" exc ") != std::string::npos;
}

// The nth line that satisfies pred.
std::size_t nthLine(const Lines& lines, const std::function<bool(const std::string&)>& pred,
                    std::size_t nth = 0) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (pred(lines[i]) && nth-- == 0) return i;
    ADD_FAILURE() << "no such line";
    return 0;
}

TraceRecord recordOf(const std::string& line) {
    return readAll(line + "\n").at(0);
}

TEST(ExceptionCompare, TheReferenceTraceAgreesWithAndWithoutItsExceptionRecords) {
    const TraceComparison whole = compareLines(taggedLines());
    EXPECT_EQ(whole.outcome, TraceComparison::Outcome::Agree) << report(whole);
    // A core without coprocessor 0 writes nothing for its traps: compared as before.
    Lines without;
    std::copy_if(taggedLines().begin(), taggedLines().end(), std::back_inserter(without),
                 [](const std::string& l) { return !isExceptionLine(l); });
    ASSERT_LT(without.size(), taggedLines().size());
    const TraceComparison bare = compareLines(without);
    EXPECT_EQ(bare.outcome, TraceComparison::Outcome::Agree) << report(bare);
    EXPECT_EQ(whole.matchedRecords - bare.matchedRecords, taggedLines().size() - without.size());
}

struct TraceChange {
    const char* name;
    std::function<bool(const std::string&)> pick; // the first line it picks is changed
    std::function<void(Lines&, std::size_t)> change;
    Divergence::Kind kind;
    std::function<std::string(const TraceRecord&)> shown; // from the picked line's record
    std::size_t nth = 0;                                  // pick the nth line instead
};

// "@N " of a tagged line.
std::string tagOf(const std::string& line) {
    return line.substr(0, line.find(' ') + 1);
}

std::string withField(const std::string& line, std::size_t field, const std::string& text) {
    std::istringstream in(line);
    std::vector<std::string> f;
    for (std::string w; in >> w;)
        f.push_back(w);
    f.at(field) = text;
    std::string out;
    for (const auto& w : f)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

bool hasCode(const std::string& l, const char* code) {
    return l.find(std::string(" exc ") + code + " ") != std::string::npos;
}

const TraceChange kTraceChanges[] = {
    {"WrongCode", [](auto& l) { return hasCode(l, "08"); },
     [](Lines& l, std::size_t at) { l[at] = withField(l[at], 3, "09"); }, Divergence::Kind::Differs,
     [](const TraceRecord& e) {
         return fmt::format("your core took a breakpoint exception at {:08x} with EPC {:08x}; "
                            "expected a syscall exception with EPC {:08x}",
                            e.pc, e.value, e.value);
     }},
    {"WrongEpcInADelaySlot",
     [](auto& l) {
         const auto r = recordOf(l.substr(l.find(' ') + 1));
         return isException(r) && r.value + 4 == r.pc && !(r.size & kHasBadVAddr);
     },
     [](Lines& l, std::size_t at) {
         const auto r = recordOf(l[at].substr(l[at].find(' ') + 1));
         l[at] = withField(l[at], 4, fmt::format("{:08x}", r.pc));
     },
     Divergence::Kind::Differs,
     [](const TraceRecord& e) {
         return fmt::format("with EPC {:08x}; expected {} with EPC {:08x} (delay slot)", e.pc,
                            exceptionName(e.reg), e.value);
     }},
    {"WrongBadVAddr", [](auto& l) { return hasCode(l, "05"); },
     [](Lines& l, std::size_t at) { l[at] = withField(l[at], 5, "00000000"); },
     Divergence::Kind::Differs,
     [](const TraceRecord& e) {
         return fmt::format("BadVAddr 00000000; expected an address error exception on store "
                            "{}",
                            exceptionRegisters(e));
     }},
    // The second exception: the first one showed the core reports them.
    {"Missing", isExceptionLine,
     [](Lines& l, std::size_t at) { l.erase(l.begin() + static_cast<std::ptrdiff_t>(at)); },
     Divergence::Kind::Missing,
     [](const TraceRecord& e) {
         return fmt::format("expected {}; your core took none", describeException(e));
     },
     1},
    {"Unexpected",
     [](auto& l) {
         return l.find(" r0") != std::string::npos && l.find(" bfc0") != std::string::npos;
     },
     [](Lines& l, std::size_t at) {
         const auto r = recordOf(l[at].substr(l[at].find(' ') + 1));
         l.insert(l.begin() + static_cast<std::ptrdiff_t>(at),
                  fmt::format("{}{:08x} exc 12 {:08x}", tagOf(l[at]), r.pc, r.pc));
         l.erase(l.begin() + static_cast<std::ptrdiff_t>(at) + 1);
     },
     Divergence::Kind::Extra,
     [](const TraceRecord& e) {
         return fmt::format("your core took an overflow exception at {:08x} with EPC {:08x}; "
                            "expected no exception",
                            e.pc, e.pc);
     }},
    // The overflow's add completed: it wrote its destination instead.
    {"CompletedInsteadOfTrapping", [](auto& l) { return hasCode(l, "12"); },
     [](Lines& l, std::size_t at) {
         const auto r = recordOf(l[at].substr(l[at].find(' ') + 1));
         l[at] = fmt::format("{}{:08x} r02 12345678", tagOf(l[at]), r.pc);
     },
     Divergence::Kind::Extra,
     [](const TraceRecord& e) {
         return fmt::format("expected an overflow exception at {:08x} with EPC {:08x}: the "
                            "reference core raises it; your core completed",
                            e.pc, e.value);
     }},
    // swl at offset 2 stores three bytes; the core stored the whole word.
    {"OneLaneTooMany",
     [](auto& l) {
         const auto r = recordOf(l.substr(l.find(' ') + 1));
         return r.kind == TraceRecord::Kind::Memory && r.size == 3 && (r.address & 3) == 0;
     },
     [](Lines& l, std::size_t at) {
         const auto r = recordOf(l[at].substr(l[at].find(' ') + 1));
         l[at] = withField(l[at], 4, fmt::format("00{:06x}", r.value));
     },
     Divergence::Kind::Differs,
     [](const TraceRecord& e) {
         return fmt::format("your core stored bytes 0x{:08x}-0x{:08x} (lanes 0 to 3 of the word "
                            "at 0x{:08x}); the reference core stores bytes 0x{:08x}-0x{:08x} "
                            "(lanes 0 to 2",
                            e.address, e.address + 3, e.address, e.address, e.address + 2);
     }},
    // swr at offset 1 stores bytes 1 to 3; the core stored bytes 2 to 3.
    {"OneLaneTooFew",
     [](auto& l) {
         const auto r = recordOf(l.substr(l.find(' ') + 1));
         return r.kind == TraceRecord::Kind::Memory && r.size == 3 && (r.address & 3) == 1;
     },
     [](Lines& l, std::size_t at) {
         const auto r = recordOf(l[at].substr(l[at].find(' ') + 1));
         l[at] = withField(withField(l[at], 3, fmt::format("{:08x}", r.address + 1)), 4,
                           fmt::format("{:04x}", r.value >> 8));
     },
     Divergence::Kind::Differs,
     [](const TraceRecord& e) {
         return fmt::format("your core stored bytes 0x{:08x}-0x{:08x} (lanes 2 to 3", e.address + 1,
                            e.address + 2);
     }},
};

class TraceChangeTest : public testing::TestWithParam<TraceChange> {};

TEST_P(TraceChangeTest, IsNamedAsWhatItIs) {
    const TraceChange& c = GetParam();
    Lines lines = taggedLines();
    const std::size_t at = nthLine(lines, c.pick, c.nth);
    const TraceRecord expected = recordOf(lines[at].substr(lines[at].find(' ') + 1));
    c.change(lines, at);
    const TraceComparison result = compareLines(lines);
    ASSERT_EQ(result.outcome, TraceComparison::Outcome::Differs) << report(result);
    const Divergence& d = result.first();
    EXPECT_EQ(d.kind, c.kind) << report(result);
    EXPECT_EQ(d.instruction, expected.pc) << report(result);
    EXPECT_NE(report(result).find(c.shown(expected)), std::string::npos)
        << c.shown(expected) << "\n"
        << report(result);
}

INSTANTIATE_TEST_SUITE_P(Changes, TraceChangeTest, testing::ValuesIn(kTraceChanges),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Whole instructions, as the live checker feeds them ----

std::vector<ObservedInstruction> observedStream() {
    std::vector<ObservedInstruction> out;
    for (const Retired& i : secondRom().retired)
        out.push_back({.pc = i.pc,
                       .seq = static_cast<std::uint32_t>(out.size() + 1),
                       .trap = i.trap,
                       .records = i.records});
    return out;
}

TraceComparison retireAll(const std::vector<ObservedInstruction>& stream) {
    CompareOptions options;
    options.run.switchValue = 1;
    TraceChecker checker(rom2(), rom2Map(), options);
    for (const auto& i : stream)
        if (!checker.retire(i)) break;
    return checker.finish();
}

std::size_t firstTrap(const std::vector<ObservedInstruction>& s, unsigned code) {
    for (std::size_t n = 0; n < s.size(); ++n)
        if (s[n].trap && s[n].records.back().reg == code) return n;
    ADD_FAILURE() << "no exception of code " << code;
    return 0;
}

TEST(ExceptionRetire, AStreamWithOrWithoutExceptionRecordsAgrees) {
    auto stream = observedStream();
    const TraceComparison with = retireAll(stream);
    EXPECT_TRUE(with.divergences.empty()) << report(with);
    EXPECT_EQ(with.checkedInstructions, stream.size());
    for (auto& i : stream)
        std::erase_if(i.records, isException);
    const TraceComparison without = retireAll(stream);
    EXPECT_TRUE(without.divergences.empty()) << report(without);
}

TEST(ExceptionRetire, AWrongMissingOrUnexpectedExceptionIsNamed) {
    const struct {
        const char* name;
        std::function<std::size_t(std::vector<ObservedInstruction>&)> change; // returns its index
        Divergence::Kind kind;
        const char* shown;
    } cases[] = {
        {"WrongCode",
         [](auto& s) {
             const std::size_t at = firstTrap(s, 12);
             s[at].records.back().reg = 8;
             return at;
         },
         Divergence::Kind::Differs, "your core took a syscall exception at"},
        {"WrongEpc",
         [](auto& s) {
             const std::size_t at = firstTrap(s, 12);
             s[at].records.back().value += 4;
             return at;
         },
         Divergence::Kind::Differs, "; expected an overflow exception with EPC"},
        {"NotTaken",
         [](auto& s) {
             const std::size_t at = firstTrap(s, 8);
             s[at].trap = false;
             s[at].records.clear();
             return at;
         },
         Divergence::Kind::Trap,
         "your core completed the instruction: expected a syscall exception with EPC"},
        {"TakenInstead",
         [](auto& s) {
             const std::size_t at = firstTrap(s, 12) - 1;
             s[at].trap = true;
             s[at].records.assign(1, exceptionRecord(s[at].pc, 12, s[at].pc));
             return at;
         },
         Divergence::Kind::Trap,
         "completes the instruction: your core took an overflow exception at"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto stream = observedStream();
        const std::size_t at = c.change(stream);
        const TraceComparison result = retireAll(stream);
        ASSERT_FALSE(result.divergences.empty());
        const Divergence& d = result.first();
        EXPECT_EQ(d.kind, c.kind) << report(result);
        EXPECT_EQ(d.instruction, stream[at].pc);
        EXPECT_NE(formatDivergence(d, rom2(), rom2Map(), {.byInstruction = true}).find(c.shown),
                  std::string::npos)
            << report(result);
    }
}

} // namespace
} // namespace coretest
