// The line records: one compile unit, one address-range set and one line program per source
// unit, in link order, with a row at the first instruction of every source line that produces
// code and at no other place.
#include <dwarf.h>
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "byte_reader.h"
#include "compile_units.h"
#include "rom_image.h"
#include "routines.h"

namespace romtest {
namespace {

constexpr std::size_t kUnits = 59;
constexpr std::uint32_t kBootLow = 0xbfc00000;
constexpr std::uint32_t kBootHigh = 0xbfc007e8; // wait_1s ends; two padding words follow
constexpr std::size_t kAbbrevTableBytes = 20;   // each unit's own table: one abbreviation

// GNU as 2.40 writes version 3 line programs for DWARF 2; the image has version 2. The header
// fields are laid out alike in both versions (see rom/README.md).
constexpr int kLineProgramVersion = 3;

// Where each compile unit's code lies: the boot unit, then the routines in link order.
struct UnitPlace {
    std::string file;
    std::string compDir;
    std::uint32_t low, high, codeEnd; // codeEnd includes the padding
};

std::vector<UnitPlace> expectedUnits() {
    std::vector<UnitPlace> places{{"start.S", ".", kBootLow, kBootHigh, kBootHigh}};
    for (const auto& r : builtRoutines())
        places.push_back(
            {std::string(r.slot.unit) + ".S", "inst", r.address, r.end(), r.paddedEnd()});
    return places;
}

const std::vector<CompileUnit>& units() {
    return builtCompileUnits();
}

TEST(CompileUnits, OnePerSourceUnitInLinkOrder) {
    const auto places = expectedUnits();
    ASSERT_EQ(units().size(), kUnits);
    for (std::size_t i = 0; i < kUnits; ++i) {
        const CompileUnit& cu = units()[i];
        SCOPED_TRACE(places[i].file);
        EXPECT_EQ(cu.name, places[i].file);
        EXPECT_EQ(cu.compDir, places[i].compDir);
        EXPECT_EQ(cu.lowPc, places[i].low);
        EXPECT_EQ(cu.highPc, places[i].high) << "padding is not part of the unit";
    }
}

TEST(CompileUnits, VersionTwoChildlessWithInlineStrings) {
    const std::vector<std::pair<unsigned, unsigned>> attributes{
        {DW_AT_stmt_list, DW_FORM_data4}, {DW_AT_low_pc, DW_FORM_addr},
        {DW_AT_high_pc, DW_FORM_addr},    {DW_AT_name, DW_FORM_string},
        {DW_AT_comp_dir, DW_FORM_string}, {DW_AT_producer, DW_FORM_string},
        {DW_AT_language, DW_FORM_data2},
    };
    for (std::size_t i = 0; i < units().size(); ++i) {
        const CompileUnit& cu = units()[i];
        SCOPED_TRACE(cu.name);
        EXPECT_EQ(cu.version, 2);
        EXPECT_EQ(cu.addressSize, 4);
        EXPECT_EQ(cu.tag, DW_TAG_compile_unit);
        EXPECT_FALSE(cu.hasChildren);
        EXPECT_EQ(cu.attributes, attributes);
        EXPECT_EQ(cu.abbrevOffset, i * kAbbrevTableBytes);
        EXPECT_EQ(cu.language, static_cast<unsigned>(DW_LANG_Mips_Assembler));
        EXPECT_TRUE(cu.producer.starts_with("GNU AS ")) << cu.producer;
        EXPECT_EQ(cu.producer, units().front().producer);
    }
}

TEST(CompileUnits, EachHoldsOnlyItsOwnDie) {
    const Section& info = RomImage::built().section(".debug_info");
    ByteReader in(info.bytes);
    for (const CompileUnit& cu : units()) {
        SCOPED_TRACE(cu.name);
        in.seek(cu.offset);
        // Header (11 bytes), abbreviation code, three words, four strings' worth of bytes and the
        // language: nothing else.
        const std::size_t strings =
            cu.name.size() + 1 + cu.compDir.size() + 1 + cu.producer.size() + 1;
        EXPECT_EQ(in.u32() + 4, 11 + 1 + 12 + strings + 2);
    }
}

// A line program's header as it stands in .debug_line.
struct LineProgramHeader {
    std::size_t offset = 0;
    std::size_t end = 0; // offset of the next program
    int version = 0;
    int minInstructionLength = 0;
    int lineBase = 0;
    int lineRange = 0;
    int opcodeBase = 0;
    std::vector<int> standardOpcodeLengths;
    std::vector<std::string> directories;
    struct File {
        std::string name;
        std::uint64_t directory, mtime, length;
    };
    std::vector<File> files;
    bool programFollowsHeader = false;
};

std::vector<LineProgramHeader> lineProgramHeaders() {
    const Section& line = RomImage::built().section(".debug_line");
    std::vector<LineProgramHeader> headers;
    ByteReader in(line.bytes);
    while (!in.atEnd()) {
        LineProgramHeader h;
        h.offset = in.offset();
        h.end = h.offset + 4 + in.u32();
        h.version = in.u16();
        const std::uint32_t headerLength = in.u32();
        const std::size_t programStart = in.offset() + headerLength;
        h.minInstructionLength = in.u8();
        in.u8(); // default is_stmt
        h.lineBase = in.s8();
        h.lineRange = in.u8();
        h.opcodeBase = in.u8();
        for (int i = 1; i < h.opcodeBase; ++i)
            h.standardOpcodeLengths.push_back(in.u8());
        while (true) {
            std::string dir = in.cstring();
            if (dir.empty()) break;
            h.directories.push_back(std::move(dir));
        }
        while (true) {
            LineProgramHeader::File f;
            f.name = in.cstring();
            if (f.name.empty()) break;
            f.directory = in.uleb128();
            f.mtime = in.uleb128();
            f.length = in.uleb128();
            h.files.push_back(std::move(f));
        }
        h.programFollowsHeader = in.offset() == programStart;
        headers.push_back(std::move(h));
        in.seek(h.end);
    }
    return headers;
}

TEST(LinePrograms, OnePerUnitWithASingleFileEntry) {
    const auto headers = lineProgramHeaders();
    ASSERT_EQ(headers.size(), kUnits);
    const std::vector<int> standardLengths{0, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 1};
    for (std::size_t i = 0; i < kUnits; ++i) {
        const LineProgramHeader& h = headers[i];
        const CompileUnit& cu = units().at(i);
        SCOPED_TRACE(cu.name);
        EXPECT_EQ(cu.stmtList, h.offset) << "the unit names its own line program";
        EXPECT_EQ(h.version, kLineProgramVersion);
        EXPECT_EQ(h.minInstructionLength, 1);
        EXPECT_EQ(h.lineBase, -5);
        EXPECT_EQ(h.lineRange, 14);
        EXPECT_EQ(h.opcodeBase, 13);
        EXPECT_EQ(h.standardOpcodeLengths, standardLengths);
        EXPECT_TRUE(h.directories.empty());
        ASSERT_EQ(h.files.size(), 1u) << "included macro files must not add file entries";
        EXPECT_EQ(h.files[0].name, cu.name);
        EXPECT_EQ(h.files[0].directory, 0u);
        EXPECT_EQ(h.files[0].mtime, 0u);
        EXPECT_EQ(h.files[0].length, 0u);
        EXPECT_TRUE(h.programFollowsHeader);
    }
}

TEST(AddressRanges, OneSetPerUnitWithItsSingleRange) {
    const Section& aranges = RomImage::built().section(".debug_aranges");
    ASSERT_EQ(aranges.bytes.size(), kUnits * 32);
    ByteReader in(aranges.bytes);
    for (const CompileUnit& cu : units()) {
        SCOPED_TRACE(cu.name);
        EXPECT_EQ(in.u32(), 28u) << "set length";
        EXPECT_EQ(in.u16(), 2) << "version";
        EXPECT_EQ(in.u32(), cu.offset) << "compile unit";
        EXPECT_EQ(in.u8(), 4) << "address size";
        EXPECT_EQ(in.u8(), 0) << "segment size";
        EXPECT_EQ(in.u32(), 0u) << "padding to the first tuple";
        EXPECT_EQ(in.u32(), cu.lowPc);
        EXPECT_EQ(in.u32(), cu.highPc - cu.lowPc);
        EXPECT_EQ(in.u32(), 0u) << "terminating tuple";
        EXPECT_EQ(in.u32(), 0u) << "terminating tuple";
    }
}

// Macros of the frame that emit only records outside the text.
const std::set<std::string> kRecordOnlyMacros{"unit_record"};

// The text after any labels that open a line ("name:", "1:").
std::string withoutLabels(std::string text) {
    while (true) {
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos) return "";
        auto end = first;
        while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                     text[end] == '_' || text[end] == '.' || text[end] == '$'))
            ++end;
        if (end == first || end >= text.size() || text[end] != ':') return text.substr(first);
        text = text.substr(end + 1);
    }
}

// Source lines that assemble to instructions: an instruction or a macro invocation, outside
// macro definitions, after any labels; comments, directives and blank lines produce none.
std::set<int> codeLines(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::set<int> lines;
    int depth = 0;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const std::string code = withoutLabels(text.substr(0, text.find('#')));
        if (code.empty()) continue;
        const std::string word = code.substr(0, code.find_first_of(" \t"));
        if (word == ".macro")
            ++depth;
        else if (word == ".endm")
            --depth;
        else if (depth == 0 && word.front() != '.' && !kRecordOnlyMacros.contains(word))
            lines.insert(number);
    }
    return lines;
}

TEST(LineRows, OneRowPerCodeLineAtItsFirstInstruction) {
    const auto places = expectedUnits();
    ASSERT_EQ(units().size(), places.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        const CompileUnit& cu = units()[i];
        const UnitPlace& place = places[i];
        SCOPED_TRACE(cu.name);
        const std::string source = std::string(CORETEST_SOURCE_DIR) + "/rom/" +
                                   (place.compDir == "." ? "" : place.compDir + "/") + place.file;
        ASSERT_FALSE(cu.rows.empty());
        ASSERT_TRUE(cu.rows.back().endSequence);
        EXPECT_EQ(cu.rows.back().address, place.codeEnd) << "the sequence ends with the unit";

        std::set<int> rowLines;
        std::uint32_t previous = 0;
        for (std::size_t k = 0; k + 1 < cu.rows.size(); ++k) {
            const LineRow& row = cu.rows[k];
            EXPECT_FALSE(row.endSequence) << "a single sequence";
            EXPECT_TRUE(row.file.ends_with(place.file)) << "row in " << row.file;
            EXPECT_TRUE(rowLines.insert(row.line).second) << "second row for line " << row.line;
            EXPECT_TRUE(k == 0 || row.address > previous) << "line " << row.line;
            EXPECT_LT(row.address, place.high) << "line " << row.line << " has a row in padding";
            previous = row.address;
        }
        EXPECT_EQ(cu.rows.front().address, place.low);
        EXPECT_EQ(rowLines, codeLines(source)) << "rows differ from the code lines of " << source;
    }
}

TEST(LineRows, RoutineExitHasItsOwnRow) {
    const auto& routines = builtRoutines();
    for (std::size_t i = 0; i < routines.size(); ++i) {
        const CompileUnit& cu = units().at(i + 1);
        SCOPED_TRACE(cu.name);
        ASSERT_GE(cu.rows.size(), 3u) << "entry, exit, end of sequence";
        EXPECT_EQ(cu.rows[cu.rows.size() - 2].address, routines[i].exit());
    }
}

} // namespace
} // namespace romtest
