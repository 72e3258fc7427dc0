// The boot unit, word for word: reset jump, guard groups, idle loops, locate, inst_test, test_end,
// wait_1s and the padding before the first routine, each at its fixed address.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "byte_reader.h"
#include "mips_words.h"
#include "rom_image.h"
#include "units.h"

namespace romtest {
namespace {

using namespace mips;

constexpr std::uint32_t kReset = 0xbfc00000;
constexpr std::uint32_t kTestFinish = 0xbfc00100;
constexpr std::uint32_t kExceptionLoop = 0xbfc00380;
constexpr std::uint32_t kLocate = 0xbfc0038c;
constexpr std::uint32_t kInstTest = 0xbfc003c0;
constexpr std::uint32_t kTestEnd = 0xbfc00760;
constexpr std::uint32_t kWait = 0xbfc007b8;
constexpr std::uint32_t kFirstRoutine = 0xbfc007f0;

constexpr std::uint32_t kLedBank = 0xfffff000, kLampA = 0xfffff004, kLampB = 0xfffff008,
                        kDisplay = 0xfffff010, kEndMark = 0xfffffff0, kSwitch = 0xfffffff4;

std::int32_t low16(std::uint32_t address) {
    return static_cast<std::int16_t>(address & 0xffff);
}

// The expected contents of the boot unit, built instruction by instruction; words never placed
// are nop.
class BootLayout {
  public:
    void at(std::uint32_t address) { pc_ = address; }
    std::uint32_t pc() const { return pc_; }
    void put(std::uint32_t word) {
        words_[pc_] = word;
        pc_ += 4;
    }
    void guardGroup() {
        put(lui(t0, 0x8000));
        put(addiu(t1, t1, 1));
        put(or_(t2, t0, zero));
        put(addu(t3, t5, t6));
        put(lw(t4, 0, t0));
    }
    void idleLoop() {
        const std::uint32_t loop = pc_;
        put(addiu(t0, t0, 1));
        put(beq(pc_, zero, zero, loop));
        put(nop);
    }
    std::uint32_t word(std::uint32_t address) const {
        const auto it = words_.find(address);
        return it == words_.end() ? nop : it->second;
    }

  private:
    std::uint32_t pc_ = kReset;
    std::map<std::uint32_t, std::uint32_t> words_;
};

BootLayout expectedBootUnit(const RomImage& rom) {
    BootLayout b;
    b.put(j(kLocate));
    b.put(nop);
    b.guardGroup();
    b.at(0xbfc000ec);
    b.guardGroup();
    EXPECT_EQ(b.pc(), kTestFinish) << "second guard group ends directly before test_finish";
    b.idleLoop();
    b.guardGroup();
    b.at(kExceptionLoop);
    b.idleLoop();

    EXPECT_EQ(b.pc(), kLocate);
    b.put(addiu(a0, zero, low16(kLampB)));
    b.put(addiu(a1, zero, low16(kLampA)));
    b.put(addiu(a2, zero, low16(kLedBank)));
    b.put(addiu(s1, zero, low16(kDisplay)));
    b.put(addiu(t1, zero, 2));
    b.put(addiu(t2, zero, 1));
    b.put(ori(t3, zero, 0xffff));
    b.put(lui(s3, 0));
    b.put(sw(t1, 0, a0));
    b.put(sw(t2, 0, a1));
    b.put(sw(t3, 0, a2));
    b.put(sw(s3, 0, s1));
    b.put(lui(s0, 0));

    EXPECT_EQ(b.pc(), kInstTest);
    for (const auto& entry : casegen::kUnits) {
        const std::string routine =
            "n" + std::to_string(entry.number) + "_" + std::string(entry.mnemonic) + "_test";
        b.put(jal(rom.symbol(routine).value));
        b.put(nop);
        b.put(jal(kWait));
        b.put(nop);
    }

    EXPECT_EQ(b.pc(), kTestEnd);
    const std::uint32_t passPath = kTestEnd + 12 * 4;
    const std::uint32_t endMark = passPath + 5 * 4;
    b.put(addiu(s0, zero, 58));
    b.put(beq(b.pc(), s0, s3, passPath));
    b.put(nop);
    b.put(addiu(a0, zero, low16(kLedBank)));
    b.put(addiu(a1, zero, low16(kLampB)));
    b.put(addiu(a2, zero, low16(kLampA)));
    b.put(addiu(t1, zero, 2));
    b.put(sw(zero, 0, a0));
    b.put(sw(t1, 0, a1));
    b.put(sw(t1, 0, a2));
    b.put(beq(b.pc(), zero, zero, endMark));
    b.put(nop);
    EXPECT_EQ(b.pc(), passPath);
    b.put(addiu(t1, zero, 1));
    b.put(addiu(a0, zero, low16(kLampB)));
    b.put(addiu(a1, zero, low16(kLampA)));
    b.put(sw(t1, 0, a0));
    b.put(sw(t1, 0, a1));
    EXPECT_EQ(b.pc(), endMark);
    b.put(addiu(t1, zero, 0xff));
    b.put(addiu(t0, zero, low16(kEndMark)));
    b.put(sw(t1, 0, t0));
    b.put(j(kTestFinish));
    b.put(nop);

    EXPECT_EQ(b.pc(), kWait);
    const std::uint32_t count = kWait + 6 * 4;
    const std::uint32_t loop = count + 4;
    b.put(addiu(t1, zero, low16(kSwitch)));
    b.put(lui(t0, 0));
    b.put(lw(t2, 0, t1));
    b.put(bne(b.pc(), t2, zero, count));
    b.put(nop);
    b.put(lui(t0, 0x20));
    b.put(addiu(t0, t0, 1));
    b.put(addiu(t0, t0, -1));
    b.put(bne(b.pc(), t0, zero, loop));
    b.put(nop);
    b.put(jr(ra));
    b.put(nop);
    EXPECT_EQ(b.pc(), kFirstRoutine - 8) << "two nop words of padding follow wait_1s";
    return b;
}

TEST(BootUnit, EveryWordAtItsAddress) {
    const RomImage& rom = RomImage::built();
    const BootLayout want = expectedBootUnit(rom);
    int differing = 0;
    for (std::uint32_t a = kReset; a < kFirstRoutine; a += 4) {
        const std::uint32_t got = rom.textWord(a);
        if (got != want.word(a) && ++differing <= 20)
            ADD_FAILURE() << std::hex << "at 0x" << a << ": 0x" << got << ", expected 0x"
                          << want.word(a);
    }
    EXPECT_EQ(differing, 0) << "words of the boot unit differ";
}

TEST(BootUnit, FileStartsTheTextWithTheResetJump) {
    const auto& bytes = RomImage::built().fileBytes();
    ByteReader r(bytes, 0x10000);
    EXPECT_EQ(r.u32(), j(kLocate));
}

TEST(BootUnit, StartLabelsTheResetVector) {
    EXPECT_EQ(RomImage::built().symbol("_start").value, kReset);
    EXPECT_EQ(RomImage::built().header().e_entry, kReset);
}

} // namespace
} // namespace romtest
