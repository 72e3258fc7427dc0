#pragma once
// Helpers of the delay-slot tests: assemble generated lines with the ROM's own templates, split
// the machine code per line, decode the fields the checks look at, and read a case line back.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "assembler.h"
#include "slot_chain.h"
#include "slot_probes.h"
#include "unit.h"
#include "unit_checks.h"
#include "units.h"

namespace slot_test {

// Separates the code of consecutive lines; no case, setup line or probe assembles to it.
inline constexpr std::uint32_t kMarker = 0xffffffff;

// The words of each line, and the index of inst_error (all indices count words from the start
// of the text, markers included, as the assembler placed them).
struct Assembled {
    std::vector<std::uint32_t> text;
    std::vector<std::size_t> start; // first word of each line
    std::vector<std::size_t> size;  // words of each line
    std::size_t instError = 0;
};

// Assembles `lines` with the family templates, each line followed by a marker word, then
// `inst_error`, then `extra` lines the same way (probes on their own, for comparison).
inline std::optional<Assembled> assemble(const std::vector<std::string>& includes,
                                         const std::vector<std::string>& lines,
                                         const std::vector<std::string>& extra = {}) {
    std::string src = "\t.set noreorder\n\t.set noat\n";
    for (const auto& inc : includes)
        src += "\t.include \"" + inc + "\"\n";
    for (const auto& l : lines)
        src += "\t" + l + "\n\t.word 0xffffffff\n";
    src += "inst_error:\n\t.word 0xffffffff\n";
    for (const auto& l : extra)
        src += "\t" + l + "\n\t.word 0xffffffff\n";
    Assembled out;
    try {
        out.text = gen_test::assemble(src).text;
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        return std::nullopt;
    }
    std::size_t begin = 0, line = 0;
    for (std::size_t n = 0; n < out.text.size(); ++n) {
        if (out.text[n] != kMarker) continue;
        if (line == lines.size())
            out.instError = n;
        else {
            out.start.push_back(begin);
            out.size.push_back(n - begin);
        }
        ++line;
        begin = n + 1;
    }
    return out;
}

// Fields of one instruction word.
struct Word {
    std::uint32_t w;
    unsigned op() const { return w >> 26; }
    unsigned rs() const { return (w >> 21) & 31; }
    unsigned rt() const { return (w >> 16) & 31; }
    unsigned rd() const { return (w >> 11) & 31; }
    unsigned funct() const { return w & 63; }
    std::int32_t simm() const { return static_cast<std::int16_t>(w & 0xffff); }
    std::uint32_t uimm() const { return w & 0xffff; }

    bool isNop() const { return w == 0; }
    bool isRegimm() const { return op() == 1; }
    // beq, bne, blez, bgtz and the four REGIMM branches.
    bool isBranch() const {
        return (op() >= 4 && op() <= 7) ||
               (isRegimm() && (rt() == 0 || rt() == 1 || rt() == 16 || rt() == 17));
    }
    std::size_t branchTarget(std::size_t at) const {
        return static_cast<std::size_t>(static_cast<std::int64_t>(at) + 1 + simm());
    }
    bool isB() const { return op() == 4 && rs() == 0 && rt() == 0; } // beq zero, zero
    bool isJumpImmediate() const { return op() == 2 || op() == 3; }
    bool isJumpRegister() const { return op() == 0 && (funct() == 8 || funct() == 9); }
    // addu rd, zero, rs
    bool isMoveFrom(unsigned rd, unsigned rs) const {
        return op() == 0 && funct() == 0x21 && this->rd() == rd && this->rs() == 0 && rt() == rs;
    }

    // The general register the instruction writes, if any.
    std::optional<unsigned> written() const {
        if (op() == 0) {
            switch (funct()) {
            case 0x08: // jr
            case 0x11: // mthi
            case 0x13: // mtlo
            case 0x18:
            case 0x19:
            case 0x1a:
            case 0x1b: return std::nullopt; // mult, div
            default: return rd() ? std::optional<unsigned>(rd()) : std::nullopt;
            }
        }
        if (isRegimm()) return rt() >= 16 ? std::optional<unsigned>(31) : std::nullopt;
        if (op() == 3) return 31; // jal
        if (op() == 2 || (op() >= 4 && op() <= 7) || op() == 0x2b) return std::nullopt;
        return rt() ? std::optional<unsigned>(rt()) : std::nullopt;
    }
};

// One generated case line read back: "<macro> plain, addiu, $t1, $t0, -0x7edd  # case 2".
struct CaseLine {
    std::string macro;
    bool mulDiv = false;
    std::string probe;  // "addiu $t1, $t0, -0x7edd"
    std::string op;     // "addiu"
    std::string work;   // "$t1"; empty for a multiply/divide
    std::string rest;   // "$t0, -0x7edd"
    int caseNumber = 0; // from the trailing comment
};

inline std::string trim(std::string s) {
    const auto b = s.find_first_not_of(" \t");
    const auto e = s.find_last_not_of(" \t");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

inline std::optional<CaseLine> parseCaseLine(const std::string& line, const std::string& macro) {
    if (line.rfind(macro + " ", 0) != 0) return std::nullopt;
    CaseLine c;
    c.macro = macro;
    std::string body = line.substr(macro.size() + 1);
    if (const auto hash = body.find('#'); hash != std::string::npos) {
        const std::string comment = trim(body.substr(hash + 1));
        if (comment.rfind("case ", 0) == 0) c.caseNumber = std::stoi(comment.substr(5));
        body = body.substr(0, hash);
    }
    std::vector<std::string> parts;
    std::string part;
    std::istringstream ss(body);
    while (std::getline(ss, part, ','))
        parts.push_back(trim(part));
    if (parts.size() < 2) return std::nullopt;
    c.mulDiv = parts[0] == "hilo";
    c.op = parts[1];
    std::size_t restFrom = 2;
    if (!c.mulDiv && parts.size() > 2) {
        c.work = parts[2];
        restFrom = 3;
    }
    for (std::size_t n = restFrom; n < parts.size(); ++n)
        c.rest += (c.rest.empty() ? "" : ", ") + parts[n];
    c.probe =
        c.op + " " + (c.work.empty() ? c.rest : c.work + (c.rest.empty() ? "" : ", " + c.rest));
    return c;
}

// The probe with its substituted operand replaced by `reg`.
inline std::string withWork(const CaseLine& c, const std::string& reg) {
    return c.op + " " + reg + (c.rest.empty() ? "" : ", " + c.rest);
}

inline casegen::Unit buildNumbered(int number) {
    for (const auto& entry : casegen::kUnits)
        if (entry.number == number) return casegen::buildUnit(entry);
    ADD_FAILURE() << "no unit " << number;
    return {};
}

// Body lines that produce code: everything but headings and blank lines.
inline std::vector<std::string> codeLines(const casegen::Unit& u) {
    std::vector<std::string> out;
    for (const auto& l : u.lines)
        if (!l.empty() && l.front() != '#') out.push_back(l);
    return out;
}

// Register values placed by the constant loads (lui / ori / addiu from zero or from itself) in
// words [from, to).
inline std::vector<std::pair<unsigned, std::uint32_t>>
constantLoads(const std::vector<std::uint32_t>& text, std::size_t from, std::size_t to) {
    std::vector<std::pair<unsigned, std::uint32_t>> regs;
    const auto value = [&](unsigned r) -> std::uint32_t& {
        for (auto& [reg, v] : regs)
            if (reg == r) return v;
        regs.emplace_back(r, 0);
        return regs.back().second;
    };
    for (std::size_t n = from; n < to; ++n) {
        const Word w{text[n]};
        if (w.op() == 0x0f)
            value(w.rt()) = w.uimm() << 16;
        else if (w.op() == 0x0d && w.rs() == 0)
            value(w.rt()) = w.uimm();
        else if (w.op() == 0x0d && w.rs() == w.rt())
            value(w.rt()) |= w.uimm();
        else if (w.op() == 0x09 && w.rs() == 0)
            value(w.rt()) = static_cast<std::uint32_t>(w.simm());
        else if (w.op() == 0x09 && w.rs() == w.rt())
            value(w.rt()) += static_cast<std::uint32_t>(w.simm());
    }
    return regs;
}

} // namespace slot_test

namespace slot_test {

// What a probe leaves in its substituted register (or in LO for a multiply/divide) on a
// conforming core, as the probe list states it: routine N, `passed` routines passed before it,
// and t0 as the routine's probes read it (probe 1's base, or 0 where the routine never writes t0).
inline std::uint32_t probeResult(int probe, std::uint32_t n, std::uint32_t passed,
                                 std::uint32_t t0) {
    const std::uint32_t sh = n % 32;
    switch (probe) {
    case 1: return 0x80020000;
    case 2:
    case 3:
    case 4: return 0x80018123;
    case 5: return 0x00030246;
    case 6: return 0xfffff010;
    case 7:
    case 10: return passed != 0 ? 1 : 0;
    case 8: return 0;
    case 9: return 1;
    case 11: return 0;
    case 12: return t0 + n;
    case 13: return n - 32766;
    case 14:
    case 15: return t0 - n;
    case 16: return t0 & n;
    case 17: return n & 0x8ff2;
    case 18: return ~(t0 | n);
    case 19: return n | 0x8ff2;
    case 20: return t0 ^ n;
    case 21: return n ^ 0x8ff2;
    case 22: return t0 << sh;
    case 23:
    case 25: return 0;
    case 24: return static_cast<std::uint32_t>(static_cast<std::int32_t>(t0) >> sh);
    case 26: return t0 >> sh;
    case 27: return 0xffff0000; // LO of div
    case 28: return 0x00010000; // LO of divu
    case 29:
    case 30: return 0; // LO of mult, multu
    case 31: return 0x00004000;
    case 32: return 0;
    }
    ADD_FAILURE() << "no probe " << probe;
    return 0;
}

// HI after the multiply/divide probes.
inline std::uint32_t probeHi(int probe) {
    return probe == 29 ? 0xffffc000 : probe == 30 ? 0x00004000 : 0;
}

} // namespace slot_test

namespace slot_test {

using casegen::slot::regName;

inline unsigned regNumber(const std::string& name) {
    for (int r = 0; r < 32; ++r)
        if (regName(r) == name) return static_cast<unsigned>(r);
    ADD_FAILURE() << "no register " << name;
    return 0;
}

// What the branch and the jump delay-slot routines have in common in their tables.
struct Routine {
    int number;
    std::string macro;
    int cases; // 26, or 32 with the multiply/divide probes
    int plainLength;
    int mulDivLength;                     // 0: the routine has no multiply/divide cases
    bool writesT0;                        // probe 1 writes t0 (the base)
    std::uint32_t dataWord;               // the RAM word the store and load probes use
    std::vector<std::string> firstProbes; // where the routine moves its first probes; else empty
};

// The probe list as the units write it; the short lists stop after probe 26.
inline const std::vector<std::string>& probeText() {
    static const std::vector<std::string> kText{
        "lui $t0, 0x8002",
        "addiu $t1, $t0, -0x7edd",
        "sw $t1, -0x7120($t0)",
        "lw $t2, -0x7120($t0)",
        "addu $t3, $t1, $t2",
        "or $t4, $s1, $s2",
        "slt $t5, $s2, $s3",
        "slti $t6, $s2, -0x7fef",
        "sltiu $t7, $s2, -0x7fef",
        "sltu $t8, $s2, $s3",
        "sll $t1, $s2, 17",
        "add $t2, $t0, $s0",
        "addi $t3, $s0, -0x7ffe",
        "sub $t4, $t0, $s0",
        "subu $t5, $t0, $s0",
        "and $t6, $t0, $s0",
        "andi $t7, $s0, 0x8ff2",
        "nor $t8, $t0, $s0",
        "ori $t1, $s0, 0x8ff2",
        "xor $t2, $t0, $s0",
        "xori $t3, $s0, 0x8ff2",
        "sllv $t4, $t0, $s0",
        "sra $t5, $s0, 8",
        "srav $t6, $t0, $s0",
        "srl $t7, $s0, 8",
        "srlv $t8, $t0, $s0",
        "div $zero, $t0, $t1",
        "divu $zero, $t0, $t1",
        "mult $t0, $t1",
        "multu $t0, $t1",
        "mfhi $t7",
        "mflo $t6",
    };
    return kText;
}

// The unit of a routine with its code lines, each read back as a case line (nullopt: a setup
// line).
struct ParsedUnit {
    casegen::Unit unit;
    std::vector<std::string> code;
    std::vector<std::optional<CaseLine>> parsed;
};

inline ParsedUnit parse(const Routine& r) {
    ParsedUnit p{buildNumbered(r.number), {}, {}};
    p.code = codeLines(p.unit);
    for (const auto& l : p.code)
        p.parsed.push_back(parseCaseLine(l, r.macro));
    return p;
}

// The probes as the probe list and the routine's own first probes give them, the case comments
// counting them in order, the two setup lines of a long list both standing between probe 26 and
// probe 27 (a short list has none), and the multiply/divide cases being cases 27 to 30.
inline void expectProbeListAsWritten(const Routine& r) {
    const ParsedUnit p = parse(r);
    std::vector<std::string> probes, setup;
    std::vector<int> numbers;
    std::vector<std::size_t> setupAt; // probes before each setup line
    for (std::size_t n = 0; n < p.code.size(); ++n) {
        if (p.parsed[n]) {
            probes.push_back(p.parsed[n]->probe);
            numbers.push_back(p.parsed[n]->caseNumber);
            EXPECT_EQ(p.parsed[n]->mulDiv,
                      p.parsed[n]->caseNumber >= 27 && p.parsed[n]->caseNumber <= 30)
                << p.code[n];
        } else {
            setupAt.push_back(probes.size());
            setup.push_back(p.code[n]);
        }
    }
    std::vector<std::string> want(probeText().begin(), probeText().begin() + r.cases);
    std::copy(r.firstProbes.begin(), r.firstProbes.end(), want.begin());
    EXPECT_EQ(probes, want);
    std::vector<int> ordinal(static_cast<std::size_t>(r.cases));
    for (std::size_t n = 0; n < ordinal.size(); ++n)
        ordinal[n] = static_cast<int>(n) + 1;
    EXPECT_EQ(numbers, ordinal) << "case comments count the cases in order";
    const bool longList = r.cases == 32;
    const std::vector<std::string> setupLines{"lui $t0, 0x8000", "ori $t1, $zero, 0x8000"};
    const std::vector<std::size_t> setupPlaces{26, 26};
    EXPECT_EQ(setup, longList ? setupLines : std::vector<std::string>{});
    EXPECT_EQ(setupAt, longList ? setupPlaces : std::vector<std::size_t>{})
        << "setup lines stand between probe 26 and probe 27";
}

// A setup line assembles to one word, a case to the routine's plain or multiply/divide length;
// the body and the routine's slot hold what they add up to.
inline void expectCaseLengths(const Routine& r) {
    const ParsedUnit p = parse(r);
    const auto a = assemble(p.unit.includes, p.code);
    ASSERT_TRUE(a);
    std::size_t words = 0;
    for (std::size_t n = 0; n < p.code.size(); ++n) {
        const int want = !p.parsed[n] ? 1 : p.parsed[n]->mulDiv ? r.mulDivLength : r.plainLength;
        EXPECT_EQ(static_cast<int>(a->size[n]), want) << p.code[n];
        words += a->size[n];
    }
    gen_test::expectRoutineSize(p.unit, static_cast<long>(words));
}

// The routine's code followed, after inst_error, by every case's probe assembled alone: a
// multiply/divide probe as written, any other on its own work register and then on each of the
// substitute registers.
struct WithLoneProbes {
    Assembled code;
    std::vector<std::size_t> first; // per code line: the line index of its first lone probe

    // The word of lone probe k of code line n.
    std::uint32_t alone(std::size_t n, std::size_t k = 0) const {
        return code.text.at(code.start.at(first.at(n) + k));
    }
};

inline std::optional<WithLoneProbes>
assembleWithLoneProbes(const ParsedUnit& p, const std::vector<unsigned>& substitutes) {
    std::vector<std::string> extra;
    std::vector<std::size_t> first(p.code.size());
    for (std::size_t n = 0; n < p.code.size(); ++n) {
        if (!p.parsed[n]) continue;
        const CaseLine& c = *p.parsed[n];
        first[n] = p.code.size() + extra.size();
        if (c.mulDiv) {
            extra.push_back(c.probe);
            continue;
        }
        extra.push_back(withWork(c, c.work));
        for (const unsigned reg : substitutes)
            extra.push_back(withWork(c, regName(static_cast<int>(reg))));
    }
    auto a = assemble(p.unit.includes, p.code, extra);
    if (!a) return std::nullopt;
    return WithLoneProbes{std::move(*a), std::move(first)};
}

// One case line of a routine as a walk through its words sees it: the code with the lone probes,
// the line's index, its case line read back and its words [begin, end).
struct CaseWords {
    const WithLoneProbes& lone;
    std::size_t line;
    const CaseLine& c;
    std::size_t begin, end;

    const Assembled& code() const { return lone.code; }
    Word word(std::size_t i) const { return Word{lone.code.text.at(i)}; }
    // Lone probe k of this case.
    std::uint32_t alone(std::size_t k = 0) const { return lone.alone(line, k); }
};

// Calls `walk` with every case line of the routine (setup lines left out), assembled with its
// lone probes on `substitutes`.
template <class Walk>
void forEveryCase(const Routine& r, const std::vector<unsigned>& substitutes, Walk walk) {
    const ParsedUnit p = parse(r);
    const auto lone = assembleWithLoneProbes(p, substitutes);
    ASSERT_TRUE(lone);
    for (std::size_t n = 0; n < p.code.size(); ++n) {
        if (!p.parsed[n]) continue;
        SCOPED_TRACE(p.code[n]);
        const std::size_t begin = lone->code.start[n];
        walk(CaseWords{*lone, n, *p.parsed[n], begin, begin + lone->code.size[n]});
    }
}

// Calls `check` with every word of every line of the routine, setup lines included: the code,
// the word's index and the end of its line.
template <class Check>
void forEveryWord(const Routine& r, Check check) {
    const ParsedUnit p = parse(r);
    const auto a = assemble(p.unit.includes, p.code);
    ASSERT_TRUE(a);
    for (std::size_t n = 0; n < p.code.size(); ++n) {
        SCOPED_TRACE(p.code[n]);
        const std::size_t from = a->start[n], to = from + a->size[n];
        for (std::size_t i = from; i < to; ++i)
            check(*a, i, to);
    }
}

// Word i is the branch `op x, y` to inst_error with a nop in its slot.
inline bool branchesToError(const Assembled& a, std::size_t i, unsigned op, unsigned x,
                            unsigned y) {
    const Word w{a.text.at(i)};
    return w.op() == op && w.rs() == x && w.rt() == y && w.branchTarget(i) == a.instError &&
           Word{a.text.at(i + 1)}.isNop();
}

// mflo rd, mtlo rs
inline std::uint32_t mflo(unsigned rd) {
    return (rd << 11) | 0x12;
}
inline std::uint32_t mtlo(unsigned rs) {
    return (rs << 21) | 0x13;
}

// A word of a case writes neither the run-wide registers s0-s3 nor at; ra only in a linking
// routine, by the instruction under test (`linksHere`) or the restore from s7, and s7 there only
// by the save of ra.
inline void expectCaseWrites(Word w, bool links, bool linksHere) {
    const auto d = w.written();
    if (!d) return;
    EXPECT_FALSE(*d >= casegen::slot::s0 && *d <= casegen::slot::s3)
        << "writes a run-wide register";
    EXPECT_NE(*d, unsigned{casegen::slot::at});
    if (*d == casegen::slot::ra) {
        EXPECT_TRUE(links && (linksHere || w.isMoveFrom(casegen::slot::ra, casegen::slot::s7)));
    }
    if (*d == casegen::slot::s7 && links) {
        EXPECT_TRUE(w.isMoveFrom(casegen::slot::s7, casegen::slot::ra));
    }
}

// The generator's model of the probe chain gives the probe list's results, agrees, never traps,
// reads nothing unset or unwritten and touches the routine's data word alone, for the first and
// the last pass count the routine can meet. Returns the outcome of each of the two runs.
inline std::vector<casegen::slot::ChainOutcome>
expectChainGivesListedResults(const Routine& r, const casegen::slot::CaseModel& model) {
    using namespace casegen::slot;
    std::vector<ChainOutcome> outcomes;
    const auto n = static_cast<std::uint32_t>(r.number);
    for (const std::uint32_t passed : {0u, n - 1}) {
        SCOPED_TRACE(testing::Message() << r.number << " after " << passed << " passed");
        ChainMachine m(n, passed);
        const std::uint32_t t0 = r.writesT0 ? 0x80020000 : 0;
        for (const auto& line : probeLines(r.number, r.cases)) {
            if (!line.isCase()) {
                m.run(line.probe, line.probe.dest);
                continue;
            }
            runCase(m, model, line);
            const int probe = line.number;
            if (isMulDiv(line.probe)) {
                EXPECT_EQ(m.lo(), probeResult(probe, n, passed, t0)) << probe;
                EXPECT_EQ(m.hi(), probeHi(probe)) << probe;
            } else {
                EXPECT_EQ(m.get(line.probe.dest), probeResult(probe, n, passed, t0)) << probe;
            }
        }
        const ChainOutcome& o = m.outcome();
        EXPECT_TRUE(o.agrees);
        EXPECT_FALSE(o.traps);
        EXPECT_FALSE(o.readsUnset);
        EXPECT_FALSE(o.readsUnwritten);
        EXPECT_EQ(o.dataWords, (std::set<std::uint32_t>{r.dataWord}));
        outcomes.push_back(o);
    }
    return outcomes;
}

// The report block returns through s7 where the cases keep ra there, else through ra.
inline void expectReportReturnsThrough(const Routine& r, bool links) {
    const std::string text = casegen::renderUnit(buildNumbered(r.number));
    const std::string last = text.substr(text.rfind('\t', text.size() - 2) + 1);
    EXPECT_EQ(last, links ? "routine_end $s7\n" : "routine_end\n");
}

} // namespace slot_test
