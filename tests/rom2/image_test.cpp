// The built second ROM: its routines, cases and line records as the tools read them, the boot
// unit's fixed addresses and handler, and a rebuild in other folders that gives the same bytes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "coretest/image.h"
#include "coretest/rom_map.h"
#include "rom2_support.h"
#include "units2.h"

namespace rom2test {
namespace {

namespace fs = std::filesystem;
using coretest::Image;
using coretest::RomMap;

const Image& image() {
    static const Image loaded = Image::load(kImagePath);
    return loaded;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Rom2Image, RoutinesAndCasesAsTheToolsSeeThem) {
    const RomMap map = RomMap::load(image());
    ASSERT_EQ(map.routines().size(), kDocumented.size());
    std::uint32_t previousEnd = 0;
    for (std::size_t i = 0; i < kDocumented.size(); ++i) {
        const auto& r = map.routines()[i];
        const auto& d = kDocumented[i];
        const std::string name = "n" + std::to_string(d.number) + "_" + std::string(d.mnemonic);
        EXPECT_EQ(r.number, d.number);
        EXPECT_EQ(r.name, name + "_test");
        EXPECT_EQ(r.file, "inst/" + name + ".S") << "the line records name the unit, no path";
        EXPECT_EQ(static_cast<int>(r.cases.size()), d.cases) << r.name;
        EXPECT_NE(r.reportBlock, 0u) << r.name << " has its inst_error";
        EXPECT_EQ(r.range.begin % 16, 0u) << r.name << " starts on a 16-byte boundary";
        EXPECT_GE(r.range.begin, previousEnd) << "linked in run order";
        previousEnd = r.range.end;
        // Every case line of the source has one row: case k of the map is "# case k".
        const std::string source =
            readFile(fs::path(CORETEST_SOURCE_DIR) / "rom2" / "inst" / (name + ".S"));
        std::istringstream lines(source);
        std::string line;
        int number = 0, k = 0;
        while (std::getline(lines, line)) {
            ++number;
            if (line.find("# case ") == std::string::npos) continue;
            ASSERT_LT(static_cast<std::size_t>(k), r.cases.size()) << r.name;
            EXPECT_EQ(r.cases[static_cast<std::size_t>(k)].line, number)
                << r.name << " case " << k + 1;
            ++k;
        }
        EXPECT_EQ(k, d.cases);
    }
}

TEST(Rom2Image, BootUnitAndHandlerAtTheirAddresses) {
    EXPECT_EQ(image().entry(), 0xbfc00000u);
    const RomMap map = RomMap::load(image());
    for (const auto& [name, address] :
         {std::pair{"test_finish", 0xbfc00100u}, std::pair{"exc_vector", 0xbfc00380u}}) {
        const auto* s = image().findSymbol(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->value, address) << name;
    }
    // The handler's first words, and its return: jr $k0 with rfe in the delay slot.
    EXPECT_EQ(map.word(0xbfc00380), 0x3c1b8000u) << "lui $k1, 0x8000";
    EXPECT_EQ(map.word(0xbfc00384), 0x401a6800u) << "mfc0 $k0, Cause";
    bool returns = false;
    for (std::uint32_t a = 0xbfc00380; a < 0xbfc00400; a += 4)
        returns |= map.word(a) == 0x03400008u && map.word(a + 4) == 0x42000010u;
    EXPECT_TRUE(returns) << "jr $k0; rfe";
    EXPECT_NE(map.word(0xbfc00380), 0x1000ffffu) << "the vector holds no idle loop";
}

TEST(Rom2Image, NoCheckoutOrBuildPathInTheFile) {
    const std::string file = readFile(kImagePath);
    ASSERT_FALSE(file.empty());
    for (const std::string dir : {CORETEST_SOURCE_DIR, CORETEST_BINARY_DIR})
        EXPECT_EQ(file.find(dir), std::string::npos) << "the image names " << dir;
}

// The build's steps (cmake/coretest_rom.cmake, as rom2/CMakeLists.txt calls it) run on a copy of
// the sources in two other folders.
std::string rebuild(const fs::path& root) {
    const fs::path src = fs::path(CORETEST_SOURCE_DIR);
    fs::create_directories(root / "rom" / "inst");
    fs::create_directories(root / "out" / "inst");
    fs::copy_file(src / "rom" / "inst" / "frame.inc", root / "rom" / "inst" / "frame.inc");
    fs::copy(src / "rom2", root / "rom2", fs::copy_options::recursive);
    const std::string as = "mipsel-linux-gnu-as -EL -mips1 -mabi=32 -non_shared --gdwarf-2 -I " +
                           (root / "rom" / "inst").string();
    const std::string out = (root / "out").string();
    std::string script = "set -e; cd " + (root / "rom2").string() + "; " + as + " -o " + out +
                         "/start.o start.S; cd inst; ";
    std::string objects = "start.o";
    for (const auto& e : casegen::kUnits2) {
        const std::string name = "n" + std::to_string(e.number) + "_" + std::string(e.mnemonic);
        script += as + " -o " + out + "/inst/" + name + ".o " + name + ".S; ";
        objects += " inst/" + name + ".o";
    }
    script += "cd " + out + "; mipsel-linux-gnu-ld -T " + (root / "rom2" / "link.ld").string() +
              " -o linked.elf " + objects +
              "; mipsel-linux-gnu-objcopy --wildcard --strip-symbol='*.o' linked.elf rom.elf";
    const std::string command = "sh -c \"" + script + "\" >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return {};
    return readFile(root / "out" / "rom.elf");
}

TEST(Rom2Image, SameBytesFromOtherFolders) {
    const fs::path tmp = fs::temp_directory_path() / ("rom2-rebuild-" + std::to_string(getpid()));
    const std::string a = rebuild(tmp / "a");
    const std::string b = rebuild(tmp / "somewhere" / "much" / "deeper");
    fs::remove_all(tmp);
    ASSERT_FALSE(a.empty()) << "the rebuild failed";
    EXPECT_TRUE(a == b) << "two folders give different images";
    EXPECT_TRUE(a == readFile(kImagePath)) << "a rebuild differs from the built image";
}

} // namespace
} // namespace rom2test
