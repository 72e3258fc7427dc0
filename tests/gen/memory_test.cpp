// The lw and sw routines: case groups, bases, offsets and windows recomputed from the generated
// case lines, every case run through a word-memory model of its template, and the telling rows.
// Case lengths, template sizes, the report and the committed text are checked in
// data_units_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "mem_routines.h"
#include "mem_support.h"

namespace coretest_gen_test {
namespace {

constexpr std::uint32_t kFixedBase = 0x80030000;
constexpr std::uint32_t kRamBase = 0x80000000, kRamEnd = 0x80040000;

struct WordCase {
    int number;
    std::uint32_t value, base, offset;
    bool isLong() const { return offset >= 0x8000; }
};

std::vector<WordCase> casesOf(const LoadStoreRow& r) {
    std::vector<WordCase> out;
    for (const auto& l : caseLines(unitNamed(r.unit), r.macro)) {
        EXPECT_EQ(l.args.size(), 3u) << l.text;
        out.push_back({l.number, number(l.args.at(0)), number(l.args.at(1)), number(l.args.at(2))});
    }
    return out;
}

// A word memory and the template's steps on it.
struct CaseRun {
    std::uint32_t readBack = 0;
    bool aligned = true;
    bool loadsReadOwnWords = true;        // every load reads a word this case stored
    std::set<std::uint32_t> words;        // every word address accessed
    std::optional<std::uint32_t> oldWord; // the word under test before its store
};

// Effective address of displacement `offset` (0 to 0xfffc) from `base`, formed as the template
// forms it: directly, or through base + 0x10000 and the displacement offset - 0x10000, extended
// by `extend` (the architecture sign-extends it).
std::uint32_t address(std::uint32_t base, std::uint32_t offset, bool zeroExtend = false) {
    if (offset < 0x8000) return base + offset;
    const std::uint32_t field = (offset - 0x10000) & 0xffff;
    const std::uint32_t displacement =
        zeroExtend ? field : static_cast<std::uint32_t>(static_cast<std::int16_t>(field));
    return base + 0x10000 + displacement;
}

// Runs one case; `staleChain` lets every chained load see its base register as it was before the
// load just before it (a core without load forwarding; only the short form has such pairs).
CaseRun run(const LoadStoreRow& r, const WordCase& c,
            std::map<std::uint32_t, std::uint32_t>& memory, bool staleChain = false) {
    CaseRun out;
    std::set<std::uint32_t> stored;
    const auto store = [&](std::uint32_t base, std::uint32_t v) {
        const std::uint32_t a = address(base, c.offset);
        out.aligned = out.aligned && a % 4 == 0;
        out.words.insert(a);
        memory[a] = v;
        stored.insert(a);
    };
    const auto load = [&](std::uint32_t base) {
        const std::uint32_t a = address(base, c.offset);
        out.aligned = out.aligned && a % 4 == 0;
        out.words.insert(a);
        out.loadsReadOwnWords = out.loadsReadOwnWords && stored.contains(a);
        return memory[a];
    };
    const auto it = memory.find(address(c.base, c.offset));
    if (it != memory.end()) out.oldWord = it->second;
    std::map<std::string, std::uint32_t> reg{{"t0", c.base}, {"t1", c.value}};
    store(reg["t0"], reg["t1"]);
    reg["a0"] = c.base + 4;
    reg["a1"] = c.base - r.lowerDistance;
    store(reg["a0"], reg["a0"]);
    store(reg["a1"], reg["a1"]);
    out.readBack = load(reg["t0"]);
    // dest, base of the three chained loads
    const std::vector<std::pair<std::string, std::string>> chain =
        r.lwChain ? std::vector<std::pair<std::string, std::string>>{{"a1", "a0"},
                                                                     {"a0", "a1"},
                                                                     {"a2", "a1"}}
                  : std::vector<std::pair<std::string, std::string>>{
                        {"a0", "a1"}, {"a1", "a0"}, {"a2", "a1"}};
    std::string lastDest;
    std::uint32_t lastOld = 0;
    for (const auto& [dest, base] : chain) {
        const std::uint32_t b = staleChain && !c.isLong() && base == lastDest ? lastOld : reg[base];
        lastOld = reg[dest];
        lastDest = dest;
        reg[dest] = load(b);
    }
    return out;
}

class LoadStoreRoutine : public ::testing::TestWithParam<LoadStoreRow> {};

TEST_P(LoadStoreRoutine, GroupsBasesAndOffsets) {
    const LoadStoreRow& r = GetParam();
    const auto cases = casesOf(r);
    ASSERT_EQ(cases.size(), std::size_t(r.scattered + r.fixed + r.zeroOffset + 1));
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(cases[i].number, int(i) + 1);

    const std::vector<WordCase> scattered(cases.begin(), cases.begin() + r.scattered);
    const std::vector<WordCase> fixed(cases.begin() + r.scattered,
                                      cases.begin() + r.scattered + r.fixed);
    std::set<std::uint32_t> bases;
    for (const auto& c : scattered) {
        bases.insert(c.base);
        EXPECT_GE(c.base, r.baseLow) << "case " << c.number;
        EXPECT_LE(c.base, r.baseHigh) << "case " << c.number;
        EXPECT_NE(c.base & 0xffff, 0u) << "scattered base needs lui and ori, case " << c.number;
        EXPECT_GE(c.offset, r.scatteredOffsetLow) << "case " << c.number;
        EXPECT_LE(c.offset, r.scatteredOffsetHigh) << "case " << c.number;
    }
    EXPECT_EQ(bases.size(), scattered.size()) << "scattered bases differ from each other";
    EXPECT_EQ(*bases.begin(), r.baseLow);
    EXPECT_EQ(*bases.rbegin(), r.baseHigh);
    const auto offsets = [](const std::vector<WordCase>& in) {
        std::set<std::uint32_t> s;
        for (const auto& c : in)
            s.insert(c.offset);
        return s;
    };
    EXPECT_EQ(*offsets(scattered).begin(), r.scatteredOffsetLow);
    EXPECT_EQ(*offsets(scattered).rbegin(), r.scatteredOffsetHigh);
    EXPECT_EQ(*offsets(fixed).begin(), r.fixedOffsetLow);
    EXPECT_EQ(*offsets(fixed).rbegin(), r.fixedOffsetHigh);

    const auto longs = [](const std::vector<WordCase>& in) {
        return std::count_if(in.begin(), in.end(), [](const WordCase& c) { return c.isLong(); });
    };
    EXPECT_EQ(longs(scattered), r.scatteredLong);
    EXPECT_EQ(longs(fixed), r.fixedLong);
    const auto firstLong =
        std::find_if(cases.begin(), cases.end(), [](const WordCase& c) { return c.isLong(); });
    ASSERT_NE(firstLong, cases.end());
    EXPECT_EQ(firstLong->number, r.firstLong);

    for (auto it = cases.begin() + r.scattered; it != cases.end(); ++it)
        EXPECT_EQ(it->base, kFixedBase) << "case " << it->number;
    for (auto it = cases.begin() + r.scattered + r.fixed; it != cases.end(); ++it)
        EXPECT_EQ(it->offset, 0u) << "case " << it->number;
    for (const auto& c : cases)
        EXPECT_EQ((c.base | c.offset) % 4, 0u) << "case " << c.number;
}

TEST_P(LoadStoreRoutine, DataWords) {
    const LoadStoreRow& r = GetParam();
    const auto cases = casesOf(r);
    EXPECT_EQ(cases.back().value, 0u) << "the last case stores 0";
    std::set<std::uint32_t> seen;
    for (auto it = cases.begin(); it + 1 != cases.end(); ++it) {
        EXPECT_NE(it->value >> 16, 0u) << "case " << it->number;
        EXPECT_NE(it->value & 0xffff, 0u) << "case " << it->number;
        EXPECT_TRUE(fullWidth(it->value)) << "two-instruction load, case " << it->number;
        EXPECT_TRUE(seen.insert(it->value).second) << "repeated data word, case " << it->number;
    }
}

TEST(LoadStoreRoutines, DataWordsDifferBetweenTheRoutines) {
    std::set<std::uint32_t> lw;
    for (const auto& c : casesOf(loadStoreRoutines()[0]))
        lw.insert(c.value);
    for (const auto& c : casesOf(loadStoreRoutines()[1]))
        if (c.value != 0) {
            EXPECT_FALSE(lw.contains(c.value)) << "sw case " << c.number;
        }
}

// Every case reads back its data word, touches only aligned words inside its window (the window's
// ends both reached), and its chain reads only words the case stored, with or without forwarding.
TEST_P(LoadStoreRoutine, EveryCaseOnAWordMemory) {
    const LoadStoreRow& r = GetParam();
    std::map<std::uint32_t, std::uint32_t> memory, staleMemory;
    std::uint32_t lowest = 0xffffffff, highest = 0;
    for (const auto& c : casesOf(r)) {
        const CaseRun out = run(r, c, memory);
        EXPECT_EQ(out.readBack, c.value) << "case " << c.number;
        EXPECT_TRUE(out.aligned) << "case " << c.number;
        EXPECT_TRUE(out.loadsReadOwnWords) << "case " << c.number;
        EXPECT_EQ(out.words.size(), 3u) << "case " << c.number;
        lowest = std::min(lowest, *out.words.begin());
        highest = std::max(highest, *out.words.rbegin());
        const CaseRun stale = run(r, c, staleMemory, true);
        EXPECT_TRUE(stale.loadsReadOwnWords) << "without forwarding, case " << c.number;
        EXPECT_EQ(stale.words, out.words) << "without forwarding, case " << c.number;
    }
    EXPECT_EQ(lowest, r.windowLow);
    EXPECT_EQ(highest, r.windowHigh);
}

// The zero-data case is the last and finds a non-zero word where it stores: a store that leaves
// the old word in place fails there at the latest.
TEST_P(LoadStoreRoutine, LastCaseReplacesANonZeroWord) {
    const LoadStoreRow& r = GetParam();
    std::map<std::uint32_t, std::uint32_t> memory;
    CaseRun last;
    for (const auto& c : casesOf(r))
        last = run(r, c, memory);
    ASSERT_TRUE(last.oldWord.has_value());
    EXPECT_NE(*last.oldWord, 0u);
}

// With a zero-extended displacement a long-offset access lands 0x10000 higher. The scattered
// cases keep that inside the RAM (store and load agree, so nothing shows); the first case whose
// access leaves the RAM is the first long offset at the fixed base.
TEST_P(LoadStoreRoutine, ZeroExtendedOffsetsLeaveTheRamFirstAtTheFixedBase) {
    const LoadStoreRow& r = GetParam();
    int firstOutside = 0;
    for (const auto& c : casesOf(r)) {
        for (std::uint32_t base : {c.base, c.base + 4, c.base - r.lowerDistance}) {
            const std::uint32_t a = address(base, c.offset, true);
            EXPECT_EQ(a, address(base, c.offset) + (c.isLong() ? 0x10000u : 0u));
            if ((a < kRamBase || a + 4 > kRamEnd) && firstOutside == 0) firstOutside = c.number;
        }
    }
    EXPECT_EQ(firstOutside, r.scattered + 1);
}

INSTANTIATE_TEST_SUITE_P(Memory, LoadStoreRoutine, ::testing::ValuesIn(loadStoreRoutines()),
                         [](const auto& info) { return std::string(info.param.unit); });

struct TellingRow {
    const char* unit;
    const char* macro;
    int number;
    std::uint32_t value, base, offset;
};

TEST(LoadStoreRoutines, TellingRows) {
    const std::vector<TellingRow> rows{
        {"n6_lw", "lw_case", 1, 0xc822c7e8, 0x800234c0, 0x66a8},
        {"n6_lw", "lw_case", 8, 0x28c90aca, 0x80023840, 0xb058},
        {"n6_lw", "lw_case", 24, 0x3a4e6338, 0x80030000, 0xeba8},
        {"n6_lw", "lw_case", 47, 0x2b1ea090, 0x80030000, 0},
        {"n6_lw", "lw_case", 64, 0, 0x80030000, 0},
        {"n12_sw", "sw_case", 1, 0x61754443, 0x800277a0, 0x7b14},
        {"n12_sw", "sw_case", 4, 0x516da739, 0x800260cc, 0x8950},
        {"n12_sw", "sw_case", 33, 0xac52b354, 0x80030000, 0xc3dc},
        {"n12_sw", "sw_case", 54, 0x5de6e330, 0x80030000, 0},
        {"n12_sw", "sw_case", 69, 0, 0x80030000, 0},
    };
    for (const auto& row : rows) {
        const auto lines = caseLines(unitNamed(row.unit), row.macro);
        ASSERT_GE(int(lines.size()), row.number);
        const auto& args = lines[std::size_t(row.number - 1)].args;
        EXPECT_EQ(number(args.at(0)), row.value) << row.unit << " case " << row.number;
        EXPECT_EQ(number(args.at(1)), row.base) << row.unit << " case " << row.number;
        EXPECT_EQ(number(args.at(2)), row.offset) << row.unit << " case " << row.number;
    }
}

} // namespace
} // namespace coretest_gen_test
