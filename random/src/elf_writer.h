#pragma once
// Writes the program as an ELF32 little-endian MIPS executable with libelf: one loadable segment
// at the boot address, the symbol table, and DWARF line records (.debug_info, .debug_abbrev,
// .debug_line) that map every word to its line of the listing.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace coretest::random {

struct ElfSymbol {
    std::string name;
    std::uint32_t value = 0;
    std::uint32_t size = 0;
    unsigned char type = 0; // STT_FUNC, STT_OBJECT or STT_NOTYPE
};

struct ElfContent {
    std::uint32_t base = 0;
    std::vector<std::uint32_t> words;
    std::vector<ElfSymbol> symbols;
    std::vector<std::pair<std::uint32_t, int>> lines; // address and listing line, by address
    std::string listingName;                          // the file the line records name
};

std::vector<std::uint8_t> writeElf(const ElfContent& content);

// The DWARF sections on their own (for the writer and its tests).
struct DwarfSections {
    std::vector<std::uint8_t> abbrev, info, line;
};
DwarfSections lineRecords(const ElfContent& content);

} // namespace coretest::random
