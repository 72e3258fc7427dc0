#include "checkpoint_code.h"

#include <fmt/format.h>

#include "opcodes.h"
#include "registers.h"

namespace coretest::random {

namespace {

constexpr std::uint32_t kBoard = 0xfffff000; // LED bank; lamps at +4 and +8, display at +0x10
constexpr std::uint32_t kNop = 0;

std::uint32_t off(std::int32_t offset) {
    return static_cast<std::uint32_t>(offset) & 0xffff;
}

void loadConstant(Assembly& out, unsigned reg, std::uint32_t value) {
    out.emit(iType(kLui, 0, reg, value >> 16));
    out.emit(iType(kOri, reg, reg, value & 0xffff));
}

void loadAddress(Assembly& out, unsigned reg, const std::string& label) {
    out.emitRef(iType(kLui, 0, reg, 0), Fixup::High, label);
    out.emitRef(iType(kOri, reg, reg, 0), Fixup::Low, label);
}

// sig = sig * 33 ^ value: the multiplication is odd, so a single differing value always changes
// the signature. No mult: HI and LO belong to the program.
void fold(Assembly& out, unsigned value) {
    out.emit(rType(fSll, 0, kSig, kLink, 5));
    out.emit(rType(fAddu, kSig, kLink, kSig));
    out.emit(rType(fXor, kSig, value, kSig));
}

// A value with edge cases now and then.
std::uint32_t initialValue(Rng& rng) {
    static constexpr std::uint32_t kEdges[] = {0,          1,          0xffffffff, 0x7fffffff,
                                               0x80000000, 0x0000ffff, 0xffff8000, 0x00008000};
    if (rng.percent(15)) return kEdges[rng.below(std::size(kEdges))];
    if (rng.percent(15)) return rng.below(0x100);
    return rng.word();
}

// Lamps, display and end mark of the verdict; the display word is in kLink, kTemp is free.
void verdict(Assembly& out, unsigned lamp) {
    loadConstant(out, kTemp, kBoard);
    out.emit(iType(kSw, kTemp, kLink, 0x10));
    if (lamp != 1) out.emit(iType(kSw, kTemp, 0, 0), "LEDs off");
    out.emit(iType(kOri, 0, kLink, lamp));
    out.emit(iType(kSw, kTemp, kLink, 8));
    out.emit(iType(kSw, kTemp, kLink, 4));
    out.emit(iType(kOri, 0, kLink, 0xff));
    out.emit(iType(kSw, kTemp, kLink, 0xff0), "end mark");
    out.emitRef(jType(kJ, 0), Fixup::Jump, kFinishLabel);
    out.emit(kNop);
}

} // namespace

void emitVectors(Assembly& out) {
    out.label("_start");
    out.emitRef(jType(kJ, 0), Fixup::Jump, kMainLabel);
    out.emit(kNop);
    out.padTo(0x100);
    out.label(kFinishLabel); // the end of the run: idle for ever
    out.emit(iType(kAddiu, kTemp, kTemp, 1));
    out.emitRef(iType(kBeq, 0, 0, 0), Fixup::Branch, kFinishLabel);
    out.emit(kNop);
    out.padTo(0x380);
    out.label("random_exception"); // the general exception vector: idle (none is expected)
    out.emit(iType(kAddiu, kTemp, kTemp, 1));
    out.emitRef(iType(kBeq, 0, 0, 0), Fixup::Branch, "random_exception");
    out.emit(kNop);
}

void emitStart(Assembly& out, Rng& rng, std::uint32_t loops) {
    out.label(kMainLabel);
    loadConstant(out, kTemp, kBoard); // boot pattern: lamp B 2, lamp A 1, all LEDs, display 0
    out.emit(iType(kOri, 0, kLink, 2));
    out.emit(iType(kSw, kTemp, kLink, 8));
    out.emit(iType(kOri, 0, kLink, 1));
    out.emit(iType(kSw, kTemp, kLink, 4));
    out.emit(iType(kOri, 0, kLink, 0xffff));
    out.emit(iType(kSw, kTemp, kLink, 0));
    out.emit(iType(kSw, kTemp, 0, 0x10));
    loadConstant(out, kBase, kBaseAddress);
    for (std::uint32_t at = 0; at < kWindowBytes; at += 4) {
        loadConstant(out, kLink, initialValue(rng));
        out.emit(iType(
            kSw, kBase, kLink,
            off(static_cast<std::int32_t>(at) - static_cast<std::int32_t>(kWindowBytes / 2))));
    }
    out.emit(iType(kOri, 0, kLink, loops));
    out.emit(iType(kSw, kBase, kLink, off(kSlotPasses)));
    loadAddress(out, kLink, kExpectedLabel);
    out.emit(iType(kSw, kBase, kLink, off(kSlotExpected)));
    loadConstant(out, kLink, initialValue(rng));
    out.emit(rType(fMthi, kLink, 0, 0));
    loadConstant(out, kLink, initialValue(rng));
    out.emit(rType(fMtlo, kLink, 0, 0));
    for (unsigned r = 1; r < 32; ++r)
        if (kRandomRegisters & bit(r)) loadConstant(out, r, initialValue(rng));
}

void emitCheckpointCall(Assembly& out, std::uint32_t k) {
    loadAddress(out, kTemp, kCheckLabel);
    out.emit(rType(fJalr, kTemp, 0, kLink), fmt::format("checkpoint {}", k));
    out.emit(iType(kOri, 0, kSig, k));
}

void emitPassEnd(Assembly& out, std::uint32_t checkpoints) {
    out.emit(iType(kLw, kBase, kTemp, off(kSlotPasses)));
    out.emit(kNop);
    out.emit(iType(kAddiu, kTemp, kTemp, 0xffff));
    out.emit(iType(kSw, kBase, kTemp, off(kSlotPasses)));
    out.emitRef(iType(kBeq, kTemp, 0, 0), Fixup::Branch, "random_passed");
    out.emit(kNop);
    out.emitRef(jType(kJ, 0), Fixup::Jump, kPassLabel, "next pass (a jump: any distance)");
    out.emit(kNop);
    out.label("random_passed");
    loadConstant(out, kLink, checkpoints << 24 | checkpoints);
    verdict(out, 1);
}

void emitChecker(Assembly& out, bool recording) {
    out.label(kCheckLabel);
    out.emit(iType(kSw, kBase, kSig, off(kSlotCheckpoint)));
    out.emit(iType(kSw, kBase, kLink, off(kSlotReturn)));
    for (unsigned r = 1; r < 32; ++r)
        if (kRandomRegisters & bit(r)) fold(out, r);
    out.emit(rType(fMfhi, 0, 0, kTemp));
    fold(out, kTemp);
    out.emit(rType(fMflo, 0, 0, kTemp));
    fold(out, kTemp);
    for (std::uint32_t at = 0; at < kWindowBytes; at += 4) { // the load's delay slot is filled
        out.emit(rType(fSll, 0, kSig, kLink, 5));
        out.emit(iType(
            kLw, kBase, kTemp,
            off(static_cast<std::int32_t>(at) - static_cast<std::int32_t>(kWindowBytes / 2))));
        out.emit(rType(fAddu, kSig, kLink, kSig));
        out.emit(rType(fXor, kSig, kTemp, kSig));
    }
    out.emit(iType(kLw, kBase, kTemp, off(kSlotExpected)));
    out.emit(kNop);
    out.emit(iType(kLw, kTemp, kLink, 0));
    out.emit(iType(kAddiu, kTemp, kTemp, 4));
    out.emit(iType(kSw, kBase, kTemp, off(kSlotExpected)));
    out.emit(iType(kLw, kBase, kTemp, off(kSlotCheckpoint)));
    out.label(kCompareLabel);
    if (recording)
        out.emit(kNop);
    else
        out.emitRef(iType(kBne, kLink, kSig, 0), Fixup::Branch, "random_failed",
                    "signature against the expected one");
    out.emit(kNop);
    out.emit(rType(fSll, 0, kTemp, kLink, 24)); // passed: (k << 24) | k
    out.emit(rType(fOr, kLink, kTemp, kLink));
    loadConstant(out, kTemp, kBoard);
    out.emit(iType(kSw, kTemp, kLink, 0x10));
    out.emit(iType(kLw, kBase, kLink, off(kSlotReturn)));
    out.emit(kNop);
    out.emit(rType(fJr, kLink, 0, 0));
    out.emit(kNop);
    out.label("random_failed"); // (k << 24) | (k - 1), lamps 2 and 2, the end mark
    out.emit(rType(fSll, 0, kTemp, kLink, 24));
    out.emit(iType(kAddiu, kTemp, kTemp, 0xffff));
    out.emit(rType(fOr, kLink, kTemp, kLink));
    verdict(out, 2);
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
