// ROM exports read back by independent parsers of each format and compared byte for byte with
// what the binutils' objcopy makes of the image's physical addresses.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "coretest/board.h"
#include "coretest/rom_export.h"
#include "support/rom.h"

namespace coretest {
namespace {

namespace fs = std::filesystem;

using coretest_test::rom;

std::vector<std::uint8_t> fileBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What objcopy writes for the image: every loadable section at its load (physical) address.
const std::vector<std::uint8_t>& objcopyBytes() {
    static const std::vector<std::uint8_t> bytes = [] {
        const fs::path out =
            fs::temp_directory_path() / ("coretest-objcopy-" + std::to_string(::getpid()) + ".bin");
        const std::string cmd = "mipsel-linux-gnu-objcopy -O binary " +
                                std::string(CORETEST_ROM_PATH) + " " + out.string();
        const int status = std::system(cmd.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd;
        auto b = fileBytes(out);
        fs::remove(out);
        return b;
    }();
    return bytes;
}

std::string exported(ExportFormat f, std::span<const std::uint8_t> bytes) {
    std::ostringstream out;
    writeExport(f, bytes, "test image", out);
    return out.str();
}

std::uint32_t hexWord(std::string_view s) {
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    EXPECT_TRUE(ec == std::errc{} && end == s.data() + s.size()) << "'" << s << "'";
    return v;
}

std::string trimmed(std::string s) {
    const auto b = s.find_first_not_of(" \t\r");
    const auto e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::vector<std::uint8_t> littleEndian(const std::vector<std::uint32_t>& words) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t w : words)
        for (int b = 0; b < 4; ++b)
            out.push_back(static_cast<std::uint8_t>(w >> (8 * b)));
    return out;
}

std::vector<std::uint8_t> parseReadMemH(const std::string& text) {
    std::vector<std::uint32_t> words;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.empty() || line.starts_with("//")) continue;
        EXPECT_EQ(line.size(), 8u) << line;
        words.push_back(hexWord(line));
    }
    return littleEndian(words);
}

std::vector<std::uint8_t> parseCoe(const std::string& text) {
    std::vector<std::uint32_t> words;
    std::istringstream in(text);
    bool radix = false, vector = false, ended = false;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.empty() || line.starts_with(";")) continue;
        if (line == "memory_initialization_radix=16;") {
            radix = true;
        } else if (line == "memory_initialization_vector=") {
            vector = true;
        } else {
            EXPECT_TRUE(vector && !ended) << line;
            const char last = line.back();
            EXPECT_TRUE(last == ',' || last == ';') << line;
            ended = last == ';';
            words.push_back(hexWord(line.substr(0, line.size() - 1)));
        }
    }
    EXPECT_TRUE(radix && vector && ended);
    return littleEndian(words);
}

std::vector<std::uint8_t> parseMif(const std::string& text) {
    std::vector<std::uint32_t> words;
    std::istringstream in(text);
    std::size_t depth = 0;
    bool content = false, ended = false, width = false;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.empty() || line.starts_with("--")) continue;
        if (!content) {
            if (line == "WIDTH=32;")
                width = true;
            else if (line.starts_with("DEPTH="))
                depth = std::stoul(line.substr(6));
            else if (line == "CONTENT BEGIN")
                content = true;
            else
                EXPECT_TRUE(line == "ADDRESS_RADIX=HEX;" || line == "DATA_RADIX=HEX;") << line;
            continue;
        }
        if (line == "END;") {
            ended = true;
            break;
        }
        const auto colon = line.find(':');
        EXPECT_NE(colon, std::string::npos) << line;
        EXPECT_EQ(hexWord(trimmed(line.substr(0, colon))), words.size()) << line;
        EXPECT_EQ(line.back(), ';');
        words.push_back(hexWord(trimmed(line.substr(colon + 1, line.size() - colon - 2))));
    }
    EXPECT_TRUE(width && content && ended);
    EXPECT_EQ(depth, words.size());
    return littleEndian(words);
}

TEST(RomExport, ContentsAreWhatObjcopyMakesOfThePhysicalAddresses) {
    const auto bytes = romContents(rom());
    EXPECT_EQ(bytes, objcopyBytes());
}

TEST(RomExport, DataIsStoredDirectlyBehindTheText) {
    const auto bytes = romContents(rom());
    const auto& segs = rom().segments();
    ASSERT_EQ(segs.size(), 2u);
    const Segment& text = segs[0];
    const Segment& data = segs[1];
    EXPECT_EQ(data.paddr, text.paddr + text.memSize);
    ASSERT_EQ(bytes.size(), text.memSize + data.memSize);
    EXPECT_TRUE(std::equal(text.bytes.begin(), text.bytes.end(), bytes.begin()));
    EXPECT_TRUE(
        std::equal(data.bytes.begin(), data.bytes.end(), bytes.begin() + (data.paddr - kRomBase)));
}

TEST(RomExport, EveryFormatReadsBackByteForByte) {
    const auto& expected = objcopyBytes();
    const auto bytes = romContents(rom());
    const std::string raw = exported(ExportFormat::Binary, bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(raw.begin(), raw.end()), expected);
    EXPECT_EQ(parseReadMemH(exported(ExportFormat::ReadMemH, bytes)), expected);
    EXPECT_EQ(parseCoe(exported(ExportFormat::Coe, bytes)), expected);
    EXPECT_EQ(parseMif(exported(ExportFormat::Mif, bytes)), expected);
}

TEST(RomExport, FirstWordIsTheResetJump) {
    const auto b = parseReadMemH(exported(ExportFormat::ReadMemH, romContents(rom())));
    const std::uint32_t first =
        b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    EXPECT_EQ(first >> 26, 0x02u); // j
    const Symbol* locate = rom().findSymbol("locate");
    ASSERT_NE(locate, nullptr);
    EXPECT_EQ((first & 0x03ffffff) << 2, locate->value & 0x0fffffff);
}

TEST(RomExport, SizeFillsWithZerosUpToTheRom) {
    const auto bytes = romContents(rom(), kRomSize);
    ASSERT_EQ(bytes.size(), kRomSize);
    const auto& image = objcopyBytes();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(image.size()), bytes.end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(parseMif(exported(ExportFormat::Mif, bytes)), bytes);
    EXPECT_THROW(romContents(rom(), kRomSize + 4), InputError);
}

Segment segment(std::uint32_t address, std::vector<std::uint8_t> bytes) {
    Segment s;
    s.vaddr = s.paddr = address;
    s.memSize = static_cast<std::uint32_t>(bytes.size());
    s.flags = 5;
    s.bytes = std::move(bytes);
    return s;
}

TEST(RomExport, GapsAreZeroAndAPartialLastWordIsCompleted) {
    const Image image(kRomBase,
                      {segment(kRomBase, {1, 2, 3, 4, 5, 6}), segment(kRomBase + 12, {9, 8})}, {});
    const auto bytes = romContents(image);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 9, 8}));
    const std::vector<std::uint8_t> words{1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0, 9, 8, 0, 0};
    EXPECT_EQ(parseReadMemH(exported(ExportFormat::ReadMemH, bytes)), words);
    EXPECT_EQ(parseCoe(exported(ExportFormat::Coe, bytes)), words);
    EXPECT_EQ(parseMif(exported(ExportFormat::Mif, bytes)), words);
}

TEST(RomExport, ImageWithNothingInTheRomIsRefused) {
    const Image ramOnly(kRomBase, {segment(kRamBase, {0, 0, 0, 0})}, {});
    EXPECT_THROW(romContents(ramOnly), InputError);
}

TEST(RomExport, FormatNames) {
    EXPECT_EQ(exportFormatNamed("bin"), ExportFormat::Binary);
    EXPECT_EQ(exportFormatNamed("hex"), ExportFormat::ReadMemH);
    EXPECT_EQ(exportFormatNamed("coe"), ExportFormat::Coe);
    EXPECT_EQ(exportFormatNamed("mif"), ExportFormat::Mif);
    EXPECT_FALSE(exportFormatNamed("srec"));
    EXPECT_FALSE(exportFormatNamed("BIN"));
}

} // namespace
} // namespace coretest
