// Immediate arithmetic, logic and compare routines: every case loads rs into t0 and the expected
// rt into v1, runs `op v0, t0, imm` and compares v0 with v1. The case lists are built around how
// each instruction widens its immediate, so that the wrong extension fails where it should.
#include <fmt/format.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "../alu_layout.h"
#include "../alu_semantics.h"
#include "../families.h"
#include "../operand.h"

namespace casegen {
namespace {

using namespace alu;
using U = std::uint32_t;
using Imm = std::uint16_t;
using CaseTest = bool (*)(U rs, Imm imm);

enum class Block { General, SecondZero, FirstZero, AllZero };

// One part of a block: `count` cases whose register operand and immediate satisfy `matches`.
struct Category {
    const char* name;
    int count;
    CaseTest matches;
    std::pair<U, Imm> (*construct)(Rng&) = nullptr; // a candidate where random draws seldom match
};

// A case whose values are fixed; `index` is 1-based within its block.
struct Telling {
    Block block;
    int index;
    U operand;
    Imm imm;
};

// A counted property: `target` cases of `block` satisfy `holds` (every block when `block` is
// empty).
struct Count {
    const char* what;
    std::optional<Block> block;
    int target;
    bool (*holds)(ImmOp op, U rs, Imm imm);
};

struct Routine {
    std::string_view mnemonic;
    ImmOp op;
    int general, secondZero, firstZero;
    std::vector<Category> generalCategories;
    std::vector<Category> firstZeroCategories{}; // empty: immediates as drawn
    std::vector<Telling> telling{};
    std::vector<Count> counts{};
    // Case numbers (within the general or first-zero block) and the categories allowed there.
    std::vector<std::pair<int, unsigned>> generalRestricted{};
    std::vector<std::pair<int, unsigned>> firstZeroRestricted{};
};

struct Case {
    Block block;
    U operand;
    Imm imm;
    U expected;
};

bool bit15(Imm imm) {
    return (imm & 0x8000) != 0;
}
bool bit15Set(U, Imm imm) {
    return bit15(imm);
}
bool bit15Clear(U, Imm imm) {
    return !bit15(imm);
}

// Immediates that no case uses: they sit on the edges where a fault could hide behind them.
bool bannedImmediate(Imm imm) {
    return imm == 0x0001 || imm == 0x7fff || imm == 0x8000 || imm == 0xffff;
}

// A non-zero immediate, odd about one time in four, with evenly spread upper bits.
Imm drawImmediate(Rng& rng) {
    for (;;) {
        Imm v = static_cast<Imm>(rng.next32() >> 16);
        v = rng.chance(1, 4) ? Imm(v | 1) : Imm(v & ~1);
        if (v != 0 && !bannedImmediate(v)) return v;
    }
}

// An andi case whose result is 0: the immediate only has bits that rs lacks in its lower half.
std::pair<U, Imm> andiZeroPair(Rng& rng) {
    const U rs = drawFullWidth(rng);
    return {rs, static_cast<Imm>(drawImmediate(rng) & ~rs)};
}
std::pair<U, Imm> andiZeroPairBit15(Rng& rng) {
    const U rs = drawFullWidth(rng) & ~0x8000u;
    return {rs, static_cast<Imm>((drawImmediate(rng) & ~rs) | 0x8000)};
}

U result(ImmOp op, U rs, Imm imm) {
    return evalImm(op, rs, imm);
}

// What a core that sign-extends instead of zero-extending, or the reverse, would get wrong.
bool otherExtensionChanges(ImmOp op, U rs, Imm imm) {
    return evalImm(op, rs, imm) != evalImmWrongExtension(op, rs, imm);
}
bool sumOverflows(ImmOp, U rs, Imm imm) {
    return addOverflows(rs, signExtend(imm));
}
bool expectsOne(ImmOp op, U rs, Imm imm) {
    return result(op, rs, imm) == 1;
}
bool expectsZero(ImmOp op, U rs, Imm imm) {
    return result(op, rs, imm) == 0;
}

std::vector<Routine> routines() {
    const std::vector<Category> halves = {{"bit 15 clear", 25, bit15Clear},
                                          {"bit 15 set", 25, bit15Set}};
    return {
        {.mnemonic = "addiu",
         .op = ImmOp::Addiu,
         .general = 107,
         .secondZero = 12,
         .firstZero = 3,
         .generalCategories = {{"bit 15 set", 55, bit15Set}, {"bit 15 clear", 52, bit15Clear}},
         .telling = {{Block::General, 1, 0xfb263d10, 0xec96},
                     {Block::SecondZero, 1, 0x750b7770, 0},
                     {Block::FirstZero, 1, 0, 0x04a0},
                     {Block::FirstZero, 2, 0, 0xd6d9},
                     {Block::FirstZero, 3, 0, 0xcdc8}},
         .counts = {{"cases the other extension changes", {}, 57, otherExtensionChanges},
                    {"cases whose signed sum overflows", {}, 0, sumOverflows}}},
        {.mnemonic = "slti",
         .op = ImmOp::Slti,
         .general = 200,
         .secondZero = 50,
         .firstZero = 50,
         .generalCategories = {{"negative, bit 15 set", 56,
                                [](U rs, Imm imm) { return isNegative(rs) && bit15(imm); }},
                               {"negative, bit 15 clear", 56,
                                [](U rs, Imm imm) { return isNegative(rs) && !bit15(imm); }},
                               {"positive, bit 15 set", 44,
                                [](U rs, Imm imm) { return !isNegative(rs) && bit15(imm); }},
                               {"positive, bit 15 clear", 44,
                                [](U rs, Imm imm) { return !isNegative(rs) && !bit15(imm); }}},
         .firstZeroCategories = halves,
         .telling = {{Block::General, 1, 0xd9d129b5, 0x0988},
                     {Block::FirstZero, 1, 0, 0x7ef6},
                     {Block::FirstZero, 3, 0, 0xcac4}},
         .counts = {{"cases the other extension changes", {}, 25, otherExtensionChanges},
                    {"general cases expecting 1", Block::General, 112, expectsOne},
                    {"first-zero cases expecting 1", Block::FirstZero, 25, expectsOne}},
         // A zero-extending slti must first go wrong at the third first-zero case.
         .firstZeroRestricted = {{2, 0b01}}},
        {.mnemonic = "sltiu",
         .op = ImmOp::Sltiu,
         .general = 200,
         .secondZero = 50,
         .firstZero = 50,
         .generalCategories = {{"bit 15 set, negative", 47,
                                [](U rs, Imm imm) { return bit15(imm) && isNegative(rs); }},
                               {"bit 15 set, positive", 47,
                                [](U rs, Imm imm) { return bit15(imm) && !isNegative(rs); }},
                               {"bit 15 clear, negative", 53,
                                [](U rs, Imm imm) { return !bit15(imm) && isNegative(rs); }},
                               {"bit 15 clear, positive", 53,
                                [](U rs, Imm imm) { return !bit15(imm) && !isNegative(rs); }}},
         .firstZeroCategories = halves,
         .telling = {{Block::General, 1, 0xc254e3d8, 0xf469},
                     {Block::General, 2, 0x7a56334c, 0x02f5},
                     {Block::General, 7, 0x977b0d34, 0x1280},
                     {Block::FirstZero, 1, 0, 0xb625}},
         .counts = {{"cases the other extension changes", {}, 94, otherExtensionChanges},
                    {"general cases expecting 1", Block::General, 94, expectsOne}},
         // A signed compare must first go wrong at case 7: cases 3 to 6 give the same result
         // signed and unsigned (negative operand exactly when bit 15 is set).
         .generalRestricted = {{3, 0b1001}, {4, 0b1001}, {5, 0b1001}, {6, 0b1001}}},
        {.mnemonic = "addi",
         .op = ImmOp::Addi,
         .general = 200,
         .secondZero = 50,
         .firstZero = 50,
         .generalCategories = {{"bit 15 set", 98, bit15Set}, {"bit 15 clear", 102, bit15Clear}},
         .firstZeroCategories = halves,
         .telling = {{Block::General, 1, 0x0151e5c0, 0xb945}, {Block::FirstZero, 1, 0, 0xaf9a}},
         .counts = {{"cases the other extension changes", {}, 123, otherExtensionChanges},
                    {"cases whose signed sum overflows", {}, 0, sumOverflows}}},
        {.mnemonic = "andi",
         .op = ImmOp::Andi,
         .general = 200,
         .secondZero = 50,
         .firstZero = 50,
         .generalCategories =
             {{"bit 15 set", 102, [](U rs, Imm imm) { return bit15(imm) && (rs & imm) != 0; }},
              {"bit 15 set, result 0", 4,
               [](U rs, Imm imm) { return bit15(imm) && (rs & imm) == 0; }, andiZeroPairBit15},
              {"bit 15 clear", 91, [](U rs, Imm imm) { return !bit15(imm) && (rs & imm) != 0; }},
              {"bit 15 clear, result 0", 3,
               [](U rs, Imm imm) { return !bit15(imm) && (rs & imm) == 0; }, andiZeroPair}},
         .firstZeroCategories = halves,
         .telling = {{Block::General, 1, 0x4c23cdd4, 0x5e89},
                     {Block::General, 3, 0xea42f8c0, 0x8d3e}},
         .counts = {{"cases the other extension changes", {}, 106, otherExtensionChanges},
                    {"general cases expecting 0", Block::General, 7, expectsZero}},
         // A sign-extending andi must first go wrong at case 3: case 2 has bit 15 clear.
         .generalRestricted = {{2, 0b1100}}},
        {.mnemonic = "ori",
         .op = ImmOp::Ori,
         .general = 200,
         .secondZero = 50,
         .firstZero = 50,
         .generalCategories = {{"bit 15 set", 109, bit15Set}, {"bit 15 clear", 91, bit15Clear}},
         .firstZeroCategories = halves,
         .telling = {{Block::General, 1, 0x0d48918a, 0x7fe6},
                     {Block::General, 2, 0x891d17a0, 0xb034},
                     {Block::FirstZero, 1, 0, 0xbde4}},
         .counts = {{"cases the other extension changes", {}, 134, otherExtensionChanges}}},
        {.mnemonic = "xori",
         .op = ImmOp::Xori,
         .general = 200,
         .secondZero = 50,
         .firstZero = 50,
         .generalCategories = {{"bit 15 set", 99, bit15Set}, {"bit 15 clear", 101, bit15Clear}},
         .firstZeroCategories = halves,
         .telling = {{Block::General, 1, 0x4406a500, 0x14bf},
                     {Block::General, 2, 0xb5f52460, 0xbabe},
                     {Block::FirstZero, 2, 0, 0xd098}},
         .counts = {{"cases the other extension changes", {}, 124, otherExtensionChanges}}},
    };
}

const Routine& routineFor(std::string_view mnemonic) {
    static const std::vector<Routine> table = routines();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const Routine& r) { return r.mnemonic == mnemonic; });
    if (it == table.end()) throw std::logic_error("no immediate routine of that name");
    return *it;
}

int blockStart(const Routine& r, Block block) {
    switch (block) {
    case Block::General: return 0;
    case Block::SecondZero: return r.general;
    case Block::FirstZero: return r.general + r.secondZero;
    case Block::AllZero: return r.general + r.secondZero + r.firstZero;
    }
    return 0;
}

// Whether a general case may stand in the routine at all: the sums never overflow, and no
// expected value that takes two instructions elsewhere slips into one by chance (the routine
// sizes count on it).
bool generalCaseFits(const Routine& r, U rs, Imm imm) {
    if ((r.op == ImmOp::Addiu || r.op == ImmOp::Addi) && addOverflows(rs, signExtend(imm)))
        return false;
    const U expected = result(r.op, rs, imm);
    switch (r.op) {
    case ImmOp::Addiu:
    case ImmOp::Addi:
    case ImmOp::Ori:
    case ImmOp::Xori: return loadWords(expected) == 2;
    default: return true;
    }
}

struct Built {
    std::vector<Case> cases;
    std::vector<int> tellingAt;
};

// Places one block's categories, then draws a case for every position that no telling case holds.
template <class Draw>
void fillBlock(Rng& rng, Block block, int size, const std::vector<Category>& categories,
               const std::vector<std::pair<int, unsigned>>& restricted,
               const std::vector<const Telling*>& telling, Draw draw, std::vector<Case>& out,
               ImmOp op) {
    std::vector<int> label(size, -1);
    if (!categories.empty()) {
        std::vector<int> counts;
        for (const auto& c : categories)
            counts.push_back(c.count);
        std::vector<std::pair<int, int>> pinned;
        for (int i = 0; i < size; ++i) {
            if (!telling[i]) continue;
            const auto match = std::find_if(categories.begin(), categories.end(), [&](auto& c) {
                return c.matches(telling[i]->operand, telling[i]->imm);
            });
            if (match == categories.end()) throw std::logic_error("telling case fits no category");
            pinned.emplace_back(i, static_cast<int>(match - categories.begin()));
        }
        label = layoutCategories(rng, counts, pinned, [&](int pos, int category) {
            for (const auto& [caseNumber, mask] : restricted)
                if (pos == caseNumber - 1) return ((mask >> category) & 1) != 0;
            return true;
        });
    }
    for (int i = 0; i < size; ++i) {
        const auto [rs, imm] = telling[i] ? std::pair{telling[i]->operand, telling[i]->imm}
                                          : draw(label[i] < 0 ? nullptr : &categories[label[i]]);
        out.push_back({block, rs, imm, result(op, rs, imm)});
    }
}

Built buildCases(const Routine& r, int number) {
    Rng rng = rngFor(number);
    UsedValues used;
    for (const auto& t : r.telling)
        used.take(t.operand);
    const int total = r.general + r.secondZero + r.firstZero + 1;
    std::vector<const Telling*> at(total, nullptr);
    Built out;
    for (const auto& t : r.telling) {
        const int pos = blockStart(r, t.block) + t.index - 1;
        at[pos] = &t;
        out.tellingAt.push_back(pos);
    }
    const auto slice = [&](Block block, int size) {
        const int start = blockStart(r, block);
        return std::vector<const Telling*>(at.begin() + start, at.begin() + start + size);
    };

    fillBlock(
        rng, Block::General, r.general, r.generalCategories, r.generalRestricted,
        slice(Block::General, r.general),
        [&](const Category* c) {
            for (;;) {
                auto [rs, imm] = c->construct ? c->construct(rng)
                                              : std::pair{drawFullWidth(rng), drawImmediate(rng)};
                if (isFullWidth(rs) && used.fresh(rs) && imm != 0 && !bannedImmediate(imm) &&
                    c->matches(rs, imm) && generalCaseFits(r, rs, imm)) {
                    used.take(rs);
                    return std::pair{rs, imm};
                }
            }
        },
        out.cases, r.op);
    fillBlock(
        rng, Block::SecondZero, r.secondZero, {}, {}, slice(Block::SecondZero, r.secondZero),
        [&](const Category*) {
            for (;;) {
                const U rs = drawFullWidth(rng);
                if (used.fresh(rs)) {
                    used.take(rs);
                    return std::pair{rs, Imm{0}};
                }
            }
        },
        out.cases, r.op);
    fillBlock(
        rng, Block::FirstZero, r.firstZero, r.firstZeroCategories, r.firstZeroRestricted,
        slice(Block::FirstZero, r.firstZero),
        [&](const Category* c) {
            for (;;) {
                const Imm imm = drawImmediate(rng);
                if (!c || c->matches(0, imm)) return std::pair{U{0}, imm};
            }
        },
        out.cases, r.op);
    out.cases.push_back({Block::AllZero, 0, 0, result(r.op, 0, 0)});
    return out;
}

std::vector<Property> properties(const Routine& r, const Built& built) {
    const auto& cases = built.cases;
    std::vector<Property> props;
    const auto inBlock = [&](std::optional<Block> block, auto&& test) {
        return std::count_if(cases.begin(), cases.end(), [&](const Case& c) {
            return (!block || c.block == *block) && test(c.operand, c.imm);
        });
    };
    const auto any = [](U, Imm) { return true; };
    props.push_back(countProperty("general cases", r.general, inBlock(Block::General, any)));
    props.push_back(
        countProperty("second-zero cases", r.secondZero, inBlock(Block::SecondZero, any)));
    props.push_back(countProperty("first-zero cases", r.firstZero, inBlock(Block::FirstZero, any)));
    props.push_back(countProperty("all-zero cases", 1, inBlock(Block::AllZero, any)));
    bool shapes = cases.size() == std::size_t(r.general + r.secondZero + r.firstZero + 1);
    for (std::size_t i = 0; i < cases.size() && shapes; ++i) {
        const int pos = static_cast<int>(i);
        const Block want = pos < blockStart(r, Block::SecondZero)  ? Block::General
                           : pos < blockStart(r, Block::FirstZero) ? Block::SecondZero
                           : pos < blockStart(r, Block::AllZero)   ? Block::FirstZero
                                                                   : Block::AllZero;
        const Case& c = cases[i];
        const bool fullWidth = isFullWidth(c.operand), zeroImm = c.imm == 0;
        shapes = c.block == want && (want == Block::General      ? fullWidth && !zeroImm
                                     : want == Block::SecondZero ? fullWidth && zeroImm
                                     : want == Block::FirstZero  ? c.operand == 0 && !zeroImm
                                                                 : c.operand == 0 && zeroImm);
    }
    props.push_back(
        flagProperty("blocks in order, full-width operands, non-zero immediates", shapes));
    for (const auto& c : r.counts)
        props.push_back(countProperty(c.what, c.target, inBlock(c.block, [&](U rs, Imm imm) {
                                          return c.holds(r.op, rs, imm);
                                      })));
    props.push_back(countProperty(
        "general expected values loaded by one instruction",
        r.op == ImmOp::Slti || r.op == ImmOp::Sltiu || r.op == ImmOp::Andi ? r.general : 0,
        inBlock(Block::General,
                [&](U rs, Imm imm) { return loadWords(result(r.op, rs, imm)) == 1; })));

    bool tellingHold = true;
    for (std::size_t k = 0; k < r.telling.size(); ++k) {
        const Case& c = cases[built.tellingAt[k]];
        tellingHold = tellingHold && c.operand == r.telling[k].operand &&
                      c.imm == r.telling[k].imm && c.block == r.telling[k].block;
    }
    props.push_back(flagProperty("telling cases at their places", tellingHold));

    std::vector<U> operands;
    std::vector<Imm> imms;
    for (const auto& c : cases) {
        if (c.operand != 0) operands.push_back(c.operand);
        if (c.imm != 0) imms.push_back(c.imm);
    }
    std::vector<U> sorted = operands;
    std::sort(sorted.begin(), sorted.end());
    props.push_back(flagProperty("no non-zero register operand occurs twice",
                                 std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()));
    props.push_back(flagProperty("no immediate is 0x0001, 0x7fff, 0x8000 or 0xffff",
                                 std::none_of(imms.begin(), imms.end(), bannedImmediate)));
    const auto count = [](const auto& values, auto&& test) {
        return static_cast<long>(std::count_if(values.begin(), values.end(), test));
    };
    const long nOperands = static_cast<long>(operands.size());
    const long nImms = static_cast<long>(imms.size());
    props.push_back(aboutShare("odd register operands", count(operands, [](U v) { return v & 1; }),
                               nOperands, 1, 8));
    props.push_back(aboutShare("register operands ending in a zero hex digit",
                               count(operands, lowHexDigitZero), nOperands, 1, 3));
    props.push_back(aboutShare("immediates with bit 15 set", count(imms, bit15), nImms, 1, 2));
    props.push_back(
        aboutShare("odd immediates", count(imms, [](Imm v) { return v & 1; }), nImms, 1, 4));
    return props;
}

const char* heading(Block block) {
    switch (block) {
    case Block::General: return "# full-width register operand, non-zero immediate";
    case Block::SecondZero: return "# immediate zero";
    case Block::FirstZero: return "# register operand zero: the widened immediate itself";
    case Block::AllZero: return "# both zero";
    }
    return "";
}

} // namespace

void buildAluImm(Unit& u) {
    const Routine& r = routineFor(u.mnemonic);
    const Built built = buildCases(r, u.number);
    const char* macro = signExtends(r.op) ? "alu_ri_sext" : "alu_ri_zext";
    u.includes = {"alu_imm.inc"};
    u.bodyWords = 0;
    for (std::size_t i = 0; i < built.cases.size(); ++i) {
        const Case& c = built.cases[i];
        if (i == 0 || built.cases[i - 1].block != c.block) u.lines.push_back(heading(c.block));
        u.lines.push_back(caseLine(fmt::format("{} {}, {}, {}, {}", macro, r.mnemonic,
                                               hex32(c.expected), hex32(c.operand), hex16(c.imm)),
                                   static_cast<int>(i) + 1));
        u.bodyWords += loadWords(c.operand) + loadWords(c.expected) + 3;
    }
    u.properties = properties(r, built);
}

} // namespace casegen
