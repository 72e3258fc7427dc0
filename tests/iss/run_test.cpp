// How a run ends, what the board logs, and what watches and observers see.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "support/program.h"

namespace coretest {
namespace {

using testing::runProgram;

// The test programs start with "b body; nop", end with "b test_finish; nop", and then idle:
// one turn of test_finish (b, nop) before the second arrival ends the run.
constexpr std::uint64_t kFrame = 6;

struct StopCase {
    std::string_view name;
    std::string_view body;
    StopReason reason;
    std::uint64_t instructions; // 0: not checked
};

const StopCase kStops[] = {
    {"end mark then test_finish", "addiu $t0, $zero, -16\n addiu $t1, $zero, 0xff\n sw $t1, 0($t0)",
     StopReason::Verdict, kFrame + 3},
    {"end mark of another value is no verdict",
     "addiu $t0, $zero, -16\n addiu $t1, $zero, 0xfe\n sw $t1, 0($t0)", StopReason::IdleNoVerdict,
     kFrame + 3},
    {"test_finish without end mark", "", StopReason::IdleNoVerdict, kFrame},
    {"exception", "break", StopReason::ExceptionIdle, 3 + 2},
    {"exception vector reached by a jump", "j exception_idle\n nop", StopReason::StrayIdle,
     2 + 2 + 2},
    {"endless loop", "1: b 1b\n nop", StopReason::InstructionLimit, 1000},
};

class Stops : public ::testing::TestWithParam<StopCase> {};

TEST_P(Stops, EndAsExpected) {
    const StopCase& c = GetParam();
    const RunResult r = runProgram(c.body, {.instructionLimit = 1000});
    EXPECT_EQ(r.reason, c.reason) << stopReasonName(r.reason);
    EXPECT_EQ(r.instructions, c.instructions);
}

INSTANTIATE_TEST_SUITE_P(Cases, Stops, ::testing::ValuesIn(kStops), [](const auto& info) {
    std::string n(info.param.name);
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

TEST(Stops, StopPointIsLeftAsTheNextInstruction) {
    const Image image = testing::assemble("");
    const RunResult r = run(image);
    EXPECT_EQ(r.pc(), image.findSymbol("test_finish")->value);
    EXPECT_EQ(r.state.npc, r.pc() + 4);
}

TEST(BoardLog, RecordsEveryRegisterAccessInOrder) {
    const RunResult r = runProgram(R"(
    addiu $a0, $zero, -0x0ff8
    addiu $a1, $zero, -0x0ffc
    addiu $a2, $zero, -0x1000
    addiu $s1, $zero, -0x0ff0
    addiu $t1, $zero, 2
    addiu $t2, $zero, 1
    ori $t3, $zero, 0xffff
    sw $t1, 0($a0)
    sw $t2, 0($a1)
    sw $t3, 0($a2)
    sw $zero, 0($s1)
    addiu $t0, $zero, -12
    lw $v0, 0($t0)
    lui $t4, 0x0100
    ori $t4, $t4, 1
    sw $t4, 0($s1)
)",
                                   {.switchValue = 0x80000000});
    using K = BoardEvent::Kind;
    const std::vector<BoardEvent> expected{
        {K::Write, BoardReg::LampB, 2, 9},           {K::Write, BoardReg::LampA, 1, 10},
        {K::Write, BoardReg::LedBank, 0xffff, 11},   {K::Write, BoardReg::Display, 0, 12},
        {K::Read, BoardReg::Switch, 0x80000000, 14}, {K::Write, BoardReg::Display, 0x01000001, 17},
    };
    EXPECT_EQ(r.events, expected);
    EXPECT_EQ(r.state.regs[2], 0x80000000u);
    EXPECT_EQ(r.board,
              (BoardState{
                  .ledBank = 0xffff, .lampA = 1, .lampB = 2, .display = 0x01000001, .endMark = 0}));
    EXPECT_EQ(r.testNumber(), 1u);
    EXPECT_EQ(r.passCount(), 1u);
}

TEST(BoardLog, SwitchWriteChangesNothing) {
    const RunResult r = runProgram(R"(
    addiu $t0, $zero, -12
    sw $t0, 0($t0)
    lw $v0, 0($t0)
)",
                                   {.switchValue = 5});
    EXPECT_EQ(r.state.regs[2], 5u);
    EXPECT_EQ(r.events.size(), 2u);
}

TEST(Watches, SnapshotStateOnEveryArrival) {
    const Image image = testing::assemble(R"(
    addiu $t0, $zero, 3
loop:
watched:
    addiu $t0, $t0, -1
    bne $t0, $zero, loop
    addiu $t1, $t1, 10
)");
    struct Hit {
        std::uint32_t pc, t0, t1;
        std::uint64_t count;
        bool operator==(const Hit&) const = default;
    };
    std::vector<Hit> hits;
    RunOptions o;
    o.watches = {image.findSymbol("watched")->value};
    o.onWatch = [&](const WatchHit& h) {
        hits.push_back({h.state.pc, h.state.regs[8], h.state.regs[9], h.instructions});
        EXPECT_EQ(h.address, h.state.pc);
    };
    const RunResult r = run(image, o);
    const std::uint32_t w = image.findSymbol("watched")->value;
    EXPECT_EQ(hits, (std::vector<Hit>{{w, 3, 0, 3}, {w, 2, 10, 6}, {w, 1, 20, 9}}));
    EXPECT_EQ(r.state.regs[9], 30u);
}

TEST(Watches, OnAStopPointSeeBothArrivals) {
    const Image image = testing::assemble("");
    int arrivals = 0;
    RunOptions o;
    o.watches = {image.findSymbol("test_finish")->value};
    o.onWatch = [&](const WatchHit&) { ++arrivals; };
    run(image, o);
    EXPECT_EQ(arrivals, 1) << "the second arrival ends the run before the instruction executes";
}

// Records what the observer interface reports, in order.
class Recorder : public Observer {
  public:
    std::vector<std::string> log;
    std::uint64_t retiredCount = 0;
    void regWritten(std::uint32_t pc, unsigned reg, std::uint32_t v) override {
        log.push_back(fmt::format("{:x} r{}={:x}", pc & 0xfff, reg, v));
    }
    void hiWritten(std::uint32_t pc, std::uint32_t v) override {
        log.push_back(fmt::format("{:x} hi={:x}", pc & 0xfff, v));
    }
    void loWritten(std::uint32_t pc, std::uint32_t v) override {
        log.push_back(fmt::format("{:x} lo={:x}", pc & 0xfff, v));
    }
    void memoryWritten(std::uint32_t pc, std::uint32_t a, unsigned size, std::uint32_t v) override {
        log.push_back(fmt::format("{:x} m{}[{:x}]={:x}", pc & 0xfff, size, a, v));
    }
    void exceptionTaken(const ExceptionRecord& e) override {
        log.push_back(fmt::format("{:x} exception {}", e.pc & 0xfff, causeName(e.cause)));
    }
    void retired(std::uint32_t, std::uint64_t count) override { retiredCount = count; }
};

TEST(Observer, SeesEveryWriteThroughTheOnePath) {
    const std::string body = R"(
    addiu $t0, $zero, 7
    lui $a0, 0x8000
    sw $t0, 4($a0)
    sb $t0, 9($a0)
    multu $t0, $t0
    mthi $t0
    addu $zero, $t0, $t0
    jal 1f
    nop
1:  break
)";
    Recorder rec;
    const RunResult observed = runProgram(body, {.observer = &rec});
    const RunResult plain = runProgram(body);
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"388 r8=7", "38c r4=80000000", "390 m4[80000004]=7",
                                        "394 m1[80000009]=7", "398 lo=31", "398 hi=0", "39c hi=7",
                                        "3a4 r31=bfc003ac", "3ac exception break"}));
    EXPECT_EQ(rec.retiredCount, observed.instructions);
    EXPECT_EQ(observed.instructions, plain.instructions);
    EXPECT_EQ(observed.state.regs, plain.state.regs);
    EXPECT_EQ(observed.reason, plain.reason);
}

TEST(Observer, DoesNotSeeStoresTheRomRefused) {
    Recorder rec;
    const RunResult r = runProgram("lui $a0, 0xbfc0\n sw $a0, 16($a0)", {.observer = &rec});
    EXPECT_EQ(rec.log, (std::vector<std::string>{"388 r4=bfc00000"}));
    EXPECT_EQ(r.romWrites.size(), 1u);
}

} // namespace
} // namespace coretest
