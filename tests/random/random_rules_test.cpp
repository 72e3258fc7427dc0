// What a random program never does on any core, checked on the instructions the reference core
// executes: read a register the previous instruction loaded (unless interlocked), write HI/LO
// within two instructions after mfhi/mflo, trap, or touch memory outside its window; and where
// its own code (start, checkpoint calls, checker, verdicts) and its jumps read a register no
// sooner than four instructions after it was written, so that a core with broken forwarding
// still runs them right.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <deque>

#include "coretest/catalogue.h"
#include "coretest/instr.h"
#include "coretest/rom_map.h"
#include "random_support.h"

namespace {

using coretest::Op;
using coretest::random::RandomOptions;
using namespace coretest_test;

std::uint32_t readsOf(const coretest::Instr& i) {
    const std::uint32_t rs = 1u << i.rs, rt = 1u << i.rt;
    switch (i.op) {
    case Op::Sll:
    case Op::Srl:
    case Op::Sra: return rt;
    case Op::Jr:
    case Op::Jalr:
    case Op::Mthi:
    case Op::Mtlo:
    case Op::Blez:
    case Op::Bgtz:
    case Op::Bltz:
    case Op::Bgez:
    case Op::Bltzal:
    case Op::Bgezal:
    case Op::Addi:
    case Op::Addiu:
    case Op::Slti:
    case Op::Sltiu:
    case Op::Andi:
    case Op::Ori:
    case Op::Xori:
    case Op::Lb:
    case Op::Lh:
    case Op::Lw:
    case Op::Lbu:
    case Op::Lhu: return rs;
    case Op::Mfhi:
    case Op::Mflo:
    case Op::Lui:
    case Op::J:
    case Op::Jal: return 0;
    default: return rs | rt; // two-register ALU, mult/div, beq/bne, stores, lwl/lwr
    }
}

bool isLoad(Op op) {
    return op == Op::Lb || op == Op::Lh || op == Op::Lw || op == Op::Lbu || op == Op::Lhu ||
           op == Op::Lwl || op == Op::Lwr;
}
bool writesHiLo(Op op) {
    return op == Op::Mthi || op == Op::Mtlo || op == Op::Mult || op == Op::Multu || op == Op::Div ||
           op == Op::Divu;
}

// Follows the executed instructions and counts the rule breaks.
class RuleWatch : public coretest::Observer {
  public:
    explicit RuleWatch(const coretest::Image& image) : image_(image) {}
    void retired(std::uint32_t pc, std::uint64_t) override {
        const coretest::Instr i = coretest::decode(wordAt(image_, pc), pc);
        if ((readsOf(i) & loaded_) & ~1u) ++loadUses;
        if (writesHiLo(i.op) && sinceHiLoRead_ < 2) ++hiLoWritesAfterRead;
        loaded_ = isLoad(i.op) ? 1u << i.rt : 0;
        sinceHiLoRead_ = i.op == Op::Mfhi || i.op == Op::Mflo ? 0 : sinceHiLoRead_ + 1;
        ++executed;
    }
    void memoryWritten(std::uint32_t, std::uint32_t addr, unsigned, std::uint32_t) override {
        const bool board = addr >= 0xfffff000u;
        if (!board && (addr < 0x80000000u || addr >= 0x80000200u)) ++writesOutside;
    }
    int loadUses = 0, hiLoWritesAfterRead = 0, writesOutside = 0;
    std::uint64_t executed = 0;

  private:
    const coretest::Image& image_;
    std::uint32_t loaded_ = 0;
    std::uint32_t sinceHiLoRead_ = 2;
};

RandomOptions seeded(std::uint64_t seed, bool interlocked, coretest::random::Distance d) {
    RandomOptions o;
    o.seed = seed;
    o.instructions = 4000;
    o.interlocked = interlocked;
    o.distance = d;
    o.memoryPercent = 40; // loads often, so that the rule has work to do
    return o;
}

TEST(RandomRules, NoLoadedRegisterReadNextUnlessInterlocked) {
    using coretest::random::Distance;
    for (const auto& [seed, distance] : {std::pair{101u, Distance::Near},
                                         {102u, Distance::Near},
                                         {103u, Distance::Uniform},
                                         {104u, Distance::Far}}) {
        SCOPED_TRACE(seed);
        const auto image =
            loadBytes(coretest::random::buildRandomImage(seeded(seed, false, distance)));
        RuleWatch watch(image);
        coretest::RunOptions options;
        options.observer = &watch;
        const auto r = runImage(image, options);
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        EXPECT_GT(watch.executed, 4000u);
        EXPECT_EQ(watch.loadUses, 0);
        EXPECT_EQ(watch.hiLoWritesAfterRead, 0);
        EXPECT_EQ(watch.writesOutside, 0);
    }
    // Interlocked: the near distribution reads loaded registers at once, often.
    const auto image =
        loadBytes(coretest::random::buildRandomImage(seeded(105, true, Distance::Near)));
    RuleWatch watch(image);
    coretest::RunOptions options;
    options.observer = &watch;
    runImage(image, options);
    EXPECT_GT(watch.loadUses, 50);
    EXPECT_EQ(watch.hiLoWritesAfterRead, 0);
}

// A core that shows the load delay slot (the old value in the next instruction) passes every
// image drawn without --interlocked and fails one drawn with it.
TEST(RandomRules, AVisibleLoadDelaySlotMattersOnlyWhenInterlocked) {
    const coretest::FaultDef* fault = coretest::findFault("load-delay-slot-visible");
    ASSERT_NE(fault, nullptr);
    coretest::RunOptions options;
    options.faults = {coretest::FaultSelection{fault, {}}};
    using coretest::random::Distance;
    for (const std::uint64_t seed : {111u, 112u}) {
        const auto image =
            loadBytes(coretest::random::buildRandomImage(seeded(seed, false, Distance::Near)));
        const auto r = runImage(image, options);
        EXPECT_EQ(r.board.lampA, 1u) << seed;
    }
    const auto image =
        loadBytes(coretest::random::buildRandomImage(seeded(113, true, Distance::Near)));
    const auto r = runImage(image, options);
    EXPECT_EQ(r.board.lampA, 2u);
    EXPECT_TRUE(r.board.endMarked());
}

// Follows the executed instructions with the registers each wrote (as the reference core reports
// them) and counts the reads that come fewer than four instructions after the write: any read
// by the program's own code or by a jr/jalr, and a random instruction's read of what the own
// code wrote.
class SpacingWatch : public coretest::Observer {
  public:
    using Ranges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    SpacingWatch(const coretest::Image& image, Ranges randomParts)
        : image_(image), random_(std::move(randomParts)) {}
    void regWritten(std::uint32_t, unsigned reg, std::uint32_t) override { written_ |= 1u << reg; }
    void retired(std::uint32_t pc, std::uint64_t) override {
        const coretest::Instr i = coretest::decode(wordAt(image_, pc), pc);
        const bool own = !inRandomPart(pc);
        const bool jump = i.op == Op::Jr || i.op == Op::Jalr;
        std::uint32_t recent = 0;
        for (const auto& [writes, byOwnCode] : recent_)
            if (own || jump || byOwnCode) recent |= writes;
        if (readsOf(i) & recent & ~1u) {
            ++(own ? ownCodeReads : jump ? jumpReads : randomReadsOfOwnCode);
            if (first.empty()) first = fmt::format("{:#010x}", pc);
        }
        recent_.push_back({written_, own});
        if (recent_.size() > 3) recent_.pop_front();
        written_ = 0;
        ++(own ? ownExecuted : randomExecuted);
    }
    int ownCodeReads = 0, jumpReads = 0, randomReadsOfOwnCode = 0;
    std::uint64_t ownExecuted = 0, randomExecuted = 0;
    std::string first;

  private:
    bool inRandomPart(std::uint32_t pc) const {
        for (const auto& [begin, end] : random_)
            if (pc >= begin && pc < end) return true;
        return false;
    }
    const coretest::Image& image_;
    Ranges random_;
    std::deque<std::pair<std::uint32_t, bool>> recent_;
    std::uint32_t written_ = 0;
};

TEST(RandomRules, OwnCodeAndJumpsReadNothingWrittenInTheThreeInstructionsBefore) {
    struct Case {
        const char* name;
        RandomOptions options;
    };
    const auto with = [](std::uint64_t seed, std::uint32_t instructions, std::uint32_t every,
                         std::uint32_t loops, bool interlocked) {
        RandomOptions o = seeded(seed, interlocked, coretest::random::Distance::Near);
        o.instructions = instructions;
        o.checkpointEvery = every;
        o.loops = loops;
        o.branchPercent = 30; // many jumps and calls
        o.memoryPercent = 30;
        return o;
    };
    const Case cases[] = {
        {"near, a checkpoint every 100", with(121, 4000, 100, 1, false)},
        {"interlocked, every instruction checked", with(122, 200, 1, 1, true)},
        {"two passes, a checkpoint every 3", with(123, 600, 3, 2, false)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RandomOptions& o = c.options;
        const auto image = loadBytes(coretest::random::buildRandomImage(o));
        // A block's random instructions: all but its checkpoint call (ori, jalr, delay slot).
        SpacingWatch::Ranges randomParts;
        const auto map = coretest::RomMap::load(image);
        for (const auto& block : map.routines())
            randomParts.emplace_back(block.range.begin, block.range.end - 12);
        SpacingWatch watch(image, randomParts);
        coretest::RunOptions options;
        options.observer = &watch;
        const auto r = runImage(image, options);
        EXPECT_EQ(r.reason, coretest::StopReason::Verdict);
        EXPECT_EQ(r.board.lampA, 1u);
        EXPECT_GT(watch.randomExecuted, o.instructions / 2); // branches skip some
        EXPECT_GT(watch.ownExecuted, 1000u);
        EXPECT_EQ(watch.ownCodeReads, 0) << watch.first;
        EXPECT_EQ(watch.jumpReads, 0) << watch.first;
        EXPECT_EQ(watch.randomReadsOfOwnCode, 0) << watch.first;
    }
}

// The rule has something to find: random instructions read what the one before wrote often.
TEST(RandomRules, RandomInstructionsReadTheirNeighboursResults) {
    const auto image = loadBytes(
        coretest::random::buildRandomImage(seeded(124, false, coretest::random::Distance::Near)));
    // The same watch with every instruction counted as the program's own: its reads of results
    // one to three instructions old are then counted.
    SpacingWatch watch(image, {});
    coretest::RunOptions options;
    options.observer = &watch;
    runImage(image, options);
    EXPECT_GT(watch.ownCodeReads, 1000);
}

} // namespace
