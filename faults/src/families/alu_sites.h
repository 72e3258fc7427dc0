#pragma once
// Where the faults of the arithmetic, logic and shift instructions act: on the instructions of
// the cases that the fault is about, found in the image by their operation and register roles.
// The operand loads of every case are themselves lui, ori and addiu; a fault of those
// instructions that also struck the loads would corrupt operand and expected value alike and
// could hide itself, so the loads and the frame keep their real semantics.
#include <cstdint>

#include "coretest/fault.h"

namespace coretest::faults {

// The register every instruction under test of these families writes.
inline constexpr std::uint8_t kResultReg = 2; // v0

// Calls visit(address, instr) for every instruction word of the fault's range.
template <class Visit>
void forEachInstruction(const FaultSite& site, Visit visit) {
    const AddressRange range = site.range();
    for (const Segment& seg : site.image().segments()) {
        for (std::uint32_t a = range.begin; a + 4 <= range.end; a += 4) {
            if (a < seg.vaddr || a + 4 > seg.vaddr + seg.bytes.size()) continue;
            const std::uint8_t* b = &seg.bytes[a - seg.vaddr];
            const std::uint32_t word = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
            visit(a, decode(word, a));
        }
    }
}

// The destination of an instruction: rd for the register forms, rt for the immediate forms.
inline std::uint8_t destination(const Instr& i) {
    switch (i.op) {
    case Op::Addi:
    case Op::Addiu:
    case Op::Slti:
    case Op::Sltiu:
    case Op::Andi:
    case Op::Ori:
    case Op::Xori:
    case Op::Lui: return i.rt;
    default: return i.rd;
    }
}

// `op` executes `semantics` wherever it is the instruction under test of a case: it writes v0.
template <class F>
void replaceUnderTest(FaultSite& site, Op op, F semantics) {
    forEachInstruction(site, [&](std::uint32_t address, const Instr& i) {
        if (i.op == op && destination(i) == kResultReg) site.replaceAt(address, semantics);
    });
}

} // namespace coretest::faults
