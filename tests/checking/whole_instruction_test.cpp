// The comparison fed whole instructions (TraceChecker::retire), as the live checker and lockstep
// feed it: the reference core's own stream agrees to the end mark; a stream changed in one
// instruction diverges exactly there, with the kind of divergence the change makes; keep-going
// resumes at the next routine.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "coretest/compare_report.h"
#include "coretest/trace_compare.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;
using Kind = TraceRecord::Kind;

// Every instruction a run retires, with its records, up to the end mark.
class Recorder : public CommitStream {
  public:
    std::vector<ObservedInstruction> stream;

  protected:
    void committed(std::uint32_t pc, const std::vector<TraceRecord>& records) override {
        stream.push_back(
            {.pc = pc, .seq = static_cast<std::uint32_t>(stream.size() + 1), .records = records});
    }
};

std::vector<ObservedInstruction> streamOf(RunOptions options) {
    Recorder recorder;
    options.observer = &recorder;
    run(rom(), options);
    return recorder.stream;
}

const std::vector<ObservedInstruction>& cleanStream() {
    static const auto stream = streamOf({.switchValue = 1});
    return stream;
}

struct Fed {
    TraceComparison comparison;
    bool pastEndMark = false;
};

Fed feed(const std::vector<ObservedInstruction>& stream, std::size_t keepGoing = 1) {
    CompareOptions options;
    options.run.switchValue = 1;
    options.keepGoing = keepGoing;
    TraceChecker checker(rom(), romMap(), options);
    for (const auto& i : stream)
        if (!checker.retire(i)) break;
    Fed fed;
    fed.pastEndMark = checker.pastEndMark();
    fed.comparison = checker.finish();
    return fed;
}

std::size_t firstIn(const std::vector<ObservedInstruction>& stream, const char* routine,
                    const std::function<bool(const ObservedInstruction&)>& pick) {
    const RoutineMap* r = romMap().routineNamed(routine);
    for (std::size_t n = 0; n < stream.size(); ++n)
        if (r->range.contains(stream[n].pc) && pick(stream[n])) return n;
    throw std::runtime_error("no such instruction");
}

bool writesKind(const ObservedInstruction& i, Kind kind) {
    return !i.records.empty() && i.records.front().kind == kind;
}

TEST(WholeInstructions, TheReferenceStreamAgreesToTheEndMark) {
    const Fed fed = feed(cleanStream());
    EXPECT_TRUE(fed.pastEndMark);
    EXPECT_EQ(fed.comparison.outcome, TraceComparison::Outcome::Agree);
    EXPECT_EQ(fed.comparison.checkedInstructions, cleanStream().size());
    std::uint64_t records = 0;
    for (const auto& i : cleanStream())
        records += i.records.size();
    EXPECT_EQ(fed.comparison.matchedRecords, records);
}

struct Change {
    const char* name;
    const char* routine;
    std::function<bool(const ObservedInstruction&)> pick;
    std::function<void(ObservedInstruction&)> change;
    Divergence::Kind kind;
    bool expected, observed; // whether the divergence shows a record of each side
    const char* says;        // in the report
};

const std::vector<Change>& changes() {
    static const std::vector<Change> all = {
        {"AnotherValue", "n8_slt_test", [](auto& i) { return writesKind(i, Kind::Reg); },
         [](auto& i) { i.records[0].value ^= 1; }, Divergence::Kind::Differs, true, true,
         "expected    "},
        {"UnknownBits", "n21_add_test", [](auto& i) { return writesKind(i, Kind::Reg); },
         [](auto& i) { i.records[0].unknown = 0xf0; }, Divergence::Kind::Unknown, true, true,
         "bits 7-4 are x or z"},
        {"NoWrite", "n21_add_test", [](auto& i) { return writesKind(i, Kind::Reg); },
         [](auto& i) { i.records.clear(); }, Divergence::Kind::Missing, true, false,
         "your core did not write it"},
        {"ExtraWrite", "n2_addu_test", [](auto& i) { return i.records.empty(); },
         [](auto& i) {
             i.records.push_back({.pc = i.pc, .kind = Kind::Reg, .reg = 9, .value = 7});
         },
         Divergence::Kind::Extra, false, true, "the reference core does not write it"},
        {"AnotherInstruction", "n7_or_test", [](auto& i) { return writesKind(i, Kind::Reg); },
         [](auto& i) {
             i.pc += 4;
             for (auto& r : i.records)
                 r.pc += 4;
         },
         Divergence::Kind::Control, true, true, "the reference core executes"},
        {"AnException", "n3_addiu_test", [](auto& i) { return i.records.empty(); },
         [](auto& i) { i.trap = true; }, Divergence::Kind::Trap, false, false,
         "your core raised an exception"},
        {"NeverRetired", "n4_beq_test", [](auto& i) { return i.records.empty(); },
         [](auto& i) { i.retired = false; }, Divergence::Kind::NeverRetired, false, false,
         "your core never retired it"},
        {"AnnouncedWritesLost", "n5_bne_test", [](auto& i) { return i.records.empty(); },
         [](auto& i) { i.writesLost = true; }, Divergence::Kind::Missing, false, false,
         "your core announced writes that never came"},
    };
    return all;
}

class OneChange : public testing::TestWithParam<Change> {};

TEST_P(OneChange, DivergesAtThatInstructionWithItsKind) {
    const Change& c = GetParam();
    std::vector<ObservedInstruction> stream = cleanStream();
    const std::size_t n = firstIn(stream, c.routine, c.pick);
    const std::uint32_t pc = stream[n].pc;
    c.change(stream[n]);
    const Fed fed = feed(stream);
    ASSERT_EQ(fed.comparison.divergences.size(), 1u);
    const Divergence& d = fed.comparison.first();
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.record, n + 1);
    EXPECT_EQ(d.seq, stream[n].seq);
    EXPECT_EQ(d.instruction, pc);
    EXPECT_EQ(d.expected.has_value(), c.expected);
    EXPECT_EQ(d.observed.has_value(), c.observed);
    EXPECT_EQ(d.where.routine, romMap().routineNamed(c.routine));
    std::uint64_t before = 0;
    for (std::size_t k = 0; k < n; ++k)
        before += stream[k].records.size();
    EXPECT_EQ(d.matchedBefore, before);
    EXPECT_EQ(fed.comparison.checkedInstructions, n + 1);
    const std::string report = formatDivergence(d, rom(), romMap(), {.byInstruction = true});
    EXPECT_NE(report.find(fmt::format("first divergence at instruction {} (@{})", n + 1, n + 1)),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(c.says), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(Changes, OneChange, testing::ValuesIn(changes()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WholeInstructions, KeepGoingReportsOneDivergencePerRoutineAndResumesAtTheNext) {
    // A wrong result in a case of three routines: each is reported, what follows each is skipped
    // up to the next routine's entry, and the rest agrees to the end mark (the pass counts the
    // failed routines leave lower are carried).
    std::vector<ObservedInstruction> stream = cleanStream();
    std::vector<std::size_t> changed;
    const auto inACase = [](const ObservedInstruction& i) {
        return writesKind(i, Kind::Reg) && romMap().caseAt(i.pc).caseIndex > 0;
    };
    for (const char* routine : {"n8_slt_test", "n21_add_test", "n44_div_test"}) {
        changed.push_back(firstIn(stream, routine, inACase));
        stream[changed.back()].records[0].value ^= 0x100;
    }
    const Fed fed = feed(stream, 100);
    EXPECT_TRUE(fed.pastEndMark);
    const auto& c = fed.comparison;
    ASSERT_EQ(c.divergences.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(c.divergences[k].record, changed[k] + 1);
    EXPECT_EQ(c.checkedInstructions + c.skippedInstructions, stream.size());
    EXPECT_GT(c.skippedInstructions, 0u);
    // The routine after each diverging one agrees in full.
    for (const char* next : {"n9_slti_test", "n22_addi_test", "n45_divu_test"}) {
        const auto row = std::find_if(c.routines.begin(), c.routines.end(), [&](auto& t) {
            return t.routine && t.routine->name == next;
        });
        ASSERT_NE(row, c.routines.end()) << next;
        EXPECT_GT(row->agreed, 0u) << next;
        EXPECT_EQ(row->skipped, 0u) << next;
        EXPECT_EQ(row->divergences, 0u) << next;
    }
}

} // namespace
} // namespace coretest
