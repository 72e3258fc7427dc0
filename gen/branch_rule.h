#pragma once
// The MIPS-I branch rule as the control-transfer cases expect it: whether a conditional branch
// (or branch-and-link) with these register values branches. Independent of the core library.
#include <cstdint>

namespace casegen::branch {

enum class Condition {
    Equal,
    NotEqual,
    GreaterOrEqualZero,
    GreaterThanZero,
    LessOrEqualZero,
    LessThanZero
};

// Whole 32-bit registers; rt matters only for beq and bne.
constexpr bool branches(Condition c, std::uint32_t rs, std::uint32_t rt = 0) {
    const bool negative = (rs >> 31) != 0;
    switch (c) {
    case Condition::Equal: return rs == rt;
    case Condition::NotEqual: return rs != rt;
    case Condition::GreaterOrEqualZero: return !negative;
    case Condition::GreaterThanZero: return !negative && rs != 0;
    case Condition::LessOrEqualZero: return negative || rs == 0;
    case Condition::LessThanZero: return negative;
    }
    return false;
}

} // namespace casegen::branch
