// Fault injection: replacements confined to a routine or one address, per-run scratch, selection
// parsing, and the catalogue's own consistency.
#include <gtest/gtest.h>

#include <set>

#include "coretest/catalogue.h"
#include "coretest/semantics.h"
#include "support/program.h"

namespace coretest {
namespace {

// Two routines, each adding a0 and a1 with addu; the body calls both and adds once itself.
const std::string kTwoRoutines = R"(
    addiu $a0, $zero, 10
    addiu $a1, $zero, 3
    jal first_test
    nop
    jal second_test
    nop
    addu $s0, $a0, $a1
    b test_finish
    nop
    .globl first_test
    .type first_test, @function
first_test:
    addu $v0, $a0, $a1
    jr $ra
    nop
    .size first_test, . - first_test
    .globl second_test
    .type second_test, @function
second_test:
    addu $v1, $a0, $a1
    jr $ra
    nop
    .size second_test, . - second_test
)";

const FaultDef kSubtracts{
    "test-addu-subtracts",
    "addu subtracts",
    "first_test",
    [](FaultSite& s) {
        s.replace(Op::Addu, [](auto& c, const Instr& i) { c.setRd(i, c.rs(i) - c.rt(i)); });
    },
    {}};

// Counts the executions of addu in its scratch and returns the count instead of the sum.
const FaultDef kCounts{"test-addu-counts",
                       "addu counts",
                       "",
                       [](FaultSite& s) {
                           s.replace(Op::Addu,
                                     [](auto& c, const Instr& i) { c.setRd(i, ++c.scratch()[0]); });
                       },
                       {}};

// The real addu, plus one: a replacement built on the real semantics.
const FaultDef kOffByOne{"test-addu-plus-one",
                         "addu adds one more",
                         "",
                         [](FaultSite& s) {
                             s.replace(Op::Addu, [](auto& c, const Instr& i) {
                                 realSemantics(c, i);
                                 c.setRd(i, c.reg(i.rd) + 1);
                             });
                         },
                         {}};

// Only the instruction at second_test's entry.
const FaultDef kAtSecond{"test-second-entry",
                         "one instruction",
                         "",
                         [](FaultSite& s) {
                             s.replaceAt(s.symbol("second_test"),
                                         [](auto& c, const Instr& i) { c.setRd(i, 0x5555); });
                         },
                         {}};

struct Sums {
    std::uint32_t first, second, body;
    bool operator==(const Sums&) const = default;
};

Sums runWith(const Image& image, std::vector<FaultSelection> faults, Observer* observer = nullptr) {
    RunOptions o{.instructionLimit = 10000, .faults = std::move(faults), .observer = observer};
    const RunResult r = run(image, o);
    EXPECT_EQ(r.reason, StopReason::IdleNoVerdict);
    return {r.state.regs[2], r.state.regs[3], r.state.regs[16]};
}

struct ConfineCase {
    std::string_view name;
    std::vector<FaultSelection> faults;
    Sums sums;
};

class Confinement : public ::testing::TestWithParam<ConfineCase> {
  protected:
    static void SetUpTestSuite() {
        image_ = std::make_unique<Image>(testing::assemble(kTwoRoutines));
    }
    static void TearDownTestSuite() { image_.reset(); }
    static std::unique_ptr<Image> image_;
};
std::unique_ptr<Image> Confinement::image_;

TEST_P(Confinement, ReplacesOnlyInsideTheRange) {
    EXPECT_EQ(runWith(*image_, GetParam().faults), GetParam().sums);
}

TEST_P(Confinement, ObservedRunsUseTheSameReplacement) {
    Observer quiet;
    EXPECT_EQ(runWith(*image_, GetParam().faults, &quiet), GetParam().sums);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Confinement,
    ::testing::Values(
        ConfineCase{"none", {}, {13, 13, 13}},
        ConfineCase{"first_routine", {{&kSubtracts, "first_test"}}, {7, 13, 13}},
        ConfineCase{"routine_without_suffix", {{&kSubtracts, "second"}}, {13, 7, 13}},
        ConfineCase{"whole_rom", {{&kSubtracts, ""}}, {7, 7, 7}},
        ConfineCase{"one_address", {{&kAtSecond, ""}}, {13, 0x5555, 13}},
        ConfineCase{"one_address_outside_the_range", {{&kAtSecond, "first_test"}}, {13, 13, 13}},
        ConfineCase{"scratch_counts_in_run_order", {{&kCounts, ""}}, {1, 2, 3}},
        ConfineCase{"built_on_the_real_semantics", {{&kOffByOne, "second_test"}}, {13, 14, 13}},
        ConfineCase{
            "later_selection_wins", {{&kSubtracts, ""}, {&kOffByOne, "first_test"}}, {14, 7, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultScratch, StartsAtZeroInEveryRun) {
    const Image image = testing::assemble(kTwoRoutines);
    EXPECT_EQ(runWith(image, {{&kCounts, ""}}), (Sums{1, 2, 3}));
    EXPECT_EQ(runWith(image, {{&kCounts, ""}}), (Sums{1, 2, 3}));
}

TEST(FaultScratch, IsSeparateForEachSelectedFault) {
    const Image image = testing::assemble(kTwoRoutines);
    EXPECT_EQ(runWith(image, {{&kCounts, "first_test"}, {&kCounts, "second_test"}}),
              (Sums{1, 1, 13}));
}

TEST(FaultSet, UnknownRoutineIsAnInputError) {
    const Image image = testing::assemble(kTwoRoutines);
    try {
        run(image, {.faults = {{&kSubtracts, "third_test"}}});
        FAIL() << "ran";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("no routine third_test"), std::string::npos)
            << e.what();
    }
}

TEST(FaultSet, WatchOnAReplacedInstructionKeepsTheReplacement) {
    const Image image = testing::assemble(kTwoRoutines);
    int hits = 0;
    RunOptions o{.instructionLimit = 10000, .faults = {{&kSubtracts, "first_test"}}};
    o.watches = {image.findSymbol("first_test")->value};
    o.onWatch = [&](const WatchHit&) { ++hits; };
    const RunResult r = run(image, o);
    EXPECT_EQ(hits, 1);
    EXPECT_EQ(r.state.regs[2], 7u);
}

// A pipeline rule replaced the same way: a taken beq skips its delay slot.
const FaultDef kAnnuls{"test-beq-annuls",
                       "taken beq annuls its delay slot",
                       "",
                       [](FaultSite& s) {
                           s.replace(Op::Beq, [](auto& c, const Instr& i) {
                               const bool taken = c.rs(i) == c.rt(i);
                               c.branch(i, taken);
                               if (taken) c.annulDelaySlot();
                           });
                       },
                       {}};

TEST(PipelineFault, AnnulledDelaySlotDoesNotExecute) {
    const Image image = testing::assemble(R"(
    beq $zero, $zero, 1f
    addiu $v0, $zero, 1
    addiu $v1, $zero, 2
1:  bne $zero, $zero, 2f
    addiu $a0, $zero, 3
2:
)");
    RunOptions o{.instructionLimit = 1000, .faults = {{&kAnnuls, ""}}};
    const RunResult faulty = run(image, o);
    const RunResult good = run(image, {.instructionLimit = 1000});
    // The reset "b body" and the final "b test_finish" are beqs too: they still arrive.
    EXPECT_EQ(faulty.reason, StopReason::IdleNoVerdict);
    EXPECT_EQ(faulty.state.regs[2], 0u);
    EXPECT_EQ(good.state.regs[2], 1u);
    for (const RunResult* r : {&faulty, &good}) {
        EXPECT_EQ(r->state.regs[3], 0u);
        EXPECT_EQ(r->state.regs[4], 3u) << "bne keeps its delay slot";
    }
}

struct ParseCase {
    std::string_view text;
    std::string_view fault; // "" = an InputError is expected
    std::string_view routine;
};

class Parsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parsing, AcceptsNameAndOptionalRoutine) {
    const ParseCase& c = GetParam();
    if (c.fault.empty()) {
        EXPECT_THROW(parseFaultSelection(c.text), InputError) << c.text;
        return;
    }
    const FaultSelection s = parseFaultSelection(c.text);
    ASSERT_NE(s.fault, nullptr);
    EXPECT_EQ(s.fault->name, c.fault);
    EXPECT_EQ(s.routine, c.routine);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Parsing,
    ::testing::Values(ParseCase{"lui-low-half", "lui-low-half", ""},
                      ParseCase{"lui-low-half@n7_or_test", "lui-low-half", "n7_or_test"},
                      ParseCase{"no-such-fault", "", ""}, ParseCase{"", "", ""},
                      ParseCase{"@n7_or", "", ""}, ParseCase{"lui-low-half@", "", ""},
                      ParseCase{"lui-low-half@a@b", "", ""}));

TEST(Catalogue, EntriesAreCompleteAndFindable) {
    std::set<std::string_view> names;
    for (const FaultDef& f : faultCatalogue()) {
        SCOPED_TRACE(f.name);
        EXPECT_TRUE(names.insert(f.name).second) << "duplicate name";
        EXPECT_FALSE(f.description.empty());
        EXPECT_NE(f.install, nullptr);
        EXPECT_EQ(findFault(f.name), &f);
        const bool listsFailures = !f.expected.failures.empty();
        switch (f.expected.kind) {
        case ExpectedKind::Fails: EXPECT_TRUE(listsFailures); break;
        case ExpectedKind::Unnoticed:
        case ExpectedKind::IdleNoVerdict: EXPECT_FALSE(listsFailures); break;
        case ExpectedKind::ExceptionIdle: EXPECT_LE(f.expected.failures.size(), 1u); break;
        }
        EXPECT_EQ(campaignSelection(f).routine, f.scope);
    }
    for (std::string_view mine : {"no-reset-jump", "finish-falls-through", "lui-low-half",
                                  "addu-traps-overflow", "bne-never-branches"})
        EXPECT_TRUE(names.contains(mine)) << mine;
    EXPECT_EQ(findFault("no-such-fault"), nullptr);
}

} // namespace
} // namespace coretest
