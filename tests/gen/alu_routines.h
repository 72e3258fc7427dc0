#pragma once
// The immediate, register-register and shift routines as the tests expect the generator to
// write them, one table each, and the names of every arithmetic, logic and shift unit.
#include <string>
#include <vector>

namespace alutest {

// An immediate routine: its instruction and the sizes of its general, second-zero and
// first-zero blocks (one all-zero case follows).
struct ImmRow {
    const char* unit;
    const char* op;
    int general, secondZero, firstZero;
};
inline constexpr ImmRow kImmRoutines[] = {
    {"n3_addiu", "addiu", 107, 12, 3},   {"n9_slti", "slti", 200, 50, 50},
    {"n10_sltiu", "sltiu", 200, 50, 50}, {"n22_addi", "addi", 200, 50, 50},
    {"n27_andi", "andi", 200, 50, 50},   {"n29_ori", "ori", 200, 50, 50},
    {"n31_xori", "xori", 200, 50, 50},
};

// A register-register routine: its instruction, its case count and the size of its general
// block (50 second-zero cases, 50 first-zero cases and the all-zero ones follow).
struct RegRow {
    const char* unit;
    const char* op;
    int cases, general;
};
inline constexpr RegRow kRegRoutines[] = {
    {"n2_addu", "addu", 301, 200},  {"n7_or", "or", 301, 200},    {"n8_slt", "slt", 301, 200},
    {"n21_add", "add", 250, 149},   {"n23_sub", "sub", 245, 144}, {"n24_subu", "subu", 301, 200},
    {"n25_sltu", "sltu", 301, 200}, {"n26_and", "and", 301, 200}, {"n28_nor", "nor", 301, 200},
    {"n30_xor", "xor", 301, 200},
};

// A shift routine: its instruction, whether the amount comes from a register, the amount-0
// cases of the general and the first-zero block, the general cases whose fill bits show (-1:
// left shifts) and the cases expecting all ones (-1: not counted).
struct ShiftRow {
    const char* unit;
    const char* op;
    bool variable;
    int zeroAmounts, firstZeroZeroAmounts;
    int fillMatters; // -1 for the left shifts
    int allOnes;     // -1 where not counted
};
inline constexpr ShiftRow kShiftRoutines[] = {
    {"n11_sll", "sll", false, 7, 0, -1, -1},  {"n32_sllv", "sllv", true, 7, 1, -1, -1},
    {"n33_sra", "sra", false, 12, 0, 91, 10}, {"n34_srav", "srav", true, 11, 2, 82, 3},
    {"n35_srl", "srl", false, 7, 1, 95, -1},  {"n36_srlv", "srlv", true, 6, 1, 93, -1},
};

// Every arithmetic, logic and shift unit, the upper-immediate one included.
inline std::vector<std::string> aluUnits() {
    std::vector<std::string> all{"n1_lui"};
    for (const auto& r : kImmRoutines)
        all.emplace_back(r.unit);
    for (const auto& r : kRegRoutines)
        all.emplace_back(r.unit);
    for (const auto& r : kShiftRoutines)
        all.emplace_back(r.unit);
    return all;
}

} // namespace alutest
