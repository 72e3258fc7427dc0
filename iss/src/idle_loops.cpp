#include "coretest/idle_loops.h"

#include <algorithm>
#include <optional>

#include "coretest/board.h"

namespace coretest {

namespace {

// The longest loop taken for an idle loop, in words (the ROM's are three: a counter, the branch
// and its delay slot).
constexpr std::uint32_t kMaxIdleLoopWords = 8;

// Operations that write a register and nothing else, and cannot raise an exception.
bool registerOnly(Op op) {
    switch (op) {
    case Op::Sll:
    case Op::Srl:
    case Op::Sra:
    case Op::Sllv:
    case Op::Srlv:
    case Op::Srav:
    case Op::Mfhi:
    case Op::Mflo:
    case Op::Addu:
    case Op::Subu:
    case Op::And:
    case Op::Or:
    case Op::Xor:
    case Op::Nor:
    case Op::Slt:
    case Op::Sltu:
    case Op::Addiu:
    case Op::Slti:
    case Op::Sltiu:
    case Op::Andi:
    case Op::Ori:
    case Op::Xori:
    case Op::Lui: return true;
    default: return false;
    }
}

// The target of an instruction that always transfers control (b, bgez $zero, j), or nullopt.
std::optional<std::uint32_t> alwaysTo(const Instr& i) {
    const bool always =
        i.op == Op::J || (i.op == Op::Beq && i.rs == i.rt) || (i.op == Op::Bgez && i.rs == 0);
    return always ? std::optional<std::uint32_t>(i.imm) : std::nullopt;
}

} // namespace

std::vector<std::uint32_t> idleLoops(std::span<const Instr> rom) {
    std::vector<std::uint32_t> loops;
    for (std::uint32_t n = 0; n + 1 < rom.size(); ++n) {
        const std::uint32_t at = kRomBase + 4 * n;
        const auto target = alwaysTo(rom[n]);
        if (!target || *target > at || at - *target >= 4 * kMaxIdleLoopWords) continue;
        if (*target < kRomBase || *target % 4 != 0 || !registerOnly(rom[n + 1].op)) continue;
        const std::uint32_t first = (*target - kRomBase) / 4;
        if (std::all_of(rom.begin() + first, rom.begin() + n,
                        [](const Instr& i) { return registerOnly(i.op); }))
            loops.push_back(*target);
    }
    return loops;
}

std::vector<std::uint32_t> finishPoints(const Image& image, std::span<const Instr> rom) {
    if (const Symbol* finish = image.findSymbol("test_finish")) return {finish->value};
    std::vector<std::uint32_t> points = idleLoops(rom);
    std::erase(points, kExceptionVector);
    return points;
}

} // namespace coretest
