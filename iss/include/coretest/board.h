#pragma once
// The board around the core: boot ROM, data RAM and the register block, with an ordered log of
// every register access. All data accesses of the core go through read() and write().
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "coretest/memory_map.h"

namespace coretest {

class Image;

// The most register accesses and refused ROM stores one run's board logs (24 MiB of events). The
// ROM makes a few hundred; a program that writes a register in a loop reaches the cap, and its run
// is stopped.
inline constexpr std::size_t kMaxBoardEvents = std::size_t{1} << 20;

struct BoardEvent {
    enum class Kind : std::uint8_t { Read, Write };
    Kind kind;
    BoardReg reg;
    std::uint32_t value;
    std::uint64_t instruction; // instructions executed before the access
    bool operator==(const BoardEvent&) const = default;
};

// A data write that hit the boot ROM: recorded, not performed.
struct RomWriteFault {
    std::uint32_t pc;
    std::uint32_t address;
    std::uint32_t value;
    unsigned size;
    std::uint64_t instruction;
    bool operator==(const RomWriteFault&) const = default;
};

// What a person sees on the board.
struct BoardState {
    std::uint32_t ledBank = 0;
    std::uint32_t lampA = 0;
    std::uint32_t lampB = 0;
    std::uint32_t display = 0;
    std::uint32_t endMark = 0;
    bool endMarked() const { return endMark == kEndMarkValue; }
    bool operator==(const BoardState&) const = default;
};

// One data access as the board receives it.
struct BoardAccess {
    enum class Kind : std::uint8_t { Read, Write };
    Kind kind;
    std::uint32_t address;
    unsigned size;
    std::uint64_t instruction; // instructions executed before the access
};

// Strict mode: a checker is shown every data access before the board answers it.
class AccessChecker {
  public:
    virtual ~AccessChecker() = default;
    virtual void checkAccess(const BoardAccess& access) = 0;
};

class Board {
  public:
    // ROM from the image's segments by physical address; RAM also receives the segments whose
    // virtual address lies in RAM (a loader's copy of initialised data).
    explicit Board(const Image& image, std::uint32_t switchValue = 0);

    // Data accesses, size 1, 2 or 4 at an address aligned to it (the core checks alignment).
    // nullopt / NoDevice: nothing answers at that address (a bus error for the core).
    std::optional<std::uint32_t> read(std::uint32_t addr, unsigned size, std::uint64_t now) {
        if (checker_) [[unlikely]]
            checker_->checkAccess({BoardAccess::Kind::Read, addr, size, now});
        if (const std::uint32_t off = addr - kRamBase; off < kRamSize)
            return readBytes(ram_, off, size);
        return readSlow(addr, size, now);
    }
    enum class WriteResult { Done, RomRefused, NoDevice };
    WriteResult write(std::uint32_t addr, unsigned size, std::uint32_t value, std::uint32_t pc,
                      std::uint64_t now) {
        if (checker_) [[unlikely]]
            checker_->checkAccess({BoardAccess::Kind::Write, addr, size, now});
        if (const std::uint32_t off = addr - kRamBase; off < kRamSize) {
            std::memcpy(&ram_[off], &value, size); // host and guest are both little-endian
            return WriteResult::Done;
        }
        return writeSlow(addr, size, value, pc, now);
    }

    std::span<const std::uint8_t> rom() const { return rom_; }
    std::span<const std::uint8_t> ram() const { return ram_; }

    const BoardState& state() const { return state_; }
    std::uint32_t switchValue() const { return switch_; }
    void setSwitch(std::uint32_t value) { switch_ = value; }
    void setChecker(AccessChecker* checker) { checker_ = checker; } // nullptr: not strict
    const std::vector<BoardEvent>& events() const { return events_; }
    // The logs hold kMaxBoardEvents entries together: later accesses still act on the registers
    // but are not recorded, and the core stops after the access that filled them.
    bool eventLogFull() const { return eventLogFull_; }
    const std::vector<RomWriteFault>& romWrites() const { return romWrites_; }

  private:
    static std::uint32_t readBytes(std::span<const std::uint8_t> mem, std::uint32_t off,
                                   unsigned size) {
        std::uint32_t v = 0;
        std::memcpy(&v, &mem[off], size);
        return v;
    }
    std::optional<std::uint32_t> readSlow(std::uint32_t addr, unsigned size, std::uint64_t now);
    void record(const BoardEvent& event);
    void record(const RomWriteFault& write);
    WriteResult writeSlow(std::uint32_t addr, unsigned size, std::uint32_t value, std::uint32_t pc,
                          std::uint64_t now);

    std::vector<std::uint8_t> rom_;
    std::vector<std::uint8_t> ram_;
    BoardState state_;
    std::uint32_t switch_ = 0;
    std::vector<BoardEvent> events_;
    bool eventLogFull_ = false;
    std::vector<RomWriteFault> romWrites_;
    AccessChecker* checker_ = nullptr;
};

} // namespace coretest
