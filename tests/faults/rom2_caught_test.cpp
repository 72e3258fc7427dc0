// The catalogue's faults of the second ROM's areas (sub-word lanes and extensions, lwl/lwr/swl/swr,
// exceptions and coprocessor 0, forwarding per producer class and consumer), each run on the
// reference core with the second ROM: exactly the routines that test what the fault breaks must
// report a failure, or the run must end in the routine where an unannounced exception happened.
// Forwarding faults that break the routine frame everywhere are confined to one hazard routine; a
// few of them confined to another producer's or consumer's routine must pass, which shows they are
// specific.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "coretest/campaign.h"
#include "coretest/catalogue.h"
#include "coretest/rom_map.h"
#include "coretest/routine_reports.h"
#include "coretest/run.h"
#include "coretest/whole_core_table.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom2;
using coretest_test::rom2Map;
constexpr unsigned kLast = 82; // the second ROM's last routine

struct Caught {
    std::string_view selection; // NAME or NAME@ROUTINE
    std::set<unsigned> failing; // routines the board shows as failed
    unsigned endsIn = 0;        // the routine an unannounced exception ends the run in; 0: none
};

// What the run showed: every routine that reported a failure, and the routine the run ended in
// (the last to report, or the one whose number the handler put on the display when an
// unannounced exception ended the run before its report).
struct Shown {
    std::set<unsigned> failing;
    unsigned last = 0;
};

Shown shown(const Diagnosis& d) {
    Shown s;
    for (const RoutineReport& r : d.routines) {
        if (!r.passed) s.failing.insert(static_cast<unsigned>(r.number));
        s.last = static_cast<unsigned>(r.number);
    }
    const unsigned displayed = d.run.board.display >> 24;
    if (displayed > s.last && displayed <= kLast) {
        s.failing.insert(displayed);
        s.last = displayed;
    }
    return s;
}

class Rom2Caught : public ::testing::TestWithParam<Caught> {};

TEST_P(Rom2Caught, TheBoardShowsTheRoutinesThatTestIt) {
    const Caught& c = GetParam();
    RunOptions options{.switchValue = 1, .instructionLimit = 5'000'000};
    options.faults.push_back(parseFaultSelection(c.selection));
    const Diagnosis d = diagnose(rom2(), rom2Map(), options);
    const RunResult& r = d.run;
    ASSERT_EQ(r.reason, StopReason::Verdict) << c.selection << ": " << stopReasonName(r.reason);
    const Shown s = shown(d);
    EXPECT_EQ(s.failing, c.failing) << c.selection;
    EXPECT_EQ(s.last, c.endsIn ? c.endsIn : kLast) << c.selection;
    const std::uint32_t lamps = c.failing.empty() ? 1 : 2;
    EXPECT_EQ(r.board.lampA, lamps) << c.selection;
    EXPECT_EQ(r.board.lampB, lamps) << c.selection;
    EXPECT_EQ(r.board.endMark, 0xffu) << c.selection;
    if (c.endsIn) {
        EXPECT_TRUE(c.failing.contains(c.endsIn)) << c.selection << ": the row is inconsistent";
    }
}

std::set<unsigned> range(unsigned first, unsigned last) {
    std::set<unsigned> out;
    for (unsigned n = first; n <= last; ++n)
        out.insert(n);
    return out;
}

const std::set<unsigned> kExceptionRoutines = range(77, 82);
const std::set<unsigned> kStatusReaders = range(76, 82);

std::string testName(const ::testing::TestParamInfo<Caught>& info) {
    std::string name(info.param.selection);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

const std::vector<Caught> kLanes{
    // The sb and sh routines read their stores back at once with lbu and lhu.
    Caught{"lb-wrong-lane", {59}},
    Caught{"lbu-wrong-lane", {60, 63}},
    Caught{"lh-wrong-lane", {61}},
    Caught{"lhu-wrong-lane", {62, 64}},
    Caught{"sb-wrong-lane", {63}},
    Caught{"sh-wrong-lane", {64}},
    Caught{"sub-word-lanes-reversed", range(59, 64)},
    Caught{"lb-zero-extends", {59}},
    Caught{"lh-zero-extends", {61}},
    Caught{"lbu-sign-extends", {60, 63}},
    Caught{"lhu-sign-extends", {62, 64}}};

const std::vector<Caught> kPartialWords{
    // The lwl routine's pairs run lwr first and the lwr routine's lwl first: a load that
    // does not merge is overwritten by a correct second half, unless it comes second.
    Caught{"lwl-no-merge", {65}},
    Caught{"lwr-no-merge", {66}},
    Caught{"lwl-offset-reversed", {65, 66}},
    Caught{"lwr-offset-reversed", {65, 66}},
    Caught{"lwl-lwr-swapped", {65, 66}},
    Caught{"swl-no-merge", {67, 68}},
    Caught{"swr-no-merge", {67, 68}},
    Caught{"swl-offset-reversed", {67, 68}},
    Caught{"swr-offset-reversed", {67, 68}},
    Caught{"swl-swr-swapped", {67, 68}}};

const std::vector<Caught> kExceptions{
    Caught{"add-overflow-writes-rd", {77}}, Caught{"addi-overflow-writes-rt", {77}},
    Caught{"sub-overflow-writes-rd", {77}}, Caught{"epc-plus-4", kExceptionRoutines},
    Caught{"epc-at-delay-slot", kExceptionRoutines}, Caught{"bd-not-set", kExceptionRoutines},
    Caught{"badvaddr-zero", {80, 81}}, Caught{"badvaddr-aligned", {80, 81}},
    // Without the push, the handler's rfe pops the case's KUp into KUc: in user mode the
    // next mfc0 raises coprocessor unusable, which no case announced.
    Caught{"status-not-pushed", {77}, 77}, Caught{"ades-reported-as-adel", {81}},
    Caught{"syscall-break-codes-swapped", {78, 79}}, Caught{"reserved-instruction-is-nop", {82}},
    Caught{"rfe-does-not-pop", kStatusReaders}, Caught{"rfe-clears-old-pair", kStatusReaders},
    Caught{"mfc0-status-reads-cause", kStatusReaders},
    Caught{"mtc0-status-ignored", kStatusReaders}};

const std::vector<Caught> kForwarding{
    Caught{"forwarding-ex-ex-missing-alu@n69_hz_alu_test", {69}},
    Caught{"forwarding-ex-ex-missing-shift@n70_hz_shift_test", {70}},
    Caught{"forwarding-ex-ex-missing-hilo", {72}}, Caught{"forwarding-ex-ex-missing-link", {73}},
    // The byte and halfword loads are read two instructions on, and the lwl/lwr pairs
    // stall on each other as a load and its user do.
    Caught{"forwarding-mem-ex-missing-load", {59, 60, 61, 62, 65, 66, 71}},
    Caught{"forwarding-ex-ex-missing-base@n69_hz_alu_test", {69}},
    Caught{"forwarding-ex-ex-missing-base@n72_hz_hilo_test", {72}},
    // hz_link loads through $ra in the delay slot: a wrong base leaves the RAM.
    Caught{"forwarding-ex-ex-missing-base@n73_hz_link_test", {73}, 73},
    Caught{"forwarding-ex-ex-missing-branch@n69_hz_alu_test", {69}},
    Caught{"forwarding-ex-ex-missing-branch@n70_hz_shift_test", {70}},
    Caught{"forwarding-ex-ex-missing-branch@n72_hz_hilo_test", {72}},
    // A jr to where the register pointed before: the first such case jumps away for good.
    Caught{"forwarding-ex-ex-missing-jump-target", {69}, 69},
    Caught{"forwarding-ex-ex-missing-jump-target@n72_hz_hilo_test", {72}, 72},
    // Specific: another producer's routine, or one that has no such consumer at distance 1
    // (a load's reader is stalled; the link's delay slot holds no branch or jump).
    Caught{"forwarding-ex-ex-missing-shift@n69_hz_alu_test", {}},
    Caught{"forwarding-ex-ex-missing-hilo@n70_hz_shift_test", {}},
    Caught{"forwarding-ex-ex-missing-link@n72_hz_hilo_test", {}},
    Caught{"forwarding-mem-ex-missing-load@n69_hz_alu_test", {}},
    Caught{"forwarding-ex-ex-missing-branch@n71_hz_load_test", {}},
    Caught{"forwarding-ex-ex-missing-branch@n73_hz_link_test", {}},
    Caught{"forwarding-ex-ex-missing-jump-target@n73_hz_link_test", {}}};

INSTANTIATE_TEST_SUITE_P(Lanes, Rom2Caught, ::testing::ValuesIn(kLanes), testName);
INSTANTIATE_TEST_SUITE_P(PartialWords, Rom2Caught, ::testing::ValuesIn(kPartialWords), testName);
INSTANTIATE_TEST_SUITE_P(Exceptions, Rom2Caught, ::testing::ValuesIn(kExceptions), testName);
INSTANTIATE_TEST_SUITE_P(Forwarding, Rom2Caught, ::testing::ValuesIn(kForwarding), testName);

// A recorded blind spot of the first ROM whose reason says the second ROM catches it has a row
// above that shows it.
TEST(Rom2Caught, EveryBlindSpotSaidToBeCaughtHasARow) {
    std::set<std::string_view> proven;
    for (const auto* rows : {&kLanes, &kPartialWords, &kExceptions, &kForwarding})
        for (const Caught& c : *rows)
            if (!c.failing.empty()) proven.insert(c.selection.substr(0, c.selection.find('@')));
    std::size_t claimed = 0;
    for (const auto& r : recordedWholeCoreTable()) {
        if (r.reason.find("second ROM") == std::string_view::npos) continue;
        ++claimed;
        EXPECT_TRUE(proven.contains(r.fault)) << r.fault << ": " << r.reason;
    }
    EXPECT_GE(claimed, 39u);
}

// The campaign runs the second ROM too: each fault on the whole core only (the catalogue's scopes
// are the first ROM's routines), and a fault caught above is caught there as well.
TEST(Rom2Caught, TheCampaignRunsTheSecondRomOnTheWholeCore) {
    const std::vector<const FaultDef*> faults{findFault("lb-wrong-lane")};
    const auto rows = runCampaign(rom2(), rom2Map(), faults, {});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].scoped);
    EXPECT_TRUE(rows[0].wholeCore.ownRun);
    EXPECT_TRUE(rows[0].wholeCore.observed.caught()) << rows[0].wholeCore.observed.describe();
    ASSERT_TRUE(rows[0].wholeCore.observed.first);
    EXPECT_EQ(rows[0].wholeCore.observed.first->routine, "n59_lb_test");
    EXPECT_TRUE(rows[0].wholeCore.agrees) << describe(rows[0].wholeCore.expected);
}

} // namespace
} // namespace coretest
