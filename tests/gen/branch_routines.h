#pragma once
// The control-transfer routines as the tests expect the generator to write them: the
// conditional branches, the branches that link, and the jumps, one table each, and the layout
// every one of them is checked for (unit and cases by instruction count).
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "branch_support.h"

namespace branch_test {

// The operands of a two-operand case: different words, the same word, or zeros.
enum class Shape { DifferentWords, SameWord, SecondZero, FirstZero, BothZero };

// Cases first to last of one shape and outcome.
struct Group {
    int first;
    int last;
    Shape shape;
    bool taken;
};

// A conditional-branch routine.
struct BranchRow {
    std::string unit;
    Transfer branch;
    bool clearsWithLui;
    bool filler;
    int cases;
    int taken;
    int notTaken;
    std::vector<Group> groups; // beq, bne
    RandomRun run;             // bgez, bgtz, blez, bltz
    std::vector<FixedCase> fixed;
    std::map<int, int> lengths; // instructions: cases
};

inline bool twoOperands(const BranchRow& r) {
    return r.branch == Transfer::Beq || r.branch == Transfer::Bne;
}

// A branch-and-link routine.
struct LinkRow {
    std::string unit;
    Transfer branch;
    int cases;
    int taken;
    int notTaken;
    RandomRun run;
    std::vector<FixedCase> fixed;
    std::map<int, int> lengths; // instructions: cases
};

enum class Jump { J, Jal, Jr, Jalr };

// A jump routine: its case count and length, and the markers of its first and last case.
struct JumpRow {
    std::string unit;
    Jump jump;
    int cases;
    int caseWords;
    CaseMarkers first;
    CaseMarkers last;
};

// Test names and failure messages show the unit, not the bytes of the table row.
[[maybe_unused]] inline void PrintTo(const BranchRow& r, std::ostream* os) {
    *os << r.unit;
}
[[maybe_unused]] inline void PrintTo(const LinkRow& r, std::ostream* os) {
    *os << r.unit;
}
[[maybe_unused]] inline void PrintTo(const JumpRow& r, std::ostream* os) {
    *os << r.unit;
}

inline const std::vector<BranchRow>& branchRoutines() {
    static const std::vector<BranchRow> kTable{
        {"n4_beq",
         Transfer::Beq,
         true,
         true,
         104,
         49,
         55,
         {{1, 32, Shape::DifferentWords, false},
          {33, 80, Shape::SameWord, true},
          {81, 90, Shape::SecondZero, false},
          {91, 103, Shape::FirstZero, false},
          {104, 104, Shape::BothZero, true}},
         {},
         {{1, {0x52919078, 0x81468400}, 0x0fb16a80, 0xdf225ddc, false},
          {33, {0x62fb4a80, 0x62fb4a80}, 0x166a1ae0, 0x107af4b4, true},
          {81, {0x37a00820, 0}, 0xa03a8bd0, 0x69dccece, false},
          {104, {0, 0}, 0xfc98d552, 0xca9087ec, true}},
         {{30, 48}, {28, 33}, {27, 23}}},
        {"n5_bne",
         Transfer::Bne,
         true,
         true,
         153,
         104,
         49,
         {{1, 66, Shape::DifferentWords, true},
          {67, 114, Shape::SameWord, false},
          {115, 132, Shape::SecondZero, true},
          {133, 152, Shape::FirstZero, true},
          {153, 153, Shape::BothZero, false}},
         {},
         {{1, {0xbcaabd27, 0x82a77a9d}, 0x235fde00, 0xdd597dde, true},
          {67, {0xdbd8b1e0, 0xdbd8b1e0}, 0x846d8928, 0xa920a654, false},
          {153, {0, 0}, 0x1744192c, 0x0b48f1f0, false}},
         {{30, 66}, {29, 38}, {28, 48}, {26, 1}}},
        {"n37_bgez",
         Transfer::Bgez,
         false,
         true,
         201,
         95,
         106,
         {},
         {106, 94, 6, 1, true},
         {{1, {0xdd4f1370}, 0xbe6e1670, 0x28b850c0, false},
          {201, {0}, 0x1f139900, 0xaf6531c4, true}},
         {{28, 94}, {27, 1}, {26, 105}, {25, 1}}},
        {"n38_bgtz",
         Transfer::Bgtz,
         false,
         true,
         201,
         91,
         110,
         {},
         {109, 91, 3, 1, false},
         {{201, {0}, 0x79bb8050, 0xa7583a00, false}},
         {{28, 91}, {26, 109}, {25, 1}}},
        {"n39_blez",
         Transfer::Blez,
         false,
         true,
         201,
         95,
         106,
         {},
         {94, 106, 1, 2, true},
         {{1, {0x95b9206f}, 0x6ad0a0b8, 0x8f08db03, true},
          {201, {0}, 0xbb9734a0, 0xff0af084, true}},
         {{28, 94}, {27, 1}, {26, 106}}},
        {"n40_bltz",
         Transfer::Bltz,
         false,
         false,
         153,
         81,
         72,
         {},
         {81, 71, 1, 6, false},
         {{1, {0x9e0d7d08}, 0x933a7610, 0xee034360, true},
          {153, {0}, 0x5f7d6c5f, 0x632c31aa, false}},
         {{26, 81}, {24, 71}, {23, 1}}},
    };
    return kTable;
}

inline const std::vector<LinkRow>& linkRoutines() {
    static const std::vector<LinkRow> kTable{
        {"n41_bltzal",
         Transfer::Bltzal,
         139,
         72,
         67,
         {72, 66, 1, 2, false},
         {{1, {0xc564aaee}, 0xf1026890, 0x39dd5800, true},
          {2, {0x655e408b}, 0x6c41162c, 0x8d5cd86f, false},
          {139, {0}, 0xafbac4d4, 0xf06fb6ae, false}},
         {{41, 72}, {39, 66}, {38, 1}}},
        {"n42_bgezal",
         Transfer::Bgezal,
         146,
         72,
         74,
         {74, 71, 2, 1, true},
         {{1, {0x9ec9db66}, 0x029aaf84, 0xb5a8cca0, false},
          {2, {0x48f555d0}, 0x288dbddc, 0xabcf87b8, true},
          {146, {0}, 0x36a36650, 0x44fa7d50, true}},
         {{41, 71}, {39, 74}, {40, 1}}},
    };
    return kTable;
}

inline const std::vector<JumpRow>& jumpRoutines() {
    static const std::vector<JumpRow> kTable{
        {"n13_j", Jump::J, 121, 26, {1, 0x42ea6edf, 0x24071ba8}, {121, 0x7b07c5ea, 0x22f0cf9c}},
        {"n14_jal", Jump::Jal, 122, 34, {1, 0x8c3e1efa, 0xeb2bd57c}, {122, 0x18e08d00, 0x6fa3619e}},
        {"n15_jr", Jump::Jr, 142, 30, {1, 0xc21e6e78, 0x0e2ea248}, {142, 0x87151984, 0x381fd770}},
        {"n43_jalr",
         Jump::Jalr,
         140,
         40,
         {1, 0x6e6b362a, 0x240baf26},
         {140, 0xf1c91b75, 0xc4783b2e}},
    };
    return kTable;
}

// A control-transfer routine of any of the three tables: its unit and its cases by instruction
// count.
struct TransferUnit {
    std::string unit;
    std::map<int, int> lengths;
};

[[maybe_unused]] inline void PrintTo(const TransferUnit& t, std::ostream* os) {
    *os << t.unit;
}

inline std::vector<TransferUnit> transferUnits() {
    std::vector<TransferUnit> all;
    for (const auto& r : branchRoutines())
        all.push_back({r.unit, r.lengths});
    for (const auto& r : linkRoutines())
        all.push_back({r.unit, r.lengths});
    for (const auto& r : jumpRoutines())
        all.push_back({r.unit, {{r.caseWords, r.cases}}});
    return all;
}

} // namespace branch_test
