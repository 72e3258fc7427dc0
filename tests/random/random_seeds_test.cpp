// Random images of 20,000 instructions, seed after seed: every one passes on the reference core
// with every checkpoint reported, and runs in lockstep with Unicorn without a difference. The
// benchmark bench/random_proof_bench.cpp runs seeds 1 to 50 on these two cores and on our RTL core.
#include <gtest/gtest.h>

#include "coretest/rom_map.h"
#include "random_support.h"
#ifdef CORETEST_HAVE_UNICORN
#include "coretest/lockstep.h"
#endif

namespace {

using coretest::random::RandomOptions;
using namespace coretest_test;

RandomOptions seed(std::uint64_t s) {
    RandomOptions o;
    o.seed = s;
    return o;
}

TEST(RandomSeeds, OneToFiftyPassOnTheReferenceCore) {
    for (std::uint64_t s = 1; s <= 50; ++s) {
        SCOPED_TRACE(s);
        const auto image = loadBytes(coretest::random::buildRandomImage(seed(s)));
        const auto r = runImage(image);
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        EXPECT_EQ(r.board.display, 200u << 24 | 200u);
        EXPECT_EQ(r.board.lampA, 1u);
        EXPECT_EQ(r.board.lampB, 1u);
        EXPECT_TRUE(r.exception.has_value()); // expected ones: the verdict says they were right
        EXPECT_GT(r.instructions, 20000u);
    }
}

#ifdef CORETEST_HAVE_UNICORN
// Without exceptions: the lockstep does not follow coprocessor 0 (the program's Status write
// at the start ends the comparison as not comparable).
TEST(RandomSeeds, OneToFiveRunInLockstepWithUnicorn) {
    for (std::uint64_t s = 1; s <= 5; ++s) {
        SCOPED_TRACE(s);
        RandomOptions o = seed(s);
        o.exceptionPercent = 0;
        const auto image = loadBytes(coretest::random::buildRandomImage(o));
        const auto map = coretest::RomMap::load(image);
        const auto r = coretest::lockstep(image, &map, 1, 10'000'000);
        EXPECT_FALSE(r.difference) << r.difference->describe();
        EXPECT_FALSE(r.notComparable) << *r.notComparable;
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        EXPECT_EQ(r.instructions, runImage(image).instructions);
    }
}
#endif

} // namespace
