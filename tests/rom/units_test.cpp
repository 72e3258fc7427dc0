// The 58 test units in the text: link order, 16-byte placement with nop padding, each routine's
// frame, branches that stay inside their routine, and one procedure record per routine.
#include <gtest/gtest.h>

#include <string>

#include "byte_reader.h"
#include "mips_words.h"
#include "rom_image.h"
#include "routines.h"

namespace romtest {
namespace {

using namespace mips;

constexpr std::uint32_t kFirstRoutine = 0xbfc007f0;
constexpr std::uint32_t kRegInfoBytes = 24;

const RomImage& image() {
    return RomImage::built();
}

Reg returnRegister(const std::string& name) {
    if (name == "ra") return ra;
    if (name == "s7") return s7;
    ADD_FAILURE() << "unexpected return register " << name;
    return ra;
}

TEST(Units, PackedInLinkOrderOnSixteenByteBoundaries) {
    std::uint32_t next = kFirstRoutine;
    for (const auto& r : builtRoutines()) {
        SCOPED_TRACE(r.routine);
        EXPECT_EQ(r.address, next) << std::hex << "at 0x" << r.address << ", expected 0x" << next;
        EXPECT_EQ(r.address % 16, 0u);
        next = r.paddedEnd();
    }
    EXPECT_EQ(next, image().textEnd() - kRegInfoBytes)
        << "the register-information record follows the last unit";
}

TEST(Units, PaddingIsNopWords) {
    for (const auto& r : builtRoutines())
        for (std::uint32_t a = r.end(); a < r.paddedEnd(); a += 4)
            EXPECT_EQ(image().textWord(a), nop) << r.routine << std::hex << " at 0x" << a;
}

TEST(Units, RoutineSizeIsTheGeneratorsCount) {
    for (const auto& r : builtRoutines()) {
        const casegen::Unit unit = casegen::buildUnit(*casegen::findUnit(r.slot.unit));
        EXPECT_EQ(r.size, static_cast<std::uint32_t>(unit.routineBytes()))
            << r.routine << ": assembled size differs from the generator's body count of "
            << unit.bodyWords << " words";
    }
}

TEST(Units, FrameEntryAndExit) {
    for (const auto& r : builtRoutines()) {
        SCOPED_TRACE(r.routine);
        ASSERT_GE(r.size, kFrameOnlyBytes);
        const std::uint32_t entry[] = {addiu(s0, s0, 1), addiu(s2, zero, 0)};
        const std::uint32_t x = r.exit();
        const std::uint32_t exit[] = {
            bne(x, s2, zero, r.reportBlock()),
            nop,
            addiu(s3, s3, 1),
            sll(t1, s0, 24),
            or_(t0, t1, s3),
            sw(t0, 0, s1),
            jr(returnRegister(r.returnReg)),
            nop,
        };
        for (std::uint32_t i = 0; i < std::size(entry); ++i)
            EXPECT_EQ(image().textWord(r.address + 4 * i), entry[i]) << "entry word " << i;
        for (std::uint32_t i = 0; i < std::size(exit); ++i)
            EXPECT_EQ(image().textWord(x + 4 * i), exit[i]) << "exit word " << i;
    }
}

TEST(Units, BranchesStayInsideTheirRoutine) {
    for (const auto& r : builtRoutines())
        for (std::uint32_t a = r.address; a < r.end(); a += 4) {
            const auto target = staticTarget(a, image().textWord(a));
            if (target) {
                EXPECT_TRUE(*target >= r.address && *target < r.end())
                    << r.routine << std::hex << ": the transfer at 0x" << a << " goes to 0x"
                    << *target;
            }
        }
}

TEST(ProcedureRecords, OnePerRoutineInLinkOrder) {
    const Section& pdr = image().section(".pdr");
    const auto& routines = builtRoutines();
    ASSERT_EQ(pdr.bytes.size(), routines.size() * 32);
    ByteReader in(pdr.bytes);
    for (const auto& r : routines) {
        SCOPED_TRACE(r.routine);
        EXPECT_EQ(in.u32(), r.address);
        // Register mask and offset, float mask and offset, frame offset: nothing saved.
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(in.u32(), 0u) << "word " << i + 1;
        EXPECT_EQ(in.u32(), 29u) << "frame register sp";
        EXPECT_EQ(in.u32(), 31u) << "return-address register ra";
    }
}

} // namespace
} // namespace romtest
