// The built ROM on the reference core: a complete short run passes every routine and talks to
// the board exactly in the order of a complete run.
#include <gtest/gtest.h>

#include <filesystem>

#include "coretest/run.h"

namespace coretest {
namespace {

TEST(RomSmoke, ShortRunPassesEveryRoutine) {
    if (!std::filesystem::exists(CORETEST_ROM_PATH)) GTEST_SKIP() << "no ROM at " CORETEST_ROM_PATH;
    const Image image = Image::load(CORETEST_ROM_PATH);
    const RunResult r = run(image, {.switchValue = 1, .instructionLimit = 50'000'000});
    ASSERT_EQ(r.reason, StopReason::Verdict) << stopReasonName(r.reason);
    EXPECT_FALSE(r.exception);
    EXPECT_TRUE(r.romWrites.empty());
    EXPECT_EQ(
        r.board,
        (BoardState{
            .ledBank = 0xffff, .lampA = 1, .lampB = 1, .display = 0x3a00003a, .endMark = 0xff}));

    using K = BoardEvent::Kind;
    struct Access {
        K kind;
        BoardReg reg;
        std::uint32_t value;
        bool operator==(const Access&) const = default;
    };
    std::vector<Access> expected{{K::Write, BoardReg::LampB, 2},
                                 {K::Write, BoardReg::LampA, 1},
                                 {K::Write, BoardReg::LedBank, 0xffff},
                                 {K::Write, BoardReg::Display, 0}};
    for (std::uint32_t n = 1; n <= 58; ++n) {
        expected.push_back({K::Write, BoardReg::Display, n << 24 | n});
        expected.push_back({K::Read, BoardReg::Switch, 1});
    }
    expected.push_back({K::Write, BoardReg::LampB, 1});
    expected.push_back({K::Write, BoardReg::LampA, 1});
    expected.push_back({K::Write, BoardReg::EndMark, 0xff});
    std::vector<Access> seen;
    for (const BoardEvent& e : r.events)
        seen.push_back({e.kind, e.reg, e.value});
    EXPECT_EQ(seen, expected);
    for (std::size_t n = 1; n < r.events.size(); ++n)
        EXPECT_LT(r.events[n - 1].instruction, r.events[n].instruction);
}

} // namespace
} // namespace coretest
