// The ELF file around the program: header, the two loadable segments, the section list, the
// file layout, the data section and the register-information record.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "byte_reader.h"
#include "rom_image.h"

namespace romtest {
namespace {

constexpr std::uint32_t kTextAddress = 0xbfc00000;
constexpr std::uint32_t kDataAddress = 0x80000000;
constexpr std::uint64_t kSegmentAlign = 0x10000;
constexpr std::uint64_t kTextOffset = 0x10000;

std::uint64_t alignUp(std::uint64_t value, std::uint64_t align) {
    return align <= 1 ? value : (value + align - 1) / align * align;
}

const RomImage& image() {
    return RomImage::built();
}

TEST(ElfHeader, IdentifiesALittleEndianMipsOneExecutable) {
    const GElf_Ehdr& h = image().header();
    EXPECT_EQ(h.e_ident[EI_CLASS], ELFCLASS32);
    EXPECT_EQ(h.e_ident[EI_DATA], ELFDATA2LSB);
    EXPECT_EQ(h.e_ident[EI_VERSION], EV_CURRENT);
    EXPECT_EQ(h.e_ident[EI_OSABI], ELFOSABI_SYSV);
    EXPECT_EQ(h.e_ident[EI_ABIVERSION], 0);
    EXPECT_EQ(h.e_type, ET_EXEC);
    EXPECT_EQ(h.e_machine, EM_MIPS);
    EXPECT_EQ(h.e_version, EV_CURRENT);
    // noreorder, o32, MIPS I; neither PIC nor CPIC.
    EXPECT_EQ(h.e_flags, 0x1001u) << std::hex << "flags 0x" << h.e_flags;
    EXPECT_EQ(h.e_entry, kTextAddress);
    EXPECT_EQ(h.e_ehsize, 52);
    EXPECT_EQ(h.e_phentsize, 32);
    EXPECT_EQ(h.e_shentsize, 40);
    EXPECT_EQ(h.e_phoff, 52u) << "program headers directly after the ELF header";
    EXPECT_EQ(h.e_phnum, 2);
    EXPECT_EQ(h.e_shnum, 11);
    EXPECT_EQ(h.e_shstrndx, image().section(".shstrtab").index);
}

TEST(ProgramHeaders, TextInRomAndDataStoredBehindIt) {
    const auto& segments = image().segments();
    ASSERT_EQ(segments.size(), 2u);
    const std::uint32_t textSize = image().textEnd() - kTextAddress;

    const GElf_Phdr& text = segments[0];
    EXPECT_EQ(text.p_type, PT_LOAD);
    EXPECT_EQ(text.p_offset, kTextOffset);
    EXPECT_EQ(text.p_vaddr, kTextAddress);
    EXPECT_EQ(text.p_paddr, kTextAddress);
    EXPECT_EQ(text.p_filesz, textSize);
    EXPECT_EQ(text.p_memsz, textSize);
    EXPECT_EQ(text.p_flags, static_cast<GElf_Word>(PF_R | PF_X));
    EXPECT_EQ(text.p_align, kSegmentAlign);

    const GElf_Phdr& data = segments[1];
    EXPECT_EQ(data.p_type, PT_LOAD);
    EXPECT_EQ(data.p_offset, alignUp(kTextOffset + textSize, kSegmentAlign));
    EXPECT_EQ(data.p_vaddr, kDataAddress);
    EXPECT_EQ(data.p_paddr, image().textEnd()) << "the data's ROM copy follows the text";
    EXPECT_EQ(data.p_filesz, 0x10u);
    EXPECT_EQ(data.p_memsz, 0x10u);
    EXPECT_EQ(data.p_flags, static_cast<GElf_Word>(PF_R | PF_W));
    EXPECT_EQ(data.p_align, kSegmentAlign);
}

struct SectionFigure {
    const char* name;
    GElf_Word type;
    GElf_Xword flags;
    GElf_Xword align;
    GElf_Xword size; // 0: not fixed while the routines are frame-only, or checked elsewhere
};

// The section list in index order. GNU ld 2.40 numbers the section-name table after the symbol
// table and its strings; the image has it at index 8, before them (see rom/README.md).
constexpr std::array<SectionFigure, 11> kSections{{
    {"", SHT_NULL, 0, 0, 0},
    {".text", SHT_PROGBITS, SHF_ALLOC | SHF_EXECINSTR, 16, 0},
    {".data", SHT_PROGBITS, SHF_ALLOC | SHF_WRITE, 16, 0x10},
    {".debug_aranges", SHT_MIPS_DWARF, 0, 8, 0x760},
    {".pdr", SHT_PROGBITS, 0, 4, 0x740},
    {".debug_line", SHT_MIPS_DWARF, 0, 1, 0},
    {".debug_info", SHT_MIPS_DWARF, 0, 1, 0},
    {".debug_abbrev", SHT_MIPS_DWARF, 0, 1, 0x49c},
    {".symtab", SHT_SYMTAB, 0, 4, 149 * 16},
    {".strtab", SHT_STRTAB, 0, 1, 0},
    {".shstrtab", SHT_STRTAB, 0, 1, 0x61},
}};

TEST(Sections, ListInOrderAndNothingElse) {
    const auto& sections = image().sections();
    ASSERT_EQ(sections.size() + 1, kSections.size()) << "sections besides the null section";
    for (const auto& s : sections) {
        SCOPED_TRACE("section " + std::to_string(s.index) + " " + s.name);
        const SectionFigure& want = kSections.at(s.index);
        EXPECT_EQ(s.name, want.name);
        EXPECT_EQ(s.header.sh_type, want.type);
        EXPECT_EQ(s.header.sh_flags, want.flags);
        EXPECT_EQ(s.header.sh_addralign, want.align);
        if (want.size) {
            EXPECT_EQ(s.header.sh_size, want.size) << std::hex << "size 0x" << s.header.sh_size;
        }
    }
    EXPECT_EQ(image().section(".text").header.sh_addr, kTextAddress);
    EXPECT_EQ(image().section(".data").header.sh_addr, kDataAddress);
    const Section& symtab = image().section(".symtab");
    EXPECT_EQ(symtab.header.sh_entsize, 16u);
    EXPECT_EQ(symtab.header.sh_link, image().section(".strtab").index);
}

TEST(FileLayout, SegmentsAtTheirOffsetsAndTheRestPackedBehindTheData) {
    const auto& bytes = image().fileBytes();
    const auto& sections = image().sections();
    const GElf_Ehdr& h = image().header();
    EXPECT_EQ(image().section(".text").header.sh_offset, kTextOffset);
    EXPECT_EQ(image().section(".data").header.sh_offset, image().segments().at(1).p_offset);

    // Zero fill between the program headers and the text, and between the text and the data.
    const std::uint64_t headersEnd = h.e_phoff + h.e_phnum * h.e_phentsize;
    const Section& text = image().section(".text");
    const Section& data = image().section(".data");
    auto zeroRange = [&](std::uint64_t from, std::uint64_t to) {
        for (std::uint64_t i = from; i < to && i < bytes.size(); ++i)
            if (bytes[i]) return i;
        return to;
    };
    EXPECT_EQ(zeroRange(headersEnd, kTextOffset), kTextOffset) << "non-zero fill byte";
    const std::uint64_t textFileEnd = text.header.sh_offset + text.header.sh_size;
    EXPECT_EQ(zeroRange(textFileEnd, data.header.sh_offset), data.header.sh_offset)
        << "non-zero fill byte";

    // Sections 3 onwards one after the other from the end of the data, then the section header
    // table at the end of the file.
    std::uint64_t end = data.header.sh_offset + data.header.sh_size;
    for (const auto& s : sections) {
        if (s.index < 3) continue;
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.header.sh_offset, alignUp(end, s.header.sh_addralign));
        end = s.header.sh_offset + s.header.sh_size;
    }
    EXPECT_EQ(h.e_shoff, alignUp(end, 4));
    EXPECT_EQ(bytes.size(), h.e_shoff + h.e_shnum * h.e_shentsize);
}

TEST(DataSection, FourZeroWords) {
    const Section& data = image().section(".data");
    ASSERT_EQ(data.bytes.size(), 16u);
    ByteReader r(data.bytes);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.u32(), 0u) << "word " << i;
}

TEST(RegisterInformation, EndsTheText) {
    const Section& text = image().section(".text");
    ASSERT_GE(text.bytes.size(), 24u);
    ByteReader r(text.bytes, text.bytes.size() - 24);
    EXPECT_EQ(r.u32(), 0x800b7f70u) << "general registers of start: a0-a2, t0-t6, s0, s1, s3, ra";
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.u32(), 0u) << "coprocessor mask " << i;
    EXPECT_EQ(r.u32(), 0u) << "gp value";
}

TEST(Reproducibility, NoBuildPathsInTheFile) {
    const auto& bytes = image().fileBytes();
    const std::string file(bytes.begin(), bytes.end());
    for (const std::string dir : {CORETEST_SOURCE_DIR, CORETEST_BINARY_DIR})
        EXPECT_EQ(file.find(dir), std::string::npos) << "the image names " << dir;
}

} // namespace
} // namespace romtest
