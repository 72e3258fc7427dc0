// The coretest tool given hostile input: special files, non-UTF-8 names and paths, an output that
// cannot be written, options next to the image. Each ends in one line and the right status, never
// in an abort, a hang or a silent success.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using coretest_test::readAll;
using coretest_test::scratchDir;
using coretest_test::shell;

const std::string kCli = CORETEST_CLI_PATH;

// A copy of the ROM under `name` with every occurrence of `from` replaced by `to` (same length).
fs::path romCopy(const std::string& name, const std::string& from = {},
                 const std::string& to = {}) {
    std::string data = readAll(CORETEST_ROM_PATH);
    for (std::size_t at = 0; !from.empty() && (at = data.find(from, at)) != std::string::npos;)
        data.replace(at, from.size(), to);
    const fs::path p = scratchDir() / name;
    std::ofstream(p, std::ios::binary) << data;
    return p;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs a shell command line (bash) that starts the tool; `$CLI` stands for it.
Outcome runLine(const std::string& line) {
    const fs::path out = scratchDir() / "out", err = scratchDir() / "err";
    std::string script = line;
    for (std::size_t at; (at = script.find("$CLI")) != std::string::npos;)
        script.replace(at, 4, kCli);
    Outcome o;
    o.status = shell("bash -c '" + script + "' >'" + out.string() + "' 2>'" + err.string() +
                     "' </dev/null");
    o.out = readAll(out);
    o.err = readAll(err);
    return o;
}

struct HostileCase {
    std::string name;
    std::string line; // bash command line, $CLI the tool
    int status;
    std::string errorWords;  // in the one error line (empty: no error line expected)
    std::string outputWords; // in standard output
    bool json = false;       // standard output is one JSON document
};

std::vector<HostileCase> hostileCases() {
    const fs::path fifo = scratchDir() / "fifo";
    ::mkfifo(fifo.c_str(), 0600);
    const std::string rom = romCopy("rom.elf").string();
    // A symbol name with a byte that is no UTF-8, and a path with one.
    const std::string badName = romCopy("badname.elf", "n8_slt_test", "n8_s\xfft_test").string();
    const std::string badPath = romCopy("rom\xfe.elf").string();
    return {
        {"dev_zero", "$CLI run /dev/zero", 2, "/dev/zero: a character device", ""},
        {"folder", "$CLI run " + scratchDir().string(), 2, "a folder", ""},
        {"fifo_without_writer", "$CLI run " + fifo.string(), 2, "a pipe", ""},
        {"process_substitution", "$CLI run <(cat " + rom + ") --switch 1", 2, "a pipe", ""},
        {"proc_self_mem", "$CLI run /proc/self/mem", 2, "cannot read the file", ""},
        {"decode_with_folder", "$CLI decode 08000007 --elf " + scratchDir().string(), 2, "a folder",
         ""},
        {"json_symbol_not_utf8", "$CLI run --switch 1 --json " + badName, 0, "", "\"routines\"",
         true},
        {"json_path_not_utf8", "$CLI run --switch 1 --json " + badPath, 0, "", "\"elf\"", true},
        {"text_to_full_device", "$CLI run --switch 1 " + rom + " >/dev/full", 2,
         "standard output: writing failed", ""},
        {"json_to_full_device", "$CLI run --switch 1 --json " + rom + " >/dev/full", 2,
         "standard output: writing failed", ""},
        {"export_to_full_device", "$CLI export --format hex " + rom + " -o - >/dev/full", 2,
         "writing failed", ""},
        {"fault_before_the_image",
         "$CLI run --fault slt-compares-unsigned@n8_slt_test " + rom + " --switch 1", 1, "",
         "coretest run: " + rom +
             " on the reference core, switch 0x00000001, faults: "
             "slt-compares-unsigned@n8_slt_test\n"},
        {"fault_before_the_image_names_the_case",
         "$CLI run --fault slt-compares-unsigned@n8_slt_test " + rom + " --switch 1", 1, "",
         "case 3 of n8_slt_test (inst/n8_slt.S:"},
        {"two_faults_before_the_image",
         "$CLI run --fault slt-compares-unsigned@n8_slt_test --fault lui-low-half " + rom +
             " --switch 1",
         1, "", "faults: slt-compares-unsigned@n8_slt_test, lui-low-half\n"},
    };
}

class HostileInput : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, EndsWithTheRightStatusAndOneLine) {
    const HostileCase& c = GetParam();
    const Outcome o = runLine(c.line);
    EXPECT_EQ(o.status, c.status) << c.line << "\n" << o.out.substr(0, 2000) << o.err;
    if (c.errorWords.empty()) {
        EXPECT_EQ(o.err, "") << c.line;
    } else {
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_TRUE(o.err.starts_with("coretest: ")) << o.err;
        EXPECT_NE(o.err.find(c.errorWords), std::string::npos) << o.err;
    }
    EXPECT_NE(o.out.find(c.outputWords), std::string::npos) << o.out.substr(0, 2000);
    if (c.json) {
        EXPECT_TRUE(nlohmann::json::accept(o.out)) << o.out.substr(0, 2000);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileInput, ::testing::ValuesIn(hostileCases()),
                         [](const auto& info) { return info.param.name; });

TEST(HostileJson, ReplacesBytesThatAreNoUtf8) {
    const fs::path rom = romCopy("rom\xfe"
                                 "2.elf");
    const Outcome o = runLine("$CLI run --switch 1 --json " + rom.string());
    ASSERT_EQ(o.status, 0) << o.err;
    const auto j = nlohmann::json::parse(o.out);
    EXPECT_EQ(j["elf"], (scratchDir() / "rom\xef\xbf\xbd"
                                        "2.elf")
                            .string())
        << "U+FFFD";
}

} // namespace
