#pragma once
// The built ROM image as libelf reads it: ELF header, program headers, sections with their bytes,
// and the symbol table, for the image conformance tests.
#include <gelf.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace romtest {

struct Section {
    std::size_t index = 0;
    std::string name;
    GElf_Shdr header{};
    std::vector<std::uint8_t> bytes; // the section's contents in the file
};

struct Symbol {
    std::size_t index = 0;
    std::string name;
    std::uint32_t value = 0;
    std::uint32_t size = 0;
    unsigned bind = 0;
    unsigned type = 0;
    unsigned section = 0; // section index, or SHN_ABS / SHN_UNDEF
};

class RomImage {
  public:
    // The image at CORETEST_ROM_PATH, read once; throws std::runtime_error when it is unreadable.
    static const RomImage& built();

    explicit RomImage(const std::string& path);

    const GElf_Ehdr& header() const { return header_; }
    const std::vector<GElf_Phdr>& segments() const { return segments_; }
    const std::vector<Section>& sections() const { return sections_; }
    const std::vector<Symbol>& symbols() const { return symbols_; }
    const std::vector<std::uint8_t>& fileBytes() const { return fileBytes_; }
    const std::string& path() const { return path_; }

    // Throws std::out_of_range when the image has no such section or symbol.
    const Section& section(std::string_view name) const;
    const Symbol& symbol(std::string_view name) const; // the first entry of that name

    // The little-endian word of .text at a ROM address.
    std::uint32_t textWord(std::uint32_t address) const;
    std::uint32_t textEnd() const; // address just after .text

  private:
    std::string path_;
    GElf_Ehdr header_{};
    std::vector<GElf_Phdr> segments_;
    std::vector<Section> sections_;
    std::vector<Symbol> symbols_;
    std::vector<std::uint8_t> fileBytes_;
};

} // namespace romtest
