#pragma once
// The board's address map: boot ROM, data RAM, the exception vector and the register block.
#include <cstdint>

namespace coretest {

inline constexpr std::uint32_t kRomBase = 0xbfc00000;
inline constexpr std::uint32_t kRomSize = 512 * 1024;
inline constexpr std::uint32_t kRamBase = 0x80000000;
inline constexpr std::uint32_t kRamSize = 256 * 1024;
inline constexpr std::uint32_t kExceptionVector = 0xbfc00380;

enum class BoardReg : std::uint32_t {
    LedBank = 0xfffff000,
    LampA = 0xfffff004,
    LampB = 0xfffff008,
    Display = 0xfffff010,
    EndMark = 0xfffffff0,
    Switch = 0xfffffff4,
};

inline constexpr std::uint32_t kEndMarkValue = 0xff;

} // namespace coretest
