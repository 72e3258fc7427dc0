// The library's C interface on the reference core's own retirement stream of the short run,
// delivered in and out of program order, and perturbed as a faulty core would.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "coretest/board.h"
#include "coretest/random_program.h"
#include "reference_stream.h"
#include "support/scratch_folder.h"

namespace coretest::cosim_test {
namespace {

using Kind = TraceRecord::Kind;

struct DeliveryCase {
    const char* name;
    Delivery delivery;
};

class CleanStream : public testing::TestWithParam<DeliveryCase> {};

TEST_P(CleanStream, AgreesUpToTheEndMarkWithThePassVerdict) {
    const auto& stream = referenceStream();
    const FeedResult r = feed(stream, 0, GetParam().delivery);
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_OK) << r.output;
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_OK);
    EXPECT_EQ(r.checked, stream.size());
    EXPECT_EQ(r.divergences, 0u);
    EXPECT_NE(r.output.find(fmt::format("{} instructions checked up to the end mark, no divergence",
                                        stream.size())),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("verdict: pass, 58 of 58 routines passed"), std::string::npos)
        << r.output;
}

INSTANTIATE_TEST_SUITE_P(Deliveries, CleanStream,
                         testing::Values(DeliveryCase{"InOrder", {}},
                                         // a divider's HI and LO five retirements late, each store
                                         // before the retirement of the instruction before it
                                         DeliveryCase{"OutOfOrder",
                                                      {.lateHiLo = 5, .earlyStores = true}}),
                         [](const auto& info) { return std::string(info.param.name); });

// The second ROM takes exceptions on purpose: each trapping instruction retires as a trap and
// its handler's instructions follow; the clean stream agrees with its own verdict line.
TEST_P(CleanStream, SecondRomAgreesUpToTheEndMark) {
    const auto& stream = secondRomStream();
    const auto traps = std::count_if(stream.begin(), stream.end(),
                                     [](const StreamInstruction& i) { return i.trap; });
    EXPECT_GT(traps, 50) << "the second ROM's exception routines";
    const FeedResult r = feed(stream, 0, GetParam().delivery, CORETEST_ROM2_PATH);
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_OK) << r.output;
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_OK);
    EXPECT_EQ(r.checked, stream.size());
    EXPECT_NE(r.output.find("verdict: pass, 24 of 24 routines passed"), std::string::npos)
        << r.output;
}

// A random program counts checkpoints where the ROMs count routines; its expected exceptions
// retire as traps like the second ROM's.
TEST_P(CleanStream, RandomProgramAgreesWithItsCheckpointsCounted) {
    const coretest_test::ScratchFolder dir("coretest-cosim-random");
    random::RandomOptions options;
    options.seed = 7;
    options.instructions = 1000;
    const auto bytes = random::buildRandomImage(options);
    const std::string path = (dir.path() / "r7.elf").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const auto stream = recordStream(path.c_str());
    const FeedResult r = feed(stream, 0, GetParam().delivery, path.c_str());
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_OK) << r.output;
    EXPECT_EQ(r.checked, stream.size());
    EXPECT_EQ(r.divergences, 0u) << r.output;
    EXPECT_NE(r.output.find("verdict: pass, 10 of 10 checkpoints passed"), std::string::npos)
        << r.output;
}

// A core that completes an instruction the reference core traps on, or traps where it does
// not, diverges there with that kind.
TEST(SecondRom, AnExceptionTakenOrNotIsADivergence) {
    const struct {
        const char* name;
        bool pickTrap; // change the first trapping instruction (else the first ALU instruction
                       // of the overflow routine that completes)
        const char* shown;
    } cases[] = {
        {"TrapNotTaken", true, "the reference core raises an exception"},
        {"TrapTakenInstead", false, "your core raised an exception"},
    };
    for (const auto& c : cases) {
        std::vector<StreamInstruction> stream = secondRomStream();
        const std::size_t at = findInstruction(stream, [&](const StreamInstruction& i) {
            return c.pickTrap ? i.trap && i.insn != 0 : !i.trap && !i.records.empty();
        });
        stream[at].trap = !stream[at].trap;
        if (stream[at].trap) stream[at].records.clear();
        const FeedResult r = feed(stream, 0, {}, CORETEST_ROM2_PATH);
        EXPECT_EQ(r.firstStatus, CORETEST_COSIM_STOP) << c.name << "\n" << r.output;
        EXPECT_EQ(r.firstSeq, stream[at].seq) << c.name;
        EXPECT_NE(r.output.find(c.shown), std::string::npos) << c.name << "\n" << r.output;
    }
}

// One instruction of the stream changed as a faulty core would show it.
struct Perturbation {
    const char* name;
    const char* routine; // the first of its instructions that `pick` chooses is changed
    std::function<bool(const StreamInstruction&)> pick;
    std::function<void(StreamInstruction&)> change;
    std::vector<std::string> shown; // what the report says, besides the place
};

struct Perturbed {
    std::vector<StreamInstruction> stream;
    std::size_t index = 0;
};

Perturbed perturb(const Perturbation& p) {
    Perturbed out{referenceStream(), 0};
    const AddressRange range = routineRange(p.routine);
    out.index = findInstruction(
        out.stream, [&](const StreamInstruction& i) { return range.contains(i.pc) && p.pick(i); });
    p.change(out.stream[out.index]);
    return out;
}

std::vector<Perturbation> stopCases() {
    const auto writesReg = [](const StreamInstruction& i) { return writes(i, Kind::Reg); };
    const auto writesHi = [](const StreamInstruction& i) { return writes(i, Kind::Hi); };
    const auto writesNothing = [](const StreamInstruction& i) { return i.records.empty(); };
    const auto storesDisplay = [](const StreamInstruction& i) {
        return writes(i, Kind::Memory) &&
               i.records[0].address == static_cast<std::uint32_t>(BoardReg::Display);
    };
    return {
        {"WrongRegisterValue",
         "n8_slt_test",
         writesReg,
         [](StreamInstruction& i) { i.records[0].value ^= 1; },
         {"expected    ", "observed    "}},
        {"MissingRegisterWrite",
         "n21_add_test",
         writesReg,
         [](StreamInstruction& i) { i.records.clear(); },
         {"your core did not write it", "observed    (no write)"}},
        {"ExtraRegisterWrite",
         "n2_addu_test",
         writesNothing,
         [](StreamInstruction& i) {
             i.records.push_back({.pc = i.pc, .kind = Kind::Reg, .reg = 9, .value = 7});
         },
         {"the reference core does not write it", "expected    (no write)"}},
        {"WrongHi",
         "n46_mult_test",
         writesHi,
         [](StreamInstruction& i) {
             for (auto& r : i.records)
                 if (r.kind == Kind::Hi) r.value += 0x100;
         },
         {"HI = 0x"}},
        {"WrongLo",
         "n44_div_test",
         writesHi,
         [](StreamInstruction& i) {
             for (auto& r : i.records)
                 if (r.kind == Kind::Lo) r.value += 1;
         },
         {"LO = 0x"}},
        {"WrongDisplayStore",
         "n5_bne_test",
         storesDisplay,
         [](StreamInstruction& i) { i.records[0].value = 0x05000004; },
         {"memory word at 0xfffff010 = 0x05000004"}},
        {"WrongPc",
         "n7_or_test",
         writesReg,
         [](StreamInstruction& i) { i.pc += 4; },
         {"your core retired"}},
    };
}

class StopAtDivergence : public testing::TestWithParam<Perturbation> {};

TEST_P(StopAtDivergence, StopsAtThePerturbedInstructionWithAReport) {
    const Perturbed p = perturb(GetParam());
    const StreamInstruction& changed = p.stream[p.index];
    const StreamInstruction& original = referenceStream()[p.index];
    const FeedResult r = feed(p.stream, 0, {.lateHiLo = 3});
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_STOP) << r.output;
    EXPECT_EQ(r.firstSeq, changed.seq) << r.output;
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_STOP);
    EXPECT_EQ(r.checked, p.index + 1); // the diverging instruction is checked too
    EXPECT_EQ(r.divergences, 1u);
    EXPECT_NE(r.output.find(fmt::format("first divergence at instruction {} (@{})", p.index + 1,
                                        changed.seq)),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find(fmt::format("instruction {:08x}", original.pc)), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find(GetParam().routine), std::string::npos) << r.output;
    // Records agree one by one, as compare counts them: every record before the instruction, and
    // those of the instruction itself before its first wrong one (a multiply's LO before a wrong
    // HI).
    std::size_t agreeing = 0;
    for (std::size_t k = 0; k < p.index; ++k)
        agreeing += p.stream[k].records.size();
    for (std::size_t k = 0; changed.pc == original.pc && k < original.records.size() &&
                            k < changed.records.size() && original.records[k] == changed.records[k];
         ++k)
        ++agreeing;
    EXPECT_NE(r.output.find(fmt::format("and {} records that agree", agreeing)), std::string::npos)
        << r.output;
    for (const std::string& text : GetParam().shown)
        EXPECT_NE(r.output.find(text), std::string::npos) << text << "\n" << r.output;
    // A changed value shows both records, as the trace compare prints them.
    if (!original.records.empty() && !changed.records.empty() &&
        original.records[0].kind == changed.records[0].kind &&
        original.records[0].value != changed.records[0].value) {
        EXPECT_NE(r.output.find("expected    " + formatRecord(original.records[0])),
                  std::string::npos)
            << r.output;
        EXPECT_NE(r.output.find("observed    " + formatRecord(changed.records[0])),
                  std::string::npos)
            << r.output;
    }
    EXPECT_NE(r.output.find("verdict: none, the simulation stopped at the divergence"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Perturbations, StopAtDivergence, testing::ValuesIn(stopCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeepGoing, CountsEachDivergencePerRoutineAndEndsWithTheCoresVerdict) {
    // Two routines show a wrong pass count on the display, which nothing reads back. Both stores
    // are in a report block, outside the cases: the first is reported, the second counted (a
    // failed routine shows in every later pass count). The core's own display and lamps give the
    // verdict.
    std::vector<StreamInstruction> stream = referenceStream();
    std::vector<std::size_t> changed;
    for (const char* routine : {"n3_addiu_test", "n9_slti_test"}) {
        const AddressRange range = routineRange(routine);
        changed.push_back(findInstruction(stream, [&](const StreamInstruction& i) {
            return range.contains(i.pc) && writes(i, Kind::Memory) &&
                   i.records[0].address == static_cast<std::uint32_t>(BoardReg::Display);
        }));
        stream[changed.back()].records[0].value -= 1;
    }
    const FeedResult r = feed(stream, CORETEST_COSIM_KEEP_GOING);
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_DIVERGED) << r.output;
    EXPECT_EQ(r.firstSeq, stream[changed[0]].seq);
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_DIVERGED);
    EXPECT_EQ(r.checked + r.skipped, stream.size()) << r.output;
    EXPECT_GT(r.skipped, 0u);
    EXPECT_EQ(r.divergences, 2u);
    EXPECT_NE(r.output.find("first divergence at"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("divergence 2 at"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("2 divergences"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("up to the end mark"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("verdict: pass, 58 of 58"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("diverged in 2 routines: n3_addiu_test 1, n9_slti_test 1"),
              std::string::npos)
        << r.output;
}

TEST(KeepGoing, ResynchronisesAtTheNextRoutineAndChecksOn) {
    // A wrong pass count at the entry of n8_slt_test: reported once; the reference core skips to
    // the entry of the next routine it enters, the core's instructions are skipped until they
    // reach it, and from there on everything is compared and agrees (the pass count with the
    // difference it carries since).
    std::vector<StreamInstruction> stream = referenceStream();
    const AddressRange range = routineRange("n8_slt_test");
    const std::size_t n = findInstruction(stream, [&](const StreamInstruction& i) {
        return range.contains(i.pc) && writes(i, Kind::Reg);
    });
    stream[n].records[0].value ^= 1;
    const FeedResult r = feed(stream, CORETEST_COSIM_KEEP_GOING);
    EXPECT_EQ(r.divergences, 1u) << r.output;
    EXPECT_EQ(r.checked + r.skipped, stream.size()) << r.output;
    EXPECT_NE(r.output.find(
                  fmt::format("first divergence at instruction {} (@{})", n + 1, stream[n].seq)),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("diverged in 1 routine: n8_slt_test 1"), std::string::npos) << r.output;
    EXPECT_TRUE(std::regex_search(
        r.output,
        std::regex(
            R"(checked up to the end mark \(\d+ skipped after divergences\), 1 divergence\n)")))
        << r.output;
    // The table: n8_slt_test skipped the rest of its records, n9_slti_test agreed in full.
    EXPECT_TRUE(
        std::regex_search(r.output, std::regex(R"(n8_slt_test +\d+ +[1-9]\d* +instruction )")))
        << r.output;
    EXPECT_TRUE(std::regex_search(r.output, std::regex(R"(n9_slti_test +[1-9]\d* +0 +none)")))
        << r.output;
}

TEST(Incomplete, AnAnnouncedWriteThatNeverArrivesIsReportedAtTheEnd) {
    Perturbed p = perturb({"",
                           "n44_div_test",
                           [](const StreamInstruction& i) { return writes(i, Kind::Reg); },
                           [](StreamInstruction& i) { i.announcedAlso = CORETEST_COSIM_WRITES_HI; },
                           {}});
    // The run ends 100 instructions later, well before the write would count as lost.
    constexpr std::size_t kAfter = 100;
    p.stream.resize(p.index + 1 + kAfter);
    const FeedResult r = feed(p.stream, 0);
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_OK) << r.output;
    EXPECT_EQ(r.checked, p.index);
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_DIVERGED);
    EXPECT_NE(r.output.find(fmt::format("instruction {} at {:08x} retired announcing "
                                        "general-register, HI writes; the HI never arrived",
                                        p.stream[p.index].seq, p.stream[p.index].pc)),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("verdict: none, no end mark"), std::string::npos) << r.output;
    // Only the instruction that waits is listed; those complete behind it are counted.
    EXPECT_NE(r.output.find(fmt::format("{} complete instructions waited behind them", kAfter)),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("the  never arrived"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("more unfinished"), std::string::npos) << r.output;
    EXPECT_EQ(r.errors, "");
}

} // namespace
} // namespace coretest::cosim_test
