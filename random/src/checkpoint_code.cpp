#include "checkpoint_code.h"

#include <fmt/format.h>

#include "opcodes.h"
#include "registers.h"
#include "spaced_code.h"

namespace coretest::random {

namespace {

// The board's registers, reached from $zero: a 16-bit offset sign-extends to 0xffffxxxx, so no
// register has to hold the board's address.
constexpr std::uint32_t kLeds = 0xf000;
constexpr std::uint32_t kLampA = 0xf004;
constexpr std::uint32_t kLampB = 0xf008;
constexpr std::uint32_t kDisplay = 0xf010;
constexpr std::uint32_t kEndMark = 0xfff0;
constexpr std::uint32_t kNop = 0;
constexpr const char* kFailedLabel = "random_failed";
constexpr const char* kExceptionLabel = "random_exception";
constexpr const char* kUnexpectedLabel = "random_unexpected";

std::uint32_t cop0(unsigned op, unsigned rt, unsigned rd) {
    return kCop0 << 26 | op << 21 | rt << 16 | rd << 11;
}

std::uint32_t off(std::int32_t offset) {
    return static_cast<std::uint32_t>(offset) & 0xffff;
}

std::uint32_t windowOffset(std::uint32_t byte) {
    return off(static_cast<std::int32_t>(byte) - static_cast<std::int32_t>(kWindowBytes / 2));
}

// Constants and addresses are made with ori, sll and ori rather than lui and ori: a core whose
// lui is broken still reaches its RAM, the checker and the expected values. The steps of up to
// four registers are interleaved, so that the spacing needs few nops.
struct Constant {
    unsigned reg;
    std::uint32_t value = 0;
    std::string label; // an address: the label's, and value is unused
};

void loadConstants(SpacedCode& out, const std::vector<Constant>& constants) {
    for (const Constant& c : constants) {
        if (c.label.empty())
            out.emit(iType(kOri, 0, c.reg, c.value >> 16));
        else
            out.emitRef(iType(kOri, 0, c.reg, 0), Fixup::High, c.label);
    }
    for (const Constant& c : constants)
        out.emit(rType(fSll, 0, c.reg, c.reg, 16));
    for (const Constant& c : constants) {
        if (c.label.empty())
            out.emit(iType(kOri, c.reg, c.reg, c.value & 0xffff));
        else
            out.emitRef(iType(kOri, c.reg, c.reg, 0), Fixup::Low, c.label);
    }
}

// A value with edge cases now and then.
std::uint32_t initialValue(Rng& rng) {
    static constexpr std::uint32_t kEdges[] = {0,          1,          0xffffffff, 0x7fffffff,
                                               0x80000000, 0x0000ffff, 0xffff8000, 0x00008000};
    if (rng.percent(15)) return kEdges[rng.below(std::size(kEdges))];
    if (rng.percent(15)) return rng.below(0x100);
    return rng.word();
}

// Lamps, display and end mark of the verdict; the display word is in `word`, which is neither
// kTemp nor kSig (the two it uses).
void verdict(SpacedCode& out, unsigned word, unsigned lamp) {
    out.emit(iType(kOri, 0, kTemp, lamp));
    out.emit(iType(kOri, 0, kSig, 0xff));
    out.emit(iType(kSw, 0, word, kDisplay));
    if (lamp != 1) out.emit(iType(kSw, 0, 0, kLeds), "LEDs off");
    out.emit(iType(kSw, 0, kTemp, kLampB));
    out.emit(iType(kSw, 0, kTemp, kLampA));
    out.emit(iType(kSw, 0, kSig, kEndMark), "end mark");
    out.emitRef(jType(kJ, 0), Fixup::Jump, kFinishLabel);
    out.emit(kNop);
}

// The failing report of checkpoint k, k in `number` (not kSig nor kTemp): display
// (k << 24) | (k - 1), then the verdict with lamps 2 and 2.
void failing(SpacedCode& out, unsigned number) {
    out.emit(rType(fSll, 0, number, kSig, 24));
    out.emit(iType(kAddiu, number, kTemp, 0xffff));
    out.emit(rType(fOr, kSig, kTemp, kLink));
    verdict(out, kLink, 2);
}

} // namespace

void emitVectors(Assembly& assembly) {
    assembly.label("_start");
    assembly.emitRef(jType(kJ, 0), Fixup::Jump, kMainLabel);
    assembly.emit(kNop);
    assembly.padTo(0x100);
    assembly.label(kFinishLabel); // the end of the run: idle for ever
    assembly.emit(iType(kAddiu, kTemp, kTemp, 1));
    assembly.emitRef(iType(kBeq, 0, 0, 0), Fixup::Branch, kFinishLabel);
    assembly.emit(kNop);
    assembly.padTo(0x380);
    // The general exception vector. The program announces every exception it expects by writing
    // the address to resume at into kSlotResume; the handler records Cause (with Status's KU/IE
    // stack, already pushed, in the bits 16 to 21 that Cause leaves zero), EPC and BadVAddr in
    // the three words the next checkpoint folds first, withdraws the announcement and returns
    // there with rfe in the jump's delay slot. Only kTemp and kLink change: the program reloads
    // kTemp (the checker's address) where it resumes. Without an announcement the exception is a
    // fault seen in the block now running (an overflow, or a jump gone astray through a wrong
    // address): that block's checkpoint fails. The exception may come from anywhere, so the
    // handler waits as if any register had just been written.
    assembly.label(kExceptionLabel);
    SpacedCode out(assembly, SpacedCode::kUnknown);
    out.emit(cop0(cMf, kTemp, c0Status));
    out.emit(cop0(cMf, kLink, c0Cause));
    out.emit(rType(fSll, 0, kTemp, kTemp, 16));
    out.emit(rType(fXor, kLink, kTemp, kLink));
    out.emit(iType(kSw, kBase, kLink, off(kSavedCause)), "Cause ^ (Status << 16)");
    out.emit(cop0(cMf, kTemp, c0Epc));
    out.emit(cop0(cMf, kLink, c0BadVAddr));
    out.emit(iType(kSw, kBase, kTemp, off(kSavedEpc)), "EPC");
    out.emit(iType(kSw, kBase, kLink, off(kSavedBadVAddr)), "BadVAddr");
    out.emit(iType(kLw, kBase, kTemp, off(kSlotResume)), "the announced resume address");
    out.emit(iType(kSw, kBase, 0, off(kSlotResume)), "an announcement holds for one exception");
    out.emitRef(iType(kBeq, kTemp, 0, 0), Fixup::Branch, kUnexpectedLabel);
    out.emit(kNop);
    const SpacedCode::History unexpected = out.history();
    out.emit(rType(fJr, kTemp, 0, 0));
    out.emit(kRfe, "KU/IE popped as the jump goes");
    out.label(kUnexpectedLabel);
    out.setHistory(unexpected);
    out.emit(iType(kLw, kBase, kLink, off(kSlotBlock)), "the block that took the exception");
    failing(out, kLink);
}

void emitResume(Assembly& out) {
    out.emit(iType(kLw, kBase, kTemp, off(kSlotChecker)), "resumed: the checker's address back");
}

void emitStart(Assembly& assembly, Rng& rng, std::uint32_t loops, bool exceptions) {
    assembly.label(kMainLabel);
    SpacedCode out(assembly, SpacedCode::kUnknown);
    // Boot pattern: lamp B 2, lamp A 1, all LEDs, display 0.
    out.emit(iType(kOri, 0, 1, 2));
    out.emit(iType(kOri, 0, 2, 1));
    out.emit(iType(kOri, 0, 3, 0xffff));
    out.emit(iType(kOri, 0, kBase, kBaseAddress >> 16), "the window's middle");
    out.emit(iType(kSw, 0, 1, kLampB));
    out.emit(iType(kSw, 0, 2, kLampA));
    out.emit(iType(kSw, 0, 3, kLeds));
    out.emit(iType(kSw, 0, 0, kDisplay));
    out.emit(rType(fSll, 0, kBase, kBase, 16));
    out.emit(iType(kOri, kBase, kBase, kBaseAddress & 0xffff));
    loadConstants(out, {{kTemp, 0, kCheckLabel}, {1, 0, kExpectedLabel}});
    out.emit(iType(kOri, 0, 2, loops));
    out.emit(iType(kOri, 0, 3, 1));
    out.emit(iType(kSw, kBase, kTemp, off(kSlotChecker)));
    out.emit(iType(kSw, kBase, 1, off(kSlotExpected)));
    out.emit(iType(kSw, kBase, 2, off(kSlotPasses)));
    out.emit(iType(kSw, kBase, 3, off(kSlotBlock)));
    if (exceptions) {
        // The old and previous KU/IE pairs set, the current one clear (kernel mode, interrupts
        // off, IM 0): every push and pop of the stack, or a missing one, shows in the Status the
        // handler records. BEV and the other upper bits kept.
        out.emit(cop0(cMf, 1, c0Status));
        out.emit(rType(fSrl, 0, 1, 1, 16));
        out.emit(rType(fSll, 0, 1, 1, 16));
        out.emit(iType(kOri, 1, 1, 0x3c));
        out.emit(cop0(cMt, 1, c0Status));
        out.emit(iType(kSw, kBase, 0, off(kSlotResume)));
    }
    for (std::uint32_t i = 0; i < kSaveZeros; ++i)
        out.emit(iType(kSw, kBase, 0, off(kSaveArea + 4 * static_cast<std::int32_t>(i))));
    for (std::uint32_t at = 0; at < kWindowBytes; at += 16) {
        std::vector<Constant> group;
        for (unsigned i = 0; i < 4; ++i)
            group.push_back({1 + i, initialValue(rng), {}});
        loadConstants(out, group);
        for (unsigned i = 0; i < 4; ++i)
            out.emit(iType(kSw, kBase, 1 + i, windowOffset(at + 4 * i)));
    }
    const std::uint32_t hi = initialValue(rng), lo = initialValue(rng);
    loadConstants(out, {{1, hi, {}}, {2, lo, {}}});
    out.emit(rType(fMthi, 1, 0, 0));
    out.emit(rType(fMtlo, 2, 0, 0));
    std::vector<Constant> group;
    for (unsigned r = 1; r < 32; ++r) {
        if (!(kRandomRegisters & bit(r))) continue;
        group.push_back({r, initialValue(rng), {}});
        if (group.size() == 4) {
            loadConstants(out, group);
            group.clear();
        }
    }
    loadConstants(out, group);
    out.settle(kSpacing - 1); // the first block may read any register at once
}

void emitCheckpointCall(Assembly& out, std::uint32_t k) {
    // kTemp holds the checker's address (loaded long before); the delay slot holds nothing, so
    // that a core which annuls or drops it still calls the checker with the right number.
    out.emit(iType(kOri, 0, kSig, k), fmt::format("checkpoint {}", k));
    out.emit(rType(fJalr, kTemp, 0, kLink));
    out.emit(kNop);
}

void emitPassEnd(Assembly& assembly, std::uint32_t checkpoints) {
    SpacedCode out(assembly, SpacedCode::kUnknown);
    out.emit(iType(kLw, kBase, kSig, off(kSlotPasses)));
    out.emit(iType(kOri, 0, kLink, 1));
    out.emit(iType(kSw, kBase, kLink, off(kSlotBlock)), "the next pass starts with block 1");
    out.emit(iType(kAddiu, kSig, kSig, 0xffff));
    out.emit(iType(kSw, kBase, kSig, off(kSlotPasses)));
    out.emitRef(iType(kBeq, kSig, 0, 0), Fixup::Branch, "random_passed");
    out.emit(kNop);
    const SpacedCode::History passed = out.history();
    out.emitRef(jType(kJ, 0), Fixup::Jump, kPassLabel, "next pass (a jump: any distance)");
    out.emit(kNop);
    out.label("random_passed");
    out.setHistory(passed);
    loadConstants(out, {{kLink, checkpoints << 24 | checkpoints, {}}});
    verdict(out, kLink, 1);
}

void emitChecker(Assembly& assembly, bool recording) {
    // Entered from a checkpoint call: ori kSig, jalr (kLink), its delay slot.
    SpacedCode out(assembly, {reg(kSig), reg(kLink), 0});
    out.label(kCheckLabel);
    // Every random register into the save area, with HI and LO; the checkpoint's number and the
    // return address into their slots. Then registers 1 to 9 and the checker's own three are
    // free for the signature.
    std::vector<unsigned> registers;
    for (unsigned r = 1; r < 32; ++r)
        if (kRandomRegisters & bit(r)) registers.push_back(r);
    for (std::size_t i = 0; i < 4; ++i)
        out.emit(iType(kSw, kBase, registers[i], off(savedRegister(registers[i]))));
    out.emit(iType(kSw, kBase, kSig, off(kSlotCheckpoint)));
    out.emit(iType(kSw, kBase, kLink, off(kSlotReturn)));
    out.emit(rType(fMfhi, 0, 0, kTemp));
    out.emit(rType(fMflo, 0, 0, kLink));
    // Four signatures side by side, each folding every fourth word: sig = sig * 33 ^ value
    // (odd, so one differing value always changes it), the first starting from k. Four
    // accumulators keep each step kSpacing instructions after the one it needs.
    constexpr unsigned kAcc[4] = {1, 2, 3, 4}, kShifted[4] = {5, 6, 7, 8},
                       kValue[4] = {9, kTemp, kLink, kSig};
    out.emit(rType(fAddu, kSig, 0, kAcc[0]));
    for (unsigned i = 1; i < 4; ++i)
        out.emit(rType(fAddu, 0, 0, kAcc[i]));
    for (std::size_t i = 4; i < registers.size(); ++i)
        out.emit(iType(kSw, kBase, registers[i], off(savedRegister(registers[i]))));
    out.emit(iType(kSw, kBase, kTemp, off(kSavedHi)));
    out.emit(iType(kSw, kBase, kLink, off(kSavedLo)));
    for (std::uint32_t word = 0; word < kCheckedWords; word += 4) {
        for (unsigned i = 0; i < 4; ++i)
            out.emit(iType(kLw, kBase, kValue[i],
                           off(kSaveArea + 4 * static_cast<std::int32_t>(word + i))));
        for (unsigned i = 0; i < 4; ++i)
            out.emit(rType(fSll, 0, kAcc[i], kShifted[i], 5));
        for (unsigned i = 0; i < 4; ++i)
            out.emit(rType(fAddu, kShifted[i], kAcc[i], kAcc[i]));
        for (unsigned i = 0; i < 4; ++i)
            out.emit(rType(fXor, kValue[i], kAcc[i], kAcc[i]));
    }
    // The four folded into kSig, the expected value into kLink, k into register 9.
    out.emit(iType(kLw, kBase, kTemp, off(kSlotExpected)));
    out.emit(iType(kLw, kBase, 9, off(kSlotCheckpoint)));
    out.emit(rType(fXor, kAcc[0], kAcc[1], kShifted[0]));
    out.emit(rType(fXor, kAcc[2], kAcc[3], kShifted[1]));
    out.emit(iType(kLw, kTemp, kLink, 0));
    out.emit(iType(kAddiu, kTemp, kTemp, 4));
    out.emit(rType(fXor, kShifted[0], kShifted[1], kSig));
    out.emit(iType(kSw, kBase, kTemp, off(kSlotExpected)));
    for (unsigned r = 1; r <= 4; ++r) // restored before the comparison: nothing else to do
        out.emit(iType(kLw, kBase, r, off(savedRegister(r))));
    // The recording run's no-op waits as long as the comparison: both have the same addresses.
    out.waitFor(reg(kLink) | reg(kSig));
    out.label(kCompareLabel);
    if (recording)
        out.emit(kNop);
    else
        out.emitRef(iType(kBne, kLink, kSig, 0), Fixup::Branch, kFailedLabel,
                    "signature against the expected one");
    out.emit(kNop);
    const SpacedCode::History failed = out.history();
    // Passed: display (k << 24) | k, block k + 1 runs next; the registers back, return.
    out.emit(rType(fSll, 0, 9, kSig, 24));
    out.emit(iType(kAddiu, 9, kTemp, 1));
    out.emit(iType(kLw, kBase, kLink, off(kSlotReturn)));
    for (unsigned r = 5; r <= 8; ++r)
        out.emit(iType(kLw, kBase, r, off(savedRegister(r))));
    out.emit(rType(fOr, kSig, 9, kSig));
    out.emit(iType(kSw, kBase, kTemp, off(kSlotBlock)));
    out.emit(iType(kLw, kBase, kTemp, off(kSlotChecker)));
    out.emit(iType(kSw, 0, kSig, kDisplay));
    out.emit(iType(kLw, kBase, 9, off(savedRegister(9))));
    out.settle(2);
    out.emit(rType(fJr, kLink, 0, 0));
    out.emit(kNop);
    out.label(kFailedLabel);
    out.setHistory(failed);
    failing(out, 9);
}

void emitExpected(Assembly& out, const std::vector<std::uint32_t>& signatures) {
    out.label(kExpectedLabel);
    for (const std::uint32_t s : signatures)
        out.data(s);
}

void emitText(Assembly& out, const std::string& label, const std::string& text) {
    out.label(label);
    for (std::size_t i = 0; i <= text.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4 && i + b < text.size(); ++b)
            word |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i + b])) << (8 * b);
        out.data(word);
    }
}

} // namespace coretest::random
