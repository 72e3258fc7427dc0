// Multiply and divide routines: every case loads two operands, runs the instruction under test,
// reads LO and HI straight after and compares them with the expected values (muldiv.inc).
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "../families.h"
#include "../mem_draw.h"
#include "../operand.h"

namespace casegen {
namespace {

using namespace mem;

enum class MulDivOp { Div, Divu, Mult, Multu };

struct HiLo {
    std::uint32_t lo, hi;
};

// MIPS-I results, with the registers read as two's-complement values for div and mult: the
// quotient truncates toward zero and the remainder takes the dividend's sign. The case lists
// never divide by zero or 0x80000000 by -1.
HiLo evaluate(MulDivOp op, std::uint32_t a, std::uint32_t b) {
    const std::int64_t sa = static_cast<std::int32_t>(a), sb = static_cast<std::int32_t>(b);
    switch (op) {
    case MulDivOp::Div:
        return {static_cast<std::uint32_t>(sa / sb), static_cast<std::uint32_t>(sa % sb)};
    case MulDivOp::Divu: return {a / b, a % b};
    case MulDivOp::Mult: {
        const auto p = static_cast<std::uint64_t>(sa * sb);
        return {static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(p >> 32)};
    }
    case MulDivOp::Multu: {
        const std::uint64_t p = std::uint64_t{a} * b;
        return {static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(p >> 32)};
    }
    }
    return {0, 0};
}

bool isDivide(MulDivOp op) {
    return op == MulDivOp::Div || op == MulDivOp::Divu;
}

enum class Block { General, SecondZero, FirstZero, AllZero };

// Sign combinations of (first, second) by bit 31, in the order the counts are stated.
enum Signs { kPlusPlus, kPlusMinus, kMinusPlus, kMinusMinus };
constexpr std::array<std::string_view, 4> kSignNames{"(+,+)", "(+,-)", "(-,+)", "(-,-)"};

int signsOf(std::uint32_t a, std::uint32_t b) {
    return (isNegative(a) ? 2 : 0) + (isNegative(b) ? 1 : 0);
}

// A case whose operands are fixed: `index` 1-based within its block, or 0 for a general case at
// a position of the generator's choosing (after the fixed early rows).
struct Telling {
    Block block;
    int index;
    std::uint32_t first, second;
};

struct MulDivRoutine {
    int number;
    std::string_view mnemonic;
    MulDivOp op;
    int general, secondZero, firstZero;
    bool allZero;
    std::array<int, 4> signs; // general cases per sign combination
    // Divides: the quotient range of the general block and how many quotients are 0.
    int lowestQuotient = 0, highestQuotient = 0, zeroQuotients = 0;
    // Multiplies: general cases whose product has one word with a one-instruction load.
    int shortProducts = 0;
    std::vector<Telling> telling;
    std::vector<std::pair<int, int>> lengths; // (instructions, cases)
    // Positions 1 to this must keep the same quotient when it is rounded toward minus infinity.
    int sameSignUpTo = 0;

    int cases() const { return general + secondZero + firstZero + (allZero ? 1 : 0); }
};

const std::array<MulDivRoutine, 4>& mulDivRoutines() {
    static const std::array<MulDivRoutine, 4> kRoutines{{
        {.number = 44,
         .mnemonic = "div",
         .op = MulDivOp::Div,
         .general = 119,
         .secondZero = 0,
         .firstZero = 3,
         .allZero = false,
         .signs = {28, 28, 24, 39},
         .lowestQuotient = -51,
         .highestQuotient = 20,
         .zeroQuotients = 44,
         .telling = {{Block::General, 1, 0x56bedfa4, 0x20831400},
                     {Block::General, 2, 0xfda5ea8a, 0xfac1873c},
                     {Block::General, 4, 0x323676e0, 0xdc3a3f10},
                     {Block::General, 8, 0x8786a50c, 0x412dc050},
                     {Block::General, 0, 0x6d394d48, 0xfddfc888},
                     {Block::FirstZero, 3, 0, 0x94e29c00}},
         .lengths = {{14, 119}, {12, 3}},
         .sameSignUpTo = 3},
        {.number = 45,
         .mnemonic = "divu",
         .op = MulDivOp::Divu,
         .general = 171,
         .secondZero = 0,
         .firstZero = 7,
         .allZero = false,
         .signs = {45, 37, 49, 40},
         .lowestQuotient = 0,
         .highestQuotient = 139,
         .zeroQuotients = 87,
         .telling = {{Block::General, 1, 0x4e775a80, 0xb26795ec},
                     {Block::General, 0, 0xd7042938, 0x018a7078},
                     {Block::FirstZero, 7, 0, 0x11f1eca7}},
         .lengths = {{14, 171}, {12, 7}}},
        {.number = 46,
         .mnemonic = "mult",
         .op = MulDivOp::Mult,
         .general = 138,
         .secondZero = 12,
         .firstZero = 8,
         .allZero = true,
         .signs = {31, 28, 37, 42},
         .shortProducts = 2,
         .telling = {{Block::General, 1, 0x45b90738, 0xd70d64f0},
                     {Block::General, 2, 0x99a451b0, 0xbe3d9998},
                     {Block::SecondZero, 1, 0x530194f0, 0},
                     {Block::AllZero, 1, 0, 0}},
         .lengths = {{15, 136}, {14, 2}, {12, 20}, {11, 1}}},
        {.number = 47,
         .mnemonic = "multu",
         .op = MulDivOp::Multu,
         .general = 131,
         .secondZero = 6,
         .firstZero = 4,
         .allZero = true,
         .signs = {38, 32, 30, 31},
         .shortProducts = 1,
         .telling = {{Block::General, 1, 0x99c9a500, 0x6c1a1b60},
                     {Block::General, 2, 0xee026dc0, 0xd85e0aec},
                     {Block::AllZero, 1, 0, 0}},
         .lengths = {{15, 130}, {14, 1}, {12, 10}, {11, 1}}},
    }};
    return kRoutines;
}

const MulDivRoutine& mulDivRoutine(int number) {
    for (const auto& r : mulDivRoutines())
        if (r.number == number) return r;
    throw std::logic_error("not a multiply/divide routine");
}

struct Case {
    Block block;
    std::uint32_t first, second;
    HiLo expected;
};

// Operand loads of the four values and the template's seven fixed steps.
int caseWords(const Case& c) {
    return loadWords(c.first) + loadWords(c.second) + loadWords(c.expected.lo) +
           loadWords(c.expected.hi) + 7;
}

// About 37% of the general operands have four or more low zero bits.
constexpr int kManyZerosPercent = 37;
constexpr int kAttempts = 1 << 22;
constexpr std::size_t kCallWidth = 66; // "muldiv_case multu, " and four values

// What one general case must be: its sign combination, its quotient (divides), whether its
// operands have many low zero bits, and whether a product word must take one instruction.
struct Slot {
    int signs = 0;
    long quotient = 0;
    std::array<bool, 2> manyZeros{};
    bool shortProduct = false;
    const Telling* telling = nullptr;
};

// A quotient magnitude from 1 to `cap`, as often as the ratio of two uniform values falls there:
// P(k) proportional to 1 / (k (k + 1)).
long drawQuotient(Rng& rng, long cap) {
    const double u = (rng.next32() + 0.5) / 4294967296.0;
    const double total = 1.0 - 1.0 / double(cap + 1); // sum of 1/(k(k+1)) for k = 1..cap
    const long k = static_cast<long>(std::floor(1.0 / (1.0 - u * total)));
    return std::clamp(k, 1L, cap);
}

std::uint32_t uniformIn(Rng& rng, std::uint64_t low, std::uint64_t high) {
    return static_cast<std::uint32_t>(low + (rng.next64() % (high - low + 1)));
}

// Dividend and divisor of a divide case with quotient q and the slot's signs and low zeros.
// Magnitudes are drawn so that floor(|n| / |d|) = |q|; the signs then give the signed quotient
// (div) or are the operands' bit 31 (divu).
bool drawDivide(Rng& rng, MulDivOp op, const Slot& s, std::uint32_t& n, std::uint32_t& d) {
    const bool negN = s.signs >= kMinusPlus, negD = s.signs & 1;
    const bool isSigned = op == MulDivOp::Div;
    const std::uint64_t k = static_cast<std::uint64_t>(std::labs(s.quotient));
    // Ranges of the magnitudes (div) or values (divu) of the dividend and the divisor.
    const auto range = [&](bool negative) -> std::pair<std::uint64_t, std::uint64_t> {
        if (isSigned || !negative) return {0x10001, 0x7fffffff};
        return {0x80000000, 0xffffffff};
    };
    const auto [nLow, nHigh] = range(negN);
    auto [dLow, dHigh] = range(negD);
    dLow = std::max(dLow, (nLow + k) / (k + 1));
    if (k > 0) dHigh = std::min(dHigh, nHigh / k);
    if (dLow > dHigh) return false;
    std::uint64_t dm = uniformIn(rng, dLow, dHigh);
    dm = withTrailingZeros(static_cast<std::uint32_t>(dm), drawTrailingZeros(rng, s.manyZeros[1]));
    const std::uint64_t low = std::max(nLow, k * dm), high = std::min(nHigh, k * dm + dm - 1);
    if (low > high) return false;
    // The trailing zeros are drawn before the magnitude: the committed units were drawn in this
    // order, and one full expression with both draws would leave the order to the compiler.
    const auto zeros = drawTrailingZeros(rng, s.manyZeros[0]);
    const std::uint32_t nm = withTrailingZeros(uniformIn(rng, low, high), zeros);
    const auto apply = [&](std::uint32_t m, bool negative) {
        return isSigned && negative ? 0u - m : m;
    };
    n = apply(nm, negN);
    d = apply(static_cast<std::uint32_t>(dm), negD);
    return true;
}

bool drawMultiply(Rng& rng, const Slot& s, std::uint32_t& a, std::uint32_t& b) {
    a = drawShaped(rng, s.signs >= kMinusPlus, s.manyZeros[0]);
    b = drawShaped(rng, s.signs & 1, s.manyZeros[1]);
    if (s.shortProduct) {
        // Low zero bits adding up to 16 or more leave the low half of LO zero.
        const int za = 7 + static_cast<int>(rng.below(3));
        a = withTrailingZeros(a, za);
        b = withTrailingZeros(
            b, 16 - za + static_cast<int>(rng.below(static_cast<std::uint32_t>(za - 6))));
    }
    return true;
}

// Whether a drawn general case is what its slot asks for.
bool fits(const MulDivRoutine& r, const Slot& s, std::uint32_t a, std::uint32_t b,
          const ValueSet& taken) {
    if (!isFullWidth(a) || !isFullWidth(b) || a == b || !taken.fresh(a) || !taken.fresh(b))
        return false;
    if (signsOf(a, b) != s.signs || hasManyLowZeros(a) != s.manyZeros[0] ||
        hasManyLowZeros(b) != s.manyZeros[1])
        return false;
    const HiLo e = evaluate(r.op, a, b);
    if (isDivide(r.op)) {
        const long q = r.op == MulDivOp::Div ? long(static_cast<std::int32_t>(e.lo)) : long(e.lo);
        return q == s.quotient && isFullWidth(e.hi);
    }
    if (e.lo == 0 || e.hi == 0 || e.lo == 0xffffffff || e.hi == 0xffffffff) return false;
    return loadWords(e.lo) + loadWords(e.hi) == (s.shortProduct ? 3 : 4);
}

// Sign combinations, quotients and low-zero shapes of the general block, so that every count
// is met exactly; the telling rows keep their own.
std::vector<Slot> planGeneral(Rng& rng, const MulDivRoutine& r) {
    std::vector<Slot> slots(static_cast<std::size_t>(r.general));
    std::vector<std::pair<int, int>> pinned;
    std::vector<const Telling*> floating;
    for (const auto& t : r.telling) {
        if (t.block != Block::General) continue;
        if (t.index == 0) {
            floating.push_back(&t);
            continue;
        }
        slots.at(static_cast<std::size_t>(t.index - 1)).telling = &t;
        pinned.emplace_back(t.index - 1, signsOf(t.first, t.second));
    }
    // Rows of the generator's choosing stand after the pinned early rows.
    int after = 0;
    for (const auto& [p, kind] : pinned)
        after = std::max(after, p + 1);
    for (const Telling* t : floating) {
        int p;
        do {
            p = after + static_cast<int>(rng.below(static_cast<std::uint32_t>(r.general - after)));
        } while (slots[p].telling);
        slots[p].telling = t;
        pinned.emplace_back(p, signsOf(t->first, t->second));
    }
    std::vector<int> signs = placeKinds(rng, {r.signs.begin(), r.signs.end()}, pinned);
    // Rounding toward minus infinity must not change the first cases: same signs there.
    for (int p = 0; p < r.sameSignUpTo; ++p) {
        if (slots[p].telling || signs[p] == kPlusPlus || signs[p] == kMinusMinus) continue;
        for (int q = r.general - 1; q > after; --q)
            if (!slots[q].telling && (signs[q] == kPlusPlus || signs[q] == kMinusMinus)) {
                std::swap(signs[p], signs[q]);
                break;
            }
    }
    for (int p = 0; p < r.general; ++p)
        slots[p].signs = signs[p];

    std::vector<int> open;
    for (int p = 0; p < r.general; ++p)
        if (!slots[p].telling) open.push_back(p);
    shuffle(open, rng);
    auto telling = [&](int p) { return slots[p].telling; };

    if (isDivide(r.op)) {
        const auto sameSign = [&](int p) {
            return slots[p].signs == kPlusPlus || slots[p].signs == kMinusMinus;
        };
        const auto canBeZero = [&](int p) {
            return r.op == MulDivOp::Div || slots[p].signs != kMinusPlus;
        };
        const auto mustBeZero = [&](int p) {
            return r.op == MulDivOp::Divu && slots[p].signs == kPlusMinus;
        };
        long lowest = 0, highest = 0;
        int zeros = 0;
        for (int p = 0; p < r.general; ++p) {
            if (const Telling* t = telling(p)) {
                const HiLo e = evaluate(r.op, t->first, t->second);
                slots[p].quotient =
                    r.op == MulDivOp::Div ? long(static_cast<std::int32_t>(e.lo)) : long(e.lo);
                lowest = std::min(lowest, slots[p].quotient);
                highest = std::max(highest, slots[p].quotient);
                zeros += slots[p].quotient == 0;
            } else if (mustBeZero(p)) {
                ++zeros;
            }
        }
        // The extremes that no telling row reaches get a case of their own.
        std::vector<int> rest;
        for (int p : open) {
            if (highest < r.highestQuotient && sameSign(p)) {
                slots[p].quotient = highest = r.highestQuotient;
            } else if (lowest > r.lowestQuotient && r.op == MulDivOp::Div && !sameSign(p)) {
                slots[p].quotient = lowest = r.lowestQuotient;
            } else {
                rest.push_back(p);
            }
        }
        for (int p : rest) {
            if (mustBeZero(p)) continue;
            if (zeros < r.zeroQuotients && canBeZero(p)) {
                ++zeros;
                continue;
            }
            const bool negative = r.op == MulDivOp::Div && !sameSign(p);
            if (r.op == MulDivOp::Divu && slots[p].signs == kMinusMinus) {
                slots[p].quotient = 1; // both at or above 2^31
            } else {
                const long cap = negative ? -r.lowestQuotient : r.highestQuotient;
                slots[p].quotient = (negative ? -1 : 1) * drawQuotient(rng, cap);
            }
        }
        if (zeros != r.zeroQuotients) throw std::logic_error("zero quotients do not fit");
    } else {
        int placed = 0;
        for (int p : open)
            if (placed < r.shortProducts) {
                slots[p].shortProduct = true;
                slots[p].manyZeros = {true, true};
                ++placed;
            }
    }

    // Low zero bits: the share of all general operands, telling rows and short products counted.
    const int total = 2 * r.general;
    int many = static_cast<int>(std::lround(total * kManyZerosPercent / 100.0));
    std::vector<std::pair<int, int>> free; // (position, operand)
    for (int p = 0; p < r.general; ++p) {
        if (const Telling* t = telling(p)) {
            many -= hasManyLowZeros(t->first) + hasManyLowZeros(t->second);
        } else if (slots[p].shortProduct) {
            many -= 2;
        } else {
            free.emplace_back(p, 0);
            free.emplace_back(p, 1);
        }
    }
    shuffle(free, rng);
    for (int k = 0; k < many; ++k)
        slots[free.at(k).first].manyZeros[free.at(k).second] = true;
    return slots;
}

std::vector<Case> drawCases(const MulDivRoutine& r) {
    Rng rng = rngFor(r.number);
    std::vector<Case> cases;
    ValueSet taken;
    for (const auto& t : r.telling) {
        taken.take(t.first);
        taken.take(t.second);
    }
    for (const Slot& s : planGeneral(rng, r)) {
        std::uint32_t a = 0, b = 0;
        if (s.telling) {
            a = s.telling->first;
            b = s.telling->second;
        } else {
            for (int attempt = 0;; ++attempt) {
                if (attempt == kAttempts) throw std::logic_error("no operands fit a case");
                const bool drawn =
                    isDivide(r.op) ? drawDivide(rng, r.op, s, a, b) : drawMultiply(rng, s, a, b);
                if (drawn && fits(r, s, a, b, taken)) break;
            }
            taken.take(a);
            taken.take(b);
        }
        cases.push_back({Block::General, a, b, evaluate(r.op, a, b)});
    }
    // The zero blocks: the other operand full-width, unique, of either sign.
    const auto zeroBlock = [&](Block block, int count, bool firstIsZero) {
        for (int i = 1; i <= count; ++i) {
            std::uint32_t v = 0;
            for (const auto& t : r.telling)
                if (t.block == block && t.index == i) v = firstIsZero ? t.second : t.first;
            while (v == 0) {
                const std::uint32_t drawn = drawFullWidth(rng);
                if (taken.fresh(drawn)) v = drawn;
            }
            taken.take(v);
            const std::uint32_t a = firstIsZero ? 0 : v, b = firstIsZero ? v : 0;
            cases.push_back({block, a, b, evaluate(r.op, a, b)});
        }
    };
    zeroBlock(Block::SecondZero, r.secondZero, false);
    zeroBlock(Block::FirstZero, r.firstZero, true);
    if (r.allZero) cases.push_back({Block::AllZero, 0, 0, evaluate(r.op, 0, 0)});
    return cases;
}

std::string_view heading(Block b) {
    switch (b) {
    case Block::General: return "# general: both operands full-width";
    case Block::SecondZero: return "# second operand 0";
    case Block::FirstZero: return "# first operand 0";
    case Block::AllZero: return "# both operands 0";
    }
    return "";
}

void addProperties(Unit& u, const MulDivRoutine& r, const std::vector<Case>& cases) {
    auto& p = u.properties;
    const auto count = [&](auto pred) {
        return static_cast<long>(std::count_if(cases.begin(), cases.end(), pred));
    };
    const auto inBlock = [](Block b) { return [b](const Case& c) { return c.block == b; }; };
    p.push_back(countProperty("cases", r.cases(), long(cases.size())));
    p.push_back(countProperty("general cases", r.general, count(inBlock(Block::General))));
    p.push_back(
        countProperty("second-zero cases", r.secondZero, count(inBlock(Block::SecondZero))));
    p.push_back(countProperty("first-zero cases", r.firstZero, count(inBlock(Block::FirstZero))));
    p.push_back(countProperty("all-zero cases", r.allZero ? 1 : 0, count(inBlock(Block::AllZero))));
    std::vector<Block> order;
    for (const auto& c : cases)
        if (order.empty() || order.back() != c.block) order.push_back(c.block);
    p.push_back(flagProperty("blocks in order, each once",
                             std::is_sorted(order.begin(), order.end()) &&
                                 std::adjacent_find(order.begin(), order.end()) == order.end()));
    p.push_back(flagProperty("block operands: full-width or 0 as the block says",
                             std::all_of(cases.begin(), cases.end(), [](const Case& c) {
                                 const bool firstZero =
                                     c.block == Block::FirstZero || c.block == Block::AllZero;
                                 const bool secondZero =
                                     c.block == Block::SecondZero || c.block == Block::AllZero;
                                 return (firstZero ? c.first == 0 : isFullWidth(c.first)) &&
                                        (secondZero ? c.second == 0 : isFullWidth(c.second));
                             })));

    std::vector<Case> general;
    std::copy_if(cases.begin(), cases.end(), std::back_inserter(general), inBlock(Block::General));
    for (int s = 0; s < 4; ++s)
        p.push_back(countProperty(fmt::format("general cases with signs {}", kSignNames[s]),
                                  r.signs[s],
                                  std::count_if(general.begin(), general.end(), [&](const Case& c) {
                                      return signsOf(c.first, c.second) == s;
                                  })));
    for (const auto& [words, target] : r.lengths)
        p.push_back(countProperty(fmt::format("cases of {} instructions", words), target,
                                  count([w = words](const Case& c) { return caseWords(c) == w; })));

    if (isDivide(r.op)) {
        p.push_back(flagProperty("no divisor is 0, 1 or -1", count([](const Case& c) {
                                                                 return c.second == 0 ||
                                                                        c.second == 1 ||
                                                                        c.second == 0xffffffff;
                                                             }) == 0));
        const auto quotient = [&](const Case& c) {
            return r.op == MulDivOp::Div ? long(static_cast<std::int32_t>(c.expected.lo))
                                         : long(c.expected.lo);
        };
        long lowest = quotient(general.front()), highest = lowest;
        for (const auto& c : general) {
            lowest = std::min(lowest, quotient(c));
            highest = std::max(highest, quotient(c));
        }
        p.push_back(countProperty("lowest general quotient", r.lowestQuotient, lowest));
        p.push_back(countProperty("highest general quotient", r.highestQuotient, highest));
        p.push_back(countProperty("general cases with quotient 0", r.zeroQuotients,
                                  std::count_if(general.begin(), general.end(),
                                                [&](const Case& c) { return quotient(c) == 0; })));
        p.push_back(flagProperty(
            "every general quotient a one-instruction load, every remainder full-width",
            std::all_of(general.begin(), general.end(), [](const Case& c) {
                return loadWords(c.expected.lo) == 1 && isFullWidth(c.expected.hi);
            })));
    } else {
        p.push_back(flagProperty("no general HI or LO is 0 or 0xffffffff",
                                 std::none_of(general.begin(), general.end(), [](const Case& c) {
                                     return c.expected.lo == 0 || c.expected.hi == 0 ||
                                            c.expected.lo == 0xffffffff ||
                                            c.expected.hi == 0xffffffff;
                                 })));
    }
    p.push_back(flagProperty("0x80000000 is never an operand", count([](const Case& c) {
                                                                   return c.first == 0x80000000 ||
                                                                          c.second == 0x80000000;
                                                               }) == 0));
    std::vector<std::uint32_t> operands;
    for (const auto& c : cases)
        for (std::uint32_t v : {c.first, c.second})
            if (v != 0) operands.push_back(v);
    std::sort(operands.begin(), operands.end());
    p.push_back(
        flagProperty("no non-zero operand occurs twice",
                     std::adjacent_find(operands.begin(), operands.end()) == operands.end()));
    long many = 0;
    for (const auto& c : general)
        many += hasManyLowZeros(c.first) + hasManyLowZeros(c.second);
    const long total = 2 * long(general.size());
    p.push_back(rangeProperty("general operands with four or more low zero bits (about 37%)",
                              total * 35 / 100, (total * 39 + 99) / 100, many));

    bool tellingHold = true;
    for (const auto& t : r.telling) {
        int index = 0;
        bool found = false;
        for (const auto& c : cases) {
            if (c.block != t.block) continue;
            ++index;
            if ((t.index == 0 || t.index == index) && c.first == t.first && c.second == t.second)
                found = true;
        }
        tellingHold = tellingHold && found;
    }
    p.push_back(flagProperty("telling rows at their cases", tellingHold));
}

} // namespace

void buildMulDiv(Unit& u) {
    const MulDivRoutine& r = mulDivRoutine(u.number);
    const std::vector<Case> cases = drawCases(r);
    u.includes = {"muldiv.inc"};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        if (i == 0 || cases[i - 1].block != c.block) {
            if (i != 0) u.lines.emplace_back();
            u.lines.emplace_back(heading(c.block));
        }
        u.lines.push_back(
            caseLine(fmt::format("muldiv_case {}, {}, {}, {}, {}", r.mnemonic, hex32(c.expected.lo),
                                 hex32(c.expected.hi), hex32(c.first), hex32(c.second)),
                     static_cast<int>(i) + 1, kCallWidth));
        u.bodyWords += caseWords(c);
    }
    addProperties(u, r, cases);
}

} // namespace casegen
