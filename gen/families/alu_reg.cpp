// Register-register arithmetic, logic and compare routines: every case loads rs into t0, rt into
// t1 and the expected rd into v1, runs `op v0, t0, t1` and compares v0 with v1.
#include <fmt/format.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "../alu_layout.h"
#include "../alu_semantics.h"
#include "../families.h"
#include "../operand.h"

namespace casegen {
namespace {

using namespace alu;
using Pair = std::pair<std::uint32_t, std::uint32_t>;
using PairTest = bool (*)(std::uint32_t a, std::uint32_t b);

enum class Block { General, SecondZero, FirstZero, AllZero };

// One part of the general block: `count` cases whose operands satisfy `matches`.
struct Category {
    const char* name;
    int count;
    PairTest matches;
    Pair (*construct)(Rng&) = nullptr; // a candidate pair where random pairs seldom match
};

// A case whose operands are fixed; `index` is 1-based within its block, 0 for a general case
// at a position of the generator's choosing.
struct Telling {
    Block block;
    int index;
    std::uint32_t first, second;
};

// A counted property: `target` cases of `block` satisfy `holds`.
struct Count {
    const char* what;
    Block block;
    int target;
    PairTest holds;
};

struct Routine {
    std::string_view mnemonic;
    RegOp op;
    int general;
    std::vector<Category> categories; // a partition of the general block
    std::vector<Telling> telling{};
    std::vector<Count> counts{};
    int shortGeneralResults = -1; // general expected values with a one-instruction load; -1: any
    int secondZeroNegative = -1;  // first operands with bit 31 set; -1: as drawn
    int firstZeroNegative = -1;   // second operands with bit 31 set; -1: as drawn
    std::vector<std::pair<int, unsigned>> restricted{}; // case number, mask of categories allowed
};

struct Case {
    Block block;
    std::uint32_t first, second, expected;
};

constexpr int kZeroBlock = 50;

bool oppositeSigns(std::uint32_t a, std::uint32_t b) {
    return isNegative(a) != isNegative(b);
}
bool longResult(std::uint32_t v) {
    return loadWords(v) == 2;
}

// Operand pairs whose OR, AND or NOR fits a one-instruction load: built by clearing or setting
// bits of the second operand against the first.
Pair orShortPair(Rng& rng) {
    const std::uint32_t a = drawFullWidth(rng);
    return {a, (drawFullWidth(rng) | (~a & 0xffff0000u)) | 0x8000u};
}
Pair andUpperZeroPair(Rng& rng) {
    const std::uint32_t a = drawFullWidth(rng);
    return {a, drawFullWidth(rng) & ~(a & 0xffff0000u)};
}
Pair andLowerZeroPair(Rng& rng) {
    const std::uint32_t a = drawFullWidth(rng);
    return {a, drawFullWidth(rng) & ~(a & 0xffffu)};
}
Pair norLowerZeroPair(Rng& rng) {
    const std::uint32_t a = drawFullWidth(rng);
    return {a, drawFullWidth(rng) | (~a & 0xffffu)};
}
Pair norUpperZeroPair(Rng& rng) {
    const std::uint32_t a = drawFullWidth(rng);
    return {a, drawFullWidth(rng) | (~a & 0xffff0000u)};
}

// Predicates of operand pairs that the categories and counted properties are made of.
bool sumOverflows(std::uint32_t a, std::uint32_t b) {
    return addOverflows(a, b);
}
bool differenceOverflows(std::uint32_t a, std::uint32_t b) {
    return subOverflows(a, b);
}
bool firstNegativeOnly(std::uint32_t a, std::uint32_t b) {
    return isNegative(a) && !isNegative(b);
}
bool secondNegativeOnly(std::uint32_t a, std::uint32_t b) {
    return !isNegative(a) && isNegative(b);
}
bool bothPositive(std::uint32_t a, std::uint32_t b) {
    return !isNegative(a) && !isNegative(b);
}
bool bothNegative(std::uint32_t a, std::uint32_t b) {
    return isNegative(a) && isNegative(b);
}
bool signedBelow(std::uint32_t a, std::uint32_t b) {
    return signedOf(a) < signedOf(b);
}
bool unsignedBelow(std::uint32_t a, std::uint32_t b) {
    return a < b;
}

std::vector<Routine> routines() {
    using U = std::uint32_t;
    return {
        {.mnemonic = "addu",
         .op = RegOp::Addu,
         .general = 200,
         .categories = {{"overflow with carry", 20,
                         [](U a, U b) { return sumOverflows(a, b) && carries(a, b); }},
                        {"overflow without carry", 20,
                         [](U a, U b) { return sumOverflows(a, b) && !carries(a, b); }},
                        {"carry without overflow", 88,
                         [](U a, U b) { return !sumOverflows(a, b) && carries(a, b); }},
                        {"neither", 72,
                         [](U a, U b) { return !sumOverflows(a, b) && !carries(a, b); }}},
         .telling = {{Block::General, 1, 0x1adef300, 0x51dd58de},
                     {Block::General, 2, 0x9674ea60, 0xab475792},
                     {Block::SecondZero, 1, 0xd47dd056, 0}},
         .counts = {{"general cases whose signed sum overflows", Block::General, 40, sumOverflows},
                    {"general cases with an unsigned carry out", Block::General, 108, carries}},
         .shortGeneralResults = 0},
        {.mnemonic = "or",
         .op = RegOp::Or,
         .general = 200,
         .categories = {{"long result", 197, [](U a, U b) { return longResult(a | b); }},
                        {"short result", 3, [](U a, U b) { return !longResult(a | b); },
                         orShortPair}},
         .telling = {{Block::General, 1, 0x50e41484, 0xad35ea94},
                     {Block::General, 0, 0xf7e77584, 0x391da864}},
         .shortGeneralResults = 3},
        {.mnemonic = "slt",
         .op = RegOp::Slt,
         .general = 200,
         .categories = {{"negative first, positive second", 51, firstNegativeOnly},
                        {"positive first, negative second", 50, secondNegativeOnly},
                        {"same sign, first below second", 53,
                         [](U a, U b) { return !oppositeSigns(a, b) && signedBelow(a, b); }},
                        {"same sign, first above second", 46,
                         [](U a, U b) { return !oppositeSigns(a, b) && signedBelow(b, a); }}},
         .telling = {{Block::General, 1, 0x7245316a, 0x783506f0},
                     {Block::General, 3, 0x47974516, 0xb8fd4d1c},
                     {Block::SecondZero, 1, 0x5d1eb494, 0}},
         .counts = {{"general cases with operands of opposite sign", Block::General, 101,
                     oppositeSigns},
                    {"general cases expecting 1", Block::General, 104, signedBelow},
                    {"second-zero cases expecting 1", Block::SecondZero, 24, signedBelow},
                    {"first-zero cases expecting 1", Block::FirstZero, 23, signedBelow}},
         .secondZeroNegative = 24,
         .firstZeroNegative = 27,
         // An unsigned compare must first go wrong at case 3: case 2 keeps both signs equal.
         .restricted = {{2, 0b1100}}},
        {.mnemonic = "add",
         .op = RegOp::Add,
         .general = 149,
         .categories = {{"opposite signs with carry", 50,
                         [](U a, U b) { return oppositeSigns(a, b) && carries(a, b); }},
                        {"opposite signs without carry", 59,
                         [](U a, U b) { return oppositeSigns(a, b) && !carries(a, b); }},
                        {"both positive", 30, bothPositive},
                        {"both negative", 10, bothNegative}},
         .telling = {{Block::General, 1, 0x0480ff04, 0x40933204},
                     {Block::General, 4, 0x5bec25e2, 0xf96edfe4},
                     {Block::General, 12, 0x29690000, 0x8b34011c}},
         .counts = {{"general cases that overflow", Block::General, 0, sumOverflows},
                    {"second-zero cases that overflow", Block::SecondZero, 0, sumOverflows},
                    {"first-zero cases that overflow", Block::FirstZero, 0, sumOverflows},
                    {"general cases with an unsigned carry out", Block::General, 60, carries},
                    {"general cases with operands of opposite sign", Block::General, 109,
                     oppositeSigns}},
         .shortGeneralResults = 0},
        {.mnemonic = "sub",
         .op = RegOp::Sub,
         .general = 144,
         .categories = {{"same sign with borrow", 56,
                         [](U a, U b) { return !oppositeSigns(a, b) && borrows(a, b); }},
                        {"same sign without borrow", 45,
                         [](U a, U b) { return !oppositeSigns(a, b) && !borrows(a, b); }},
                        {"positive minus negative", 21, secondNegativeOnly},
                        {"negative minus positive", 22, firstNegativeOnly}},
         .telling = {{Block::General, 1, 0x14ffb0e6, 0x088cb248},
                     {Block::General, 2, 0x5c685e22, 0x5deb1abc},
                     {Block::General, 0, 0x953733c0, 0xc1c80000},
                     {Block::FirstZero, 1, 0, 0x32d53500}},
         .counts = {{"general cases that overflow", Block::General, 0, differenceOverflows},
                    {"second-zero cases that overflow", Block::SecondZero, 0, differenceOverflows},
                    {"first-zero cases that overflow", Block::FirstZero, 0, differenceOverflows},
                    {"general cases that borrow", Block::General, 77, borrows},
                    {"general cases with operands of opposite sign", Block::General, 43,
                     oppositeSigns}},
         .shortGeneralResults = 0},
        {.mnemonic = "subu",
         .op = RegOp::Subu,
         .general = 200,
         .categories = {{"overflow with borrow", 22,
                         [](U a, U b) { return differenceOverflows(a, b) && borrows(a, b); }},
                        {"overflow without borrow", 23,
                         [](U a, U b) { return differenceOverflows(a, b) && !borrows(a, b); }},
                        {"borrow without overflow", 69,
                         [](U a, U b) { return !differenceOverflows(a, b) && borrows(a, b); }},
                        {"neither", 86,
                         [](U a, U b) { return !differenceOverflows(a, b) && !borrows(a, b); }}},
         .telling = {{Block::General, 1, 0xd6fc0584, 0x5f9765a8},
                     {Block::FirstZero, 1, 0, 0x3f7b9fa8}},
         .counts = {{"general cases whose signed difference overflows", Block::General, 45,
                     differenceOverflows},
                    {"general cases that borrow", Block::General, 91, borrows}},
         .shortGeneralResults = 0},
        {.mnemonic = "sltu",
         .op = RegOp::Sltu,
         .general = 200,
         .categories = {{"positive first, negative second", 52, secondNegativeOnly},
                        {"negative first, positive second", 51, firstNegativeOnly},
                        {"same sign, first below second", 50,
                         [](U a, U b) { return !oppositeSigns(a, b) && a < b; }},
                        {"same sign, first above second", 47,
                         [](U a, U b) { return !oppositeSigns(a, b) && a > b; }}},
         .telling = {{Block::General, 1, 0x158f2b29, 0x421c0a42},
                     {Block::General, 2, 0x60343bf8, 0xdd17b30a},
                     {Block::FirstZero, 1, 0, 0xd2fb1bfc}},
         .counts = {{"general cases with operands of opposite sign", Block::General, 103,
                     oppositeSigns},
                    {"general cases expecting 1", Block::General, 102, unsignedBelow}}},
        {.mnemonic = "and",
         .op = RegOp::And,
         .general = 200,
         .categories = {{"long result", 193, [](U a, U b) { return longResult(a & b); }},
                        {"result in the lower half", 4,
                         [](U a, U b) { return (a & b) != 0 && (a & b) <= 0xffff; },
                         andUpperZeroPair},
                        {"result in the upper half", 3,
                         [](U a, U b) { return (a & b) > 0xffff && ((a & b) & 0xffff) == 0; },
                         andLowerZeroPair}},
         .telling = {{Block::General, 1, 0x5c95951a, 0xca00c414},
                     {Block::General, 0, 0x7156a5d8, 0x65b55820}},
         .counts = {{"general cases whose result is 0", Block::General, 0,
                     [](U a, U b) { return (a & b) == 0; }}},
         .shortGeneralResults = 7},
        {.mnemonic = "nor",
         .op = RegOp::Nor,
         .general = 200,
         .categories = {{"long result", 198, [](U a, U b) { return longResult(~(a | b)); }},
                        {"result in the lower half", 1, [](U a, U b) { return ~(a | b) <= 0xffff; },
                         norUpperZeroPair},
                        {"result in the upper half", 1,
                         [](U a, U b) { return ~(a | b) > 0xffff && (~(a | b) & 0xffff) == 0; },
                         norLowerZeroPair}},
         .telling = {{Block::General, 1, 0xad9cc00e, 0x38b7ec24}},
         .shortGeneralResults = 2},
        {.mnemonic = "xor",
         .op = RegOp::Xor,
         .general = 200,
         .categories = {{"long result", 200, [](U a, U b) { return longResult(a ^ b); }}},
         .telling = {{Block::General, 1, 0x1773df80, 0xb5af51d2}},
         .shortGeneralResults = 0},
    };
}

const Routine& routineFor(std::string_view mnemonic) {
    static const std::vector<Routine> table = routines();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const Routine& r) { return r.mnemonic == mnemonic; });
    if (it == table.end()) throw std::logic_error("no register-register routine of that name");
    return *it;
}

int blockStart(const Routine& r, Block block) {
    switch (block) {
    case Block::General: return 0;
    case Block::SecondZero: return r.general;
    case Block::FirstZero: return r.general + kZeroBlock;
    case Block::AllZero: return r.general + 2 * kZeroBlock;
    }
    return 0;
}

// Whether a general pair may stand in the routine at all: add and sub never overflow, and where
// the routine has no short general results, none slips in by chance.
bool generalPairFits(const Routine& r, std::uint32_t a, std::uint32_t b) {
    if (r.op == RegOp::Add && addOverflows(a, b)) return false;
    if (r.op == RegOp::Sub && subOverflows(a, b)) return false;
    return r.shortGeneralResults != 0 || longResult(evalReg(r.op, a, b));
}

struct Built {
    std::vector<Case> cases;
    std::vector<int> tellingAt; // position of each telling case, in the order of Routine::telling
};

Built buildCases(const Routine& r, int number) {
    Rng rng = rngFor(number);
    UsedValues used;
    for (const auto& t : r.telling) {
        used.take(t.first);
        used.take(t.second);
    }
    Built out;
    std::vector<const Telling*> at(r.general + 2 * kZeroBlock + 1, nullptr);
    for (const auto& t : r.telling) {
        int pos = blockStart(r, t.block) + t.index - 1;
        if (t.index == 0) { // a general case at a drawn position after the first
            do {
                pos = 1 + static_cast<int>(rng.below(r.general - 1));
            } while (at[pos]);
        }
        at[pos] = &t;
        out.tellingAt.push_back(pos);
    }

    // General block: the category of every position, then operands drawn to match it.
    std::vector<int> counts;
    for (const auto& c : r.categories)
        counts.push_back(c.count);
    std::vector<std::pair<int, int>> pinned;
    for (int pos = 0; pos < r.general; ++pos) {
        if (!at[pos]) continue;
        const auto match = std::find_if(r.categories.begin(), r.categories.end(), [&](auto& c) {
            return c.matches(at[pos]->first, at[pos]->second);
        });
        if (match == r.categories.end()) throw std::logic_error("telling case fits no category");
        pinned.emplace_back(pos, static_cast<int>(match - r.categories.begin()));
    }
    const auto allowed = [&](int pos, int category) {
        for (const auto& [caseNumber, mask] : r.restricted)
            if (pos == caseNumber - 1) return ((mask >> category) & 1) != 0;
        return true;
    };
    const std::vector<int> label = layoutCategories(rng, counts, pinned, allowed);
    for (int pos = 0; pos < r.general; ++pos) {
        std::uint32_t a = 0, b = 0;
        if (at[pos]) {
            a = at[pos]->first;
            b = at[pos]->second;
        } else {
            const Category& c = r.categories[label[pos]];
            for (;;) {
                std::tie(a, b) =
                    c.construct ? c.construct(rng) : Pair{drawFullWidth(rng), drawFullWidth(rng)};
                if (isFullWidth(a) && isFullWidth(b) && a != b && used.fresh(a) && used.fresh(b) &&
                    c.matches(a, b) && generalPairFits(r, a, b))
                    break;
            }
            used.take(a);
            used.take(b);
        }
        out.cases.push_back({Block::General, a, b, evalReg(r.op, a, b)});
    }

    // Zero blocks: one full-width operand, optionally with a fixed number of negative ones. The
    // expected value is then that operand, its negation or complement, or 0 or 1; an operand
    // whose complement would load in one instruction is left out so that every case keeps its
    // length.
    const auto zeroBlock = [&](Block block, int negatives) {
        const int start = blockStart(r, block);
        std::vector<int> sign(kZeroBlock, -1);
        if (negatives >= 0) {
            std::vector<std::pair<int, int>> pinnedSign;
            for (int i = 0; i < kZeroBlock; ++i)
                if (const Telling* t = at[start + i])
                    pinnedSign.emplace_back(i, isNegative(t->first | t->second) ? 1 : 0);
            sign = layoutCategories(rng, {kZeroBlock - negatives, negatives}, pinnedSign);
        }
        for (int i = 0; i < kZeroBlock; ++i) {
            std::uint32_t v = 0;
            if (const Telling* t = at[start + i]) {
                v = t->first | t->second;
            } else {
                for (;;) {
                    v = drawFullWidth(rng);
                    const std::uint32_t expected =
                        block == Block::SecondZero ? evalReg(r.op, v, 0) : evalReg(r.op, 0, v);
                    if (used.fresh(v) && (sign[i] < 0 || sign[i] == (isNegative(v) ? 1 : 0)) &&
                        (isFullWidth(expected) || expected <= 1))
                        break;
                }
                used.take(v);
            }
            const std::uint32_t a = block == Block::SecondZero ? v : 0;
            const std::uint32_t b = block == Block::SecondZero ? 0 : v;
            out.cases.push_back({block, a, b, evalReg(r.op, a, b)});
        }
    };
    zeroBlock(Block::SecondZero, r.secondZeroNegative);
    zeroBlock(Block::FirstZero, r.firstZeroNegative);
    out.cases.push_back({Block::AllZero, 0, 0, evalReg(r.op, 0, 0)});
    return out;
}

std::vector<Property> properties(const Routine& r, const Built& built) {
    const auto& cases = built.cases;
    std::vector<Property> props;
    const auto inBlock = [&](Block block, auto&& test) {
        return std::count_if(cases.begin(), cases.end(), [&](const Case& c) {
            return c.block == block && test(c.first, c.second);
        });
    };
    const auto any = [](std::uint32_t, std::uint32_t) { return true; };
    props.push_back(countProperty("general cases", r.general, inBlock(Block::General, any)));
    props.push_back(
        countProperty("second-zero cases", kZeroBlock, inBlock(Block::SecondZero, any)));
    props.push_back(countProperty("first-zero cases", kZeroBlock, inBlock(Block::FirstZero, any)));
    props.push_back(countProperty("all-zero cases", 1, inBlock(Block::AllZero, any)));
    // Each block's operand shape, and the blocks in their order.
    bool shapes = cases.size() == std::size_t(r.general + 2 * kZeroBlock + 1);
    for (std::size_t i = 0; i < cases.size() && shapes; ++i) {
        const Block want = int(i) < r.general                    ? Block::General
                           : int(i) < r.general + kZeroBlock     ? Block::SecondZero
                           : int(i) < r.general + 2 * kZeroBlock ? Block::FirstZero
                                                                 : Block::AllZero;
        const auto& c = cases[i];
        const bool zeroFirst = c.first == 0, zeroSecond = c.second == 0;
        shapes = c.block == want && (want == Block::General      ? !zeroFirst && !zeroSecond
                                     : want == Block::SecondZero ? !zeroFirst && zeroSecond
                                     : want == Block::FirstZero  ? zeroFirst && !zeroSecond
                                                                 : zeroFirst && zeroSecond);
    }
    props.push_back(flagProperty("blocks in order: general, second-, first-, all-zero", shapes));
    for (const auto& c : r.counts)
        props.push_back(countProperty(c.what, c.target, inBlock(c.block, c.holds)));
    if (r.shortGeneralResults >= 0)
        props.push_back(countProperty(
            "general expected values loaded by one instruction", r.shortGeneralResults,
            inBlock(Block::General, [&](std::uint32_t a, std::uint32_t b) {
                return loadWords(evalReg(r.op, a, b)) == 1;
            })));

    bool tellingHold = true;
    for (std::size_t k = 0; k < r.telling.size(); ++k) {
        const Case& c = cases[built.tellingAt[k]];
        tellingHold = tellingHold && c.first == r.telling[k].first &&
                      c.second == r.telling[k].second && c.block == r.telling[k].block;
    }
    props.push_back(flagProperty("telling cases at their places", tellingHold));

    std::vector<std::uint32_t> operands;
    for (const auto& c : cases)
        for (std::uint32_t v : {c.first, c.second})
            if (v != 0) operands.push_back(v);
    std::vector<std::uint32_t> sorted = operands;
    std::sort(sorted.begin(), sorted.end());
    props.push_back(flagProperty("no non-zero operand value occurs twice",
                                 std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()));
    props.push_back(flagProperty(
        "no general case has equal operands",
        inBlock(Block::General, [](std::uint32_t a, std::uint32_t b) { return a == b; }) == 0));
    props.push_back(
        flagProperty("no operand is 0x80000000, 0x7fffffff or 0xffffffff",
                     std::none_of(operands.begin(), operands.end(), [](std::uint32_t v) {
                         return v == 0x80000000u || v == 0x7fffffffu || v == 0xffffffffu;
                     })));
    std::size_t lowerHalfZero = 0;
    bool shaped = true;
    for (std::uint32_t v : operands) {
        if (isFullWidth(v)) continue;
        const bool luiOnly = (v & 0xffff) == 0 && loadWords(v) == 1;
        lowerHalfZero += luiOnly;
        shaped = shaped && luiOnly;
    }
    std::size_t luiOnlyTelling = 0;
    for (const auto& t : r.telling)
        for (std::uint32_t v : {t.first, t.second})
            luiOnlyTelling += v != 0 && (v & 0xffff) == 0;
    props.push_back(flagProperty("operands full-width, but for the telling lui-only ones",
                                 shaped && lowerHalfZero == luiOnlyTelling));
    const long n = static_cast<long>(operands.size());
    const auto share = [&](auto&& test) {
        return static_cast<long>(std::count_if(operands.begin(), operands.end(), test));
    };
    props.push_back(
        aboutShare("odd operands", share([](std::uint32_t v) { return v & 1; }), n, 1, 8));
    props.push_back(
        aboutShare("operands ending in a zero hex digit", share(lowHexDigitZero), n, 1, 3));
    props.push_back(aboutShare("negative operands", share(isNegative), n, 1, 2));
    return props;
}

std::string invocation(std::string_view mnemonic, const Case& c) {
    return fmt::format("alu_rr {}, {}, {}, {}", mnemonic, hex32(c.expected), hex32(c.first),
                       hex32(c.second));
}

const char* heading(Block block) {
    switch (block) {
    case Block::General: return "# both operands full-width";
    case Block::SecondZero: return "# second operand zero: the identity of the operation with 0";
    case Block::FirstZero: return "# first operand zero";
    case Block::AllZero: return "# both operands zero";
    }
    return "";
}

} // namespace

void buildAluReg(Unit& u) {
    const Routine& r = routineFor(u.mnemonic);
    const Built built = buildCases(r, u.number);
    u.includes = {"alu_reg.inc"};
    u.bodyWords = 0;
    for (std::size_t i = 0; i < built.cases.size(); ++i) {
        const Case& c = built.cases[i];
        if (i == 0 || built.cases[i - 1].block != c.block) u.lines.push_back(heading(c.block));
        u.lines.push_back(caseLine(invocation(r.mnemonic, c), static_cast<int>(i) + 1));
        u.bodyWords += loadWords(c.first) + loadWords(c.second) + loadWords(c.expected) + 3;
    }
    u.properties = properties(r, built);
}

} // namespace casegen
