#pragma once
// Helpers of the control-transfer generator tests (conditional branches, branch-and-link,
// jumps): read a generated case line back, assemble a routine's lines with the ROM's own
// templates, and walk one assembled case step by step against the instructions it must hold.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "assembler.h"
#include "unit.h"
#include "unit_checks.h"
#include "units.h"

namespace branch_test {

// Register numbers the templates use.
enum Reg : unsigned {
    zero = 0,
    v0 = 2,
    v1 = 3,
    a0 = 4,
    a1 = 5,
    a2 = 6,
    t0 = 8,
    t1 = 9,
    s0 = 16,
    s3 = 19,
    s5 = 21,
    s6 = 22,
    s7 = 23,
    ra = 31
};

// One case line read back: "<op>_case 0, 0, 0x0fb16a80, 0xdf225ddc, 0x52919078  # case 1".
struct CaseLine {
    std::string macro; // "beq_case"
    std::vector<std::uint32_t> args;
    int number = 0; // from the trailing comment
};

inline std::optional<CaseLine> parseCaseLine(const std::string& line) {
    if (line.empty() || line.front() == '#') return std::nullopt;
    CaseLine c;
    const auto hash = line.find('#');
    if (hash == std::string::npos) return std::nullopt;
    std::istringstream comment(line.substr(hash + 1));
    std::string word;
    if (!(comment >> word) || word != "case" || !(comment >> c.number)) return std::nullopt;
    std::istringstream body(line.substr(0, hash));
    body >> c.macro;
    std::string arg;
    while (std::getline(body >> std::ws, arg, ','))
        c.args.push_back(static_cast<std::uint32_t>(std::stoul(arg, nullptr, 0)));
    return c;
}

// Every case line of the unit, in order; a line that is neither a case, a heading nor blank is
// reported as a failure.
inline std::vector<CaseLine> caseLines(const casegen::Unit& u) {
    std::vector<CaseLine> out;
    for (const auto& l : u.lines) {
        if (l.empty() || l.front() == '#') continue;
        if (auto c = parseCaseLine(l))
            out.push_back(*c);
        else
            ADD_FAILURE() << "not a case line: " << l;
    }
    return out;
}

// Separates the code of consecutive lines; no case assembles to it.
inline constexpr std::uint32_t kSeparator = 0xffffffff;

// The assembled text (word indices from the start of the section) with the first word and
// length of every case line, and the index of inst_error.
struct Assembled {
    std::vector<std::uint32_t> text;
    std::vector<std::size_t> start;
    std::vector<std::size_t> size;
    std::size_t instError = 0;
};

// Assembles the unit's case lines with its templates, a separator word after each, then
// inst_error. Label addresses stay section offsets, as the object file holds them.
inline std::optional<Assembled> assemble(const casegen::Unit& u) {
    std::size_t lines = 0;
    std::string src = "\t.set noreorder\n\t.set noat\n";
    for (const auto& inc : u.includes)
        src += "\t.include \"" + inc + "\"\n";
    for (const auto& l : u.lines) {
        if (l.empty() || l.front() == '#') continue;
        src += "\t" + l + "\n\t.word 0xffffffff\n";
        ++lines;
    }
    src += "inst_error:\n\tnop\n";
    Assembled out;
    try {
        out.text = gen_test::assemble(src).text;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "assembling " << u.name() << " failed: " << e.what();
        return std::nullopt;
    }
    std::size_t begin = 0;
    for (std::size_t n = 0; n < out.text.size() && out.start.size() < lines; ++n) {
        if (out.text[n] != kSeparator) continue;
        out.start.push_back(begin);
        out.size.push_back(n - begin);
        begin = n + 1;
    }
    out.instError = begin;
    if (out.start.size() != lines) ADD_FAILURE() << u.name() << ": lines and code do not match";
    return out;
}

// Instruction words as the templates must hold them.
namespace enc {
inline std::uint32_t itype(unsigned op, unsigned rs, unsigned rt, std::uint32_t imm) {
    return op << 26 | rs << 21 | rt << 16 | (imm & 0xffff);
}
inline std::uint32_t rtype(unsigned rs, unsigned rt, unsigned rd, unsigned funct) {
    return rs << 21 | rt << 16 | rd << 11 | funct;
}
inline std::uint32_t lui(unsigned rt, std::uint32_t imm) {
    return itype(0x0f, 0, rt, imm);
}
inline std::uint32_t ori(unsigned rt, unsigned rs, std::uint32_t imm) {
    return itype(0x0d, rs, rt, imm);
}
inline std::uint32_t addiu(unsigned rt, unsigned rs, std::uint32_t imm) {
    return itype(0x09, rs, rt, imm);
}
inline std::uint32_t addu(unsigned rd, unsigned rs, unsigned rt) {
    return rtype(rs, rt, rd, 0x21);
}
inline std::uint32_t jr(unsigned rs) {
    return rtype(rs, 0, 0, 0x08);
}
inline std::uint32_t jalr(unsigned rs) {
    return rtype(rs, 0, ra, 0x09);
}
} // namespace enc

// The branch or jump encodings of the instructions under test, without target fields.
enum class Transfer { Beq, Bne, Bgez, Bgtz, Blez, Bltz, Bltzal, Bgezal, J, Jal };

// Walks the words of one assembled case and fails the test at the first step that differs.
class Steps {
  public:
    Steps(const Assembled& a, std::size_t line, std::string what)
        : a_(a), at_(a.start.at(line)), end_(at_ + a.size.at(line)), what_(std::move(what)) {}

    std::size_t at() const { return at_; }

    // Exactly this word.
    void word(std::uint32_t expected, const char* step) {
        EXPECT_EQ(next(step), expected) << what_ << ": " << step;
    }
    void nop(const char* step = "nop") { word(0, step); }
    // The operand load of v into reg.
    void load(unsigned reg, std::uint32_t v, const char* step) {
        const auto s = static_cast<std::int32_t>(v);
        if (s >= -32768 && s <= 32767)
            word(enc::addiu(reg, zero, v), step);
        else if (v <= 0xffff)
            word(enc::ori(reg, zero, v), step);
        else if ((v & 0xffff) == 0)
            word(enc::lui(reg, v >> 16), step);
        else {
            word(enc::lui(reg, v >> 16), step);
            word(enc::ori(reg, reg, v & 0xffff), step);
        }
    }
    // The address load of word index `target` (a section offset) into reg.
    void addressLoad(unsigned reg, std::size_t target, const char* step) {
        const auto address = static_cast<std::uint32_t>(4 * target);
        const std::uint32_t lo = address & 0xffff;
        const std::uint32_t hi = (address >> 16) + (lo >= 0x8000 ? 1 : 0);
        word(enc::lui(reg, hi), step);
        word(enc::addiu(reg, reg, lo), step);
    }
    // A branch with these fields; returns its target as a word index.
    std::size_t branch(Transfer t, unsigned rs, unsigned rt, const char* step) {
        const std::size_t here = at_;
        const std::uint32_t w = next(step);
        EXPECT_EQ(w & 0xffff0000, branchBits(t, rs, rt)) << what_ << ": " << step;
        return here + 1 + static_cast<std::int16_t>(w & 0xffff);
    }
    // `b` (beq zero, zero); returns its target.
    std::size_t b(const char* step) { return branch(Transfer::Beq, zero, zero, step); }
    // bne x, y to inst_error.
    void compare(unsigned x, unsigned y, const char* step) {
        const std::size_t target = branch(Transfer::Bne, x, y, step);
        EXPECT_EQ(target, a_.instError) << what_ << ": " << step << " goes to inst_error";
    }
    // j or jal; returns its target (the index field of an unrelocated object: a word index).
    std::size_t jump(Transfer t, const char* step) {
        const std::uint32_t w = next(step);
        EXPECT_EQ(w >> 26, t == Transfer::J ? 2u : 3u) << what_ << ": " << step;
        return w & 0x03ffffff;
    }
    // The check block's comparisons: the expected v0 and v1 into s5 and s6, each compared.
    void comparisons(std::uint32_t expV0, std::uint32_t expV1) {
        load(s5, expV0, "expected v0 into s5");
        load(s6, expV1, "expected v1 into s6");
        compare(v0, s5, "v0 comparison");
        nop();
        compare(v1, s6, "v1 comparison");
        nop();
    }
    // Every word of the case consumed.
    void done() { EXPECT_EQ(at_, end_) << what_ << ": case length"; }

  private:
    std::uint32_t next(const char* step) {
        if (at_ >= end_) {
            ADD_FAILURE() << what_ << ": case ends before " << step;
            return kSeparator;
        }
        return a_.text[at_++];
    }
    static std::uint32_t branchBits(Transfer t, unsigned rs, unsigned rt) {
        const auto bits = [&](unsigned op, unsigned r) { return enc::itype(op, rs, r, 0); };
        switch (t) {
        case Transfer::Beq: return bits(4, rt);
        case Transfer::Bne: return bits(5, rt);
        case Transfer::Blez: return bits(6, 0);
        case Transfer::Bgtz: return bits(7, 0);
        case Transfer::Bltz: return bits(1, 0);
        case Transfer::Bgez: return bits(1, 1);
        case Transfer::Bltzal: return bits(1, 16);
        case Transfer::Bgezal: return bits(1, 17);
        case Transfer::J:
        case Transfer::Jal: break;
        }
        return 0;
    }

    const Assembled& a_;
    std::size_t at_;
    std::size_t end_;
    std::string what_;
};

// Walks every assembled case of the unit, each with a Steps of its own, through `walk`; every
// word must be consumed. Stops after the first case that fails: one broken case says enough.
template <class Case, class Walk>
void walkEveryCase(const casegen::Unit& u, const std::vector<Case>& cases, Walk walk) {
    const auto a = assemble(u);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->start.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Steps s(*a, i, u.name() + " case " + std::to_string(cases[i].number));
        walk(s, cases[i]);
        s.done();
        if (::testing::Test::HasFailure()) break;
    }
}

// A signed view of a register value, for the tests' own statement of the branch rule.
inline std::int32_t asSigned(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

inline bool isTwoInstructionLoad(std::uint32_t v) {
    const auto s = asSigned(v);
    return !(s >= -32768 && s <= 32767) && v > 0xffff && (v & 0xffff) != 0;
}

// A case of the routines that mark their paths: exp_v0, exp_v1, marker A, marker B, then the
// operand(s) the branch tests.
struct MarkerCase {
    int number;
    std::uint32_t expV0, expV1, markerA, markerB;
    std::vector<std::uint32_t> operands;
    bool taken() const { return expV0 != 0 || expV1 != 0; }
};

// The unit's case lines: every one of the unit's own macro (<mnemonic>_case) with `args`
// arguments; a line that is not is reported and left out.
inline std::vector<CaseLine> caseLinesOf(const casegen::Unit& u, std::size_t args) {
    std::vector<CaseLine> out;
    for (const auto& l : caseLines(u)) {
        EXPECT_EQ(l.macro, u.mnemonic + "_case") << u.name() << " case " << l.number;
        EXPECT_EQ(l.args.size(), args) << u.name() << " case " << l.number;
        if (l.args.size() == args) out.push_back(l);
    }
    return out;
}

inline std::vector<MarkerCase> markerCases(const casegen::Unit& u, std::size_t operands) {
    std::vector<MarkerCase> out;
    for (const auto& l : caseLinesOf(u, 4 + operands))
        out.push_back({l.number, l.args[0], l.args[1], l.args[2], l.args[3],
                       std::vector<std::uint32_t>(l.args.begin() + 4, l.args.end())});
    return out;
}

// The branch rule, stated here on signed values.
inline bool takes(Transfer t, std::uint32_t x, std::uint32_t y) {
    switch (t) {
    case Transfer::Beq: return x == y;
    case Transfer::Bne: return x != y;
    case Transfer::Bgez:
    case Transfer::Bgezal: return asSigned(x) >= 0;
    case Transfer::Bgtz: return asSigned(x) > 0;
    case Transfer::Blez: return asSigned(x) <= 0;
    case Transfer::Bltz:
    case Transfer::Bltzal: return asSigned(x) < 0;
    case Transfer::J:
    case Transfer::Jal: break;
    }
    ADD_FAILURE() << "not a conditional branch";
    return false;
}

// The cases are numbered in run order, `count` of them, and each expects the markers when the
// rule takes the branch and 0 when it does not; `taken` of them are taken, `notTaken` not.
inline void expectCasesFollowTheRule(const std::string& unit, const std::vector<MarkerCase>& cases,
                                     Transfer t, int count, int taken, int notTaken) {
    ASSERT_EQ(static_cast<int>(cases.size()), count);
    int takenFound = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const MarkerCase& c = cases[i];
        EXPECT_EQ(c.number, static_cast<int>(i) + 1);
        const std::uint32_t y = c.operands.size() > 1 ? c.operands[1] : 0;
        const bool rule = takes(t, c.operands.at(0), y);
        EXPECT_EQ(c.expV0, rule ? c.markerA : 0u) << unit << " case " << c.number;
        EXPECT_EQ(c.expV1, rule ? c.markerB : 0u) << unit << " case " << c.number;
        takenFound += rule;
    }
    EXPECT_EQ(takenFound, taken);
    EXPECT_EQ(count - takenFound, notTaken);
}

// The random run of a one-operand list: its operands by sign, its first taken and not-taken
// cases, and the outcome of its last case, whose operand is 0.
struct RandomRun {
    int negatives = 0;
    int positives = 0;
    int firstTaken = 0;
    int firstNotTaken = 0;
    bool zeroTaken = false;
};

inline void expectRandomRun(const std::string& unit, const std::vector<MarkerCase>& cases,
                            int count, const RandomRun& want) {
    RandomRun found;
    for (const MarkerCase& c : cases) {
        const std::uint32_t x = c.operands.at(0);
        if (c.number == count) {
            EXPECT_EQ(x, 0u) << "the last case has operand 0";
            EXPECT_EQ(c.taken(), want.zeroTaken);
        } else {
            EXPECT_NE(x, 0u) << unit << " case " << c.number << ": 0 only in the last case";
            (asSigned(x) < 0 ? found.negatives : found.positives) += 1;
        }
        int& first = c.taken() ? found.firstTaken : found.firstNotTaken;
        if (first == 0) first = c.number;
    }
    EXPECT_EQ(found.negatives, want.negatives);
    EXPECT_EQ(found.positives, want.positives);
    EXPECT_EQ(found.firstTaken, want.firstTaken);
    EXPECT_EQ(found.firstNotTaken, want.firstNotTaken);
}

// A case fixed by the generator, with its values.
struct FixedCase {
    int number;
    std::vector<std::uint32_t> operands;
    std::uint32_t markerA;
    std::uint32_t markerB;
    bool taken;
};

inline void expectFixedCases(const std::string& unit, const std::vector<MarkerCase>& cases,
                             const std::vector<FixedCase>& fixed) {
    for (const FixedCase& f : fixed) {
        const MarkerCase& c = cases.at(static_cast<std::size_t>(f.number - 1));
        EXPECT_EQ(c.operands, f.operands) << unit << " case " << f.number;
        EXPECT_EQ(c.markerA, f.markerA) << unit << " case " << f.number;
        EXPECT_EQ(c.markerB, f.markerB) << unit << " case " << f.number;
        EXPECT_EQ(c.taken(), f.taken) << unit << " case " << f.number;
    }
}

// The two markers of a case.
struct CaseMarkers {
    int number;
    std::uint32_t a, b;
};

inline std::vector<CaseMarkers> markersOf(const std::vector<MarkerCase>& cases) {
    std::vector<CaseMarkers> out;
    for (const auto& c : cases)
        out.push_back({c.number, c.markerA, c.markerB});
    return out;
}

// Every marker is loaded by lui and ori (so it is never 0) and differs from the other marker of
// its case and from every other marker of the routine. `luiOnlyA`: the case whose marker A is
// placed by lui alone (nonzero all the same), 0 for none.
inline void expectMarkersDistinctTwoInstructionLoads(const std::string& unit,
                                                     const std::vector<CaseMarkers>& markers,
                                                     int luiOnlyA = 0) {
    std::set<std::uint32_t> seen;
    for (const CaseMarkers& c : markers) {
        if (c.number == luiOnlyA) {
            EXPECT_NE(c.a, 0u) << unit << " case " << c.number;
        } else {
            EXPECT_TRUE(isTwoInstructionLoad(c.a)) << unit << " case " << c.number;
        }
        EXPECT_TRUE(isTwoInstructionLoad(c.b)) << unit << " case " << c.number;
        EXPECT_NE(c.a, c.b) << unit << " case " << c.number;
        EXPECT_TRUE(seen.insert(c.a).second) << unit << " case " << c.number << ": marker repeats";
        EXPECT_TRUE(seen.insert(c.b).second) << unit << " case " << c.number << ": marker repeats";
    }
}

// Every nonzero operand is loaded by lui and ori, and none is used in two cases.
inline void expectOperandsDistinctTwoInstructionLoads(const std::string& unit,
                                                      const std::vector<MarkerCase>& cases) {
    std::set<std::uint32_t> seen;
    for (const MarkerCase& c : cases) {
        const std::set<std::uint32_t> own(c.operands.begin(), c.operands.end());
        for (const std::uint32_t v : own) {
            if (v == 0) continue;
            EXPECT_TRUE(isTwoInstructionLoad(v)) << unit << " case " << c.number;
            EXPECT_TRUE(seen.insert(v).second)
                << unit << " case " << c.number << ": " << std::hex << v << " used before";
        }
    }
}

} // namespace branch_test
