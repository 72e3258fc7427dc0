#pragma once
// The HI/LO move, multiply/divide and load/store routines as the tests expect the generator to
// write them, one table each, and what every one of them is checked for: its template file and
// case macro, and its cases by instruction count.
#include <array>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace coretest_gen_test {

// A HI/LO move routine.
struct MoveRow {
    const char* unit;
    const char* reg; // the register the cases write and read back
    int cases;
    int negative; // values with bit 31 set
    std::array<std::uint32_t, 2> first, last;
    std::map<int, int> lengths; // instructions: cases
};

[[maybe_unused]] inline void PrintTo(const MoveRow& e, std::ostream* os) {
    *os << e.unit;
}

inline const std::vector<MoveRow>& moveRoutines() {
    static const std::vector<MoveRow> kRoutines{
        {"n48_mfhi", "hi", 115, 54, {0xbd5972d1, 0xb63e63e4}, {0x84747a80, 0}, {{8, 114}, {6, 1}}},
        {"n49_mflo", "lo", 115, 61, {0x08fc0000, 0xc021e948}, {0x7a82fb9e, 0}, {{8, 113}, {6, 2}}},
        {"n50_mthi", "hi", 107, 46, {0xa0fd56b0, 0x34036328}, {0x062991d6, 0}, {{8, 106}, {6, 1}}},
        {"n51_mtlo", "lo", 60, 26, {0xc10d76f1, 0x6a7f52c1}, {0xee707bd0, 0}, {{8, 59}, {6, 1}}},
    };
    return kRoutines;
}

enum class Op { Div, Divu, Mult, Multu };

// A multiply or divide routine.
struct MulDivRow {
    const char* unit;
    const char* op;
    Op kind;
    std::array<int, 4> blocks; // general, second-zero, first-zero, all-zero
    std::array<int, 4> signs;  // (+,+), (+,-), (-,+), (-,-) of the general block
    int lowestQuotient, highestQuotient, zeroQuotients;
    std::map<int, int> lengths; // instructions: cases
};

[[maybe_unused]] inline void PrintTo(const MulDivRow& e, std::ostream* os) {
    *os << e.unit;
}

inline const std::vector<MulDivRow>& mulDivRoutines() {
    static const std::vector<MulDivRow> kRoutines{
        {"n44_div",
         "div",
         Op::Div,
         {119, 0, 3, 0},
         {28, 28, 24, 39},
         -51,
         20,
         44,
         {{14, 119}, {12, 3}}},
        {"n45_divu",
         "divu",
         Op::Divu,
         {171, 0, 7, 0},
         {45, 37, 49, 40},
         0,
         139,
         87,
         {{14, 171}, {12, 7}}},
        {"n46_mult",
         "mult",
         Op::Mult,
         {138, 12, 8, 1},
         {31, 28, 37, 42},
         0,
         0,
         0,
         {{15, 136}, {14, 2}, {12, 20}, {11, 1}}},
        {"n47_multu",
         "multu",
         Op::Multu,
         {131, 6, 4, 1},
         {38, 32, 30, 31},
         0,
         0,
         0,
         {{15, 130}, {14, 1}, {12, 10}, {11, 1}}},
    };
    return kRoutines;
}

// A load or store routine.
struct LoadStoreRow {
    const char* unit;
    const char* macro;
    std::uint32_t lowerDistance;
    bool lwChain; // the chain order of the lw cases (upper neighbour first)
    int scattered, fixed, zeroOffset;
    int scatteredLong, fixedLong;
    std::uint32_t baseLow, baseHigh;
    std::uint32_t scatteredOffsetLow, scatteredOffsetHigh;
    std::uint32_t fixedOffsetLow, fixedOffsetHigh;
    std::uint32_t windowLow, windowHigh;
    int firstLong;
    std::map<int, int> lengths; // instructions: cases
};

[[maybe_unused]] inline void PrintTo(const LoadStoreRow& e, std::ostream* os) {
    *os << e.unit;
}

inline const std::vector<LoadStoreRow>& loadStoreRoutines() {
    static const std::vector<LoadStoreRow> kRoutines{
        {"n6_lw",
         "lw_case",
         8,
         true,
         23,
         23,
         17,
         7,
         9,
         0x800202d8,
         0x8002f660,
         0x1b0,
         0xb058,
         0x828,
         0xfec4,
         0x800212ac,
         0x8003fec8,
         8,
         {{17, 16}, {31, 7}, {16, 31}, {30, 9}, {14, 1}}},
        {"n12_sw",
         "sw_case",
         4,
         false,
         32,
         21,
         15,
         11,
         10,
         0x800202a8,
         0x8002b040,
         0x3c0,
         0xec90,
         0x307c,
         0xfba0,
         0x800242bc,
         0x8003fba4,
         4,
         {{17, 21}, {31, 11}, {16, 26}, {30, 10}, {14, 1}}},
    };
    return kRoutines;
}

// A routine of any of the three tables: its unit, the template file and macro of its cases, and
// its cases by instruction count.
struct DataUnit {
    std::string unit;
    std::string include;
    std::string macro;
    std::map<int, int> lengths;
};

[[maybe_unused]] inline void PrintTo(const DataUnit& d, std::ostream* os) {
    *os << d.unit;
}

inline std::vector<DataUnit> dataUnits() {
    std::vector<DataUnit> all;
    for (const auto& r : moveRoutines())
        all.push_back({r.unit, "hilo.inc", "hilo_case", r.lengths});
    for (const auto& r : mulDivRoutines())
        all.push_back({r.unit, "muldiv.inc", "muldiv_case", r.lengths});
    for (const auto& r : loadStoreRoutines())
        all.push_back({r.unit, "memory.inc", r.macro, r.lengths});
    return all;
}

} // namespace coretest_gen_test
