// Random images on the reference core: every option set passes, a wrong expected value or a
// broken core fails at the right checkpoint, the same options give the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "coretest/catalogue.h"
#include "coretest/input_error.h"
#include "coretest/memory_map.h"
#include "coretest/rom_map.h"
#include "random_support.h"

namespace {

using coretest::random::Distance;
using coretest::random::RandomOptions;
using namespace coretest_test;

struct OptionSet {
    const char* name;
    RandomOptions options;
};

RandomOptions with(std::uint64_t seed, std::uint32_t instructions, std::uint32_t every,
                   std::uint32_t loops = 1, bool interlocked = false,
                   Distance distance = Distance::Near) {
    RandomOptions o;
    o.seed = seed;
    o.instructions = instructions;
    o.checkpointEvery = every;
    o.loops = loops;
    o.interlocked = interlocked;
    o.distance = distance;
    return o;
}

const OptionSet kOptionSets[] = {
    {"seed 1, defaults", RandomOptions{}},
    {"seed 2", with(2, 5000, 100)},
    {"seed 3", with(3, 5000, 250)},
    {"seed 4, far", with(4, 4000, 100, 1, false, Distance::Far)},
    {"seed 5, uniform", with(5, 4000, 100, 1, false, Distance::Uniform)},
    {"seed 6, interlocked", with(6, 4000, 100, 1, true)},
    {"seed 7, three passes", with(7, 3000, 200, 3)},
    {"seed 8, checkpoint every 7", with(8, 1000, 7)},
    {"seed 9, one instruction", with(9, 1, 1)},
    {"seed 10, the most instructions", with(10, 60000, 236)},
    {"seed 12, the most instructions, two passes", with(12, 60000, 6000, 2)},
    {"seed 13, no exceptions",
     [] {
         RandomOptions o = with(13, 5000, 100);
         o.exceptionPercent = 0;
         return o;
     }()},
    {"seed 14, the most exceptions, two passes",
     [] {
         RandomOptions o = with(14, 5000, 100, 2);
         o.exceptionPercent = coretest::random::kMaxExceptionPercent;
         return o;
     }()},
};

TEST(RandomProgram, EveryOptionSetPassesOnTheReferenceCore) {
    for (const auto& [name, options] : kOptionSets) {
        SCOPED_TRACE(name);
        const std::uint32_t n = coretest::random::checkpointCount(options);
        const auto image = loadBytes(coretest::random::buildRandomImage(options));
        const auto r = runImage(image);
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        EXPECT_EQ(r.board.display, n << 24 | n);
        EXPECT_EQ(r.board.lampA, 1u);
        EXPECT_EQ(r.board.lampB, 1u);
        EXPECT_EQ(r.board.ledBank, 0xffffu);
        EXPECT_TRUE(r.board.endMarked());
        // Only the exceptions the program expects, and none when it expects none.
        if (options.exceptionPercent == 0 || options.instructions < 100)
            EXPECT_FALSE(r.exception.has_value());
        else
            EXPECT_TRUE(r.exception.has_value());
        EXPECT_TRUE(r.romWrites.empty());
        // Every checkpoint of every pass reported, in order.
        std::vector<std::uint32_t> display;
        for (const auto& e : r.events)
            if (e.kind == coretest::BoardEvent::Kind::Write && e.reg == coretest::BoardReg::Display)
                display.push_back(e.value);
        ASSERT_EQ(display.size(), 1 + n * options.loops + 1);
        for (std::uint32_t i = 0; i < n * options.loops; ++i) {
            const std::uint32_t k = i % n + 1;
            EXPECT_EQ(display[1 + i], k << 24 | k) << "report " << i;
        }
    }
}

TEST(RandomProgram, CheckpointCountFollowsTheOptions) {
    EXPECT_EQ(coretest::random::checkpointCount(RandomOptions{}), 200u);
    EXPECT_EQ(coretest::random::checkpointCount(with(1, 1000, 7)), 143u);
    EXPECT_EQ(coretest::random::checkpointCount(with(1, 1, 1)), 1u);
    EXPECT_EQ(coretest::random::checkpointCount(with(1, 60000, 236)), 255u);
}

TEST(RandomProgram, OptionsOutOfRangeAreRefused) {
    struct Bad {
        const char* name;
        RandomOptions options;
        const char* message;
    };
    RandomOptions percents;
    percents.memoryPercent = 60;
    percents.branchPercent = 30;
    RandomOptions newline;
    newline.listingName = "a\nb.lst";
    RandomOptions exceptions;
    exceptions.exceptionPercent = coretest::random::kMaxExceptionPercent + 1;
    const Bad cases[] = {
        {"no instructions", with(1, 0, 10), "--instructions 0"},
        {"too many instructions", with(1, 60001, 1000), "--instructions 60001"},
        {"checkpoint every 0", with(1, 100, 0), "--checkpoint-every 0"},
        {"256 checkpoints", with(1, 256, 1), "at most 255"},
        {"no loops", with(1, 100, 10, 0), "--loops 0"},
        {"too many loops", with(1, 100, 10, 10001), "--loops 10001"},
        {"too many expected values", with(1, 20000, 100, 200), "expected values"},
        {"percentages", percents, "at most 90 percent"},
        {"line break in the listing name", newline, "line break"},
        {"too many exceptions", exceptions, "--exceptions 21: must be 0 to 20"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            coretest::random::buildRandomImage(c.options);
            ADD_FAILURE() << "accepted";
        } catch (const coretest::InputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        }
    }
    EXPECT_THROW(coretest::random::parseDistance("closest"), coretest::InputError);
    EXPECT_EQ(coretest::random::parseDistance("far"), Distance::Far);
}

TEST(RandomProgram, SameOptionsSameBytesOtherSeedsOtherBytes) {
    const RandomOptions a = with(11, 3000, 100);
    const auto first = coretest::random::buildRandomProgram(a);
    const auto second = coretest::random::buildRandomProgram(a);
    EXPECT_EQ(first.image, second.image);
    EXPECT_EQ(first.listing, second.listing);
    for (const RandomOptions& other :
         {with(12, 3000, 100), with(11, 3000, 100, 1, true), with(11, 3000, 50),
          with(11, 3000, 100, 2), with(11, 3000, 100, 1, false, Distance::Far), [] {
              RandomOptions o = with(11, 3000, 100);
              o.exceptionPercent = 5;
              return o;
          }()}) {
        EXPECT_NE(coretest::random::buildRandomImage(other), first.image)
            << coretest::random::optionsText(other);
    }
}

TEST(RandomProgram, TheImageStoresItsOptions) {
    const RandomOptions o = with(42, 2000, 100, 2, true, Distance::Uniform);
    const auto image = loadBytes(coretest::random::buildRandomImage(o));
    EXPECT_EQ(coretest::random::storedOptions(image),
              "seed=42 instructions=2000 checkpoint-every=100 loops=2 distance=uniform "
              "interlocked=yes memory=25 branches=10 multiply=8 exceptions=1");
    const coretest::Image bare(coretest::kRomBase, {}, {});
    EXPECT_EQ(coretest::random::storedOptions(bare), std::nullopt);
}

// The expected table's entry `index` (checkpoint index % n + 1 of pass index / n + 1) changed.
std::vector<std::uint8_t> withWrongExpectation(const RandomOptions& o, std::uint32_t index) {
    auto bytes = coretest::random::buildRandomImage(o);
    const auto image = loadBytes(bytes);
    const coretest::Symbol* table = image.findSymbol("random_expected");
    EXPECT_NE(table, nullptr);
    const std::uint32_t address = table->value + 4 * index;
    // Find the file offset of the address through the loaded segment's bytes.
    const auto& seg = image.segments().at(0);
    const std::vector<std::uint8_t> segBytes(seg.bytes.begin(), seg.bytes.end());
    const auto at = std::search(bytes.begin(), bytes.end(), segBytes.begin(), segBytes.end());
    EXPECT_NE(at, bytes.end());
    const std::size_t offset = static_cast<std::size_t>(at - bytes.begin()) + address - seg.vaddr;
    bytes[offset] ^= 0x01;
    return bytes;
}

TEST(RandomProgram, AWrongExpectationFailsThatCheckpoint) {
    struct Case {
        RandomOptions options;
        std::uint32_t index; // into the expected values, pass by pass
        std::uint32_t failing;
        std::uint32_t reportsBefore; // checkpoint reports that passed first
    };
    const Case cases[] = {
        {with(21, 2000, 100), 0, 1, 0},
        {with(22, 2000, 100), 6, 7, 6},
        {with(23, 2000, 100), 19, 20, 19},
        {with(24, 1000, 100, 3), 10 + 4, 5, 14}, // the second pass's fifth
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        const auto r = runImage(loadBytes(withWrongExpectation(c.options, c.index)));
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        EXPECT_EQ(r.board.display, c.failing << 24 | (c.failing - 1));
        EXPECT_EQ(r.board.lampA, 2u);
        EXPECT_EQ(r.board.lampB, 2u);
        EXPECT_EQ(r.board.ledBank, 0u);
        EXPECT_TRUE(r.board.endMarked());
        std::uint32_t passed = 0;
        for (const auto& e : r.events)
            if (e.kind == coretest::BoardEvent::Kind::Write &&
                e.reg == coretest::BoardReg::Display && e.value != 0 &&
                (e.value & 0xff) == e.value >> 24)
                ++passed;
        EXPECT_EQ(passed, c.reportsBefore);
    }
}

// The first checkpoint whose signature (the checker's register when it compares) differs from
// the expected one, found by watching the comparison: what the display must name.
std::uint32_t firstDifferingCheckpoint(const coretest::Image& image, coretest::RunOptions options,
                                       std::uint32_t n) {
    const std::uint32_t compare = image.findSymbol("random_check")->value;
    const std::uint32_t table = image.findSymbol("random_expected")->value;
    // The comparison is the bne against the signature register within the checker.
    std::uint32_t bne = 0;
    for (std::uint32_t a = compare; a < table; a += 4)
        if (wordAt(image, a) >> 26 == 0x05 && ((wordAt(image, a) >> 16) & 31) == 28) bne = a;
    EXPECT_NE(bne, 0u);
    std::uint32_t index = 0, first = 0;
    options.watches = {bne};
    options.onWatch = [&](const coretest::WatchHit& hit) {
        if (!first && hit.state.regs[28] != wordAt(image, table + 4 * index)) first = index % n + 1;
        ++index;
    };
    runImage(image, options);
    return first;
}

TEST(RandomProgram, ABrokenCoreFailsAtTheFirstCheckpointItChanges) {
    const char* faults[] = {"sra-srav-zero-fill",
                            "mthi-writes-lo",
                            "sllv-amount-from-sa",
                            "mflo-reads-hi",
                            "sb-sh-write-whole-word",
                            "bltzal-links-only-when-taken",
                            "jalr-links-delay-slot",
                            "beq-ds-taken-slot-annulled",
                            "no-hilo-interlock-mult",
                            "mthi-late",
                            "div-remainder-sign-of-quotient"};
    // Faults of user instructions, on a program without exceptions (as these images were before
    // exceptions were drawn); random_exceptions_test.cpp has the exception faults.
    RandomOptions o = with(31, 6000, 100);
    o.exceptionPercent = 0;
    const std::uint32_t n = coretest::random::checkpointCount(o);
    const auto image = loadBytes(coretest::random::buildRandomImage(o));
    for (const char* name : faults) {
        SCOPED_TRACE(name);
        const coretest::FaultDef* fault = coretest::findFault(name);
        ASSERT_NE(fault, nullptr);
        coretest::RunOptions options;
        options.faults = {coretest::FaultSelection{fault, {}}};
        const std::uint32_t k = firstDifferingCheckpoint(image, options, n);
        ASSERT_GE(k, 1u);
        const auto r = runImage(image, options);
        EXPECT_EQ(r.board.display, k << 24 | (k - 1));
        EXPECT_EQ(r.board.lampA, 2u);
        EXPECT_TRUE(r.board.endMarked());
    }
}

// The image with one word replaced.
coretest::Image withWord(const coretest::Image& image, std::uint32_t address, std::uint32_t word) {
    std::vector<coretest::Segment> segments = image.segments();
    for (coretest::Segment& s : segments)
        if (const std::uint32_t at = address - s.vaddr; at + 4 <= s.bytes.size())
            std::memcpy(&s.bytes[at], &word, 4);
    return coretest::Image(image.entry(), segments, image.symbols(), image.name());
}

// A correct core takes no exception the program does not announce; one that does (a trap, or a jump
// gone astray through a wrong address) fails the block that took it, with the usual report.
TEST(RandomProgram, AnExceptionFailsTheBlockThatTookIt) {
    const RandomOptions o = with(41, 2000, 100);
    const auto image = loadBytes(coretest::random::buildRandomImage(o));
    const auto map = coretest::RomMap::load(image);
    constexpr std::uint32_t kBreak = 0x0000000d;
    for (const std::uint32_t k : {1u, 7u, 20u}) {
        SCOPED_TRACE(k);
        const auto r = runImage(withWord(image, map.routines().at(k - 1).range.begin, kBreak));
        ASSERT_TRUE(r.exception.has_value());
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        EXPECT_EQ(r.board.display, k << 24 | (k - 1));
        EXPECT_EQ(r.board.lampA, 2u);
        EXPECT_EQ(r.board.lampB, 2u);
        EXPECT_EQ(r.board.ledBank, 0u);
        EXPECT_TRUE(r.board.endMarked());
    }
}

// A lui that fills the low half sends the program's computed jumps astray: the block that
// jumps fails (by its exception or its signature) instead of the run hanging.
TEST(RandomProgram, JumpsAstrayFailAtACheckpoint) {
    const coretest::FaultDef* fault = coretest::findFault("lui-low-half");
    ASSERT_NE(fault, nullptr);
    for (const std::uint64_t seed : {51u, 52u, 53u}) {
        SCOPED_TRACE(seed);
        RandomOptions o = with(seed, 3000, 100);
        o.branchPercent = 30;
        const auto image = loadBytes(coretest::random::buildRandomImage(o));
        coretest::RunOptions options;
        options.faults = {coretest::FaultSelection{fault, {}}};
        const auto r = runImage(image, options);
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        const std::uint32_t k = r.board.display >> 24;
        EXPECT_GE(k, 1u);
        EXPECT_EQ(r.board.display, k << 24 | (k - 1));
        EXPECT_EQ(r.board.lampA, 2u);
        EXPECT_TRUE(r.board.endMarked());
    }
}

} // namespace
