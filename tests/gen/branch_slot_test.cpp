// The branch delay-slot routines as the generator writes them: probe list, case counts and
// lengths, the steps of every assembled case, the registers no case may write, the probe chain's
// values on the generator's model, and the report block of the link routines.
#include <gtest/gtest.h>

#include <algorithm>

#include "slot_chain.h"
#include "slot_probes.h"
#include "slot_test_support.h"

namespace {

using namespace casegen::slot;
using slot_test::Assembled;
using slot_test::CaseLine;
using slot_test::Word;

// A branch instruction's fields: primary opcode, rs, and rt (the REGIMM sub-opcode for opcode 1).
struct BranchForm {
    unsigned op, rs, rt;
    bool matches(Word w) const { return w.op() == op && w.rs() == rs && w.rt() == rt; }
};

constexpr unsigned kBeq = 4, kBne = 5, kBlez = 6, kBgtz = 7, kRegimm = 1;
constexpr unsigned kBltz = 0, kBgez = 1, kBltzal = 16, kBgezal = 17;

struct BranchRoutine {
    int number;
    std::string macro;
    int cases;
    int plainLength;
    int mulDivLength; // 0: the routine has no multiply/divide cases
    bool links;
    BranchForm untaken, taken;
    std::vector<std::pair<unsigned, std::uint32_t>> guards;
    unsigned result; // register the taken branch's slot writes
    bool writesT0;   // probe 1 writes t0 (the base)
};

const std::vector<BranchRoutine>& routines() {
    static const std::vector<BranchRoutine> kTable{
        {16, "beq_slot", 26, 12, 0, false, {kBeq, s5, zero}, {kBeq, s5, s5}, {{s5, 1}}, s7, true},
        {17, "bne_slot", 26, 12, 0, false, {kBne, s5, s5}, {kBne, s5, zero}, {{s5, 1}}, s7, false},
        {52,
         "bgez_slot",
         32,
         12,
         19,
         false,
         {kRegimm, a0, kBgez},
         {kRegimm, zero, kBgez},
         {{a0, 0x80000000}},
         s7,
         true},
        {53,
         "bgtz_slot",
         32,
         14,
         21,
         false,
         {kBgtz, a0, 0},
         {kBgtz, a1, 0},
         {{a0, 0x80000000}, {a1, 0x7fffffff}},
         s7,
         true},
        {54,
         "blez_slot",
         32,
         13,
         20,
         false,
         {kBlez, a0, 0},
         {kBlez, zero, 0},
         {{a0, 0x7fffffff}},
         s7,
         true},
        {55,
         "bltz_slot",
         32,
         14,
         21,
         false,
         {kRegimm, a1, kBltz},
         {kRegimm, a0, kBltz},
         {{a0, 0x80000000}, {a1, 0x7fffffff}},
         s7,
         true},
        {56,
         "bltzal_slot",
         32,
         16,
         23,
         true,
         {kRegimm, a1, kBltzal},
         {kRegimm, a0, kBltzal},
         {{a0, 0x80000000}, {a1, 0x7fffffff}},
         s5,
         true},
        {57,
         "bgezal_slot",
         32,
         14,
         21,
         true,
         {kRegimm, a0, kBgezal},
         {kRegimm, zero, kBgezal},
         {{a0, 0x80000000}},
         s5,
         true},
    };
    return kTable;
}

unsigned regNumber(const std::string& name) {
    for (int r = 0; r < 32; ++r)
        if (regName(r) == name) return static_cast<unsigned>(r);
    ADD_FAILURE() << "no register " << name;
    return 0;
}

// The canonical probe list as the unit writes it.
const std::vector<std::string>& canonicalText() {
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

std::vector<std::string> expectedProbes(int routine, int cases) {
    std::vector<std::string> list(canonicalText().begin(), canonicalText().begin() + cases);
    if (routine == 17) {
        const std::vector<std::string> first{"lui $a0, 0x8002",    "addiu $a1, $a0, -0x7edd",
                                             "sw $a1, 0x120($a0)", "lw $a2, 0x120($a0)",
                                             "addu $a3, $a1, $a2", "or $t1, $s1, $s2",
                                             "slt $t2, $s2, $s3",  "slti $t3, $s2, -0x7fef"};
        std::copy(first.begin(), first.end(), list.begin());
    }
    return list;
}

struct ParsedUnit {
    casegen::Unit unit;
    std::vector<std::string> code;               // lines that produce code
    std::vector<std::optional<CaseLine>> parsed; // per code line; nullopt for a setup line
};

ParsedUnit parse(const BranchRoutine& r) {
    ParsedUnit p{slot_test::buildNumbered(r.number), {}, {}};
    p.code = slot_test::codeLines(p.unit);
    for (const auto& l : p.code)
        p.parsed.push_back(slot_test::parseCaseLine(l, r.macro));
    return p;
}

TEST(BranchSlot, ProbeListAndSetupLinesAsWritten) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const ParsedUnit p = parse(r);
        std::vector<std::string> probes, setup;
        std::vector<int> numbers;
        std::size_t setupAt = 0;
        for (std::size_t n = 0; n < p.code.size(); ++n) {
            if (p.parsed[n]) {
                probes.push_back(p.parsed[n]->probe);
                numbers.push_back(p.parsed[n]->caseNumber);
            } else {
                if (setup.empty()) setupAt = probes.size();
                setup.push_back(p.code[n]);
            }
        }
        EXPECT_EQ(probes, expectedProbes(r.number, r.cases));
        std::vector<int> ordinal(static_cast<std::size_t>(r.cases));
        for (std::size_t n = 0; n < ordinal.size(); ++n)
            ordinal[n] = static_cast<int>(n) + 1;
        EXPECT_EQ(numbers, ordinal) << "case comments count the cases in order";
        if (r.cases == 32) {
            EXPECT_EQ(setup,
                      (std::vector<std::string>{"lui $t0, 0x8000", "ori $t1, $zero, 0x8000"}));
            EXPECT_EQ(setupAt, 26u) << "setup lines stand between probe 26 and probe 27";
        } else {
            EXPECT_TRUE(setup.empty());
        }
        for (std::size_t n = 0; n < p.code.size(); ++n)
            if (p.parsed[n]) {
                EXPECT_EQ(p.parsed[n]->mulDiv,
                          p.parsed[n]->caseNumber >= 27 && p.parsed[n]->caseNumber <= 30)
                    << p.code[n];
            }
    }
}

TEST(BranchSlot, CaseLengthsAndRoutineSize) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const ParsedUnit p = parse(r);
        const auto a = slot_test::assemble(p.unit.includes, p.code);
        ASSERT_TRUE(a);
        std::size_t words = 0;
        for (std::size_t n = 0; n < p.code.size(); ++n) {
            const int want = !p.parsed[n]          ? 1
                             : p.parsed[n]->mulDiv ? r.mulDivLength
                                                   : r.plainLength;
            EXPECT_EQ(static_cast<int>(a->size[n]), want) << p.code[n];
            words += a->size[n];
        }
        EXPECT_EQ(static_cast<int>(words), p.unit.bodyWords);
        const auto slot = casegen::linkSlot(p.unit.name());
        ASSERT_TRUE(slot);
        EXPECT_EQ(4 * (casegen::Unit::kFrameWords + words), slot->size);
    }
}

// Every case, step by step, on the assembled code: save, guards, the not-taken branch with P(W)
// in its slot, the reference, the taken branch with P(R) in its slot, b inst_error, check step.
TEST(BranchSlot, EveryCaseFollowsItsSteps) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const ParsedUnit p = parse(r);
        // Each probe alone, as it must stand in the slots and as reference.
        std::vector<std::string> extra;
        std::vector<std::size_t> extraAt(p.code.size());
        for (std::size_t n = 0; n < p.code.size(); ++n) {
            if (!p.parsed[n]) continue;
            const CaseLine& c = *p.parsed[n];
            extraAt[n] = p.code.size() + extra.size();
            if (c.mulDiv) {
                extra.push_back(c.probe);
            } else {
                extra.push_back(slot_test::withWork(c, c.work));
                extra.push_back(slot_test::withWork(c, regName(s6)));
                extra.push_back(slot_test::withWork(c, regName(static_cast<int>(r.result))));
            }
        }
        const auto a = slot_test::assemble(p.unit.includes, p.code, extra);
        ASSERT_TRUE(a);
        const auto word = [&](std::size_t i) { return Word{a->text.at(i)}; };
        const auto alone = [&](std::size_t extraIndex) {
            return a->text.at(a->start.at(extraIndex));
        };
        const auto toError = [&](std::size_t i, unsigned op, unsigned x, unsigned y) {
            const Word w = word(i);
            return w.op() == op && w.rs() == x && w.rt() == y &&
                   w.branchTarget(i) == a->instError && word(i + 1).isNop();
        };
        const auto mflo = [&](std::size_t i, unsigned rd) {
            return word(i).w == ((rd << 11) | 0x12);
        };
        const auto mtlo = [&](std::size_t i, unsigned rs) {
            return word(i).w == ((rs << 21) | 0x13);
        };

        for (std::size_t n = 0; n < p.code.size(); ++n) {
            if (!p.parsed[n]) continue;
            const CaseLine& c = *p.parsed[n];
            SCOPED_TRACE(p.code[n]);
            std::size_t k = a->start[n];
            const std::size_t end = k + a->size[n];
            if (r.links) {
                EXPECT_TRUE(word(k++).isMoveFrom(s7, ra)) << "saves ra in s7 first";
            }
            std::size_t g = k;
            while (g < end && !word(g).isBranch())
                ++g;
            auto loads = slot_test::constantLoads(a->text, k, g);
            std::vector<std::pair<unsigned, std::uint32_t>> guards;
            std::copy_if(loads.begin(), loads.end(), std::back_inserter(guards),
                         [](const auto& l) { return l.first != v0 && l.first != v1; });
            EXPECT_EQ(guards, r.guards) << "guard operands loaded in every case";
            EXPECT_EQ(static_cast<int>(loads.size() - guards.size()), c.mulDiv ? 2 : 0)
                << "LO read-backs cleared in the multiply/divide cases";
            k = g;

            const std::size_t untakenAt = k;
            EXPECT_TRUE(r.untaken.matches(word(k++))) << "the branch that falls through";
            const unsigned w = c.mulDiv ? 0 : regNumber(c.work);
            if (c.mulDiv) {
                EXPECT_EQ(word(k++).w, alone(extraAt[n])) << "P in the not-taken slot";
                EXPECT_TRUE(mflo(k++, v0)) << "LO read right after the slot";
                EXPECT_TRUE(mtlo(k++, a0)) << "then clobbered";
                EXPECT_EQ(word(k++).w, alone(extraAt[n])) << "reference P";
                EXPECT_TRUE(mflo(k++, s6));
                EXPECT_TRUE(toError(k, kBne, v0, s6)) << "not-taken slot's LO compared";
                k += 2;
                EXPECT_TRUE(mtlo(k++, a0)) << "LO clobbered before the taken branch";
            } else {
                EXPECT_EQ(word(k++).w, alone(extraAt[n])) << "P(W) in the not-taken slot";
                EXPECT_EQ(word(k++).w, alone(extraAt[n] + 1)) << "reference P(s6)";
                EXPECT_TRUE(toError(k, kBne, w, s6)) << "W compared with the reference";
                k += 2;
            }
            const std::size_t takenAt = k;
            EXPECT_TRUE(r.taken.matches(word(k++))) << "the branch that is taken";
            EXPECT_EQ(word(k++).w, alone(extraAt[n] + (c.mulDiv ? 0 : 2))) << "P(R) in its slot";
            const std::size_t fell = k;
            EXPECT_TRUE(toError(k, kBeq, zero, zero)) << "b inst_error after the taken branch";
            k += 2;
            const std::size_t check = k;
            EXPECT_EQ(word(untakenAt).branchTarget(untakenAt), fell);
            EXPECT_EQ(word(takenAt).branchTarget(takenAt), check);
            if (r.links) {
                EXPECT_TRUE(word(k++).isMoveFrom(ra, s7)) << "ra restored at the check";
            }
            if (c.mulDiv) {
                EXPECT_TRUE(mflo(k++, v1));
                EXPECT_TRUE(toError(k, kBne, v1, s6)) << "taken slot's LO compared";
            } else {
                EXPECT_TRUE(toError(k, kBne, r.result, s6)) << "R compared with the reference";
            }
            k += 2;
            EXPECT_EQ(k, end) << "nothing after the check step";
        }
    }
}

// No case writes the run-wide registers or at; ra only in the link routines (by the branches and
// the restore), where s7 is written by the save alone; every branch stays in its case or goes to
// inst_error with a nop in its slot.
TEST(BranchSlot, RegistersAndBranchesStayWithinTheirCase) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const ParsedUnit p = parse(r);
        const auto a = slot_test::assemble(p.unit.includes, p.code);
        ASSERT_TRUE(a);
        for (std::size_t n = 0; n < p.code.size(); ++n) {
            SCOPED_TRACE(p.code[n]);
            const std::size_t from = a->start[n], to = from + a->size[n];
            for (std::size_t i = from; i < to; ++i) {
                const Word w{a->text[i]};
                if (const auto d = w.written()) {
                    EXPECT_FALSE(*d >= s0 && *d <= s3) << "writes a run-wide register";
                    EXPECT_NE(*d, unsigned{at});
                    if (*d == ra) {
                        EXPECT_TRUE(r.links && (w.isRegimm() || w.isMoveFrom(ra, s7)));
                    }
                    if (*d == s7 && r.links) {
                        EXPECT_TRUE(w.isMoveFrom(s7, ra));
                    }
                }
                if (w.isBranch()) {
                    const std::size_t t = w.branchTarget(i);
                    EXPECT_TRUE(t == a->instError || (t > i && t <= to)) << "target " << t;
                    if (t == a->instError) {
                        EXPECT_TRUE(Word{a->text[i + 1]}.isNop());
                    }
                }
                EXPECT_FALSE(w.isJumpImmediate() || w.isJumpRegister());
            }
        }
    }
}

// The guard a0 is also what LO is clobbered with: in every multiply/divide case its value must
// differ from every LO the multiply and divide probes leave.
TEST(BranchSlot, LoClobberDiffersFromEveryExpectedLo) {
    std::vector<std::uint32_t> expectedLo;
    for (int probe = 27; probe <= 30; ++probe)
        expectedLo.push_back(slot_test::probeResult(probe, 0, 0, 0));
    for (const auto& r : routines()) {
        if (r.mulDivLength == 0) continue;
        SCOPED_TRACE(r.number);
        const ParsedUnit p = parse(r);
        const auto a = slot_test::assemble(p.unit.includes, p.code);
        ASSERT_TRUE(a);
        int checked = 0;
        for (std::size_t n = 0; n < p.code.size(); ++n) {
            if (!p.parsed[n] || !p.parsed[n]->mulDiv) continue;
            std::size_t g = a->start[n];
            while (!Word{a->text.at(g)}.isBranch())
                ++g;
            const auto loads = slot_test::constantLoads(a->text, a->start[n], g);
            const auto clobber = std::find_if(loads.begin(), loads.end(),
                                              [](const auto& l) { return l.first == a0; });
            ASSERT_NE(clobber, loads.end()) << p.code[n];
            EXPECT_EQ(std::count(expectedLo.begin(), expectedLo.end(), clobber->second), 0)
                << p.code[n];
            ++checked;
        }
        EXPECT_EQ(checked, 4);
    }
}

// The generator's model of the probe chain reproduces the probe list's results for the first and
// the last pass count a routine can meet.
TEST(BranchSlot, ChainModelGivesTheListedResults) {
    for (const auto& r : routines()) {
        CaseModel model;
        model.order = CaseModel::Order::Branches;
        for (const auto& g : r.guards)
            model.guards.emplace_back(static_cast<int>(g.first), g.second);
        model.result = static_cast<int>(r.result);
        model.links = r.links;
        model.loClobber = a0;
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
                    EXPECT_EQ(m.lo(), slot_test::probeResult(probe, n, passed, t0)) << probe;
                    EXPECT_EQ(m.hi(), slot_test::probeHi(probe)) << probe;
                } else {
                    EXPECT_EQ(m.get(line.probe.dest), slot_test::probeResult(probe, n, passed, t0))
                        << probe;
                }
            }
            const ChainOutcome& o = m.outcome();
            EXPECT_TRUE(o.agrees);
            EXPECT_FALSE(o.traps);
            EXPECT_FALSE(o.readsUnset);
            EXPECT_FALSE(o.readsUnwritten);
            EXPECT_EQ(o.dataWords,
                      (std::set<std::uint32_t>{r.number == 17 ? 0x80020120u : 0x80018ee0u}));
        }
    }
}

// The model's flags are what the report's properties rest on: each must catch its defect.
TEST(BranchSlot, ChainModelCatchesBrokenProbeLists) {
    CaseModel model;
    model.guards = {{s5, 1}};
    const Probe base{Op::Lui, t0, zero, zero, 0x8002};
    struct Broken {
        const char* what;
        std::vector<SlotLine> lines;
        bool ChainOutcome::*flag;
        bool expected;
    };
    const std::vector<Broken> table{
        {"load before any store",
         {{base, 1}, {{Op::Lw, t2, t0, zero, -0x7120}, 2}},
         &ChainOutcome::readsUnwritten,
         true},
        {"add overflows",
         {{{Op::Lui, t0, zero, zero, 0x7fff}, 1}, {{Op::Add, t2, t0, t0}, 2}},
         &ChainOutcome::traps,
         true},
        {"divide by zero", {{{Op::Div, zero, t0, zero}, 1}}, &ChainOutcome::traps, true},
        {"reads a register nothing set",
         {{{Op::Addu, t3, t1, t2}, 1}},
         &ChainOutcome::readsUnset,
         true},
        {"probe reads its own result",
         {{base, 1}, {{Op::Addiu, t0, t0, zero, 1}, 2}},
         &ChainOutcome::agrees,
         false},
        {"a sound pair",
         {{base, 1}, {{Op::Addiu, t1, t0, zero, 1}, 2}},
         &ChainOutcome::agrees,
         true},
    };
    for (const auto& b : table) {
        SCOPED_TRACE(b.what);
        EXPECT_EQ(runChain(b.lines, model, 16, 15).*b.flag, b.expected);
    }
    const std::vector<SlotLine> twoWords{
        {base, 1}, {{Op::Sw, t0, t0, zero, -0x7120}, 2}, {{Op::Sw, t0, t0, zero, 0x120}, 3}};
    EXPECT_EQ(runChain(twoWords, model, 16, 15).dataWords.size(), 2u);
}

TEST(BranchSlot, LinkRoutinesReportThroughS7) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const std::string text = casegen::renderUnit(slot_test::buildNumbered(r.number));
        const std::string last = text.substr(text.rfind('\t', text.size() - 2) + 1);
        EXPECT_EQ(last, r.links ? "routine_end $s7\n" : "routine_end\n");
    }
}

TEST(BranchSlot, SameTextEveryBuildAndAsCommitted) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const casegen::Unit u = slot_test::buildNumbered(r.number);
        const std::string text = casegen::renderUnit(u);
        EXPECT_EQ(text, casegen::renderUnit(slot_test::buildNumbered(r.number)));
        EXPECT_EQ(text, slot_test::readAll(std::string(CORETEST_SOURCE_DIR) + "/rom/inst/" +
                                           u.fileName()));
    }
}

} // namespace
