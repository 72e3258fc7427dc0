// The C interface under a faulty core and a careless testbench: writes and retirements that never
// come are divergences (checking never stalls), misuse is one line and then a count, closed and
// foreign handles are refused without touching memory, calls after finish are refused, and a
// keep-going run of a core that diverges everywhere prints a bounded report.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <thread>

#include "coretest/board.h"
#include "reference_stream.h"

namespace coretest::cosim_test {
namespace {

using Kind = TraceRecord::Kind;

constexpr std::uint32_t kLateLimit = 4096; // the library's bound for a write still missing

std::size_t countOf(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::size_t indexIn(const std::vector<StreamInstruction>& stream, const char* routine,
                    const std::function<bool(const StreamInstruction&)>& pick) {
    const AddressRange range = routineRange(routine);
    return findInstruction(
        stream, [&](const StreamInstruction& i) { return range.contains(i.pc) && pick(i); });
}

void eraseKind(StreamInstruction& i, Kind kind) {
    std::erase_if(i.records, [&](const TraceRecord& r) { return r.kind == kind; });
}

// One instruction whose write (or retirement) a faulty core loses.
struct Lost {
    const char* name;
    const char* routine;
    std::function<bool(const StreamInstruction&)> pick;
    std::function<void(StreamInstruction&)> lose;
    // What the report says; {seq} and {reg} stand for the instruction's seq and register.
    std::string shown;
};

std::vector<Lost> lostCases() {
    return {
        {"RegisterWrite", "n21_add_test",
         [](const StreamInstruction& i) { return writes(i, Kind::Reg); },
         [](StreamInstruction& i) {
             eraseKind(i, Kind::Reg);
             i.announcedAlso = CORETEST_COSIM_WRITES_GPR;
         },
         "your core announced a write of r{reg} at instruction {seq} that never came (4096 "
         "younger instructions retired after it)"},
        {"HiOfAMultiply", "n46_mult_test",
         [](const StreamInstruction& i) { return writes(i, Kind::Hi); },
         [](StreamInstruction& i) {
             eraseKind(i, Kind::Hi);
             i.announcedAlso = CORETEST_COSIM_WRITES_HI;
         },
         "your core announced a write of HI at instruction {seq} that never came"},
        {"Store", "n5_bne_test",
         [](const StreamInstruction& i) {
             return writes(i, Kind::Memory) &&
                    i.records[0].address == static_cast<std::uint32_t>(BoardReg::Display);
         },
         [](StreamInstruction& i) {
             eraseKind(i, Kind::Memory);
             i.announcedAlso = CORETEST_COSIM_WRITES_MEM;
         },
         "your core announced a store at instruction {seq} that never came"},
        {"AnnouncedWriteTheReferenceDoesNotMake", "n2_addu_test",
         [](const StreamInstruction& i) { return i.records.empty() && !i.trap; },
         [](StreamInstruction& i) { i.announcedAlso = CORETEST_COSIM_WRITES_GPR; },
         "your core announced general-register writes at instruction {seq} that never came (4096 "
         "younger instructions retired after it); the reference core makes none"},
        {"Retirement", "n2_addu_test",
         [](const StreamInstruction& i) { return i.insn == 0 && i.records.empty(); },
         [](StreamInstruction& i) { i.retires = false; },
         "instruction {seq} never retired, though 4096 younger instructions did"},
    };
}

struct LostRun {
    std::vector<StreamInstruction> stream;
    std::size_t index = 0;
    std::string shown;
};

LostRun lose(const Lost& c) {
    LostRun run{referenceStream(), 0, c.shown};
    run.index = indexIn(run.stream, c.routine, c.pick);
    StreamInstruction& i = run.stream[run.index];
    const unsigned reg = i.records.empty() ? 0 : i.records[0].reg;
    c.lose(i);
    run.shown = fmt::format(fmt::runtime(c.shown), fmt::arg("seq", i.seq), fmt::arg("reg", reg));
    return run;
}

class LostWrite : public testing::TestWithParam<Lost> {};

TEST_P(LostWrite, StopsOnceYoungerInstructionsAreFarPastIt) {
    const LostRun run = lose(GetParam());
    const std::uint32_t seq = run.stream[run.index].seq;
    const FeedResult r = feed(run.stream, 0);
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_STOP) << r.output;
    EXPECT_EQ(r.firstSeq, seq + kLateLimit); // the retirement that put it out of reach
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_STOP);
    EXPECT_EQ(r.divergences, 1u);
    EXPECT_NE(
        r.output.find(fmt::format("first divergence at instruction {} (@{})", run.index + 1, seq)),
        std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find(run.shown), std::string::npos) << run.shown << "\n" << r.output;
    EXPECT_NE(r.output.find(GetParam().routine), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("verdict: none, the simulation stopped at the divergence"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.errors, ""); // a core's fault, not misuse
}

TEST_P(LostWrite, KeepGoingCountsItAndChecksOnToTheEndMark) {
    const LostRun run = lose(GetParam());
    const FeedResult r = feed(run.stream, CORETEST_COSIM_KEEP_GOING);
    RecordProperty("output_bytes", std::to_string(r.output.size()));
    RecordProperty("error_bytes", std::to_string(r.errors.size()));
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_DIVERGED) << r.output;
    EXPECT_EQ(r.firstSeq, run.stream[run.index].seq + kLateLimit);
    EXPECT_EQ(r.finishStatus, CORETEST_COSIM_DIVERGED);
    EXPECT_GE(r.divergences, 1u);
    // Every instruction is compared or skipped, the one that never retired too.
    EXPECT_EQ(r.checked + r.skipped, run.stream.size());
    EXPECT_NE(r.output.find(run.shown), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("instructions checked up to the end mark"), std::string::npos)
        << r.output;
    EXPECT_EQ(r.errors, "");
}

INSTANTIATE_TEST_SUITE_P(Losses, LostWrite, testing::ValuesIn(lostCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A checker on the built ROM, closed at the end of the scope unless closed before.
struct Checker {
    explicit Checker(std::uint32_t flags = 0)
        : cosim(coretest_cosim_open(CORETEST_ROM_PATH, 1, flags, 0)) {}
    ~Checker() { coretest_cosim_close(cosim); }
    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;
    coretest_cosim* cosim;
};

// The first instruction of the short run, retired with its writes.
int retireFirst(coretest_cosim* c) {
    const StreamInstruction& i = referenceStream().front();
    int status = coretest_cosim_retire(c, i.seq, i.pc, i.insn,
                                       i.records.empty() ? 0 : CORETEST_COSIM_WRITES_GPR);
    for (const TraceRecord& r : i.records)
        status = coretest_cosim_write_gpr(c, i.seq, r.reg, r.value);
    return status;
}

struct Misuse {
    const char* name;
    std::function<int(coretest_cosim*)> call; // the last call is the misuse
    const char* message;
};

std::vector<Misuse> misuseCases() {
    return {
        {"RetiredTwice",
         [](coretest_cosim* c) {
             coretest_cosim_retire(c, 5, 0, 0, 0);
             return coretest_cosim_retire(c, 5, 0, 0, 0);
         },
         "instruction 5 retired twice"},
        {"WriteFarAhead",
         [](coretest_cosim* c) { return coretest_cosim_write_gpr(c, 70001, 4, 1); },
         "a general-register write of r4 for instruction 70001 arrived 70000 ahead of instruction "
         "1, the oldest unchecked one (at most 65535 ahead)"},
        {"RetirementFarAhead",
         [](coretest_cosim* c) { return coretest_cosim_retire(c, 65537, 0, 0, 0); },
         "instruction 65537 retired 65536 ahead of instruction 1"},
        {"WriteAfterItsInstructionWasChecked",
         [](coretest_cosim* c) {
             retireFirst(c);
             return coretest_cosim_write_hi(c, 1, 0);
         },
         "a HI write for instruction 1 arrived after the instruction was checked or given up (the "
         "oldest unchecked one is 2)"},
        {"UnknownWriteBits",
         [](coretest_cosim* c) { return coretest_cosim_retire(c, 1, 0, 0, 32); },
         "instruction 1 retired with unknown write bits 0x20"},
        {"RegisterNumber", [](coretest_cosim* c) { return coretest_cosim_write_gpr(c, 1, 32, 0); },
         "register number 32 is not 0 to 31"},
        {"NoByteEnables", [](coretest_cosim* c) { return coretest_cosim_write_mem(c, 1, 0, 0, 0); },
         "byte enables 0x0 of a store"},
        {"BoardReadElsewhere",
         [](coretest_cosim* c) { return coretest_cosim_board_read(c, 0xfffffff0, 0); },
         "0xfffffff0 is no board input"},
        {"RetireAfterFinish",
         [](coretest_cosim* c) {
             coretest_cosim_finish(c);
             return coretest_cosim_retire(c, 1, 0, 0, 0);
         },
         "a retirement for instruction 1 after coretest_cosim_finish"},
        {"StoreAfterFinish",
         [](coretest_cosim* c) {
             coretest_cosim_finish(c);
             return coretest_cosim_write_mem(c, 1, 0, 0xf, 0);
         },
         "a store for instruction 1 after coretest_cosim_finish"},
    };
}

class MisuseCall : public testing::TestWithParam<Misuse> {};

TEST_P(MisuseCall, ReturnsErrorWithOneLineAndNothingChecked) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = 0;
    std::uint64_t checkedBefore = 0, checkedAfter = 0;
    {
        Checker c;
        ASSERT_NE(c.cosim, nullptr);
        status = GetParam().call(c.cosim);
        checkedAfter = coretest_cosim_checked(c.cosim);
        // Only the case that checks the first instruction on purpose has checked anything.
        checkedBefore = std::string(GetParam().name) == "WriteAfterItsInstructionWasChecked";
    }
    const std::string errors = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, CORETEST_COSIM_ERROR);
    EXPECT_EQ(checkedAfter, checkedBefore);
    EXPECT_NE(errors.find(GetParam().message), std::string::npos) << errors;
    EXPECT_EQ(countOf(errors, "\n"), 1u) << errors;
}

INSTANTIATE_TEST_SUITE_P(Calls, MisuseCall, testing::ValuesIn(misuseCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Misuse, IsOneLineThenACountWithTheSummary) {
    // A testbench that retires seq 1 every cycle: the old library printed a line per call.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    std::size_t errors = 0;
    {
        Checker c;
        ASSERT_NE(c.cosim, nullptr);
        coretest_cosim_retire(c.cosim, 1, 0xbfc00000, 0, CORETEST_COSIM_WRITES_HI);
        for (int n = 0; n < 10000; ++n)
            errors += coretest_cosim_retire(c.cosim, 1, 0xbfc00000, 0, 0) == CORETEST_COSIM_ERROR;
        coretest_cosim_finish(c.cosim);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(errors, 10000u);
    EXPECT_EQ(countOf(err, "\n"), 2u) << err;
    EXPECT_NE(err.find("instruction 1 retired twice (later misuse is counted, not printed)"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("9999 more calls were refused as misuse after the first"), std::string::npos)
        << err;
    EXPECT_NE(out.find("10000 calls refused as misuse"), std::string::npos) << out;
}

struct HandleCall {
    const char* name;
    std::function<std::uint64_t(coretest_cosim*)> call;
    std::uint64_t refused; // what the call returns for a handle that is not open
};

std::vector<HandleCall> handleCalls() {
    return {
        {"Retire", [](coretest_cosim* c) { return coretest_cosim_retire(c, 1, 0xbfc00000, 0, 0); },
         CORETEST_COSIM_ERROR},
        {"WriteGpr", [](coretest_cosim* c) { return coretest_cosim_write_gpr(c, 1, 4, 0); },
         CORETEST_COSIM_ERROR},
        {"WriteHi", [](coretest_cosim* c) { return coretest_cosim_write_hi(c, 1, 0); },
         CORETEST_COSIM_ERROR},
        {"WriteLo", [](coretest_cosim* c) { return coretest_cosim_write_lo(c, 1, 0); },
         CORETEST_COSIM_ERROR},
        {"WriteMem", [](coretest_cosim* c) { return coretest_cosim_write_mem(c, 1, 0, 1, 0); },
         CORETEST_COSIM_ERROR},
        {"BoardRead", [](coretest_cosim* c) { return coretest_cosim_board_read(c, 0xfffffff4, 0); },
         CORETEST_COSIM_ERROR},
        {"Finish", [](coretest_cosim* c) { return coretest_cosim_finish(c); },
         CORETEST_COSIM_ERROR},
        {"Checked", [](coretest_cosim* c) { return coretest_cosim_checked(c); }, 0},
        {"Divergences", [](coretest_cosim* c) { return coretest_cosim_divergences(c); }, 0},
        {"Close",
         [](coretest_cosim* c) {
             coretest_cosim_close(c);
             return std::uint64_t{CORETEST_COSIM_ERROR};
         },
         CORETEST_COSIM_ERROR},
    };
}

class BadHandle : public testing::TestWithParam<HandleCall> {};

// Under the address sanitizer a use of freed memory would end the test program.
TEST_P(BadHandle, AClosedHandleIsRefusedWithoutTouchingIt) {
    testing::internal::CaptureStderr();
    coretest_cosim* cosim = coretest_cosim_open(CORETEST_ROM_PATH, 1, 0, 0);
    ASSERT_NE(cosim, nullptr);
    EXPECT_EQ(retireFirst(cosim), CORETEST_COSIM_OK); // used just before: still refused after
    coretest_cosim_close(cosim);
    EXPECT_EQ(GetParam().call(cosim), GetParam().refused);
    EXPECT_EQ(GetParam().call(cosim), GetParam().refused); // and again: still no crash
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_LE(countOf(err, "\n"), 1u) << err; // once per process
}

TEST_P(BadHandle, AForeignPointerIsRefused) {
    testing::internal::CaptureStderr();
    alignas(16) unsigned char notACheckerAtAll[64] = {0xff};
    auto* foreign = reinterpret_cast<coretest_cosim*>(notACheckerAtAll);
    EXPECT_EQ(GetParam().call(foreign), GetParam().refused);
    EXPECT_EQ(notACheckerAtAll[0], 0xff);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_LE(countOf(err, "\n"), 1u) << err;
}

INSTANTIATE_TEST_SUITE_P(Calls, BadHandle, testing::ValuesIn(handleCalls()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadHandle, OtherHandlesStayUsableAfterOneIsClosed) {
    coretest_cosim* a = coretest_cosim_open(CORETEST_ROM_PATH, 1, 0, 0);
    coretest_cosim* b = coretest_cosim_open(CORETEST_ROM_PATH, 1, 0, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    coretest_cosim_close(a);
    EXPECT_EQ(retireFirst(b), CORETEST_COSIM_OK);
    EXPECT_EQ(coretest_cosim_checked(b), 1u);
    coretest_cosim_close(b);
}

TEST(BadHandle, CheckersOnSeveralThreadsOpenAndCloseIndependently) {
    // The set of open handles is shared: opens and closes on other threads must neither refuse a
    // handle that is open nor accept one that is closed.
    const std::vector<StreamInstruction> prefix(referenceStream().begin(),
                                                referenceStream().begin() + 2000);
    std::vector<std::uint64_t> checked(4);
    std::vector<int> refusedAfterClose(4);
    std::vector<std::thread> threads;
    testing::internal::CaptureStderr(); // the one line of the first refused handle
    for (std::size_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 2; ++round) {
                coretest_cosim* c = coretest_cosim_open(CORETEST_ROM_PATH, 1, 0, 0);
                if (!c) return;
                FeedResult r;
                deliverAll(c, prefix, {}, r);
                checked[t] += coretest_cosim_checked(c);
                coretest_cosim_close(c);
                refusedAfterClose[t] +=
                    coretest_cosim_retire(c, 1, 0, 0, 0) == CORETEST_COSIM_ERROR;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    testing::internal::GetCapturedStderr();
    for (std::size_t t = 0; t < 4; ++t) {
        EXPECT_EQ(checked[t], 2 * prefix.size()) << "thread " << t;
        EXPECT_EQ(refusedAfterClose[t], 2) << "thread " << t;
    }
}

TEST(AfterFinish, FinishKeepsItsStatusAndLaterEventsAreRefused) {
    // Keep-going with one wrong display word: finish says DIVERGED, every time.
    std::vector<StreamInstruction> stream = referenceStream();
    const std::size_t n = indexIn(stream, "n3_addiu_test", [](const StreamInstruction& i) {
        return writes(i, Kind::Memory) &&
               i.records[0].address == static_cast<std::uint32_t>(BoardReg::Display);
    });
    stream[n].records[0].value -= 1;
    stream.resize(n + 10); // the run is cut: no end mark, nothing pending
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Checker c(CORETEST_COSIM_KEEP_GOING);
    ASSERT_NE(c.cosim, nullptr);
    FeedResult r;
    deliverAll(c.cosim, stream, {}, r);
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_DIVERGED);
    EXPECT_EQ(coretest_cosim_finish(c.cosim), CORETEST_COSIM_DIVERGED);
    const std::uint64_t checked = coretest_cosim_checked(c.cosim);
    const std::uint64_t divergences = coretest_cosim_divergences(c.cosim);
    // The next instruction, wrong on purpose: after finish it is not checked at all.
    const StreamInstruction& next = referenceStream()[n + 10];
    EXPECT_EQ(coretest_cosim_retire(c.cosim, next.seq, next.pc + 4, next.insn, 0),
              CORETEST_COSIM_ERROR);
    EXPECT_EQ(coretest_cosim_finish(c.cosim), CORETEST_COSIM_DIVERGED);
    EXPECT_EQ(coretest_cosim_checked(c.cosim), checked);
    EXPECT_EQ(coretest_cosim_divergences(c.cosim), divergences);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(countOf(out, "coretest cosim: verdict:"), 1u) << out; // one summary
    EXPECT_EQ(countOf(err, "\n"), 1u) << err;
    EXPECT_NE(err.find("after coretest_cosim_finish"), std::string::npos) << err;
}

TEST(KeepGoing, ACoreThatDivergesEverywherePrintsABoundedReport) {
    // Every write of t0 wrong: thousands of wrong values in most routines. Each routine reports
    // its first divergence and the rest of it is skipped, so the report stays bounded.
    std::vector<StreamInstruction> stream = referenceStream();
    std::size_t changed = 0;
    for (StreamInstruction& i : stream)
        for (TraceRecord& rec : i.records)
            if (rec.kind == Kind::Reg && rec.reg == 8) rec.value ^= 1, ++changed;
    ASSERT_GT(changed, 1000u);
    const FeedResult r = feed(stream, CORETEST_COSIM_KEEP_GOING);
    EXPECT_GT(r.divergences, 40u) << r.output;
    // Compared or skipped, up to the last routine (the end mark's value is t0's, so it is wrong).
    EXPECT_LE(r.checked + r.skipped, stream.size());
    EXPECT_GT(r.checked + r.skipped, stream.size() - 100);
    EXPECT_EQ(r.errors, "");
    // Ten in full (each has its instruction line), then one line each, the first in a routine.
    EXPECT_EQ(countOf(r.output, "\n  instruction "), 10u);
    EXPECT_NE(r.output.find("10 divergences shown in full"), std::string::npos);
    const std::size_t oneLiners = countOf(r.output, ", the first in ");
    EXPECT_GT(oneLiners, 20u);
    EXPECT_LE(oneLiners, 60u);
    // The summary names each routine with its count; the counts add up to the total.
    std::smatch line;
    ASSERT_TRUE(
        std::regex_search(r.output, line, std::regex(R"(diverged in (\d+) routines: (.*))")))
        << r.output;
    const std::string list = line[2];
    const std::regex entry(R"((\S+|\(between routines\)) (\d+)(, |$))");
    std::uint64_t total = 0;
    std::size_t routines = 0;
    for (auto it = std::sregex_iterator(list.begin(), list.end(), entry);
         it != std::sregex_iterator(); ++it, ++routines)
        total += std::stoull((*it)[2]);
    EXPECT_EQ(total, r.divergences) << list;
    EXPECT_EQ(routines, std::stoull(line[1])) << list;
    // And the table: a row per routine the run reached.
    EXPECT_NE(r.output.find("ROUTINE"), std::string::npos);
    EXPECT_GE(countOf(r.output, "coretest cosim: n"), 58u);
    EXPECT_LT(r.output.size(), 64u * 1024) << "keep-going output grew to " << r.output.size();
    RecordProperty("divergences", std::to_string(r.divergences));
    RecordProperty("output_bytes", std::to_string(r.output.size()));
}

struct Refused {
    const char* name;
    std::string path;
    std::uint32_t flags;
    const char* message;
};

class OpenRefuses : public testing::TestWithParam<Refused> {};

TEST_P(OpenRefuses, WithNullAndOneLine) {
    testing::internal::CaptureStderr();
    coretest_cosim* cosim = coretest_cosim_open(GetParam().path.c_str(), 1, GetParam().flags, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(cosim, nullptr);
    coretest_cosim_close(cosim);
    EXPECT_NE(err.find(GetParam().message), std::string::npos) << err;
    EXPECT_EQ(countOf(err, "\n"), 1u) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Opens, OpenRefuses,
    testing::Values(
        Refused{"UnknownFlag", CORETEST_ROM_PATH, 4, "unknown flag bits 0x4"},
        Refused{"HighFlag", CORETEST_ROM_PATH, 0x80000001u, "unknown flag bits 0x80000000"},
        // The ROM cut after its segments and stripped: it loads, but has no line records.
        Refused{"StrippedImage", CORETEST_SOURCE_DIR "/fuzz/corpus/image/rom_cut_stripped.elf", 0,
                "no line records"},
        Refused{"NoSuchFile", CORETEST_BINARY_DIR "/no-such.elf", 0, "coretest_cosim_open: "}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace coretest::cosim_test
