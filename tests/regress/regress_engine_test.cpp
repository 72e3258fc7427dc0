// The regression engine with stand-in images and a stand-in simulator: every way a job can end
// (pass, a failing checkpoint, a failing or hanging command, output without a verdict) is one
// line of the report, -j 1 and -j 4 agree, the reports parse with the right counts, the
// launcher prefix reaches the command, and a hanging command's whole group is killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "coretest/image.h"
#include "coretest/regress_engine.h"
#include "coretest/regress_report.h"
#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace coretest::regress;
using namespace std::chrono_literals;
using coretest_test::readAll;
using coretest_test::ScratchFolder;

const std::string kSim = std::string(CORETEST_SOURCE_DIR) + "/tests/regress/standin-sim.sh";
const std::string kLauncher =
    std::string(CORETEST_SOURCE_DIR) + "/tests/regress/standin-launcher.sh";

struct Case {
    std::string image; // the stand-in image's line: MODE N [K]; "" makes the callback throw
    Verdict verdict;
    unsigned checkpoint;
    std::string detail; // a part of the report's line
};

// Seed i + 1 runs case i.
const std::vector<Case> kCases = {
    {"pass 7", Verdict::Pass, 7, "all 7 checkpoints passed"},
    {"fail 7 3", Verdict::Fail, 3,
     "checkpoint 3 of 7 failed (display 0x03000002); the command exited 1"},
    {"fail 7 1", Verdict::Fail, 1, "checkpoint 1 of 7 failed (display 0x01000000)"},
    {"crash 7 4", Verdict::CommandFailed, 4,
     "the command exited 3 without a verdict; the display stopped at 0x04000004, checkpoint 4 of "
     "7"},
    {"passexit 7", Verdict::CommandFailed, 7,
     "the command exited 1 although the display shows every checkpoint passed (0x07000007)"},
    {"hang 7 2", Verdict::TimedOut, 2,
     "the command was killed after the timeout; the display stopped at 0x02000002, checkpoint 2 of "
     "7"},
    {"stubborn 7 5", Verdict::TimedOut, 5, "killed after the timeout"},
    {"silent 7", Verdict::NoVerdict, 0,
     "the command exited 0 without a verdict; no display word in its output"},
    {"short 7 6", Verdict::NoVerdict, 6, "the display stopped at 0x06000006, checkpoint 6 of 7"},
    {"foreign 7", Verdict::NoVerdict, 0,
     "display word 0x7f000001 in its output is none this image shows (checkpoints 1 to 7)"},
    {"longline 7", Verdict::NoVerdict, 1, "its output was not read to the end"},
    {"chatty 200", Verdict::Pass, 200, "all 200 checkpoints passed"},
    {"", Verdict::NoImage, 0, "the image was not made: no generator for this seed"},
};

// The stand-in image: the case's line in a text file; its checkpoint count is the line's N.
unsigned makeStandIn(const Job& job, const std::string& line) {
    if (line.empty()) throw coretest::InputError("no generator for this seed");
    std::ofstream(job.rom) << line << "\n";
    return static_cast<unsigned>(std::stoul(line.substr(line.find(' ') + 1)));
}

std::vector<Job> jobsFor(const fs::path& dir, std::size_t count, const std::string& launcher = {}) {
    std::vector<Job> jobs;
    for (std::size_t i = 0; i < count; ++i) {
        Job job;
        job.seed = i + 1;
        job.rom = dir / ("seed-" + std::to_string(job.seed) + ".img");
        job.output = dir / ("seed-" + std::to_string(job.seed) + ".log");
        // exec: the script leads the job's group itself, so that one ignoring SIGTERM holds out
        // until the SIGKILL.
        job.command = (launcher.empty() ? "exec" : launcher) + " sh " + kSim + " " +
                      shellQuoted(job.rom.string());
        job.reproduce = "rerun seed " + std::to_string(job.seed);
        job.files = {fs::path(job.rom.string() + ".child")};
        jobs.push_back(job);
    }
    return jobs;
}

Report runCases(const fs::path& dir, unsigned parallel, bool keepGoing = true) {
    EngineOptions options;
    options.jobs = parallel;
    options.timeout = 1000ms;
    options.killGrace = 1000ms;
    options.keepGoing = keepGoing;
    const auto make = [](const Job& job) {
        return makeStandIn(job, kCases.at(job.seed - 1).image);
    };
    const auto describe = [](const Job& job, unsigned k) {
        return "block " + std::to_string(k) + " of " + job.rom.filename().string();
    };
    return runJobs(jobsFor(dir, kCases.size()), make, describe, options);
}

// Whether the process has ended (gone, or a zombie waiting for its parent).
bool ended(const std::string& pid) {
    const std::string stat = readAll("/proc/" + pid + "/stat");
    if (stat.empty()) return true;
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

bool endsWithin(const std::string& pid, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!ended(pid)) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(RegressEngine, EveryEndingIsOneLineOfTheReport) {
    const ScratchFolder dir("regress-engine");
    const Report report = runCases(dir.path(), 4);
    ASSERT_EQ(report.results.size(), kCases.size());
    EXPECT_FALSE(report.stopped);
    EXPECT_FALSE(report.interrupted);
    for (std::size_t i = 0; i < kCases.size(); ++i) {
        const Case& c = kCases[i];
        const JobResult& r = report.results[i];
        SCOPED_TRACE(c.image);
        EXPECT_EQ(r.seed, i + 1);
        EXPECT_EQ(verdictName(r.verdict), verdictName(c.verdict));
        EXPECT_EQ(r.checkpoint, c.checkpoint);
        EXPECT_NE(r.detail.find(c.detail), std::string::npos) << r.detail;
        EXPECT_EQ(r.detail.find('\n'), std::string::npos) << r.detail;
        EXPECT_EQ(r.reproduce, "rerun seed " + std::to_string(i + 1));
        // A failing checkpoint is described from the image while it is still there.
        EXPECT_EQ(r.place, c.verdict == Verdict::Fail
                               ? "block " + std::to_string(c.checkpoint) + " of seed-" +
                                     std::to_string(i + 1) + ".img"
                               : "");
        // The files of a pass are removed; the others' output (and image, when one was made)
        // kept where the report says.
        const fs::path log = dir.path() / ("seed-" + std::to_string(i + 1) + ".log");
        const fs::path img = dir.path() / ("seed-" + std::to_string(i + 1) + ".img");
        if (c.verdict == Verdict::Pass) {
            EXPECT_FALSE(fs::exists(log));
            EXPECT_FALSE(fs::exists(img));
            EXPECT_TRUE(r.output.empty());
        } else {
            EXPECT_EQ(r.output, c.verdict == Verdict::NoImage ? "" : log.string());
            EXPECT_EQ(fs::exists(log), c.verdict != Verdict::NoImage);
            EXPECT_EQ(fs::exists(img), c.verdict != Verdict::NoImage);
            EXPECT_EQ(r.rom, c.verdict == Verdict::NoImage ? "" : img.string());
        }
    }
    // The timeout ended the hanging jobs, after one second and before the stubborn one's
    // SIGKILL came late.
    EXPECT_TRUE(report.results[5].ending.timedOut);
    EXPECT_GE(report.results[5].seconds, 1.0);
    EXPECT_LT(report.results[5].seconds, 1.9);
    EXPECT_GE(report.results[6].seconds, 2.0);
    EXPECT_LT(report.results[6].seconds, 6.0);
    EXPECT_EQ(report.results[3].ending.exitStatus, 3);
}

TEST(RegressEngine, TheTimeoutKillsTheWholeGroup) {
    const ScratchFolder dir("regress-group");
    for (const std::string mode : {"hang 3 1", "stubborn 3 1"}) {
        SCOPED_TRACE(mode);
        EngineOptions options;
        options.timeout = 300ms;
        options.killGrace = 200ms;
        const auto make = [&](const Job& job) { return makeStandIn(job, mode); };
        const Report report = runJobs(jobsFor(dir.path(), 1), make, {}, options);
        ASSERT_EQ(report.results.at(0).verdict, Verdict::TimedOut);
        // The script's background child went with it.
        const std::string child = readAll(dir.path() / "seed-1.img.child");
        ASSERT_FALSE(child.empty());
        EXPECT_TRUE(endsWithin(child.substr(0, child.find('\n')), 2000ms));
    }
}

TEST(RegressEngine, OneAndFourJobsGiveTheSameReport) {
    const ScratchFolder one("regress-j1"), four("regress-j4");
    const Report a = runCases(one.path(), 1);
    const Report b = runCases(four.path(), 4);
    ASSERT_EQ(a.results.size(), b.results.size());
    for (std::size_t i = 0; i < a.results.size(); ++i) {
        const JobResult &x = a.results[i], &y = b.results[i];
        EXPECT_EQ(x.seed, y.seed);
        EXPECT_EQ(x.verdict, y.verdict) << x.seed;
        EXPECT_EQ(x.checkpoint, y.checkpoint) << x.seed;
        EXPECT_EQ(x.lastWord, y.lastWord) << x.seed;
        EXPECT_EQ(x.displayWords, y.displayWords) << x.seed;
        // The details name the job's files, in the two folders.
        std::string dx = x.detail, dy = y.detail;
        for (auto [text, folder] : {std::pair{&dx, one.path()}, std::pair{&dy, four.path()}})
            if (const auto at = text->find(folder.string()); at != std::string::npos)
                text->replace(at, folder.string().size(), "DIR");
        EXPECT_EQ(dx, dy) << x.seed;
    }
    // Four at a time is faster than one by at least the time two hangs overlap.
    EXPECT_LT(b.seconds, a.seconds - 0.8);
}

TEST(RegressEngine, StopsAtTheFirstFailureUnlessKeepGoing) {
    const ScratchFolder dir("regress-stop");
    const std::vector<std::string> images = {"pass 2", "pass 2", "fail 2 2", "pass 2", "pass 2"};
    const auto make = [&](const Job& job) { return makeStandIn(job, images.at(job.seed - 1)); };
    EngineOptions options;
    std::vector<std::size_t> seen;
    const Report stopped = runJobs(jobsFor(dir.path(), images.size()), make, {}, options,
                                   [&](const JobResult&, std::size_t done, std::size_t total) {
                                       EXPECT_EQ(total, images.size());
                                       seen.push_back(done);
                                   });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(stopped.count(Verdict::Pass), 2u);
    EXPECT_EQ(stopped.count(Verdict::Fail), 1u);
    EXPECT_EQ(stopped.count(Verdict::NotRun), 2u);
    EXPECT_EQ(stopped.results[4].verdict, Verdict::NotRun);
    const std::string text = summaryText(stopped);
    EXPECT_NE(text.find("5 seeds: 2 passed, 1 failed, 2 not run;"), std::string::npos) << text;
    EXPECT_NE(text.find("stopped at the first seed that did not pass"), std::string::npos);

    options.keepGoing = true;
    const Report all = runJobs(jobsFor(dir.path(), images.size()), make, {}, options);
    EXPECT_FALSE(all.stopped);
    EXPECT_EQ(all.count(Verdict::Pass), 4u);
    EXPECT_EQ(all.count(Verdict::Fail), 1u);
}

TEST(RegressEngine, TheLauncherPrefixRunsEveryJob) {
    const ScratchFolder dir("regress-launcher");
    const fs::path record = dir.path() / "launched";
    const std::string launcher = "sh " + kLauncher + " " + record.string();
    EngineOptions options;
    options.jobs = 3;
    const auto make = [](const Job& job) { return makeStandIn(job, "pass 3"); };
    const Report report = runJobs(jobsFor(dir.path(), 5, launcher), make, {}, options);
    EXPECT_TRUE(report.allPassed());
    const std::string lines = readAll(record);
    for (int seed = 1; seed <= 5; ++seed)
        EXPECT_NE(lines.find("launched: sh " + kSim + " " + (dir.path() / "seed-").string() +
                             std::to_string(seed) + ".img\n"),
                  std::string::npos)
            << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 5);
}

TEST(RegressEngine, ReportsHoldTheCounts) {
    const ScratchFolder dir("regress-reports");
    const Report report = runCases(dir.path(), 4);
    const nlohmann::json doc = nlohmann::json::parse(reportJson(report).dump());
    const std::map<std::string, int> counts = {
        {"seeds", 13},    {"passed", 2},     {"failed", 2},   {"command_failed", 2},
        {"timed_out", 2}, {"no_verdict", 4}, {"no_image", 1}, {"not_run", 0}};
    for (const auto& [key, n] : counts)
        EXPECT_EQ(doc.at(key).get<int>(), n) << key;
    ASSERT_EQ(doc.at("results").size(), kCases.size());
    const auto& failed = doc.at("results").at(1);
    EXPECT_EQ(failed.at("seed"), 2);
    EXPECT_EQ(failed.at("verdict"), "FAIL");
    EXPECT_EQ(failed.at("checkpoint"), 3);
    EXPECT_EQ(failed.at("display"), "03000002");
    EXPECT_EQ(failed.at("place"), "block 3 of seed-2.img");
    EXPECT_EQ(failed.at("reproduce"), "rerun seed 2");
    EXPECT_TRUE(doc.at("results").at(7).at("display").is_null());

    // JUnit: one suite, one testcase per seed, a failure per failing checkpoint, an error per
    // command that failed, hung or showed no verdict, every element closed.
    const std::string xml = reportJunit(report);
    const auto count = [&](const std::string& s) {
        std::size_t n = 0;
        for (auto at = xml.find(s); at != std::string::npos; at = xml.find(s, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites ", 0), 0u);
    EXPECT_NE(xml.find("<testsuite name=\"coretest regress\" tests=\"13\" failures=\"2\" "
                       "errors=\"9\" skipped=\"0\""),
              std::string::npos)
        << xml;
    EXPECT_EQ(count("<testcase "), 13u);
    EXPECT_EQ(count("<failure "), 2u);
    EXPECT_EQ(count("</failure>"), 2u);
    EXPECT_EQ(count("<error "), 9u);
    EXPECT_EQ(count("</error>"), 9u);
    EXPECT_EQ(count("</testcase>") + 2, 13u); // the passes close themselves
    EXPECT_EQ(count("<testsuite "), count("</testsuite>"));
    EXPECT_EQ(count("<"), count(">"));
    EXPECT_NE(xml.find("name=\"seed 2\""), std::string::npos);
    EXPECT_NE(xml.find("checkpoint 3: block 3 of seed-2.img"), std::string::npos);
}

TEST(RegressEngine, PlaceholdersAndQuoting) {
    struct Row {
        std::string sim, expanded;
    };
    const std::vector<Row> rows = {
        {"sim +rom={hex} --seed {seed}", "sim +rom=/w/s-9.hex --seed 9"},
        {"run {rom} {rom}", "run /w/s-9.elf /w/s-9.elf"},
        {"echo ${HOME} {rom}", "echo ${HOME} /w/s-9.elf"},
    };
    for (const Row& r : rows) {
        EXPECT_NO_THROW(checkSimTemplate(r.sim));
        EXPECT_EQ(expandSim(r.sim, "/w/s-9.elf", "/w/s-9.hex", 9), r.expanded);
    }
    EXPECT_THROW(checkSimTemplate("vsim -do run.do {seed}"), coretest::InputError);
    EXPECT_TRUE(usesHex("x {hex}"));
    EXPECT_FALSE(usesHex("x {rom}"));
    EXPECT_EQ(shellQuoted("/a/b-1.elf"), "/a/b-1.elf");
    EXPECT_EQ(shellQuoted("/a b/it's"), "'/a b/it'\\''s'");
    EXPECT_EQ(shellQuoted("$(rm)"), "'$(rm)'");
}

} // namespace
