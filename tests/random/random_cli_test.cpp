// `coretest random` as a user runs it: the image and its listing, the image run by `coretest run`
// with its verdict and stored options, the same bytes for the same options, and bad options
// refused with one line and exit status 2.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/cli_runner.h"

namespace {

using namespace coretest_test;

std::string path(const std::string& name) {
    return (scratchDir() / name).string();
}

TEST(RandomCli, WritesAnImageAndListingThatRunPasses) {
    const auto made = runCli("random --seed 5 --instructions 2000 -o " + path("r5.elf"));
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.out.find("20 checkpoints"), std::string::npos) << made.out;
    ASSERT_TRUE(std::filesystem::exists(path("r5.lst")));
    EXPECT_NE(readAll(path("r5.lst")).find("n20_checkpoint_test:"), std::string::npos);

    const auto run = runCli("run " + path("r5.elf") + " --switch 1");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("random program: seed=5 instructions=2000 checkpoint-every=100 "
                           "loops=1 distance=near interlocked=no"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("verdict: pass, 20 of 20 checkpoints passed"), std::string::npos)
        << run.out;

    // mflo reading HI on the reference core: the image fails, and run says so.
    const auto broken = runCli("run " + path("r5.elf") + " --switch 1 --fault mflo-reads-hi");
    EXPECT_EQ(broken.status, 1) << broken.out << broken.err;
    EXPECT_NE(broken.out.find("verdict: FAIL"), std::string::npos) << broken.out;
}

TEST(RandomCli, SameOptionsGiveTheSameFile) {
    const std::string options = " --seed 9 --instructions 1500 --loops 2 --distance far";
    ASSERT_EQ(runCli("random" + options + " -o " + path("a.elf")).status, 0);
    ASSERT_EQ(runCli("random" + options + " -o " + path("b.elf")).status, 0);
    ASSERT_EQ(
        runCli("random --seed 10 --instructions 1500 --loops 2 --distance far -o " + path("c.elf"))
            .status,
        0);
    // The listing's name is part of the image (its line records name it): same name, same bytes.
    std::filesystem::create_directory(path("again"));
    ASSERT_EQ(runCli("random" + options + " -o " + path("again/a.elf")).status, 0);
    EXPECT_EQ(readAll(path("a.elf")), readAll(path("again/a.elf")));
    EXPECT_EQ(readAll(path("a.lst")), readAll(path("again/a.lst")));
    EXPECT_NE(readAll(path("a.elf")), readAll(path("c.elf")));
    EXPECT_NE(readAll(path("a.elf")).size(), 0u);
    // Without expected exceptions the program is another one, stored with its option, and it
    // passes on the reference core.
    ASSERT_EQ(runCli("random" + options + " --exceptions 0 -o " + path("d.elf")).status, 0);
    EXPECT_NE(readAll(path("a.elf")), readAll(path("d.elf")));
    const auto run = runCli("run " + path("d.elf") + " --switch 1");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("exceptions=0"), std::string::npos) << run.out;
}

TEST(RandomCli, BadOptionsGiveOneLineAndStatusTwo) {
    struct Bad {
        const char* args;
        const char* names; // what the message must name
    };
    const Bad cases[] = {
        {"--instructions 0", "--instructions 0"},
        {"--instructions 60001", "--instructions 60001"},
        {"--instructions -3", "--instructions"},
        {"--instructions many", "--instructions"},
        {"--checkpoint-every 0", "--checkpoint-every 0"},
        {"--instructions 5000 --checkpoint-every 10", "at most 255"},
        {"--loops 0", "--loops 0"},
        {"--loops 10001", "--loops 10001"},
        {"--distance closest", "--distance"},
        {"--memory 80 --branches 20", "at most 90 percent"},
        {"--exceptions 21", "--exceptions 21"},
        {"--exceptions -1", "--exceptions"},
        {"--seed", "--seed"},
        {"--sead 3", "--seed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const auto r = runCli(std::string("random ") + c.args + " -o " + path("bad.elf"));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find(c.names), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(path("bad.elf")));
    }
    const auto noOutput = runCli("random --seed 3");
    EXPECT_EQ(noOutput.status, 2);
    EXPECT_NE(noOutput.err.find("--output"), std::string::npos) << noOutput.err;
}

} // namespace

namespace {

using namespace coretest_test;

// A core whose mflo reads HI, traced and compared: the report names the checkpoint block, the
// listing and the mflo; decode names the block of a display word.
TEST(RandomCli, CompareAndDecodeNameTheBlock) {
    const std::string elf = (scratchDir() / "cmp.elf").string();
    const std::string trace = (scratchDir() / "cmp.trace").string();
    ASSERT_EQ(runCli("random --seed 7 --instructions 3000 -o " + elf).status, 0);
    const auto traced =
        runCli("trace " + elf + " --switch 1 --fault sra-srav-zero-fill -o " + trace);
    ASSERT_EQ(traced.status, 0) << traced.err;
    const auto compared = runCli("compare " + trace + " " + elf + " --switch 1");
    EXPECT_EQ(compared.status, 1) << compared.out << compared.err;
    EXPECT_NE(compared.out.find("_checkpoint_test (cmp.lst"), std::string::npos) << compared.out;
    const auto at = compared.out.find("  instruction ");
    ASSERT_NE(at, std::string::npos) << compared.out;
    EXPECT_NE(compared.out.substr(at, compared.out.find('\n', at) - at).find(" sra"),
              std::string::npos)
        << compared.out;
    const auto decoded = runCli("decode 0c00000b --elf " + elf);
    EXPECT_EQ(decoded.status, 1) << decoded.err; // the word is a failure
    EXPECT_NE(decoded.out.find("n12_checkpoint_test"), std::string::npos) << decoded.out;
}

} // namespace
