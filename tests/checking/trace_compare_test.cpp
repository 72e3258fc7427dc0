// The reference core's trace against itself and against traces that differ from it in one
// place: the comparison must stop at exactly that record and name its case.
#include <gtest/gtest.h>

#include <unordered_map>

#include <algorithm>
#include <sstream>

#include "coretest/catalogue.h"
#include "coretest/trace_compare.h"
#include "support/reference_trace.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;
using coretest_test::romMap;

std::string traceOf(const RunOptions& options) {
    return coretest_test::referenceTrace(rom(), options);
}

RunOptions shortPause() {
    RunOptions o;
    o.switchValue = 1;
    return o;
}

const std::vector<std::string>& goldenLines() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> out;
        std::istringstream in(traceOf(shortPause()));
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        return out;
    }();
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

TraceComparison compareWith(const std::string& text, std::uint32_t switchValue = 1) {
    std::istringstream in(text);
    TraceReader reader(in, "core.trace");
    CompareOptions options;
    options.run.switchValue = switchValue;
    return compareTrace(rom(), romMap(), reader, options);
}

TraceRecord parsedAlone(const std::string& line) {
    std::istringstream in(line + "\n");
    TraceReader reader(in, "line");
    return *reader.next();
}

// The golden trace's records, read by one reader: the tests look at its lines one by one, and a
// reader for each of them costs too much under the sanitizers.
const std::unordered_map<std::string, TraceRecord>& goldenRecords() {
    static const std::unordered_map<std::string, TraceRecord> records = [] {
        std::unordered_map<std::string, TraceRecord> out;
        std::string text;
        for (const auto& l : goldenLines())
            text += l + "\n";
        std::istringstream in(text);
        TraceReader reader(in, "golden");
        for (const auto& l : goldenLines()) {
            if (l.empty() || l.starts_with("#") || l.starts_with("//")) continue;
            const auto r = reader.next();
            if (!r) break;
            out.emplace(l, *r);
        }
        return out;
    }();
    return records;
}

TraceRecord parsed(const std::string& line) {
    const auto& golden = goldenRecords();
    const auto it = golden.find(line);
    return it != golden.end() ? it->second : parsedAlone(line);
}

TEST(GoldenTrace, StartsWithTheBootPatternAndEndsWithTheEndMark) {
    const auto& lines = goldenLines();
    ASSERT_GT(lines.size(), 100u);
    // locate stores 2 to LAMP_B_REG first of all the board writes.
    const auto firstStore = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
        return parsed(l).kind == TraceRecord::Kind::Memory;
    });
    ASSERT_NE(firstStore, lines.end());
    EXPECT_EQ(parsed(*firstStore).address, 0xfffff008u);
    EXPECT_EQ(parsed(*firstStore).value, 2u);
    const TraceRecord last = parsed(lines.back());
    EXPECT_EQ(last.kind, TraceRecord::Kind::Memory);
    EXPECT_EQ(last.address, 0xfffffff0u);
    EXPECT_EQ(last.value, 0xffu);
}

TEST(GoldenTrace, EveryDisplayWriteOfAPassingRunIsThere) {
    std::vector<std::uint32_t> display;
    for (const auto& l : goldenLines()) {
        const TraceRecord r = parsed(l);
        if (r.kind == TraceRecord::Kind::Memory && r.address == 0xfffff010)
            display.push_back(r.value);
    }
    ASSERT_EQ(display.size(), 59u); // 0 at boot, then one result word per routine
    for (std::uint32_t n = 1; n <= 58; ++n)
        EXPECT_EQ(display[n], (n << 24) | n);
}

TEST(TraceCompare, ReferenceAgreesWithItself) {
    const TraceComparison c = compareWith(joined(goldenLines()));
    EXPECT_EQ(c.outcome, TraceComparison::Outcome::Agree);
    EXPECT_EQ(c.expectedRecords, goldenLines().size());
    EXPECT_EQ(c.matchedRecords, goldenLines().size());
    EXPECT_EQ(c.extraRecords, 0u);
}

TEST(TraceCompare, RecordsAfterTheEndMarkAreCountedNotCompared) {
    auto lines = goldenLines();
    lines.push_back("bfc00100 r08 fffffff1");
    lines.push_back("bfc00100 r08 fffffff2");
    const TraceComparison c = compareWith(joined(lines));
    EXPECT_EQ(c.outcome, TraceComparison::Outcome::Agree);
    EXPECT_EQ(c.extraRecords, 2u);
}

// Positions spread over the run: the boot unit, early and late routines, the end mark.
std::vector<std::size_t> probePositions() {
    const std::size_t n = goldenLines().size();
    return {0, 7, n / 10, n / 3, n / 2, (2 * n) / 3, n - 2, n - 1};
}

TEST(TraceCompare, OneValueChangedIsFoundAtThatRecordAndCase) {
    for (std::size_t at : probePositions()) {
        auto lines = goldenLines();
        TraceRecord r = parsed(lines[at]);
        r.value ^= 0x10;
        lines[at] = formatRecord(r);
        const TraceComparison c = compareWith(joined(lines));
        ASSERT_EQ(c.outcome, TraceComparison::Outcome::Differs) << "record " << at + 1;
        EXPECT_EQ(c.first().record, at + 1);
        EXPECT_EQ(c.first().line, at + 1);
        EXPECT_EQ(c.matchedRecords, at);
        ASSERT_TRUE(c.first().expected && c.first().observed);
        EXPECT_EQ(formatRecord(*c.first().expected), goldenLines()[at]);
        EXPECT_EQ(*c.first().observed, r);
        const CaseRef where = romMap().caseAt(r.pc);
        EXPECT_EQ(c.first().where.routine, where.routine) << "record " << at + 1;
        EXPECT_EQ(c.first().where.caseIndex, where.caseIndex) << "record " << at + 1;
        EXPECT_EQ(c.first().where.line, where.line);
        // The reset jump and its delay slot retire before the first record; later there are
        // always the six instructions of the default context.
        EXPECT_EQ(c.first().before.size(), at == 0 ? 2u : 6u) << "record " << at + 1;
    }
}

TEST(TraceCompare, ChangedAddressOrRegisterIsADivergenceToo) {
    auto lines = goldenLines();
    const std::size_t at = lines.size() / 4;
    TraceRecord moved = parsed(lines[at]);
    moved.pc += 4;
    TraceRecord otherReg = parsed(lines[at]);
    otherReg.kind = TraceRecord::Kind::Reg;
    otherReg.reg = otherReg.reg == 25 ? 24 : 25;
    for (const TraceRecord& changed : {moved, otherReg}) {
        auto copy = lines;
        copy[at] = formatRecord(changed);
        const TraceComparison c = compareWith(joined(copy));
        ASSERT_EQ(c.outcome, TraceComparison::Outcome::Differs);
        EXPECT_EQ(c.first().record, at + 1);
    }
}

TEST(TraceCompare, CaseRegistersAreTheReferenceValuesBeforeTheInstruction) {
    // In a case of a register-register routine the operands are loaded before the instruction
    // under test; at any record of that case the already loaded registers are listed.
    const RoutineMap* slt = romMap().routineNamed("n8_slt_test");
    ASSERT_NE(slt, nullptr);
    ASSERT_FALSE(slt->cases.empty());
    const auto& lines = goldenLines();
    std::size_t at = 0;
    while (at < lines.size() && !slt->range.contains(parsed(lines[at]).pc))
        ++at;
    // The last record of the first case is its instruction under test or a load after it.
    std::size_t last = at;
    while (last + 1 < lines.size() && parsed(lines[last + 1]).pc < slt->cases[0].end)
        ++last;
    auto copy = lines;
    TraceRecord r = parsed(lines[last]);
    r.value = ~r.value;
    copy[last] = formatRecord(r);
    const TraceComparison c = compareWith(joined(copy));
    ASSERT_EQ(c.outcome, TraceComparison::Outcome::Differs);
    EXPECT_EQ(c.first().where.caseIndex, 1);
    ASSERT_FALSE(c.first().caseRegisters.empty());
    // Each listed value is the last one the golden trace wrote to that register before it.
    for (const auto& [reg, value] : c.first().caseRegisters) {
        std::optional<std::uint32_t> written;
        for (std::size_t i = 0; i < last; ++i) {
            const TraceRecord g = parsed(lines[i]);
            if (g.kind == TraceRecord::Kind::Reg && g.reg == reg) written = g.value;
        }
        ASSERT_TRUE(written) << reg;
        EXPECT_EQ(value, *written) << "register " << reg;
    }
}

TEST(TraceCompare, HiAndLoOfOneInstructionMayComeInEitherOrder) {
    auto lines = goldenLines();
    std::size_t swapped = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const TraceRecord a = parsed(lines[i]), b = parsed(lines[i + 1]);
        if (a.pc == b.pc && a.kind != b.kind && a.kind != TraceRecord::Kind::Reg &&
            a.kind != TraceRecord::Kind::Memory) {
            std::swap(lines[i], lines[i + 1]);
            ++swapped;
            ++i;
        }
    }
    ASSERT_GT(swapped, 0u) << "no multiply or divide in the ROM";
    EXPECT_EQ(compareWith(joined(lines)).outcome, TraceComparison::Outcome::Agree);
}

TEST(TraceCompare, TruncatedTraceEndsEarlyWithHowFarItGot) {
    const auto& golden = goldenLines();
    for (std::size_t keep : {std::size_t{1}, golden.size() / 2, golden.size() - 1}) {
        const std::vector<std::string> head(golden.begin(), golden.begin() + keep);
        const TraceComparison c = compareWith(joined(head));
        ASSERT_EQ(c.outcome, TraceComparison::Outcome::EndsEarly) << keep;
        EXPECT_EQ(c.matchedRecords, keep);
        EXPECT_EQ(c.first().matchedBefore, keep);
        EXPECT_EQ(c.expectedRecords, golden.size());
        EXPECT_EQ(c.first().line, keep);
        ASSERT_TRUE(c.first().expected);
        EXPECT_EQ(formatRecord(*c.first().expected), golden[keep]);
        ASSERT_TRUE(c.first().lastAgreed);
        EXPECT_EQ(c.first().lastAgreed->pc, parsed(golden[keep - 1]).pc);
    }
}

TEST(TraceCompare, EmptyTraceEndsBeforeTheFirstRecord) {
    const TraceComparison c = compareWith("# nothing was recorded\n");
    EXPECT_EQ(c.outcome, TraceComparison::Outcome::EndsEarly);
    EXPECT_EQ(c.matchedRecords, 0u);
    EXPECT_FALSE(c.first().lastAgreed);
}

TEST(TraceCompare, MalformedLineThrowsWithItsLineNumber) {
    auto lines = goldenLines();
    lines[99] = "bfc00390 r09 0000000g";
    try {
        compareWith(joined(lines));
        FAIL() << "malformed line accepted";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("core.trace:100:"), std::string::npos) << e.what();
    }
}

TEST(TraceCompare, SwitchValueIsReadFromTheTracesOwnLoad) {
    const auto load = switchLoadAddress(rom(), romMap());
    ASSERT_TRUE(load);
    for (std::uint32_t value : {1u, 0x80000000u, 0xffffffffu}) {
        RunOptions o = shortPause();
        o.switchValue = value;
        std::istringstream in(traceOf(o));
        TraceReader reader(in, "t");
        EXPECT_EQ(switchReadIn(reader, *load), value);
    }
}

TEST(TraceCompare, TraceFromAnotherSwitchValueDivergesAtTheSwitchLoad) {
    RunOptions o = shortPause();
    o.switchValue = 5;
    const TraceComparison c = compareWith(traceOf(o), 1);
    ASSERT_EQ(c.outcome, TraceComparison::Outcome::Differs);
    EXPECT_EQ(c.first().expected->pc, *switchLoadAddress(rom(), romMap()));
    EXPECT_EQ(c.first().observed->value, 5u);
}

// A fault the ROM catches changes the commit stream inside the routine it is confined to: the
// first divergent record belongs to an instruction of that routine.
TEST(TraceCompare, CaughtFaultDivergesInsideItsScope) {
    int checked = 0;
    for (const FaultDef& f : faultCatalogue()) {
        if (f.expected.kind != ExpectedKind::Fails || f.scope.empty()) continue;
        RunOptions o = shortPause();
        o.instructionLimit = 20'000'000;
        o.faults.push_back(campaignSelection(f));
        const TraceComparison c = compareWith(traceOf(o));
        ASSERT_EQ(c.outcome, TraceComparison::Outcome::Differs) << f.name;
        ASSERT_NE(c.first().where.routine, nullptr) << f.name;
        EXPECT_EQ(c.first().where.routine->name, f.scope) << f.name;
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

} // namespace
} // namespace coretest
