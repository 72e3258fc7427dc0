// HI/LO move routines: every case writes a value into HI (or LO) and reads it straight back
// (hilo.inc). A move to HI is only seen through the move from it, so mfhi and mthi run the same
// template and differ in their values; likewise mflo and mtlo.
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

constexpr std::size_t kCallWidth = 28; // "hilo_case hi, 0x........"

struct MoveRoutine {
    int number;
    std::string_view reg; // "hi" or "lo": the register the case writes and reads
    int cases;
    int negative; // values with bit 31 set
    std::array<std::uint32_t, 2> first, last;
};

// In the order their values are drawn: no value may repeat across the four.
const std::array<MoveRoutine, 4>& moveRoutines() {
    static const std::array<MoveRoutine, 4> kRoutines{{
        {48, "hi", 115, 54, {0xbd5972d1, 0xb63e63e4}, {0x84747a80, 0}},
        {49, "lo", 115, 61, {0x08fc0000, 0xc021e948}, {0x7a82fb9e, 0}},
        {50, "hi", 107, 46, {0xa0fd56b0, 0x34036328}, {0x062991d6, 0}},
        {51, "lo", 60, 26, {0xc10d76f1, 0x6a7f52c1}, {0xee707bd0, 0}},
    }};
    return kRoutines;
}

const MoveRoutine& moveRoutine(int number) {
    for (const auto& r : moveRoutines())
        if (r.number == number) return r;
    throw std::logic_error("not a HI/LO move routine");
}

// The routine's values; `taken` holds those of the routines drawn before it.
std::vector<std::uint32_t> drawValues(const MoveRoutine& r, ValueSet& taken) {
    Rng rng = rngFor(r.number);
    std::vector<std::uint32_t> values(static_cast<std::size_t>(r.cases), 0);
    values[0] = r.first[0];
    values[1] = r.first[1];
    values[values.size() - 2] = r.last[0];
    values[values.size() - 1] = r.last[1];
    int negative = r.negative;
    for (const std::uint32_t v : values) {
        taken.take(v);
        negative -= isNegative(v);
    }
    const int open = r.cases - 4;
    const std::vector<int> sign = placeKinds(rng, {open - negative, negative});
    for (int i = 0; i < open; ++i) {
        std::uint32_t v;
        do {
            v = drawSigned(rng, sign[i] == 1);
        } while (!taken.fresh(v));
        taken.take(v);
        values[static_cast<std::size_t>(i) + 2] = v;
    }
    return values;
}

std::vector<std::uint32_t> valuesOf(int number) {
    ValueSet taken;
    std::vector<std::uint32_t> values;
    for (const auto& r : moveRoutines()) {
        values = drawValues(r, taken);
        if (r.number == number) break;
    }
    return values;
}

// Two operand loads and the four fixed steps: mt, mf, bne, nop.
int caseWords(std::uint32_t v) {
    return 2 * loadWords(v) + 4;
}

void addProperties(Unit& u, const MoveRoutine& r, const std::vector<std::uint32_t>& values) {
    auto& p = u.properties;
    const auto count = [&](auto pred) {
        return static_cast<long>(std::count_if(values.begin(), values.end(), pred));
    };
    p.push_back(countProperty("cases", r.cases, long(values.size())));
    p.push_back(
        flagProperty("the last value is 0 and the only 0",
                     values.back() == 0 && count([](std::uint32_t v) { return v == 0; }) == 1));
    const bool lowHalfZeroFirst = r.first[0] == 0x08fc0000;
    p.push_back(countProperty("full-width values", r.cases - 1 - (lowHalfZeroFirst ? 1 : 0),
                              count(isFullWidth)));
    p.push_back(countProperty("values with bit 31 set", r.negative, count(isNegative)));
    p.push_back(flagProperty("first and last two values as fixed",
                             values[0] == r.first[0] && values[1] == r.first[1] &&
                                 values[values.size() - 2] == r.last[0] &&
                                 values.back() == r.last[1]));

    // Unique against every value of the four routines, the final zeros aside.
    std::vector<std::uint32_t> all;
    for (const auto& other : moveRoutines()) {
        const auto list = other.number == r.number ? values : valuesOf(other.number);
        all.insert(all.end(), list.begin(), list.end() - 1);
    }
    std::sort(all.begin(), all.end());
    p.push_back(flagProperty("no value repeats in this or another HI/LO move routine",
                             std::adjacent_find(all.begin(), all.end()) == all.end()));
    for (const int words : {8, 6})
        p.push_back(countProperty(fmt::format("cases of {} instructions", words),
                                  words == 8 ? r.cases - 1 - (lowHalfZeroFirst ? 1 : 0)
                                             : 1 + (lowHalfZeroFirst ? 1 : 0),
                                  count([&](std::uint32_t v) { return caseWords(v) == words; })));
}

} // namespace

void buildHiLo(Unit& u) {
    const MoveRoutine& r = moveRoutine(u.number);
    const std::vector<std::uint32_t> values = valuesOf(u.number);
    u.includes = {"hilo.inc"};
    u.lines.push_back(fmt::format("# write {0} and read it straight back; the last value is 0",
                                  r.reg == "hi" ? "HI" : "LO"));
    for (std::size_t i = 0; i < values.size(); ++i) {
        u.lines.push_back(caseLine(fmt::format("hilo_case {}, {}", r.reg, hex32(values[i])),
                                   static_cast<int>(i) + 1, kCallWidth));
        u.bodyWords += caseWords(values[i]);
    }
    addProperties(u, r, values);
}

} // namespace casegen
