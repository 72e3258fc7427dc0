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

// The start of the idle loop that the word at rom[n] closes, if it closes one: it always branches
// back to a start at most a few words before it, and it, its delay slot and every word from the
// start change registers only.
std::optional<std::uint32_t> closesIdleLoop(std::span<const Instr> rom, std::uint32_t n) {
    const std::uint32_t at = kRomBase + 4 * n;
    const auto target = alwaysTo(rom[n]);
    if (!target || *target > at || at - *target >= 4 * kMaxIdleLoopWords) return std::nullopt;
    if (*target < kRomBase || *target % 4 != 0 || !registerOnly(rom[n + 1].op)) return std::nullopt;
    const std::uint32_t first = (*target - kRomBase) / 4;
    if (!std::all_of(rom.begin() + first, rom.begin() + n,
                     [](const Instr& i) { return registerOnly(i.op); }))
        return std::nullopt;
    return target;
}

} // namespace

std::vector<std::uint32_t> idleLoops(std::span<const Instr> rom) {
    std::vector<std::uint32_t> loops;
    for (std::uint32_t n = 0; n + 1 < rom.size(); ++n)
        if (const auto start = closesIdleLoop(rom, n)) loops.push_back(*start);
    return loops;
}

bool idleLoopAt(std::span<const Instr> rom, std::uint32_t address) {
    if (address - kRomBase >= rom.size() * 4 || address % 4 != 0) return false;
    const std::uint32_t first = (address - kRomBase) / 4;
    for (std::uint32_t n = first; n < first + kMaxIdleLoopWords && n + 1 < rom.size(); ++n)
        if (closesIdleLoop(rom, n) == address) return true;
    return false;
}

std::vector<std::uint32_t> finishPoints(const Image& image, std::span<const Instr> rom) {
    if (const Symbol* finish = image.findSymbol("test_finish")) return {finish->value};
    std::vector<std::uint32_t> points = idleLoops(rom);
    std::erase(points, kExceptionVector);
    return points;
}

} // namespace coretest
