// Shift routines, by the sa field (sll, srl, sra) and by a register (sllv, srlv, srav): every
// case loads the value into t0 (and the amount into t1), the expected rd into v1, shifts once and
// compares v0 with v1.
#include <fmt/format.h>

#include <algorithm>
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

enum class Block { General, SecondZero, FirstZero, AllZero };

constexpr int kGeneral = 200;
constexpr int kZeroBlock = 50;
constexpr int kCases = kGeneral + 2 * kZeroBlock + 1;
constexpr int kAmounts = 32;
constexpr int kHighAmount = 16; // from here on the expected value always loads in one instruction

// A case whose values are fixed; `index` is 1-based within its block.
struct Telling {
    Block block;
    int index;
    U value;
    int amount;
};

struct Routine {
    std::string_view mnemonic;
    ShiftOp op;
    bool variable;
    int zeroAmounts;         // general cases with amount 0
    int zeroAmountNegative;  // of these, values with bit 31 set
    int highAmounts;         // general cases with amount 16..31
    int negativeShifted;     // general cases with bit 31 set and a non-zero amount
    int allOnes;             // general cases expecting 0xffffffff (arithmetic shifts)
    int secondZeroNegative;  // second-zero values with bit 31 set
    int firstZeroZeroAmount; // first-zero cases with amount 0
    std::vector<Telling> telling;
    int firstZeroAmountCase = 1; // no general case before this one has amount 0
    int firstNegativeCase = 1;   // no general case before this one has bit 31 set
};

struct Case {
    Block block;
    U value;
    int amount;
    U expected;
};

std::vector<Routine> routines() {
    return {
        {.mnemonic = "sll",
         .op = ShiftOp::Sll,
         .variable = false,
         .zeroAmounts = 7,
         .zeroAmountNegative = 3,
         .highAmounts = 114,
         .negativeShifted = 96,
         .allOnes = 0,
         .secondZeroNegative = 25,
         .firstZeroZeroAmount = 0,
         .telling = {{Block::General, 1, 0x47994e5e, 1},
                     {Block::General, 27, 0x468e6b1c, 31},
                     {Block::General, 45, 0x39c7673a, 0},
                     {Block::SecondZero, 1, 0xb6f7d1cc, 0},
                     {Block::FirstZero, 1, 0, 23}},
         // A core that skips sll by 0 as if it were a nop must first go wrong at case 45.
         .firstZeroAmountCase = 45},
        {.mnemonic = "sllv",
         .op = ShiftOp::Sll,
         .variable = true,
         .zeroAmounts = 7,
         .zeroAmountNegative = 3,
         .highAmounts = 128,
         .negativeShifted = 97,
         .allOnes = 0,
         .secondZeroNegative = 24,
         .firstZeroZeroAmount = 1,
         .telling = {{Block::General, 1, 0x79dbdb34, 7}, {Block::General, 66, 0xcb58e299, 31}}},
        {.mnemonic = "sra",
         .op = ShiftOp::Sra,
         .variable = false,
         .zeroAmounts = 12,
         .zeroAmountNegative = 6,
         .highAmounts = 120,
         .negativeShifted = 91,
         .allOnes = 10,
         .secondZeroNegative = 25,
         .firstZeroZeroAmount = 0,
         .telling = {{Block::General, 1, 0x7e0083f0, 9},
                     {Block::General, 4, 0xc04efccc, 16},
                     {Block::General, 39, 0xc9cb745e, 31}},
         .firstNegativeCase = 4},
        {.mnemonic = "srav",
         .op = ShiftOp::Sra,
         .variable = true,
         .zeroAmounts = 11,
         .zeroAmountNegative = 5,
         .highAmounts = 104,
         .negativeShifted = 82,
         .allOnes = 3,
         .secondZeroNegative = 30,
         .firstZeroZeroAmount = 2,
         .telling = {{Block::General, 1, 0x3e594300, 3},
                     {Block::General, 3, 0xfb98a1c4, 23},
                     {Block::General, 165, 0xd9867f14, 31}},
         .firstNegativeCase = 3},
        {.mnemonic = "srl",
         .op = ShiftOp::Srl,
         .variable = false,
         .zeroAmounts = 7,
         .zeroAmountNegative = 3,
         .highAmounts = 107,
         .negativeShifted = 95,
         .allOnes = 0,
         .secondZeroNegative = 22,
         .firstZeroZeroAmount = 1,
         .telling = {{Block::General, 1, 0x8e8ffce0, 2}, {Block::General, 5, 0xe7bfc848, 31}}},
        {.mnemonic = "srlv",
         .op = ShiftOp::Srl,
         .variable = true,
         .zeroAmounts = 6,
         .zeroAmountNegative = 3,
         .highAmounts = 103,
         .negativeShifted = 93,
         .allOnes = 0,
         .secondZeroNegative = 23,
         .firstZeroZeroAmount = 1,
         .telling = {{Block::General, 1, 0x1f8f6000, 28}, {Block::General, 2, 0xe51f6e9c, 2}}},
    };
}

const Routine& routineFor(std::string_view mnemonic) {
    static const std::vector<Routine> table = routines();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const Routine& r) { return r.mnemonic == mnemonic; });
    if (it == table.end()) throw std::logic_error("no shift routine of that name");
    return *it;
}

int blockStart(Block block) {
    switch (block) {
    case Block::General: return 0;
    case Block::SecondZero: return kGeneral;
    case Block::FirstZero: return kGeneral + kZeroBlock;
    case Block::AllZero: return kGeneral + 2 * kZeroBlock;
    }
    return 0;
}

// What a general case is, once its amount is known: the sign of its value, and for the
// arithmetic shifts whether every bit that remains is a copy of bit 31.
enum Kind { PositiveUnshifted, NegativeUnshifted, Positive, Negative, AllOnes, kKinds };

Kind kindOf(const Routine& r, U value, int amount) {
    if (amount == 0) return isNegative(value) ? NegativeUnshifted : PositiveUnshifted;
    if (!isNegative(value)) return Positive;
    return evalShift(r.op, value, amount) == 0xffffffffu && r.op == ShiftOp::Sra ? AllOnes
                                                                                 : Negative;
}

// How often each amount stands in the general block: every amount at least once (and as often as
// the telling cases need it), the rest spread at random over the low and the high amounts.
std::vector<int> amountCounts(Rng& rng, const Routine& r) {
    std::vector<int> counts(kAmounts, 1);
    counts[0] = r.zeroAmounts;
    for (const auto& t : r.telling)
        if (t.block == Block::General && t.amount > 0) counts[t.amount] = 0;
    for (const auto& t : r.telling)
        if (t.block == Block::General && t.amount > 0) ++counts[t.amount];
    const auto spread = [&](int from, int to, int total) {
        int have = 0;
        for (int a = from; a < to; ++a)
            have += counts[a];
        for (; have < total; ++have)
            ++counts[from + rng.below(to - from)];
    };
    spread(1, kHighAmount, kGeneral - r.zeroAmounts - r.highAmounts);
    spread(kHighAmount, kAmounts, r.highAmounts);
    return counts;
}

// Whether a drawn value fits the case: the kind it was placed as, and an expected value whose load
// length depends only on whether the amount is high (the routine sizes count on it).
bool valueFits(const Routine& r, U value, int amount, Kind kind) {
    if (!isFullWidth(value) || kindOf(r, value, amount) != kind) return false;
    const int words = loadWords(evalShift(r.op, value, amount));
    return amount >= kHighAmount ? words == 1 : words == 2;
}

U drawValue(Rng& rng, const Routine& r, int amount, Kind kind, const UsedValues& used) {
    for (;;) {
        U v = drawFullWidth(rng);
        // All ones after the shift: bits amount..31 set, which a random value seldom has.
        if (kind == AllOnes) v |= 0xffffffffu << amount;
        if (used.fresh(v) && valueFits(r, v, amount, kind)) return v;
    }
}

struct Built {
    std::vector<Case> cases;
    std::vector<int> tellingAt;
};

Built buildCases(const Routine& r, int number) {
    Rng rng = rngFor(number);
    UsedValues used;
    for (const auto& t : r.telling)
        used.take(t.value);
    std::vector<const Telling*> at(kCases, nullptr);
    Built out;
    for (const auto& t : r.telling) {
        const int pos = blockStart(t.block) + t.index - 1;
        at[pos] = &t;
        out.tellingAt.push_back(pos);
    }

    // General block: amounts first, then the kind of every value, then the values.
    std::vector<std::pair<int, int>> pinnedAmounts, pinnedKinds;
    for (int pos = 0; pos < kGeneral; ++pos) {
        if (!at[pos]) continue;
        pinnedAmounts.emplace_back(pos, at[pos]->amount);
        pinnedKinds.emplace_back(pos, kindOf(r, at[pos]->value, at[pos]->amount));
    }
    const std::vector<int> amount =
        layoutCategories(rng, amountCounts(rng, r), pinnedAmounts, [&](int pos, int a) {
            if (a == 0 && pos < r.firstZeroAmountCase - 1) return false;
            // The cases before the first negative value hold positive values, which a right
            // shift by 15 would leave with a one-instruction expected value.
            return !(a == kHighAmount - 1 && r.op != ShiftOp::Sll && pos < r.firstNegativeCase - 1);
        });
    std::vector<int> kindCounts(kKinds);
    kindCounts[PositiveUnshifted] = r.zeroAmounts - r.zeroAmountNegative;
    kindCounts[NegativeUnshifted] = r.zeroAmountNegative;
    kindCounts[AllOnes] = r.allOnes;
    kindCounts[Negative] = r.negativeShifted - r.allOnes;
    kindCounts[Positive] = kGeneral - r.zeroAmounts - r.negativeShifted;
    const std::vector<int> kind =
        layoutCategories(rng, kindCounts, pinnedKinds, [&](int pos, int k) {
            const int a = amount[pos];
            if (pos < r.firstNegativeCase - 1 && k != Positive && k != PositiveUnshifted)
                return false;
            if (a == 0) return k == PositiveUnshifted || k == NegativeUnshifted;
            if (k == PositiveUnshifted || k == NegativeUnshifted) return false;
            // Bits amount..31 all set leave the upper half 0xffff below amount 17.
            if (k == AllOnes) return a > kHighAmount;
            // A positive value shifted right by 15 keeps nothing in the upper half.
            if (k == Positive && r.op != ShiftOp::Sll && a == kHighAmount - 1) return false;
            // An arithmetic shift of a negative value by 31 always gives all ones.
            return !(k == Negative && r.op == ShiftOp::Sra && a == kAmounts - 1);
        });
    for (int pos = 0; pos < kGeneral; ++pos) {
        U value = 0;
        if (at[pos]) {
            value = at[pos]->value;
        } else {
            value = drawValue(rng, r, amount[pos], Kind(kind[pos]), used);
            used.take(value);
        }
        out.cases.push_back(
            {Block::General, value, amount[pos], evalShift(r.op, value, amount[pos])});
    }

    // Second-zero block: full-width values shifted by 0, a fixed number of them negative.
    std::vector<std::pair<int, int>> pinnedSigns;
    for (int i = 0; i < kZeroBlock; ++i)
        if (const Telling* t = at[blockStart(Block::SecondZero) + i])
            pinnedSigns.emplace_back(i, isNegative(t->value) ? 1 : 0);
    const std::vector<int> negative = layoutCategories(
        rng, {kZeroBlock - r.secondZeroNegative, r.secondZeroNegative}, pinnedSigns);
    for (int i = 0; i < kZeroBlock; ++i) {
        U value = 0;
        if (const Telling* t = at[blockStart(Block::SecondZero) + i]) {
            value = t->value;
        } else {
            do {
                value = drawFullWidth(rng);
            } while (!used.fresh(value) || isNegative(value) != (negative[i] == 1));
            used.take(value);
        }
        out.cases.push_back({Block::SecondZero, value, 0, value});
    }

    // First-zero block: 0 shifted by any amount, a fixed number of them by 0.
    std::vector<std::pair<int, int>> pinnedZero;
    for (int i = 0; i < kZeroBlock; ++i)
        if (const Telling* t = at[blockStart(Block::FirstZero) + i])
            pinnedZero.emplace_back(i, t->amount == 0 ? 1 : 0);
    const std::vector<int> zeroAmount = layoutCategories(
        rng, {kZeroBlock - r.firstZeroZeroAmount, r.firstZeroZeroAmount}, pinnedZero);
    for (int i = 0; i < kZeroBlock; ++i) {
        int a = 0;
        if (const Telling* t = at[blockStart(Block::FirstZero) + i])
            a = t->amount;
        else if (zeroAmount[i] == 0)
            a = 1 + static_cast<int>(rng.below(kAmounts - 1));
        out.cases.push_back({Block::FirstZero, 0, a, 0});
    }
    out.cases.push_back({Block::AllZero, 0, 0, 0});
    return out;
}

std::vector<Property> properties(const Routine& r, const Built& built) {
    const auto& cases = built.cases;
    std::vector<Property> props;
    const auto inBlock = [&](Block block, auto&& test) {
        return static_cast<long>(std::count_if(cases.begin(), cases.end(), [&](const Case& c) {
            return c.block == block && test(c);
        }));
    };
    const auto any = [](const Case&) { return true; };
    const auto zeroAmount = [](const Case& c) { return c.amount == 0; };
    props.push_back(countProperty("general cases", kGeneral, inBlock(Block::General, any)));
    props.push_back(
        countProperty("second-zero cases", kZeroBlock, inBlock(Block::SecondZero, any)));
    props.push_back(countProperty("first-zero cases", kZeroBlock, inBlock(Block::FirstZero, any)));
    props.push_back(countProperty("all-zero cases", 1, inBlock(Block::AllZero, any)));
    bool shapes = cases.size() == std::size_t(kCases);
    for (std::size_t i = 0; i < cases.size() && shapes; ++i) {
        const int pos = static_cast<int>(i);
        const Block want = pos < blockStart(Block::SecondZero)  ? Block::General
                           : pos < blockStart(Block::FirstZero) ? Block::SecondZero
                           : pos < blockStart(Block::AllZero)   ? Block::FirstZero
                                                                : Block::AllZero;
        const Case& c = cases[i];
        shapes = c.block == want && c.amount >= 0 && c.amount < kAmounts &&
                 (want == Block::General      ? isFullWidth(c.value)
                  : want == Block::SecondZero ? isFullWidth(c.value) && c.amount == 0
                  : want == Block::FirstZero  ? c.value == 0
                                              : c.value == 0 && c.amount == 0);
    }
    props.push_back(flagProperty("blocks in order, full-width values, amounts 0..31", shapes));
    bool everyAmount = true;
    for (int a = 0; a < kAmounts; ++a)
        everyAmount = everyAmount &&
                      inBlock(Block::General, [&](const Case& c) { return c.amount == a; }) > 0;
    props.push_back(flagProperty("every amount 0..31 in the general block", everyAmount));
    props.push_back(countProperty("general cases with amount 0", r.zeroAmounts,
                                  inBlock(Block::General, zeroAmount)));
    props.push_back(countProperty("first-zero cases with amount 0", r.firstZeroZeroAmount,
                                  inBlock(Block::FirstZero, zeroAmount)));
    props.push_back(countProperty(
        "general expected values loaded by one instruction", r.highAmounts,
        inBlock(Block::General, [](const Case& c) { return loadWords(c.expected) == 1; })));
    if (r.op != ShiftOp::Sll)
        props.push_back(countProperty("cases where the fill bit matters", r.negativeShifted,
                                      inBlock(Block::General, [](const Case& c) {
                                          return isNegative(c.value) && c.amount != 0;
                                      })));
    if (r.op == ShiftOp::Sra)
        props.push_back(countProperty(
            "cases expecting 0xffffffff", r.allOnes,
            static_cast<long>(std::count_if(cases.begin(), cases.end(), [](const Case& c) {
                return c.expected == 0xffffffffu;
            }))));
    props.push_back(rangeProperty(
        "values with bit 31 set", 112, 130,
        static_cast<long>(std::count_if(cases.begin(), cases.end(),
                                        [](const Case& c) { return isNegative(c.value); }))));

    bool tellingHold = true;
    for (std::size_t k = 0; k < r.telling.size(); ++k) {
        const Case& c = cases[built.tellingAt[k]];
        tellingHold = tellingHold && c.value == r.telling[k].value &&
                      c.amount == r.telling[k].amount && c.block == r.telling[k].block;
    }
    props.push_back(flagProperty("telling cases at their places", tellingHold));

    std::vector<U> values;
    for (const auto& c : cases)
        if (c.value != 0) values.push_back(c.value);
    std::vector<U> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    props.push_back(flagProperty("no non-zero value occurs twice",
                                 std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()));
    const long n = static_cast<long>(values.size());
    const auto share = [&](auto&& test) {
        return static_cast<long>(std::count_if(values.begin(), values.end(), test));
    };
    props.push_back(aboutShare("odd values", share([](U v) { return v & 1; }), n, 1, 8));
    props.push_back(
        aboutShare("values ending in a zero hex digit", share(lowHexDigitZero), n, 1, 3));
    return props;
}

const char* heading(Block block) {
    switch (block) {
    case Block::General: return "# full-width value, every amount";
    case Block::SecondZero: return "# amount 0: the value unchanged";
    case Block::FirstZero: return "# value 0";
    case Block::AllZero: return "# both zero";
    }
    return "";
}

// The words one case assembles to: the value, the amount (variable shifts), the expected value,
// then the shift, the branch and its delay slot.
int caseWords(const Routine& r, const Case& c) {
    return loadWords(c.value) + (r.variable ? 1 : 0) + loadWords(c.expected) + 3;
}

} // namespace

void buildShift(Unit& u) {
    const Routine& r = routineFor(u.mnemonic);
    const Built built = buildCases(r, u.number);
    const char* macro = r.variable ? "shift_var" : "shift_fixed";
    u.includes = {"shift.inc"};
    u.bodyWords = 0;
    for (std::size_t i = 0; i < built.cases.size(); ++i) {
        const Case& c = built.cases[i];
        if (i == 0 || built.cases[i - 1].block != c.block) u.lines.push_back(heading(c.block));
        u.lines.push_back(caseLine(fmt::format("{} {}, {}, {}, {}", macro, r.mnemonic,
                                               hex32(c.expected), hex32(c.value), c.amount),
                                   static_cast<int>(i) + 1));
        u.bodyWords += caseWords(r, c);
    }
    u.properties = properties(r, built);
}

} // namespace casegen
