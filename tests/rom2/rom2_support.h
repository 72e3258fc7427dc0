#pragma once
// What the second ROM's tests share: where the image is, the documented routine list with its
// case counts, and the case lines of a generated unit split into macro and arguments.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "unit.h"

namespace rom2test {

inline const std::string kImagePath = CORETEST_ROM2_PATH;

struct Documented {
    int number;
    std::string_view mnemonic;
    int cases;
};

// The routines and case counts rom2/README.md states.
inline constexpr std::array<Documented, 24> kDocumented{{
    {59, "lb", 36},       {60, "lbu", 36},     {61, "lh", 26},      {62, "lhu", 26},
    {63, "sb", 28},       {64, "sh", 22},      {65, "lwl", 20},     {66, "lwr", 20},
    {67, "swl", 20},      {68, "swr", 20},     {69, "hz_alu", 36},  {70, "hz_shift", 42},
    {71, "hz_load", 32},  {72, "hz_hilo", 36}, {73, "hz_link", 64}, {74, "hilo_dist", 252},
    {75, "md_again", 49}, {76, "cp0", 33},     {77, "ov", 30},      {78, "syscall", 10},
    {79, "break", 10},    {80, "adel", 18},    {81, "ades", 15},    {82, "ri", 10},
}};
inline constexpr int kDocumentedCases = 891;

// One case line: its macro, its arguments as written and its number from the "# case k" comment.
struct Call {
    std::string macro;
    std::vector<std::string> args;
    int number = 0;
};

std::vector<Call> callsOf(const casegen::Unit& unit);
// A literal as the units write it: 0x1234abcd, -0x1c, 12, -7.
std::int64_t value(const std::string& text);
std::uint32_t word(const std::string& text);

} // namespace rom2test
