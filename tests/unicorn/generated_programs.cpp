#include "generated_programs.h"

#include <fmt/format.h>

#include <functional>
#include <random>

#include "coretest/board.h"
#include "program_image.h"

namespace coretest::testing {

namespace {

using Rng = std::mt19937;

enum Reg : unsigned { V0 = 2, A0 = 4, T0 = 8, T1, T2, T3, T4, T5, T6, T7, S0, T9 = 25 };

std::uint32_t draw(Rng& rng, std::uint32_t lo, std::uint32_t hi) {
    return std::uniform_int_distribution<std::uint32_t>(lo, hi)(rng);
}
unsigned pickReg(Rng& rng) {
    return draw(rng, V0, T6 - 1); // v0 to t5: never a base register of the programs
}

// Primary opcodes of the loads and stores.
enum MemOp : unsigned {
    Lb = 0x20,
    Lh = 0x21,
    Lwl = 0x22,
    Lw = 0x23,
    Lbu = 0x24,
    Lhu = 0x25,
    Lwr = 0x26,
    Sb = 0x28,
    Sh = 0x29,
    Swl = 0x2a,
    Sw = 0x2b,
    Swr = 0x2e,
};

unsigned sizeOf(unsigned op) {
    switch (op) {
    case Lb:
    case Lbu:
    case Sb: return 1;
    case Lh:
    case Lhu:
    case Sh: return 2;
    default: return 4;
    }
}

// Every register a program may read starts with its own random value.
void randomRegisters(ProgramBuilder& b, Rng& rng) {
    for (unsigned r = V0; r <= T9; ++r)
        b.load(r, static_cast<std::uint32_t>(rng()));
}

std::uint32_t ramScratch(Rng& rng) {
    return kRamBase + 0x1000 + 4 * draw(rng, 0, 0xe000);
}

std::uint32_t memory(unsigned op, unsigned base, unsigned rt, std::int32_t offset) {
    return enc::immediate(op, base, rt, static_cast<std::uint32_t>(offset));
}

// Where the instruction under test goes: on its own, or in the delay slot of a taken or a
// not-taken branch.
enum class Slot { None, Taken, NotTaken };

std::uint32_t place(ProgramBuilder& b, std::uint32_t word, Slot slot) {
    if (slot == Slot::Taken) {
        const std::uint32_t branch = b.here();
        b.emit(enc::beq(0, 0, branch, branch + 12));
        const std::uint32_t at = b.emit(word);
        b.emit(enc::kNop); // skipped
        return at;
    }
    if (slot == Slot::NotTaken) b.emit(enc::bne(0, 0, b.here(), b.here() + 12));
    return b.emit(word);
}

Slot drawSlot(Rng& rng) {
    return static_cast<Slot>(draw(rng, 0, 2));
}

using Family = std::function<std::optional<ExpectedException>(ProgramBuilder&, Rng&)>;

std::optional<ExpectedException> subword(ProgramBuilder& b, Rng& rng) {
    b.load(T7, ramScratch(rng));
    for (int i = 0; i < 12; ++i) {
        const unsigned op = std::array{Sb, Sh, Sw}[draw(rng, 0, 2)];
        b.load(T1, static_cast<std::uint32_t>(rng()));
        const auto offset = static_cast<std::int32_t>(draw(rng, 0, 32) * sizeOf(op)) - 64;
        place(b, memory(op, T7, T1, offset), drawSlot(rng));
    }
    for (int i = 0; i < 12; ++i) {
        const unsigned op = std::array{Lb, Lbu, Lh, Lhu, Lw}[draw(rng, 0, 4)];
        const auto offset = static_cast<std::int32_t>(draw(rng, 0, 32) * sizeOf(op)) - 64;
        place(b, memory(op, T7, pickReg(rng), offset), drawSlot(rng));
    }
    return std::nullopt;
}

std::optional<ExpectedException> partialWords(ProgramBuilder& b, Rng& rng) {
    b.load(T7, ramScratch(rng));
    for (std::int32_t w = 0; w < 16; w += 4) {
        b.load(T1, static_cast<std::uint32_t>(rng()));
        b.emit(memory(Sw, T7, T1, w));
    }
    for (int i = 0; i < 16; ++i) {
        const unsigned op = std::array{Lwl, Lwr, Swl, Swr}[draw(rng, 0, 3)];
        const unsigned rt = op == Swl || op == Swr ? T1 : pickReg(rng);
        if (rt == T1) b.load(T1, static_cast<std::uint32_t>(rng()));
        place(b, memory(op, T7, rt, static_cast<std::int32_t>(draw(rng, 0, 15))), drawSlot(rng));
    }
    for (std::int32_t w = 0; w < 16; w += 4)
        b.emit(memory(Lw, T7, pickReg(rng), w));
    return std::nullopt;
}

// Board registers as the ROM uses them, reads of the output latches, and the ROM as data.
std::optional<ExpectedException> boardAndRom(ProgramBuilder& b, Rng& rng) {
    b.emit(enc::addiu(T7, 0, 0xf000)); // 0xfffff000
    b.emit(enc::lui(T6, 0xbfc0));
    for (int i = 0; i < 10; ++i) {
        const std::int32_t reg = std::array{0x0, 0x4, 0x8, 0x10, 0xff4}[draw(rng, 0, 4)];
        b.load(T1, static_cast<std::uint32_t>(rng()));
        if (reg == 0xff4 || draw(rng, 0, 3) == 0)
            b.emit(memory(Lw, T7, pickReg(rng), reg));
        else
            b.emit(memory(Sw, T7, T1, reg));
        const unsigned romOp = std::array{Lw, Lbu, Lh, Sw, Sb}[draw(rng, 0, 4)];
        const auto off = static_cast<std::int32_t>(draw(rng, 0, 0x100) * sizeOf(romOp));
        b.emit(memory(romOp, T6, romOp >= Sb ? T1 : pickReg(rng), off));
    }
    return std::nullopt;
}

ExpectedException trapAt(ProgramBuilder& b, Rng& rng, std::uint32_t word, ExceptionCause cause,
                         std::uint32_t badAddress = 0) {
    const Slot slot = drawSlot(rng);
    const std::uint32_t pc = place(b, word, slot);
    return {cause, pc, badAddress, slot != Slot::None};
}

std::optional<ExpectedException> syscallOrBreak(ProgramBuilder& b, Rng& rng) {
    const bool isBreak = draw(rng, 0, 1);
    const std::uint32_t code = draw(rng, 0, 0xfffff) << 6;
    return trapAt(b, rng, code | (isBreak ? 0x0d : 0x0c),
                  isBreak ? ExceptionCause::Break : ExceptionCause::Syscall);
}

std::optional<ExpectedException> overflow(ProgramBuilder& b, Rng& rng) {
    switch (draw(rng, 0, 2)) {
    case 0: // add: two large positives
        b.load(T1, 0x40000000 | draw(rng, 0, 0x3fffffff));
        b.load(T2, 0x40000000 | draw(rng, 0, 0x3fffffff));
        return trapAt(b, rng, enc::special(T1, T2, pickReg(rng), 0, 0x20),
                      ExceptionCause::Overflow);
    case 1: // sub: a large negative minus a large positive
        b.load(T1, 0x80000000 | draw(rng, 0, 0x3fffffff));
        b.load(T2, 0x40000000 | draw(rng, 0, 0x3fffffff));
        return trapAt(b, rng, enc::special(T1, T2, pickReg(rng), 0, 0x22),
                      ExceptionCause::Overflow);
    default: // addi just past the largest positive
        b.load(T1, 0x7fffc000 | draw(rng, 0, 0x3fff));
        return trapAt(b, rng, enc::immediate(0x08, T1, pickReg(rng), draw(rng, 0x4000, 0x7fff)),
                      ExceptionCause::Overflow);
    }
}

std::optional<ExpectedException> misaligned(ProgramBuilder& b, Rng& rng) {
    const unsigned op = std::array{Lw, Lh, Lhu, Sw, Sh}[draw(rng, 0, 4)];
    const std::uint32_t addr = ramScratch(rng) + (sizeOf(op) == 4 ? draw(rng, 1, 3) : 1);
    b.load(T7, addr - 8);
    const bool store = op == Sw || op == Sh;
    return trapAt(b, rng, memory(op, T7, store ? T1 : pickReg(rng), 8),
                  store ? ExceptionCause::AddressStore : ExceptionCause::AddressLoad, addr);
}

// Accesses that no device answers: above the RAM, the unused board words, a byte access to a
// board register.
std::optional<ExpectedException> busError(ProgramBuilder& b, Rng& rng) {
    std::uint32_t addr = 0;
    unsigned op = std::array{Lw, Sw, Lbu, Sb}[draw(rng, 0, 3)];
    switch (draw(rng, 0, 2)) {
    case 0: addr = kRamBase + kRamSize + sizeOf(op) * draw(rng, 0, 0x2ffff); break;
    case 1:
        addr = std::array{0xfffff00cu, 0xfffff014u + 4 * draw(rng, 0, 0x3f6)}[draw(rng, 0, 1)];
        op = std::array{Lw, Sw}[draw(rng, 0, 1)];
        break;
    default:
        addr = static_cast<std::uint32_t>(BoardReg::Display) + draw(rng, 0, 3);
        op = std::array{Lbu, Sb}[draw(rng, 0, 1)];
        break;
    }
    b.load(T7, addr);
    const bool store = op == Sw || op == Sb;
    return trapAt(b, rng, memory(op, T7, store ? T1 : pickReg(rng), 0), ExceptionCause::BusData,
                  addr);
}

// A jump to an address the core cannot fetch from: misaligned (into the nop words behind
// test_finish; an odd address would select another instruction set on a MIPS32 core) or where
// nothing answers.
std::optional<ExpectedException> badFetch(ProgramBuilder& b, Rng& rng) {
    const bool bus = draw(rng, 0, 1);
    const std::uint32_t target =
        bus ? 0x00400000 + 4 * draw(rng, 0, 0xffff) : kFinishAddress + 0x42;
    b.load(T9, target);
    b.emit(enc::jr(T9));
    b.emit(enc::kNop);
    return ExpectedException{bus ? ExceptionCause::BusFetch : ExceptionCause::AddressLoad, target,
                             target, false};
}

// Words that neither MIPS-I nor MIPS32 defines.
std::optional<ExpectedException> reserved(ProgramBuilder& b, Rng& rng) {
    const std::uint32_t word = std::array{
        enc::special(T1, T2, T3, 0, 0x0e), enc::special(T1, T2, T3, 0, 0x14),
        enc::special(T1, T2, T3, 0, 0x2c), enc::special(T1, T2, T3, 0, 0x3f)}[draw(rng, 0, 3)];
    return trapAt(b, rng, word, ExceptionCause::Reserved);
}

struct FamilyDef {
    const char* name;
    Family build;
};

const std::array<FamilyDef, 9> kFamilies{{
    {"subword", subword},
    {"partial-words", partialWords},
    {"board-and-rom", boardAndRom},
    {"syscall-break", syscallOrBreak},
    {"overflow", overflow},
    {"misaligned", misaligned},
    {"bus-error", busError},
    {"bad-fetch", badFetch},
    {"reserved", reserved},
}};

} // namespace

std::vector<GeneratedProgram> generatedPrograms(int perFamily) {
    Rng rng(20261208);
    std::vector<GeneratedProgram> out;
    for (const FamilyDef& f : kFamilies) {
        for (int n = 1; n <= perFamily; ++n) {
            ProgramBuilder b;
            randomRegisters(b, rng);
            const auto expected = f.build(b, rng);
            b.finish();
            out.push_back({fmt::format("{} #{}", f.name, n), b.image(), expected});
        }
    }
    return out;
}

} // namespace coretest::testing
