#pragma once
// What the arithmetic, logic and shift unit tests share: the generated case lines read back as
// values, the operand-load rule recounted on its own, the case templates assembled for real, and
// the checks the routines' tables drive: routine size, value shares, counted properties, and the
// first case each fault fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "assembler.h"
#include "unit_checks.h"
#include "units.h"

namespace alutest {

// One case of a generated unit: its template macro, the macro's arguments, its case number.
struct CaseLine {
    std::string macro;
    std::vector<std::string> args;
    int number = 0;
};

using gen_test::unitNamed;

inline std::string trim(std::string s) {
    const auto b = s.find_first_not_of(" \t");
    const auto e = s.find_last_not_of(" \t");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The body lines that carry a "# case N" comment, in order.
inline std::vector<CaseLine> caseLines(const casegen::Unit& u) {
    std::vector<CaseLine> out;
    for (const auto& line : u.lines) {
        const auto mark = line.find("# case ");
        if (line.empty() || line.front() == '#' || mark == std::string::npos) continue;
        CaseLine c;
        c.number = std::stoi(line.substr(mark + 7));
        std::istringstream in(line.substr(0, mark));
        in >> c.macro;
        std::string rest, arg;
        std::getline(in, rest);
        std::istringstream args(rest);
        while (std::getline(args, arg, ','))
            c.args.push_back(trim(arg));
        out.push_back(c);
    }
    return out;
}

inline std::uint32_t num(const std::string& s) {
    return static_cast<std::uint32_t>(std::stoul(s, nullptr, 0));
}

// The unit's case lines, each with `args` arguments, made into the test's cases by `make`; a line
// with another count is reported and left out.
template <class Make>
auto casesOf(const casegen::Unit& u, std::size_t args, Make make) {
    std::vector<decltype(make(CaseLine{}))> out;
    for (const auto& c : caseLines(u)) {
        EXPECT_EQ(c.args.size(), args) << u.name() << " case " << c.number;
        if (c.args.size() == args) out.push_back(make(c));
    }
    return out;
}

// Instructions of the operand load of v: addiu, ori or lui alone, else lui and ori.
inline int loadLength(std::uint32_t v) {
    const std::int64_t s = static_cast<std::int32_t>(v);
    if (s >= -32768 && s < 32768) return 1;
    if (v < 0x10000 || v % 0x10000 == 0) return 1;
    return 2;
}

inline bool fullWidth(std::uint32_t v) {
    return v / 0x10000 != 0 && v / 0x10000 != 0xffff && v % 0x10000 != 0;
}

inline bool negative(std::uint32_t v) {
    return static_cast<std::int32_t>(v) < 0;
}

// A word no template emits, placed at inst_error.
constexpr std::uint32_t kSentinel = 0xfc0ffee0;

// Assembles `body` with the templates of rom/inst and returns the text words, little-endian.
inline std::vector<std::uint32_t> assemble(const std::string& includes, const std::string& body) {
    std::vector<std::uint32_t> words =
        gen_test::assemble("\t.set noreorder\n\t.set noat\n" + includes + body +
                           "\ninst_error:\n\t.word " + std::to_string(kSentinel) + "\n")
            .text;
    // Everything from inst_error on (the sentinel and the section's alignment fill) is not the
    // case.
    words.erase(std::find(words.begin(), words.end(), kSentinel), words.end());
    return words;
}

// Instruction fields.
inline unsigned opcode(std::uint32_t w) {
    return w >> 26;
}
inline unsigned rsOf(std::uint32_t w) {
    return (w >> 21) & 31;
}
inline unsigned rtOf(std::uint32_t w) {
    return (w >> 16) & 31;
}
inline unsigned rdOf(std::uint32_t w) {
    return (w >> 11) & 31;
}
inline unsigned saOf(std::uint32_t w) {
    return (w >> 6) & 31;
}
inline unsigned functOf(std::uint32_t w) {
    return w & 63;
}
inline unsigned immOf(std::uint32_t w) {
    return w & 0xffff;
}

enum Reg : unsigned { kZero = 0, kV0 = 2, kV1 = 3, kA0 = 4, kT0 = 8, kT1 = 9, kT2 = 10 };
enum Opcode : unsigned { kSpecial = 0, kBne = 5, kAddiu = 9, kOri = 13, kLui = 15 };

// The register an operand-load sequence at words[at] writes and the value it leaves; `at` moves
// past it.
inline std::pair<unsigned, std::uint32_t> readLoad(const std::vector<std::uint32_t>& w,
                                                   std::size_t& at) {
    const std::uint32_t first = w.at(at++);
    const unsigned reg = rtOf(first);
    std::uint32_t value = 0;
    switch (opcode(first)) {
    case kAddiu: value = static_cast<std::uint32_t>(static_cast<std::int16_t>(immOf(first))); break;
    case kOri: value = immOf(first); break;
    case kLui:
        value = immOf(first) << 16;
        if (at < w.size() && opcode(w[at]) == kOri && rsOf(w[at]) == reg && rtOf(w[at]) == reg)
            value |= immOf(w.at(at++));
        break;
    default: throw std::runtime_error("not an operand load");
    }
    if (opcode(first) != kLui && rsOf(first) != kZero)
        throw std::runtime_error("load not from $zero");
    return {reg, value};
}

// The routine's size is what its cases take, `caseWords` of each.
template <class Case, class Words>
void expectRoutineSizeFromCases(const casegen::Unit& u, const std::vector<Case>& cases,
                                Words caseWords) {
    long words = 0;
    for (const auto& c : cases)
        words += caseWords(c);
    gen_test::expectRoutineSize(u, words);
}

// The end of every case: bne v0, v1 to inst_error, just after its delay slot, then the nop in
// the slot.
inline void expectCompareAndNop(const std::vector<std::uint32_t>& w, std::size_t at) {
    const std::uint32_t branch = w.at(at);
    EXPECT_EQ(opcode(branch), kBne);
    EXPECT_EQ(rsOf(branch), kV0);
    EXPECT_EQ(rtOf(branch), kV1);
    EXPECT_EQ(immOf(branch), 1u); // to inst_error, just after the delay slot
    EXPECT_EQ(w.at(at + 1), 0u);
}

// The nonzero operand values of a routine: none repeats, about one in eight is odd and one in
// three has a zero low digit, within the tolerances given.
inline void expectUniqueWithShares(const std::vector<std::uint32_t>& values, double oddTolerance,
                                   double zeroDigitTolerance) {
    std::set<std::uint32_t> seen;
    int odd = 0, zeroDigit = 0;
    for (const std::uint32_t v : values) {
        EXPECT_TRUE(seen.insert(v).second) << "repeated " << v;
        odd += v & 1;
        zeroDigit += (v & 0xf) == 0;
    }
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(double(odd) / double(values.size()), 1.0 / 8, oddTolerance);
    EXPECT_NEAR(double(zeroDigit) / double(values.size()), 1.0 / 3, zeroDigitTolerance);
}

// How many cases numbered `from` to `to` of a unit have a property, against the target.
template <class Case>
struct CountRow {
    const char* unit;
    const char* what;
    int from, to; // case numbers, inclusive
    int target;
    std::function<bool(const Case&)> holds;
};

template <class Case, class Read>
void expectCounts(const std::vector<CountRow<Case>>& table, Read casesOf) {
    for (const auto& t : table) {
        SCOPED_TRACE(std::string(t.unit) + ": " + t.what);
        const std::vector<Case> cases = casesOf(unitNamed(t.unit));
        EXPECT_EQ(std::count_if(cases.begin(), cases.end(),
                                [&](const Case& c) {
                                    return c.number >= t.from && c.number <= t.to && t.holds(c);
                                }),
                  t.target);
    }
}

// A fault of the instruction and the first case it fails (0: none), as `differs` tells the
// cases where a core with the fault gets another value or traps.
template <class Case>
struct FaultRow {
    const char* unit;
    const char* fault;
    int firstCase;
    std::function<bool(const Case&)> differs;
};

template <class Case, class Read>
void expectFaultsFailAtTheirCases(const std::vector<FaultRow<Case>>& table, Read casesOf) {
    for (const auto& t : table) {
        int first = 0;
        for (const Case& c : casesOf(unitNamed(t.unit)))
            if (!first && t.differs(c)) first = c.number;
        EXPECT_EQ(first, t.firstCase) << t.unit << ": " << t.fault;
    }
}

} // namespace alutest
