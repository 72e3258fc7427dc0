// The figures of the full-size image: routine addresses, sizes and padding of the link table,
// the size of the text and the file offsets that follow from it. Routine sizes are checked for
// each routine that has its cases; the rest waits until no routine is frame-only.
#include <gtest/gtest.h>

#include "rom_image.h"
#include "routines.h"

namespace romtest {
namespace {

constexpr std::uint32_t kTextSize = 0x7b248;
constexpr std::uint32_t kTextEnd = 0xbfc00000 + kTextSize;
constexpr std::uint32_t kRegInfo = 0xbfc7b230;

const RomImage& image() {
    return RomImage::built();
}

// Runs once no routine is frame-only any more.
class FullImage : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const int frameOnly = frameOnlyRoutines(builtRoutines()))
            GTEST_SKIP() << frameOnly << " of 58 routines are still frame-only";
    }
};

TEST(RoutinesWithCases, HaveTheirTableSize) {
    int filled = 0;
    for (const auto& r : builtRoutines()) {
        if (r.size == kFrameOnlyBytes) continue;
        ++filled;
        SCOPED_TRACE(r.routine);
        EXPECT_EQ(r.size, r.slot.size);
        EXPECT_EQ(static_cast<int>((r.paddedEnd() - r.end()) / 4), r.slot.padding)
            << "padding words";
    }
    if (!filled) GTEST_SKIP() << "every routine is still frame-only";
}

TEST_F(FullImage, RoutineAddressesOfTheLinkTable) {
    for (const auto& r : builtRoutines())
        EXPECT_EQ(r.address, r.slot.address)
            << r.routine << std::hex << " at 0x" << r.address << ", table 0x" << r.slot.address;
}

TEST_F(FullImage, TextSizeAndWhatFollowsFromIt) {
    const Section& text = image().section(".text");
    EXPECT_EQ(text.header.sh_size, kTextSize) << std::hex << "0x" << text.header.sh_size;
    EXPECT_EQ(image().textEnd() - 24, kRegInfo) << "register-information record";
    for (const char* name : {"rodata_end", "_etext", "data_load_start"})
        EXPECT_EQ(image().symbol(name).value, kTextEnd) << name;
    EXPECT_EQ(image().segments().at(0).p_filesz, kTextSize);
    EXPECT_EQ(image().segments().at(1).p_paddr, kTextEnd);
}

TEST_F(FullImage, FileOffsetsBehindTheText) {
    EXPECT_EQ(image().segments().at(1).p_offset, 0x90000u);
    EXPECT_EQ(image().section(".data").header.sh_offset, 0x90000u);
    EXPECT_EQ(image().section(".debug_aranges").header.sh_offset, 0x90010u);
    EXPECT_EQ(image().section(".pdr").header.sh_offset, 0x90770u);
    EXPECT_EQ(image().section(".debug_line").header.sh_offset, 0x90eb0u);
}

} // namespace
} // namespace romtest
