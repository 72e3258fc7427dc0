#include "reference_core.h"

#include <cstring>

namespace coretest::cosim {

namespace {

// Whether the reference core can fetch at pc: an aligned word of the ROM or the RAM.
bool fetchable(std::uint32_t pc) {
    return (pc & 3) == 0 && (pc - kRomBase < kRomSize || pc - kRamBase < kRamSize);
}

} // namespace

ReferenceCore::ReferenceCore(const Image& image, std::uint32_t switchValue)
    : board_(image, switchValue), rom_(decodeRom(board_)),
      core_(board_, rom_, {}, this, nullptr, image.entry()) {
    step_.retired.records.reserve(4);
}

const ReferenceStep& ReferenceCore::step() {
    before_ = core_.state();
    step_.retired.pc = before_.pc;
    step_.retired.records.clear();
    raised_ = false;
    step_.op = opAt(before_.pc);
    if (!fetchable(before_.pc)) {
        // The core's run loop would raise here and go on to the vector's first instruction in
        // the same call; a core under simulation retires the failed fetch on its own.
        moveTo(kExceptionVector);
        step_.trap = true;
        return step_;
    }
    core_.run(core_.instructions() + 1);
    // Only the first exception of a run is reported to the observer; any later one shows as a
    // jump to the vector from an instruction whose successor was elsewhere.
    step_.trap =
        raised_ || (core_.state().pc == kExceptionVector && before_.npc != kExceptionVector);
    return step_;
}

std::uint32_t ReferenceCore::ramWord(std::uint32_t address) const {
    std::uint32_t word = 0;
    if (const std::uint32_t off = address - kRamBase; off < kRamSize && (off & 3) == 0)
        std::memcpy(&word, &board_.ram()[off], 4);
    return word;
}

Op ReferenceCore::opAt(std::uint32_t pc) const {
    if (const std::uint32_t off = pc - kRomBase; off < kRomSize && (off & 3) == 0)
        return rom_[off / 4].op;
    return decode(ramWord(pc), pc).op;
}

template <class Write>
void ReferenceCore::unrecorded(Write write) {
    const std::size_t recorded = step_.retired.records.size();
    write();
    step_.retired.records.resize(recorded);
}

void ReferenceCore::setReg(unsigned reg, std::uint32_t value) {
    unrecorded([&] { core_.setReg(reg, value); });
}
void ReferenceCore::setHi(std::uint32_t value) {
    unrecorded([&] { core_.setHi(value); });
}
void ReferenceCore::setLo(std::uint32_t value) {
    unrecorded([&] { core_.setLo(value); });
}

void ReferenceCore::store(std::uint32_t address, unsigned size, std::uint32_t value) {
    board_.write(address, size, value, core_.pc(), core_.instructions());
}

void ReferenceCore::moveTo(std::uint32_t pc) {
    core_.jump(pc);
    core_.annulDelaySlot();
}

void ReferenceCore::regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) {
    step_.retired.records.push_back({.pc = pc,
                                     .kind = TraceRecord::Kind::Reg,
                                     .reg = static_cast<std::uint8_t>(reg),
                                     .value = value});
}

void ReferenceCore::hiWritten(std::uint32_t pc, std::uint32_t value) {
    step_.retired.records.push_back({.pc = pc, .kind = TraceRecord::Kind::Hi, .value = value});
}

void ReferenceCore::loWritten(std::uint32_t pc, std::uint32_t value) {
    step_.retired.records.push_back({.pc = pc, .kind = TraceRecord::Kind::Lo, .value = value});
}

void ReferenceCore::memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                                  std::uint32_t value) {
    step_.retired.records.push_back({.pc = pc,
                                     .kind = TraceRecord::Kind::Memory,
                                     .size = static_cast<std::uint8_t>(size),
                                     .address = addr,
                                     .value = value});
}

void ReferenceCore::exceptionTaken(const ExceptionRecord& /*record*/) {
    raised_ = true;
}

} // namespace coretest::cosim
