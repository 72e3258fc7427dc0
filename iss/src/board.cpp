#include "coretest/board.h"

#include "coretest/image.h"

namespace coretest {

namespace {

bool isRegister(std::uint32_t addr) {
    switch (static_cast<BoardReg>(addr)) {
    case BoardReg::LedBank:
    case BoardReg::LampA:
    case BoardReg::LampB:
    case BoardReg::Display:
    case BoardReg::EndMark:
    case BoardReg::Switch: return true;
    }
    return false;
}

void place(std::vector<std::uint8_t>& mem, std::uint32_t offset, const Segment& s) {
    std::copy(s.bytes.begin(), s.bytes.end(), mem.begin() + offset);
}

} // namespace

Board::Board(const Image& image, std::uint32_t switchValue)
    : rom_(kRomSize), ram_(kRamSize), switch_(switchValue) {
    // The image checked that every segment lies wholly in the ROM or the RAM.
    for (const Segment& s : image.segments()) {
        if (s.paddr - kRomBase < kRomSize) place(rom_, s.paddr - kRomBase, s);
        if (s.paddr - kRamBase < kRamSize) place(ram_, s.paddr - kRamBase, s);
        if (s.vaddr - kRamBase < kRamSize && s.vaddr != s.paddr) place(ram_, s.vaddr - kRamBase, s);
    }
}

void Board::record(const BoardEvent& event) {
    if (eventLogFull_) return;
    events_.push_back(event);
    eventLogFull_ = events_.size() + romWrites_.size() >= kMaxBoardEvents;
}

void Board::record(const RomWriteFault& write) {
    if (eventLogFull_) return;
    romWrites_.push_back(write);
    eventLogFull_ = events_.size() + romWrites_.size() >= kMaxBoardEvents;
}

std::optional<std::uint32_t> Board::readSlow(std::uint32_t addr, unsigned size, std::uint64_t now) {
    if (const std::uint32_t off = addr - kRomBase; off < kRomSize)
        return readBytes(rom_, off, size);
    if (size != 4 || !isRegister(addr)) return std::nullopt;
    const auto reg = static_cast<BoardReg>(addr);
    std::uint32_t value = 0;
    switch (reg) {
    case BoardReg::LedBank: value = state_.ledBank; break;
    case BoardReg::LampA: value = state_.lampA; break;
    case BoardReg::LampB: value = state_.lampB; break;
    case BoardReg::Display: value = state_.display; break;
    case BoardReg::EndMark: value = state_.endMark; break;
    case BoardReg::Switch: value = switch_; break;
    }
    record({BoardEvent::Kind::Read, reg, value, now});
    return value;
}

Board::WriteResult Board::writeSlow(std::uint32_t addr, unsigned size, std::uint32_t value,
                                    std::uint32_t pc, std::uint64_t now) {
    if (addr - kRomBase < kRomSize) {
        record(RomWriteFault{pc, addr, value, size, now});
        return WriteResult::RomRefused;
    }
    if (size != 4 || !isRegister(addr)) return WriteResult::NoDevice;
    const auto reg = static_cast<BoardReg>(addr);
    switch (reg) {
    case BoardReg::LedBank: state_.ledBank = value; break;
    case BoardReg::LampA: state_.lampA = value; break;
    case BoardReg::LampB: state_.lampB = value; break;
    case BoardReg::Display: state_.display = value; break;
    case BoardReg::EndMark: state_.endMark = value; break;
    case BoardReg::Switch: break; // an input: writing it changes nothing
    }
    record({BoardEvent::Kind::Write, reg, value, now});
    return WriteResult::Done;
}

} // namespace coretest
