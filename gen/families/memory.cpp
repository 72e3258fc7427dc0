// Word load and store routines: every case stores a data word at base + offset, surrounds it with
// two neighbour words that hold their own bases, reads it back and runs a chain of dependent loads
// through the neighbours. lw and sw share the template and differ in the lower neighbour and the
// chain order (memory.inc).
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "../families.h"
#include "../mem_draw.h"
#include "../operand.h"

namespace casegen {
namespace {

using namespace mem;

constexpr std::uint32_t kFixedBase = 0x80030000;
// Offsets from here on do not fit the signed displacement: the template adds 0x10000 to the base.
constexpr std::uint32_t kLongOffset = 0x8000;
constexpr std::uint32_t kRamEnd = 0x80040000;
constexpr int kAttempts = 1 << 20;
constexpr std::size_t kCallWidth = 40; // "lw_case 0x........, 0x........, 0x...."

enum class Group { Scattered, FixedBase, ZeroOffset, ZeroData };

struct WordCase {
    Group group;
    std::uint32_t value, base, offset;
    bool isLong() const { return offset >= kLongOffset; }
};

struct Bounds {
    std::uint32_t low, high;
    bool holds(std::uint32_t v) const { return v >= low && v <= high; }
};

struct Telling {
    int number; // 1-based case
    std::uint32_t value, base, offset;
};

// The neighbour-base registers of the template, and one chained load: destination and base.
enum ChainReg { kA0, kA1, kA2 };
struct ChainLoad {
    ChainReg dest, base;
};

struct WordRoutine {
    int number;
    std::string_view macro;
    std::uint32_t lowerDistance;    // the lower neighbour's base lies this far below the base
    std::array<ChainLoad, 3> chain; // as lw_chain / sw_chain in memory.inc run them
    int scattered;
    Bounds scatteredBases, scatteredOffsets;
    int scatteredLong;
    int fixed;
    Bounds fixedOffsets;
    int fixedLong;
    int zeroOffset;
    Bounds window; // lowest and highest word address the cases access
    int firstLong;
    std::vector<Telling> telling;

    int cases() const { return scattered + fixed + zeroOffset + 1; }
    std::uint32_t lowestWord(const WordCase& c) const { return c.base + c.offset - lowerDistance; }
    static std::uint32_t highestWord(const WordCase& c) { return c.base + c.offset + 4; }
};

const std::array<WordRoutine, 2>& wordRoutines() {
    static const std::array<WordRoutine, 2> kRoutines{{
        {.number = 6,
         .macro = "lw_case",
         .lowerDistance = 8,
         .chain = {{{kA1, kA0}, {kA0, kA1}, {kA2, kA1}}},
         .scattered = 23,
         .scatteredBases = {0x800202d8, 0x8002f660},
         .scatteredOffsets = {0x1b0, 0xb058},
         .scatteredLong = 7,
         .fixed = 23,
         .fixedOffsets = {0x828, 0xfec4},
         .fixedLong = 9,
         .zeroOffset = 17,
         .window = {0x800212ac, 0x8003fec8},
         .firstLong = 8,
         .telling = {{1, 0xc822c7e8, 0x800234c0, 0x66a8},
                     {8, 0x28c90aca, 0x80023840, 0xb058},
                     {24, 0x3a4e6338, kFixedBase, 0xeba8},
                     {47, 0x2b1ea090, kFixedBase, 0},
                     {64, 0, kFixedBase, 0}}},
        {.number = 12,
         .macro = "sw_case",
         .lowerDistance = 4,
         .chain = {{{kA0, kA1}, {kA1, kA0}, {kA2, kA1}}},
         .scattered = 32,
         .scatteredBases = {0x800202a8, 0x8002b040},
         .scatteredOffsets = {0x3c0, 0xec90},
         .scatteredLong = 11,
         .fixed = 21,
         .fixedOffsets = {0x307c, 0xfba0},
         .fixedLong = 10,
         .zeroOffset = 15,
         .window = {0x800242bc, 0x8003fba4},
         .firstLong = 4,
         .telling = {{1, 0x61754443, 0x800277a0, 0x7b14},
                     {4, 0x516da739, 0x800260cc, 0x8950},
                     {33, 0xac52b354, kFixedBase, 0xc3dc},
                     {54, 0x5de6e330, kFixedBase, 0},
                     {69, 0, kFixedBase, 0}}},
    }};
    return kRoutines;
}

const WordRoutine& wordRoutine(int number) {
    for (const auto& r : wordRoutines())
        if (r.number == number) return r;
    throw std::logic_error("not a load/store routine");
}

const Telling* tellingAt(const WordRoutine& r, int number) {
    for (const auto& t : r.telling)
        if (t.number == number) return &t;
    return nullptr;
}

// A data word: both halves non-zero (two-instruction load) and never one of the neighbour
// values, which are RAM addresses, so that a stale word can never pass for the expected one.
bool goodDataWord(std::uint32_t v) {
    return isFullWidth(v) && !(v >= 0x80000000 && v < kRamEnd);
}

// A multiple of 4 in [low, high], which must hold one.
std::uint32_t alignedIn(Rng& rng, std::uint32_t low, std::uint32_t high) {
    if (low > high) throw std::logic_error("empty range");
    const std::uint32_t first = (low + 3) & ~3u, last = high & ~3u;
    return first + 4 * rng.below((last - first) / 4 + 1);
}

// What one base/offset block must contain: how many cases, which are long, and the extreme
// values of its bounds that some case must take.
struct BlockPlan {
    std::vector<bool> isLong;
    std::vector<std::uint32_t> base, offset; // 0: free to draw
};

// Offsets a case of the block may take, given the routine's window and, in the scattered block,
// that a long-offset access with a zero-extended displacement (0x10000 higher) is still RAM. The
// fixed base leaves no such room: there a zero-extended long offset lands above the RAM.
struct Placement {
    const WordRoutine& r;
    Bounds offsets;
    bool zeroExtendedInRam;

    // Empty (low > high) when no offset fits.
    Bounds offsetsFor(std::uint32_t base, bool isLong) const {
        using W = std::int64_t;
        W low = std::max<W>(offsets.low, W{r.window.low} + r.lowerDistance - base);
        W high = std::min<W>(offsets.high, W{r.window.high} - 4 - base);
        if (isLong) {
            low = std::max<W>(low, kLongOffset);
            if (zeroExtendedInRam) high = std::min<W>(high, W{kRamEnd} - 0x10000 - 8 - base);
        } else {
            high = std::min<W>(high, kLongOffset - 4);
        }
        if (low > high) return {1, 0};
        return {static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(high)};
    }
};

// Positions of the block's long offsets: pinned by its telling rows, none before the routine's
// first long offset, the rest at random.
BlockPlan planBlock(Rng& rng, const WordRoutine& r, int first, int count, int longCount) {
    BlockPlan plan{std::vector<bool>(count), std::vector<std::uint32_t>(count),
                   std::vector<std::uint32_t>(count)};
    std::vector<int> open;
    for (int i = 0; i < count; ++i) {
        const int number = first + i;
        if (const Telling* t = tellingAt(r, number)) {
            plan.isLong[i] = t->offset >= kLongOffset;
            plan.base[i] = t->base;
            plan.offset[i] = t->offset;
            longCount -= plan.isLong[i] ? 1 : 0;
        } else if (number > r.firstLong) {
            open.push_back(i);
        }
    }
    shuffle(open, rng);
    for (int k = 0; k < longCount; ++k)
        plan.isLong[open.at(k)] = true;
    return plan;
}

// Gives some free case of the right length the value `base`/`offset` (0 = draw).
void pinExtreme(Rng& rng, BlockPlan& plan, bool isLong, std::uint32_t base, std::uint32_t offset) {
    std::vector<int> free;
    for (std::size_t i = 0; i < plan.isLong.size(); ++i)
        if (plan.isLong[i] == isLong && plan.base[i] == 0 && plan.offset[i] == 0)
            free.push_back(static_cast<int>(i));
    const int i = free.at(rng.below(static_cast<std::uint32_t>(free.size())));
    plan.base[i] = base;
    plan.offset[i] = offset;
}

bool anyOffset(const BlockPlan& plan, std::uint32_t offset) {
    return std::find(plan.offset.begin(), plan.offset.end(), offset) != plan.offset.end();
}

// Bases and offsets of the scattered block: distinct bases (two-instruction loads), every extreme
// of the bounds and the lowest word of the window taken by some case.
void drawScattered(Rng& rng, const WordRoutine& r, std::vector<WordCase>& out) {
    const Placement place{r, r.scatteredOffsets, true};
    BlockPlan plan = planBlock(rng, r, 1, r.scattered, r.scatteredLong);
    // The lowest base also reaches the lowest word of the window.
    pinExtreme(rng, plan, false, r.scatteredBases.low,
               r.window.low + r.lowerDistance - r.scatteredBases.low);
    pinExtreme(rng, plan, false, r.scatteredBases.high, 0);
    if (!anyOffset(plan, r.scatteredOffsets.low))
        pinExtreme(rng, plan, false, 0, r.scatteredOffsets.low);
    if (!anyOffset(plan, r.scatteredOffsets.high))
        pinExtreme(rng, plan, r.scatteredOffsets.high >= kLongOffset, 0, r.scatteredOffsets.high);

    std::vector<std::uint32_t> bases;
    for (std::uint32_t b : plan.base)
        if (b != 0) bases.push_back(b);
    const auto taken = [&](std::uint32_t b) {
        return std::find(bases.begin(), bases.end(), b) != bases.end();
    };
    for (int i = 0; i < r.scattered; ++i) {
        std::uint32_t base = plan.base[i], offset = plan.offset[i];
        for (int attempt = 0;; ++attempt) {
            if (attempt == kAttempts) throw std::logic_error("no base and offset fit a case");
            if (plan.base[i] == 0) {
                base = alignedIn(rng, r.scatteredBases.low, r.scatteredBases.high);
                if ((base & 0xffff) == 0 || taken(base)) continue;
            }
            const Bounds fits = place.offsetsFor(base, plan.isLong[i]);
            if (fits.low > fits.high) continue;
            if (plan.offset[i] == 0) offset = alignedIn(rng, fits.low, fits.high);
            if (fits.holds(offset)) break;
        }
        if (plan.base[i] == 0) bases.push_back(base);
        out.push_back({Group::Scattered, 0, base, offset});
    }
}

// Offsets of the fixed-base block: distinct, both extremes taken.
void drawFixedBase(Rng& rng, const WordRoutine& r, std::vector<WordCase>& out) {
    const Placement place{r, r.fixedOffsets, false};
    BlockPlan plan = planBlock(rng, r, r.scattered + 1, r.fixed, r.fixedLong);
    if (!anyOffset(plan, r.fixedOffsets.low))
        pinExtreme(rng, plan, r.fixedOffsets.low >= kLongOffset, 0, r.fixedOffsets.low);
    if (!anyOffset(plan, r.fixedOffsets.high))
        pinExtreme(rng, plan, r.fixedOffsets.high >= kLongOffset, 0, r.fixedOffsets.high);
    std::vector<std::uint32_t> offsets = plan.offset;
    for (int i = 0; i < r.fixed; ++i) {
        std::uint32_t offset = plan.offset[i];
        while (offset == 0) {
            const Bounds fits = place.offsetsFor(kFixedBase, plan.isLong[i]);
            const std::uint32_t d = alignedIn(rng, fits.low, fits.high);
            if (std::find(offsets.begin(), offsets.end(), d) == offsets.end()) offset = d;
        }
        offsets[i] = offset;
        out.push_back({Group::FixedBase, 0, kFixedBase, offset});
    }
}

// The routine's cases; `taken` collects the data words of the routines built before it.
std::vector<WordCase> drawCases(const WordRoutine& r, ValueSet& taken) {
    Rng rng = rngFor(r.number);
    std::vector<WordCase> cases;
    drawScattered(rng, r, cases);
    drawFixedBase(rng, r, cases);
    for (int i = 0; i < r.zeroOffset; ++i)
        cases.push_back({Group::ZeroOffset, 0, kFixedBase, 0});
    cases.push_back({Group::ZeroData, 0, kFixedBase, 0});

    for (const auto& t : r.telling)
        taken.take(t.value);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (const Telling* t = tellingAt(r, static_cast<int>(i) + 1)) {
            cases[i].value = t->value;
            continue;
        }
        std::uint32_t v;
        do {
            v = drawFullWidth(rng);
        } while (!goodDataWord(v) || !taken.fresh(v));
        taken.take(v);
        cases[i].value = v;
    }
    return cases;
}

// Cases of routine `number`, with data words unique across both routines (lw first).
std::vector<WordCase> casesOf(int number) {
    ValueSet taken;
    std::vector<WordCase> cases;
    for (const auto& r : wordRoutines()) {
        cases = drawCases(r, taken);
        if (r.number == number) break;
    }
    return cases;
}

// Loads of V twice and of the base, the template's eleven fixed steps, and two more instructions
// for each of the seven accesses in the long-offset form.
int caseWords(const WordCase& c) {
    return 2 * loadWords(c.value) + loadWords(c.base) + 11 + (c.isLong() ? 14 : 0);
}

// Whether every chained load of the case reads one of the three words the case stored. Without
// forwarding a load's base register still holds its old value when the load just before wrote
// it; only the short form has such back-to-back pairs (a lui stands between them otherwise).
bool chainStaysInCase(const WordRoutine& r, const WordCase& c, bool forwarding) {
    const std::uint32_t upper = c.base + 4, lower = c.base - r.lowerDistance;
    const std::array<std::pair<std::uint32_t, std::uint32_t>, 3> words{
        {{c.base + c.offset, c.value}, {upper + c.offset, upper}, {lower + c.offset, lower}}};
    std::array<std::uint32_t, 3> reg{upper, lower, 0};
    const ChainLoad* previous = nullptr;
    std::uint32_t previousOld = 0;
    for (const ChainLoad& load : r.chain) {
        const bool stale = !forwarding && !c.isLong() && previous && previous->dest == load.base;
        const std::uint32_t address = (stale ? previousOld : reg[load.base]) + c.offset;
        const auto word = std::find_if(words.begin(), words.end(),
                                       [&](const auto& w) { return w.first == address; });
        if (word == words.end()) return false;
        previousOld = reg[load.dest];
        previous = &load;
        reg[load.dest] = word->second;
    }
    return true;
}

Property hexProperty(std::string name, std::uint32_t target, std::uint32_t actual) {
    return {std::move(name), hex32(target), hex32(actual), target == actual};
}

std::string_view heading(Group g) {
    switch (g) {
    case Group::Scattered: return "# scattered bases, short and long offsets";
    case Group::FixedBase: return "# base 0x80030000, short and long offsets";
    case Group::ZeroOffset: return "# base 0x80030000, offset 0: the same three words each case";
    case Group::ZeroData: return "# zero data: the store must replace the word left non-zero above";
    }
    return "";
}

void addProperties(Unit& u, const WordRoutine& r, const std::vector<WordCase>& cases) {
    const auto count = [&](auto pred) {
        return static_cast<long>(std::count_if(cases.begin(), cases.end(), pred));
    };
    const auto inGroup = [&](Group g) {
        std::vector<WordCase> in;
        for (const auto& c : cases)
            if (c.group == g) in.push_back(c);
        return in;
    };
    auto& p = u.properties;
    p.push_back(countProperty("cases", r.cases(), static_cast<long>(cases.size())));

    const auto scattered = inGroup(Group::Scattered);
    const auto fixed = inGroup(Group::FixedBase);
    const auto byBase = [](const WordCase& a, const WordCase& b) { return a.base < b.base; };
    const auto byOffset = [](const WordCase& a, const WordCase& b) { return a.offset < b.offset; };
    const auto longs = [](const std::vector<WordCase>& in) {
        return static_cast<long>(
            std::count_if(in.begin(), in.end(), [](const WordCase& c) { return c.isLong(); }));
    };
    std::vector<std::uint32_t> bases;
    for (const auto& c : scattered)
        bases.push_back(c.base);
    std::sort(bases.begin(), bases.end());
    const long distinct = std::unique(bases.begin(), bases.end()) - bases.begin();

    p.push_back(countProperty("scattered-base cases", r.scattered, long(scattered.size())));
    p.push_back(countProperty("distinct scattered bases", r.scattered, distinct));
    p.push_back(hexProperty("lowest scattered base", r.scatteredBases.low,
                            std::min_element(scattered.begin(), scattered.end(), byBase)->base));
    p.push_back(hexProperty("highest scattered base", r.scatteredBases.high,
                            std::max_element(scattered.begin(), scattered.end(), byBase)->base));
    p.push_back(
        hexProperty("lowest scattered offset", r.scatteredOffsets.low,
                    std::min_element(scattered.begin(), scattered.end(), byOffset)->offset));
    p.push_back(
        hexProperty("highest scattered offset", r.scatteredOffsets.high,
                    std::max_element(scattered.begin(), scattered.end(), byOffset)->offset));
    p.push_back(countProperty("scattered long-offset cases", r.scatteredLong, longs(scattered)));
    long firstLong = 0;
    for (std::size_t i = 0; i < cases.size() && !firstLong; ++i)
        if (cases[i].isLong()) firstLong = long(i) + 1;
    p.push_back(countProperty("first long-offset case", r.firstLong, firstLong));

    p.push_back(countProperty("fixed-base cases", r.fixed, long(fixed.size())));
    p.push_back(hexProperty("lowest fixed-base offset", r.fixedOffsets.low,
                            std::min_element(fixed.begin(), fixed.end(), byOffset)->offset));
    p.push_back(hexProperty("highest fixed-base offset", r.fixedOffsets.high,
                            std::max_element(fixed.begin(), fixed.end(), byOffset)->offset));
    p.push_back(countProperty("fixed-base long-offset cases", r.fixedLong, longs(fixed)));
    p.push_back(
        countProperty("zero-offset cases", r.zeroOffset, long(inGroup(Group::ZeroOffset).size())));
    p.push_back(flagProperty("zero-data case is the last and the only one",
                             cases.back().value == 0 &&
                                 count([](const WordCase& c) { return c.value == 0; }) == 1));
    p.push_back(flagProperty("fixed-base, zero-offset and zero-data cases use base 0x80030000",
                             std::all_of(cases.begin() + r.scattered, cases.end(),
                                         [](const WordCase& c) { return c.base == kFixedBase; })));

    std::vector<std::uint32_t> values;
    for (const auto& c : cases)
        if (c.value != 0) values.push_back(c.value);
    p.push_back(flagProperty("every other data word has both halves non-zero",
                             std::all_of(values.begin(), values.end(), isFullWidth)));
    std::sort(values.begin(), values.end());
    p.push_back(flagProperty("no data word repeats",
                             std::adjacent_find(values.begin(), values.end()) == values.end()));

    std::uint32_t lowest = 0xffffffff, highest = 0;
    for (const auto& c : cases) {
        lowest = std::min(lowest, r.lowestWord(c));
        highest = std::max(highest, WordRoutine::highestWord(c));
    }
    p.push_back(hexProperty("lowest word accessed", r.window.low, lowest));
    p.push_back(hexProperty("highest word accessed", r.window.high, highest));
    p.push_back(
        flagProperty("every base and offset is a multiple of 4",
                     count([](const WordCase& c) { return (c.base | c.offset) & 3; }) == 0));
    p.push_back(
        flagProperty("scattered long offsets stay in RAM with a zero-extended displacement",
                     std::all_of(scattered.begin(), scattered.end(), [&](const WordCase& c) {
                         return !c.isLong() || WordRoutine::highestWord(c) + 0x10000 < kRamEnd;
                     })));

    bool tellingHold = true;
    for (const auto& t : r.telling) {
        const WordCase& c = cases.at(static_cast<std::size_t>(t.number - 1));
        tellingHold = tellingHold && c.value == t.value && c.base == t.base && c.offset == t.offset;
    }
    p.push_back(flagProperty("telling rows at their cases", tellingHold));
    p.push_back(flagProperty(
        "chained loads read only the case's own words, with or without load forwarding",
        std::all_of(cases.begin(), cases.end(), [&](const WordCase& c) {
            return chainStaysInCase(r, c, true) && chainStaysInCase(r, c, false);
        })));

    for (const int words : {17, 16, 14, 31, 30}) {
        const long target = [&]() -> long {
            switch (words) {
            case 17: return r.scattered - r.scatteredLong;
            case 16: return r.fixed - r.fixedLong + r.zeroOffset;
            case 14: return 1;
            case 31: return r.scatteredLong;
            default: return r.fixedLong;
            }
        }();
        p.push_back(countProperty(fmt::format("cases of {} instructions", words), target,
                                  count([&](const WordCase& c) { return caseWords(c) == words; })));
    }
}

} // namespace

void buildMemory(Unit& u) {
    const WordRoutine& r = wordRoutine(u.number);
    const std::vector<WordCase> cases = casesOf(u.number);
    u.includes = {"memory.inc"};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const WordCase& c = cases[i];
        if (i == 0 || cases[i - 1].group != c.group) {
            if (i != 0) u.lines.emplace_back();
            u.lines.emplace_back(heading(c.group));
        }
        u.lines.push_back(caseLine(
            fmt::format("{} {}, {}, {}", r.macro, hex32(c.value), hex32(c.base), hex16(c.offset)),
            static_cast<int>(i) + 1, kCallWidth));
        u.bodyWords += caseWords(c);
    }
    addProperties(u, r, cases);
}

} // namespace casegen
