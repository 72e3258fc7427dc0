// The upper-immediate routine as generated: its groups and immediates, and, run through a model of
// the case sequence, the case at which each lui fault first shows.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "alu_support.h"
#include "unit.h"

namespace {

using namespace alutest;
using U = std::uint32_t;

struct LuiCase {
    int number;
    unsigned imm, base;
};

std::vector<LuiCase> luiCases() {
    return casesOf(unitNamed("n1_lui"), 2, [](const CaseLine& c) {
        EXPECT_EQ(c.macro, "lui_case");
        return LuiCase{c.number, num(c.args[0]), num(c.args[1])};
    });
}

TEST(LuiUnit, TwelveGroupsOfSixteenConsecutiveImmediates) {
    const unsigned bases[] = {0x0000, 0x1010, 0x2020, 0x3030, 0x4040, 0x5040,
                              0x6050, 0x8060, 0xa070, 0xc080, 0xe090, 0xf0a0};
    const auto cases = luiCases();
    ASSERT_EQ(cases.size(), 192u);
    for (std::size_t k = 0; k < cases.size(); ++k) {
        EXPECT_EQ(cases[k].number, int(k) + 1);
        EXPECT_EQ(cases[k].base, bases[k / 16]);
        EXPECT_EQ(cases[k].imm, bases[k / 16] + k % 16);
        EXPECT_LE(cases[k].imm, 0xffffu);
    }
}

TEST(LuiUnit, BodyIsStepGroupClearsAndCasesInOrder) {
    const auto u = unitNamed("n1_lui");
    std::vector<std::string> code;
    for (const auto& line : u.lines)
        if (!line.empty() && line.front() != '#') code.push_back(line.substr(0, line.find(' ')));
    ASSERT_EQ(code.size(), 1u + 12 * 17);
    EXPECT_EQ(code[0], "lui_step");
    for (int g = 0; g < 12; ++g) {
        EXPECT_EQ(code[1 + 17 * g], "lui_group") << g;
        for (int i = 1; i <= 16; ++i)
            EXPECT_EQ(code[1 + 17 * g + i], "lui_case");
    }
    gen_test::expectRoutineSize(u, 1 + 12 + 192 * 6);
}

// Runs the routine's case sequence with `lui` replaced for the base and the tested immediate
// (the step is loaded before the cases); returns the first failing case, 0 when all pass.
int firstFailure(const std::function<U(unsigned)>& lui) {
    const U step = 0x10000;
    U offset = 0;
    unsigned base = ~0u;
    for (const auto& c : luiCases()) {
        if (c.base != base) {
            base = c.base;
            offset = 0;
        }
        const U expected = lui(c.base) + offset;
        const U tested = lui(c.imm);
        offset += step;
        if (tested != expected) return c.number;
    }
    return 0;
}

TEST(LuiUnit, CorrectLuiPassesEveryCase) {
    EXPECT_EQ(firstFailure([](unsigned imm) { return U(imm) << 16; }), 0);
}

TEST(LuiUnit, LowHalfOrWrongShiftFailsTheSecondCase) {
    EXPECT_EQ(firstFailure([](unsigned imm) { return U(imm); }), 2);
    for (int shift = 0; shift < 32; ++shift) {
        if (shift == 16) continue;
        EXPECT_EQ(firstFailure([shift](unsigned imm) { return U(imm) << shift; }), 2) << shift;
    }
}

TEST(LuiUnit, ForcedImmediateBitFailsWherePowerOfTwoOrPasses) {
    for (int bit = 0; bit < 16; ++bit) {
        for (bool value : {false, true}) {
            const auto forced = [bit, value](unsigned imm) {
                const unsigned m = 1u << bit;
                return U(value ? imm | m : imm & ~m) << 16;
            };
            // Bits 0..3 fail the case of group 1 whose i is 2^bit; the others never show.
            EXPECT_EQ(firstFailure(forced), bit < 4 ? (1 << bit) + 1 : 0)
                << "bit " << bit << " forced to " << value;
        }
    }
}

TEST(LuiUnit, TemplateAssemblesToTheStatedSequence) {
    const auto w = assemble("\t.include \"lui.inc\"\n",
                            "\tlui_step\n\tlui_group\n\tlui_case 0x1011, 0x1010\n");
    ASSERT_EQ(w.size(), 8u);
    EXPECT_EQ(w[0], (kLui << 26) | (kT2 << 16) | 1u);      // lui t2, 1
    EXPECT_EQ(w[1], (kAddiu << 26) | (kT1 << 16));         // addiu t1, zero, 0
    EXPECT_EQ(w[2], (kLui << 26) | (kA0 << 16) | 0x1010u); // lui a0, base
    EXPECT_EQ(w[3], (kLui << 26) | (kT0 << 16) | 0x1011u); // lui t0, imm
    const auto addu = [](unsigned d, unsigned s, unsigned t) {
        return s << 21 | t << 16 | d << 11 | 0x21u;
    };
    EXPECT_EQ(w[4], addu(kA0, kA0, kT1));
    EXPECT_EQ(w[5], addu(kT1, kT1, kT2));
    EXPECT_EQ(opcode(w[6]), kBne);
    EXPECT_EQ(rsOf(w[6]), kT0);
    EXPECT_EQ(rtOf(w[6]), kA0);
    EXPECT_EQ(w[7], 0u);
}

} // namespace
