// The jump delay-slot routines as the generator writes them: probe variants, case counts and
// lengths, the steps of every assembled case (target = check step, P(W) in the slot), the
// registers no case may write, the probe chain on the generator's model, the report block.
#include <gtest/gtest.h>

#include <algorithm>

#include "slot_chain.h"
#include "slot_probes.h"
#include "slot_test_support.h"

namespace {

using namespace casegen::slot;
using slot_test::CaseLine;
using slot_test::Word;

enum class Jump { J, Jal, Jr, Jalr };

struct JumpRoutine {
    int number;
    std::string macro;
    Jump jump;
    int cases;
    int plainLength;
    int mulDivLength; // 0: no multiply/divide cases
    unsigned jumpReg; // zero for j and jal
    std::uint32_t dataWord;
    bool writesT0;
    std::vector<std::string> firstProbes; // probes 1-8 as written
};

bool links(const JumpRoutine& r) {
    return r.jump == Jump::Jal || r.jump == Jump::Jalr;
}

const std::vector<JumpRoutine>& routines() {
    static const std::vector<JumpRoutine> kTable{
        {18,
         "j_slot",
         Jump::J,
         26,
         7,
         0,
         zero,
         0x80027120,
         true,
         {"lui $t0, 0x8002", "addiu $t1, $t0, -0x7edd", "sw $t1, 0x7120($t0)",
          "lw $t2, 0x7120($t0)", "addu $t3, $t1, $t2", "or $t9, $s1, $s2", "slt $t8, $s2, $s3",
          "slti $t7, $s2, -0x7fef"}},
        {19,
         "jal_slot",
         Jump::Jal,
         26,
         9,
         0,
         zero,
         0x80019ee0,
         false,
         {"lui $a3, 0x8002", "addiu $a2, $a3, -0x7edd", "sw $a2, -0x6120($a3)",
          "lw $a1, -0x6120($a3)", "addu $a0, $a2, $a1", "or $t4, $s1, $s2", "slt $t5, $s2, $s3",
          "slti $t6, $s2, -0x7fef"}},
        {20,
         "jr_slot",
         Jump::Jr,
         26,
         9,
         0,
         s5,
         0x80018ee0,
         true,
         {"lui $t0, 0x8002", "addiu $t1, $t0, -0x7edd", "sw $t1, -0x7120($t0)",
          "lw $t2, -0x7120($t0)", "addu $t3, $t1, $t2", "or $t4, $s1, $s2", "slt $t5, $s2, $s3",
          "slti $t6, $s2, -0x7fef"}},
        {58,
         "jalr_slot",
         Jump::Jalr,
         32,
         11,
         16,
         a0,
         0x80018ee0,
         true,
         {"lui $t0, 0x8002", "addiu $t1, $t0, -0x7edd", "sw $t1, -0x7120($t0)",
          "lw $t2, -0x7120($t0)", "addu $t3, $t1, $t2", "or $t4, $s1, $s2", "slt $t5, $s2, $s3",
          "slti $t6, $s2, -0x7fef"}},
    };
    return kTable;
}

// Probes 9 onwards are the same in every jump routine.
const std::vector<std::string> kLaterProbes{
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

unsigned regNumber(const std::string& name) {
    for (int r = 0; r < 32; ++r)
        if (regName(r) == name) return static_cast<unsigned>(r);
    ADD_FAILURE() << "no register " << name;
    return 0;
}

bool isTheJump(const JumpRoutine& r, Word w) {
    switch (r.jump) {
    case Jump::J: return w.op() == 2;
    case Jump::Jal: return w.op() == 3;
    case Jump::Jr: return w.op() == 0 && w.funct() == 8 && w.rs() == r.jumpReg;
    case Jump::Jalr: return w.op() == 0 && w.funct() == 9 && w.rs() == r.jumpReg && w.rd() == ra;
    }
    return false;
}

struct ParsedUnit {
    casegen::Unit unit;
    std::vector<std::string> code;
    std::vector<std::optional<CaseLine>> parsed;
};

ParsedUnit parse(const JumpRoutine& r) {
    ParsedUnit p{slot_test::buildNumbered(r.number), {}, {}};
    p.code = slot_test::codeLines(p.unit);
    for (const auto& l : p.code)
        p.parsed.push_back(slot_test::parseCaseLine(l, r.macro));
    return p;
}

TEST(JumpSlot, ProbeVariantsAndSetupLinesAsWritten) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const ParsedUnit p = parse(r);
        std::vector<std::string> probes, setup;
        for (std::size_t n = 0; n < p.code.size(); ++n) {
            if (p.parsed[n])
                probes.push_back(p.parsed[n]->probe);
            else {
                EXPECT_EQ(probes.size(), 26u) << "setup lines stand between probe 26 and 27";
                setup.push_back(p.code[n]);
            }
        }
        std::vector<std::string> want = r.firstProbes;
        want.insert(want.end(), kLaterProbes.begin(),
                    kLaterProbes.begin() + (r.cases - static_cast<int>(r.firstProbes.size())));
        EXPECT_EQ(probes, want);
        const std::vector<std::string> setupLines{"lui $t0, 0x8000", "ori $t1, $zero, 0x8000"};
        EXPECT_EQ(setup, r.cases == 32 ? setupLines : std::vector<std::string>{});
    }
}

TEST(JumpSlot, CaseLengthsAndRoutineSize) {
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

// Every case on the assembled code: save, jump-register load of the check step's address, the
// reference, the jump with P(W) in its slot landing on the check step, b inst_error, the check.
TEST(JumpSlot, EveryCaseFollowsItsSteps) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const ParsedUnit p = parse(r);
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
            }
        }
        const auto a = slot_test::assemble(p.unit.includes, p.code, extra);
        ASSERT_TRUE(a);
        const auto word = [&](std::size_t i) { return Word{a->text.at(i)}; };
        const auto alone = [&](std::size_t e) { return a->text.at(a->start.at(e)); };
        const auto toError = [&](std::size_t i, unsigned op, unsigned x, unsigned y) {
            const Word w = word(i);
            return w.op() == op && w.rs() == x && w.rt() == y &&
                   w.branchTarget(i) == a->instError && word(i + 1).isNop();
        };
        const auto isClear = [&](std::size_t i, unsigned rd) {
            return word(i).w == ((9u << 26) | (rd << 16)); // addiu rd, zero, 0
        };

        for (std::size_t n = 0; n < p.code.size(); ++n) {
            if (!p.parsed[n]) continue;
            const CaseLine& c = *p.parsed[n];
            SCOPED_TRACE(p.code[n]);
            std::size_t k = a->start[n];
            const std::size_t end = k + a->size[n];
            if (links(r)) {
                EXPECT_TRUE(word(k++).isMoveFrom(s7, ra)) << "saves ra in s7 first";
            }
            std::uint32_t loaded = 0;
            if (r.jumpReg != zero) {
                EXPECT_EQ(word(k).op(), 0x0fu) << "lui of the check step's upper half";
                EXPECT_EQ(word(k + 1).op(), 0x09u) << "addiu of its lower half";
                const auto loads = slot_test::constantLoads(a->text, k, k + 2);
                ASSERT_EQ(loads.size(), 1u);
                EXPECT_EQ(loads[0].first, r.jumpReg);
                loaded = loads[0].second;
                k += 2;
            }
            if (c.mulDiv) {
                EXPECT_TRUE(isClear(k, v0) && isClear(k + 1, v1)) << "read-backs cleared";
                k += 2;
                EXPECT_EQ(word(k++).w, alone(extraAt[n])) << "reference P";
                EXPECT_EQ(word(k++).w, (unsigned{s6} << 11) | 0x12) << "mflo s6";
                EXPECT_EQ(word(k++).w, (r.jumpReg << 21) | 0x13) << "mtlo: LO clobbered at once";
            } else {
                EXPECT_EQ(word(k++).w, alone(extraAt[n] + 1)) << "reference P(s6)";
            }
            const std::size_t jumpAt = k;
            EXPECT_TRUE(isTheJump(r, word(k++))) << "the jump under test";
            EXPECT_EQ(word(k++).w, alone(extraAt[n])) << "P(W) in the jump's slot";
            EXPECT_TRUE(toError(k, 4, zero, zero)) << "b inst_error when the jump falls through";
            k += 2;
            const std::size_t check = k;
            if (r.jumpReg != zero) {
                EXPECT_EQ(loaded, 4 * check) << "jump register = check step";
            } else
                EXPECT_EQ(word(jumpAt).w & 0x03ffffff, check) << "jump target = check step";
            if (links(r)) {
                EXPECT_TRUE(word(k++).isMoveFrom(ra, s7)) << "ra restored at the check";
            }
            if (c.mulDiv) {
                EXPECT_EQ(word(k++).w, (unsigned{v1} << 11) | 0x12) << "mflo v1";
                EXPECT_TRUE(toError(k, 5, v1, s6)) << "slot's LO compared";
            } else {
                EXPECT_TRUE(toError(k, 5, regNumber(c.work), s6)) << "W compared";
            }
            k += 2;
            EXPECT_EQ(k, end) << "nothing after the check step";
        }
    }
}

TEST(JumpSlot, RegistersAndBranchesStayWithinTheirCase) {
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
                        EXPECT_TRUE(links(r) && (isTheJump(r, w) || w.isMoveFrom(ra, s7)));
                    }
                    if (*d == s7 && links(r)) {
                        EXPECT_TRUE(w.isMoveFrom(s7, ra));
                    }
                }
                if (w.isBranch()) {
                    const std::size_t t = w.branchTarget(i);
                    EXPECT_EQ(t, a->instError) << "the only branches go to inst_error";
                    EXPECT_TRUE(Word{a->text[i + 1]}.isNop());
                }
                if (w.isJumpImmediate()) {
                    const std::size_t t = w.w & 0x03ffffff;
                    EXPECT_TRUE(t > i && t < to) << "jump stays inside its case";
                }
            }
        }
    }
}

TEST(JumpSlot, ChainModelGivesTheListedResults) {
    for (const auto& r : routines()) {
        CaseModel model;
        model.order = CaseModel::Order::Jump;
        model.links = links(r);
        model.jumpReg = static_cast<int>(r.jumpReg);
        model.loClobber = static_cast<int>(r.jumpReg);
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
                if (isMulDiv(line.probe)) {
                    EXPECT_EQ(m.lo(), slot_test::probeResult(line.number, n, passed, t0));
                    EXPECT_EQ(m.hi(), slot_test::probeHi(line.number));
                } else {
                    const std::uint32_t want = slot_test::probeResult(line.number, n, passed, t0);
                    EXPECT_EQ(m.get(line.probe.dest), want) << line.number;
                }
            }
            const ChainOutcome& o = m.outcome();
            EXPECT_TRUE(o.agrees);
            EXPECT_FALSE(o.traps);
            EXPECT_FALSE(o.readsUnset);
            EXPECT_FALSE(o.readsUnwritten);
            EXPECT_EQ(o.dataWords, (std::set<std::uint32_t>{r.dataWord}));
            for (const std::uint32_t lo : o.expectedLo)
                EXPECT_FALSE(lo >= kRomBase && lo < kRomEnd)
                    << "an expected LO could equal the check-step address that clobbers LO";
        }
    }
}

TEST(JumpSlot, LinkingJumpsReportThroughS7) {
    for (const auto& r : routines()) {
        SCOPED_TRACE(r.number);
        const std::string text = casegen::renderUnit(slot_test::buildNumbered(r.number));
        const std::string last = text.substr(text.rfind('\t', text.size() - 2) + 1);
        EXPECT_EQ(last, links(r) ? "routine_end $s7\n" : "routine_end\n");
    }
}

TEST(JumpSlot, SameTextEveryBuildAndAsCommitted) {
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
