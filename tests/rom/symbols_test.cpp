// The symbol table: section symbols, the boot unit's labels, one inst_error per unit in link
// order, the routines, and the symbols the link defines.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>
#include <string>

#include "rom_image.h"
#include "routines.h"

namespace romtest {
namespace {

constexpr std::size_t kSymbols = 149;
constexpr std::size_t kFirstGlobal = 71;
constexpr std::size_t kFirstBootLabel = 8;    // after the null entry and sections 1 to 7
constexpr std::size_t kFirstReportBlock = 13; // after the five boot labels

const RomImage& image() {
    return RomImage::built();
}

TEST(SymbolTable, LocalsFirst) {
    const auto& symbols = image().symbols();
    ASSERT_EQ(symbols.size(), kSymbols);
    EXPECT_EQ(image().section(".symtab").header.sh_info, kFirstGlobal);
    for (const auto& s : symbols)
        EXPECT_EQ(s.bind, s.index < kFirstGlobal ? STB_LOCAL : STB_GLOBAL)
            << "entry " << s.index << " " << s.name;
    for (const auto& s : symbols)
        EXPECT_NE(s.type, STT_FILE) << "file symbol " << s.name;
}

TEST(SymbolTable, NullEntryThenOneSectionSymbolForSectionsOneToSeven) {
    const auto& symbols = image().symbols();
    ASSERT_GE(symbols.size(), kFirstBootLabel);
    EXPECT_EQ(symbols[0].name, "");
    EXPECT_EQ(symbols[0].value, 0u);
    EXPECT_EQ(symbols[0].section, SHN_UNDEF);
    for (std::size_t i = 1; i < kFirstBootLabel; ++i) {
        EXPECT_EQ(symbols[i].type, STT_SECTION) << "entry " << i;
        EXPECT_EQ(symbols[i].section, i) << "entry " << i;
        EXPECT_EQ(symbols[i].value, image().sections().at(i - 1).header.sh_addr) << "entry " << i;
    }
}

struct BootLabel {
    const char* name;
    std::uint32_t address;
};
// In the order the boot unit first names them.
constexpr std::array<BootLabel, 5> kBootLabels{{
    {"locate", 0xbfc0038c},
    {"test_finish", 0xbfc00100},
    {"inst_test", 0xbfc003c0},
    {"wait_1s", 0xbfc007b8},
    {"test_end", 0xbfc00760},
}};

TEST(SymbolTable, BootUnitLabels) {
    const auto& symbols = image().symbols();
    ASSERT_GE(symbols.size(), kFirstReportBlock);
    for (std::size_t i = 0; i < kBootLabels.size(); ++i) {
        const Symbol& s = symbols[kFirstBootLabel + i];
        SCOPED_TRACE(kBootLabels[i].name);
        EXPECT_EQ(s.name, kBootLabels[i].name);
        EXPECT_EQ(s.value, kBootLabels[i].address);
        EXPECT_EQ(s.type, STT_NOTYPE);
        EXPECT_EQ(s.section, image().section(".text").index);
    }
}

TEST(SymbolTable, OneReportBlockPerUnitInLinkOrder) {
    const auto& symbols = image().symbols();
    const auto& routines = builtRoutines();
    ASSERT_EQ(kFirstReportBlock + routines.size(), kFirstGlobal);
    for (std::size_t i = 0; i < routines.size(); ++i) {
        const Symbol& s = symbols.at(kFirstReportBlock + i);
        SCOPED_TRACE(std::string(routines[i].slot.unit));
        EXPECT_EQ(s.name, "inst_error");
        EXPECT_EQ(s.type, STT_NOTYPE);
        EXPECT_EQ(s.section, image().section(".text").index);
        EXPECT_EQ(s.value, routines[i].reportBlock())
            << std::hex << "at 0x" << s.value << ", routine ends at 0x" << routines[i].end();
    }
}

TEST(SymbolTable, RoutinesAreGlobalFunctionsWithTheirSize) {
    for (const auto& r : builtRoutines()) {
        const Symbol& s = image().symbol(r.routine);
        SCOPED_TRACE(r.routine);
        EXPECT_EQ(s.bind, STB_GLOBAL);
        EXPECT_EQ(s.type, STT_FUNC);
        EXPECT_EQ(s.section, image().section(".text").index);
        EXPECT_GE(s.size, kFrameOnlyBytes);
        EXPECT_EQ(s.size % 4, 0u);
    }
}

struct LinkSymbol {
    const char* name;
    unsigned type;
    const char* section; // section name, or "ABS" / "UND"
    std::function<std::uint32_t(const RomImage&)> value;
};

std::uint32_t textEnd(const RomImage& rom) {
    return rom.textEnd();
}
std::function<std::uint32_t(const RomImage&)> fixed(std::uint32_t v) {
    return [v](const RomImage&) { return v; };
}

// Symbols defined by the link (and the boot unit's entry labels), whatever their order among the
// globals. Values that move with the size of the text are taken from it; the full-size values
// are checked in full_image_test.cpp.
const std::array<LinkSymbol, 20> kLinkSymbols{{
    {"_ftext", STT_NOTYPE, ".text", fixed(0xbfc00000)},
    {"_start", STT_OBJECT, ".text", fixed(0xbfc00000)},
    {"start", STT_OBJECT, ".text", fixed(0xbfc00000)},
    {"rodata_end", STT_NOTYPE, ".text", textEnd},
    {"_etext", STT_NOTYPE, "ABS", textEnd},
    {"data_load_start", STT_NOTYPE, "ABS", textEnd},
    {"_fdata", STT_NOTYPE, ".data", fixed(0x80000000)},
    {"__CTOR_LIST__", STT_NOTYPE, ".data", fixed(0x80000000)},
    {"__CTOR_END__", STT_NOTYPE, ".data", fixed(0x80000008)},
    {"__DTOR_LIST__", STT_NOTYPE, ".data", fixed(0x80000008)},
    {"__DTOR_END__", STT_NOTYPE, ".data", fixed(0x80000010)},
    {"_stack", STT_NOTYPE, ".data", fixed(0x80003fe0)},
    {"_gp", STT_NOTYPE, ".data", fixed(0x80008000)},
    {"data_size", STT_NOTYPE, "ABS", fixed(0x10)},
    {"__bss_start", STT_NOTYPE, "ABS", fixed(0x80000010)},
    {"_edata", STT_NOTYPE, "ABS", fixed(0x80000010)},
    {"_end", STT_NOTYPE, "ABS", fixed(0x80000010)},
    {"_fbss", STT_NOTYPE, "ABS", fixed(0x80000010)},
    {"_heap", STT_NOTYPE, "ABS", fixed(0x80000100)},
    {"__main", STT_OBJECT, "UND", fixed(0)},
}};

unsigned sectionIndex(const RomImage& rom, const std::string& name) {
    if (name == "ABS") return SHN_ABS;
    if (name == "UND") return SHN_UNDEF;
    return static_cast<unsigned>(rom.section(name).index);
}

TEST(SymbolTable, LinkDefinedSymbols) {
    for (const auto& want : kLinkSymbols) {
        SCOPED_TRACE(want.name);
        const Symbol& s = image().symbol(want.name);
        EXPECT_EQ(s.bind, STB_GLOBAL);
        EXPECT_EQ(s.type, want.type);
        EXPECT_EQ(s.section, sectionIndex(image(), want.section));
        EXPECT_EQ(s.value, want.value(image())) << std::hex << "value 0x" << s.value;
        EXPECT_EQ(s.size, 0u);
    }
}

TEST(SymbolTable, GlobalsAreTheRoutinesAndTheLinkSymbolsOnly) {
    std::multiset<std::string> want;
    for (const auto& r : builtRoutines())
        want.insert(r.routine);
    for (const auto& s : kLinkSymbols)
        want.insert(s.name);
    std::multiset<std::string> got;
    for (const auto& s : image().symbols())
        if (s.index >= kFirstGlobal) got.insert(s.name);
    EXPECT_EQ(got, want);
}

// Every name once, with its terminating zero, after the leading empty string: the string table
// size the image has. GNU ld 2.40 stores a name that ends another name inside it (start in
// _start, both in data_load_start, _end in test_end), so the built table is smaller by those
// names (see rom/README.md).
TEST(StringTable, HoldsTheSymbolNames) {
    std::set<std::string> names;
    for (const auto& s : image().symbols())
        if (!s.name.empty()) names.insert(s.name);
    std::size_t unshared = 1;
    for (const auto& n : names)
        unshared += n.size() + 1;
    EXPECT_EQ(unshared, 0x41du);

    std::size_t shared = 0;
    for (const auto& n : names)
        for (const auto& other : names)
            if (other != n && other.ends_with(n)) {
                shared += n.size() + 1;
                break;
            }
    EXPECT_EQ(image().section(".strtab").header.sh_size, unshared - shared);
}

} // namespace
} // namespace romtest
