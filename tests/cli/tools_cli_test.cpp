// The debugging commands as a user meets them: coretest faults, trace, compare, decode and
// export, with their outputs, exit statuses and one-line errors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;

using coretest_test::runCli;
using coretest_test::scratchDir;
using coretest_test::shell;
using Result = coretest_test::CliResult;
using coretest_test::readAll;

int lines(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

void writeLines(const fs::path& p, const std::vector<std::string>& ls) {
    std::ofstream out(p);
    for (const auto& l : ls)
        out << l << "\n";
}

const nlohmann::json& catalogue() {
    static const nlohmann::json j = nlohmann::json::parse(runCli("faults --list --json").out);
    return j;
}

// ---- faults ----

TEST(ToolsFaults, OneRowPerFaultSummaryAndStatusFromAgreement) {
    // By default both ROMs: the first ROM's document holds the second ROM's as "second_rom".
    const Result json = runCli("faults --json");
    ASSERT_LE(json.status, 1) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    const std::size_t n = catalogue().size();
    ASSERT_EQ(j["faults"].size(), n);
    std::size_t disagreements = 0;
    for (const auto& f : j["faults"])
        disagreements += !f["agrees"].get<bool>();
    EXPECT_EQ(j["summary"]["run"], n);
    EXPECT_EQ(j["summary"]["disagreements"], disagreements);
    const auto& second = j["second_rom"];
    ASSERT_EQ(second["faults"].size(), n);
    std::size_t secondDisagreements = 0, caught = 0;
    for (const auto& f : second["faults"]) {
        EXPECT_FALSE(f.contains("agrees")) << f["name"] << ": the second ROM runs no scoped fault";
        secondDisagreements += !f["whole_core"]["agrees"].get<bool>();
        const auto& o = f["whole_core"]["observed"];
        caught += o["kind"] != "unnoticed" || !o["first"].is_null();
    }
    EXPECT_EQ(second["summary"]["whole_core_disagreements"], secondDisagreements);
    EXPECT_EQ(second["summary"]["whole_core_caught"], caught);
    EXPECT_EQ(json.status, disagreements +
                                   j["summary"]["whole_core_disagreements"].get<std::size_t>() +
                                   secondDisagreements
                               ? 1
                               : 0);

    const Result text = runCli("faults");
    EXPECT_EQ(text.status, json.status);
    const auto out = splitLines(text.out);
    for (const auto& f : catalogue()) {
        const std::string name = f["name"];
        EXPECT_EQ(std::count_if(out.begin(), out.end(),
                                [&](const std::string& l) { return l.starts_with(name + " "); }),
                  2)
            << name << ": once for each ROM";
    }
    EXPECT_NE(text.out.find(std::to_string(n) + " faults run: "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(std::to_string(n) + " faults run on the whole core: " +
                            std::to_string(caught) + " caught, " + std::to_string(n - caught) +
                            " unnoticed, " + std::to_string(secondDisagreements) + " disagreement"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(std::to_string(disagreements) + " disagreement"), std::string::npos);
    EXPECT_TRUE(text.err.empty()) << "progress shown on a pipe: " << text.err;
}

// The text without the timing at the end of a summary line ("; N instructions in ...").
std::string withoutTimes(const std::string& text) {
    static const std::regex times("; [0-9]+ instructions in [0-9.]+ s on [0-9]+ threads?");
    return std::regex_replace(text, times, "");
}

TEST(ToolsFaults, TheFirstRomAloneShowsWhatItAlwaysShowed) {
    const Result both = runCli("faults --only 'slt*'");
    const Result first = runCli("faults --only 'slt*' --rom 1");
    const Result second = runCli("faults --only 'slt*' --rom 2");
    ASSERT_LE(first.status, 1) << first.err;
    EXPECT_EQ(withoutTimes(both.out), withoutTimes(first.out) + "\n" + withoutTimes(second.out));
    EXPECT_EQ(first.out.find("whole core with"), std::string::npos) << first.out;
    EXPECT_EQ(second.out.rfind("coretest faults: faults matching glob 'slt*' (", 0), 0u)
        << second.out;
    std::string header = second.out.substr(0, second.out.find("\nFAULT"));
    std::replace(header.begin(), header.end(), '\n', ' '); // wrapped at 120 columns
    EXPECT_NE(header.find(") on the whole core with "), std::string::npos) << header;
    EXPECT_NE(second.out.find("OUTCOME ON THE WHOLE CORE"), std::string::npos) << second.out;
    EXPECT_EQ(both.status, std::max(first.status, second.status));
    // Only the first ROM has scopes to run in alone.
    const Result scoped = runCli("faults --rom 2 --scoped-only");
    EXPECT_EQ(scoped.status, 2);
    EXPECT_TRUE(scoped.out.empty()) << scoped.out;
    EXPECT_NE(scoped.err.find("--scoped-only"), std::string::npos) << scoped.err;
    EXPECT_EQ(std::count(scoped.err.begin(), scoped.err.end(), '\n'), 1) << scoped.err;
}

TEST(ToolsFaults, CsvHasAHeaderAndOneLinePerFault) {
    const std::string header = "name,scope,description,expected,observed,agrees,"
                               "whole_core_expected,whole_core_observed,whole_core_agrees,"
                               "instructions,seconds";
    const Result first = runCli("faults --csv --rom 1");
    ASSERT_LE(first.status, 1) << first.err;
    const auto ls = splitLines(first.out);
    ASSERT_EQ(ls.size(), catalogue().size() + 1);
    EXPECT_EQ(ls[0], header);
    for (std::size_t i = 0; i < catalogue().size(); ++i)
        EXPECT_TRUE(ls[i + 1].starts_with("\"" + catalogue()[i]["name"].get<std::string>() + "\","))
            << ls[i + 1];

    // Both ROMs: a last column names the ROM; the second ROM's rows have no scoped outcome.
    const Result both = runCli("faults --csv");
    ASSERT_LE(both.status, 1) << both.err;
    const auto rows = splitLines(both.out);
    const std::size_t n = catalogue().size();
    ASSERT_EQ(rows.size(), 2 * n + 1);
    EXPECT_EQ(rows[0], header + ",rom");
    for (std::size_t i = 0; i < n; ++i) {
        const std::string name = "\"" + catalogue()[i]["name"].get<std::string>() + "\",";
        EXPECT_TRUE(rows[i + 1].starts_with(name) && rows[i + 1].ends_with(",1")) << rows[i + 1];
        EXPECT_TRUE(rows[n + i + 1].starts_with(name) && rows[n + i + 1].ends_with(",2"))
            << rows[n + i + 1];
        EXPECT_NE(rows[n + i + 1].find(",\"\",\"\",,\""), std::string::npos) << rows[n + i + 1];
    }
}

TEST(ToolsFaults, OnlySaysWhetherItTookAGlobOrASubstring) {
    const struct {
        const char* pattern;
        const char* says;
    } cases[] = {{"'*slot*'", "faults matching glob '*slot*'"},
                 {"slot", "faults whose name contains 'slot'"}};
    for (const auto& c : cases) {
        const Result r = runCli(std::string("faults --json --only ") + c.pattern);
        ASSERT_LE(r.status, 1) << r.err;
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["selection"], c.says);
        ASSERT_FALSE(j["faults"].empty());
        for (const auto& f : j["faults"])
            EXPECT_NE(f["name"].get<std::string>().find("slot"), std::string::npos);
        EXPECT_LT(j["faults"].size(), catalogue().size());
    }
}

TEST(ToolsFaults, ListPrintsTheCatalogue) {
    const Result r = runCli("faults --list");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const auto& f : catalogue())
        EXPECT_NE(r.out.find(f["name"].get<std::string>()), std::string::npos);
    EXPECT_NE(r.out.find(std::to_string(catalogue().size()) + " faults"), std::string::npos);
}

// ---- bad input, every command ----

struct BadInput {
    const char* what;
    std::string args;
    const char* mentions;
};

std::vector<BadInput> badInputs() {
    const fs::path dir = scratchDir();
    writeLines(dir / "garbled.trace", {"bfc0038c r04 fffff008", "hello world"});
    return {
        {"faults matching nothing", "faults --only no-such-fault-anywhere", "no-such-fault"},
        {"campaign with the long pause", "faults --switch 0", "--switch"},
        {"csv and json together", "faults --csv --json", "--json"},
        {"html into a missing folder", "faults --only reset --html /nonexistent/dir/x.html",
         "/nonexistent/dir/x.html"},
        {"trace with an unknown fault", "trace --fault no-such-fault -o -", "no-such-fault"},
        {"trace into a missing folder", "trace -o /nonexistent/dir/t.trace", "/nonexistent"},
        {"compare a missing trace", "compare /nonexistent/core.trace", "/nonexistent/core.trace"},
        {"compare a malformed trace", "compare " + (dir / "garbled.trace").string(),
         "garbled.trace:2:"},
        {"compare with a bad switch",
         "compare " + (dir / "garbled.trace").string() + " --switch maybe", "--switch"},
        {"decode test number 0", "decode 0x00000000", "test number 0"},
        {"decode test number 255", "decode 0xff000000", "test number 255"},
        {"decode pass count above test number", "decode 0x05000006", "pass count 6"},
        {"decode something else", "decode hello", "hello"},
        {"decode words out of order", "decode 0x05000005 --previous 0x06000005", "0x06000005"},
        {"export an unknown format", "export --format srec -o x.srec", "srec"},
        {"export without output", "export --format bin", "--output"},
        {"export above the ROM's size", "export --format bin --size 0x100000 -o -", "--size"},
    };
}

class ToolsBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(ToolsBadInput, OneLineErrorAndStatus2) {
    const BadInput& c = GetParam();
    const Result r = runCli(c.args);
    EXPECT_EQ(r.status, 2) << c.what << "\n" << r.out << r.err;
    EXPECT_EQ(lines(r.err), 1) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.mentions), std::string::npos) << c.what << ": " << r.err;
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolsBadInput, ::testing::ValuesIn(badInputs()),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// ---- trace and compare ----

const std::vector<std::string>& golden() {
    static const std::vector<std::string> g = [] {
        const fs::path p = scratchDir() / "golden.trace";
        const Result r = runCli("trace -o " + p.string());
        EXPECT_EQ(r.status, 0) << r.err;
        return splitLines(readAll(p));
    }();
    return g;
}

TEST(ToolsTrace, StandardOutputCarriesTheSameTrace) {
    const Result r = runCli("trace");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(splitLines(r.out), golden());
}

TEST(ToolsCompare, ReferenceTraceAgreesWithItself) {
    const fs::path p = scratchDir() / "same.trace";
    writeLines(p, golden());
    const Result r = runCli("compare " + p.string());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("the traces agree: " + std::to_string(golden().size()) + " records"),
              std::string::npos)
        << r.out;
}

TEST(ToolsCompare, ChangedValueIsNamedWithRecordCaseAndValues) {
    auto ls = golden();
    const std::size_t at = ls.size() / 2;
    const std::string original = ls[at];
    std::string& changed = ls[at];
    changed.back() = changed.back() == '0' ? '1' : '0';
    const fs::path p = scratchDir() / "changed.trace";
    writeLines(p, ls);
    const Result r = runCli("compare " + p.string());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("first divergence at record " + std::to_string(at + 1) + " (" +
                         p.string() + ":" + std::to_string(at + 1) + ")"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("expected    " + original), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("observed    " + changed), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" of n"), std::string::npos) << r.out; // "case K of nN_..._test"
    EXPECT_NE(r.out.find("the instructions before it"), std::string::npos) << r.out;

    const Result j = runCli("compare --json " + p.string());
    EXPECT_EQ(j.status, 1);
    const auto doc = nlohmann::json::parse(j.out);
    EXPECT_EQ(doc["outcome"], "differs");
    EXPECT_EQ(doc["record"], at + 1);
    EXPECT_EQ(doc["expected"]["record"], original);
    EXPECT_EQ(doc["observed"]["record"], changed);
}

TEST(ToolsCompare, TruncatedTraceSaysHowFarItGot) {
    const auto& g = golden();
    const std::vector<std::string> head(g.begin(), g.begin() + 1000);
    const fs::path p = scratchDir() / "short.trace";
    writeLines(p, head);
    const Result r = runCli("compare " + p.string());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("your trace ends early: all its 1000 records agree, 1000 of " +
                         std::to_string(g.size()) + " expected"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("the next record would be " + g[1000]), std::string::npos) << r.out;
}

TEST(ToolsCompare, TraceOfAFaultyCoreIsCaughtInTheFaultsRoutine) {
    const nlohmann::json* fault = nullptr;
    for (const auto& f : catalogue())
        if (f["expected"]["kind"] == "fails" && !f["scope"].get<std::string>().empty()) {
            fault = &f;
            break;
        }
    ASSERT_NE(fault, nullptr) << "no fault with a failing expectation in the catalogue";
    const std::string name = (*fault)["name"], scope = (*fault)["scope"];
    const fs::path p = scratchDir() / "faulty.trace";
    ASSERT_EQ(runCli("trace --fault " + name + "@" + scope + " -o " + p.string()).status, 0);
    const Result r = runCli("compare --json " + p.string());
    EXPECT_EQ(r.status, 1) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["outcome"], "differs");
    EXPECT_EQ(doc["case"]["routine"], scope) << r.out;
    EXPECT_GT(doc["case"]["line"].get<int>(), 0);
}

TEST(ToolsCompare, SwitchIsTakenFromTheTrace) {
    const fs::path p = scratchDir() / "switch7.trace";
    ASSERT_EQ(runCli("trace --switch 7 -o " + p.string()).status, 0);
    const Result r = runCli("compare " + p.string());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("switch 0x00000007 (as your trace loads it)"), std::string::npos) << r.out;
    const Result forced = runCli("compare --switch 1 " + p.string());
    EXPECT_EQ(forced.status, 1) << forced.out;
}

// ---- decode ----

TEST(ToolsDecode, WordsAsReadOffTheBoard) {
    const struct {
        std::string args;
        int status;
        std::vector<const char*> says;
    } cases[] = {
        {"0x08000007",
         1,
         {"test number 8", "pass count 7", "n8_slt_test, which tests slt",
          "cannot be told from one word", "will be FAIL"}},
        {"08000007 --previous 07000006", 1, {"routine 8 passed", "will be FAIL"}},
        {"0x07000006 --previous 0x06000006", 1, {"routine 7 failed"}},
        {"0x3a00003a", 0, {"routine 58 passed", "verdict: pass"}},
        {"0x3a000039", 1, {"57 of routines 1 to 58 passed, 1 failed", "will be FAIL"}},
        {"0x01000001", 0, {"routine 1 passed", "pass if routines 2 to 58 all pass"}},
        {"0x10000010", 0, {"the delay slot of beq", "routine 16 passed"}},
    };
    for (const auto& c : cases) {
        const Result r = runCli("decode " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out << r.err;
        for (const char* s : c.says)
            EXPECT_NE(r.out.find(s), std::string::npos) << c.args << ": " << s << "\n" << r.out;
    }
}

// ---- export ----

TEST(ToolsExport, EveryFormatIsWrittenAndTheBinaryIsObjcopys) {
    const fs::path dir = scratchDir();
    const fs::path reference = dir / "objcopy.bin";
    ASSERT_EQ(shell("mipsel-linux-gnu-objcopy -O binary " + std::string(CORETEST_ROM_PATH) + " " +
                    reference.string()),
              0);
    for (const char* format : {"bin", "hex", "coe", "mif"}) {
        const fs::path out = dir / (std::string("rom.") + format);
        const Result r = runCli(std::string("export --format ") + format + " -o " + out.string());
        EXPECT_EQ(r.status, 0) << format << r.err;
        EXPECT_GT(fs::file_size(out), 0u) << format;
    }
    EXPECT_EQ(readAll(dir / "rom.bin"), readAll(reference));
    const Result piped = runCli("export --format bin -o -");
    EXPECT_EQ(piped.out, readAll(reference));
}

// ---- the campaign page in a browser ----

std::string chromium() {
    for (const char* p : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (fs::exists(p)) return p;
    return {};
}

TEST(ToolsFaultsPage, WellFormedPageWithTableAndMatrix) {
    const std::string browser = chromium();
    if (browser.empty()) GTEST_SKIP() << "chromium is not installed: the page is not rendered";
    const fs::path dir = scratchDir();
    const fs::path page = dir / "campaign.html";
    const Result r = runCli("faults --html " + page.string());
    ASSERT_LE(r.status, 1) << r.err;
    // As XHTML the browser parses the page strictly and reports any error in the DOM.
    const fs::path strict = dir / "campaign.xhtml";
    fs::copy_file(page, strict, fs::copy_options::overwrite_existing);
    const std::string flags =
        " --headless --no-sandbox --disable-gpu --user-data-dir=" + (dir / "profile").string() +
        " ";
    const fs::path dom = dir / "dom.html";
    ASSERT_EQ(shell(browser + flags + "--dump-dom file://" + strict.string() + " >" + dom.string() +
                    " 2>/dev/null"),
              0);
    const std::string text = readAll(dom);
    EXPECT_EQ(text.find("parsererror"), std::string::npos) << text.substr(0, 2000);
    const auto count = [&](const std::string& needle) {
        std::size_t n = 0;
        for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
            ++n;
        return n;
    };
    const std::size_t faults = catalogue().size();
    EXPECT_EQ(count("<tr class=\"fault "), faults);
    EXPECT_EQ(count("class=\"cell "), faults * 59); // 58 routines and the whole-run column
    EXPECT_EQ(count("<svg"), 1u);

    // Both modes: every row has a scoped and a whole-core agreement cell; the second ROM's rows
    // one on the whole core.
    EXPECT_EQ(count("<td class=\"yes\">") + count("<td class=\"no\">"), 3 * faults);
    // The second ROM's section: one row per fault, on the whole core.
    EXPECT_EQ(count("<tr class=\"fault2 "), faults);
    EXPECT_NE(text.find("<h2>The second ROM: every fault on the whole core</h2>"),
              std::string::npos);
    // The legend comes before the matrix and the table.
    const auto legend = text.find("<h2>Legend</h2>");
    ASSERT_NE(legend, std::string::npos);
    EXPECT_LT(legend, text.find("<svg"));
    EXPECT_LT(legend, text.find("<table"));
    // Every routine column and the whole-run column carry a name.
    EXPECT_EQ(count("transform=\"rotate(-60"), 59u);
    EXPECT_NE(text.find(">n1_lui_test</text>"), std::string::npos);
    // Each fault the scoped run misses is marked in the matrix and in the table's scoped
    // column (before the row's first agreement cell) alike.
    const std::string quietCell = "<td class=\"unnoticed\">";
    std::size_t scopedQuiet = 0;
    for (auto at = text.find(quietCell); at != std::string::npos;
         at = text.find(quietCell, at + 1)) {
        const auto rowStart = text.rfind("<tr ", at);
        if (text.compare(rowStart, 17, "<tr class=\"fault2") == 0) continue; // the second ROM's
        const auto firstAgreement = std::min(text.find("<td class=\"yes\">", rowStart),
                                             text.find("<td class=\"no\">", rowStart));
        if (firstAgreement > at) ++scopedQuiet;
    }
    EXPECT_GT(scopedQuiet, 0u);
    EXPECT_EQ(count("<text class=\"name unnoticed\""), scopedQuiet);
    // Ambiguity groups: each lists at least two faults.
    const auto groups = text.find("<ul class=\"groups\">");
    ASSERT_NE(groups, std::string::npos);
    std::size_t groupCount = 0;
    for (auto at = text.find("<li class=\"group", groups); at != std::string::npos;
         at = text.find("<li class=\"group", at + 1)) {
        ++groupCount;
        const std::string item = text.substr(at, text.find("</li>", at) - at);
        EXPECT_NE(item.find("<code class=\"name\">", item.find("<code class=\"name\">") + 1),
                  std::string::npos)
            << item;
    }
    EXPECT_GT(groupCount, 0u);

    const fs::path shot = dir / "campaign.png";
    ASSERT_EQ(shell(browser + flags + "--window-size=1200,900 --screenshot=" + shot.string() +
                    " file://" + page.string() + " >/dev/null 2>&1"),
              0);
    const std::string png = readAll(shot);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

} // namespace
