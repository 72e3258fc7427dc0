// The documentation's tables that the code knows: every block marked
// `<!-- generated: coretest ARGS -->` holds exactly what `coretest ARGS` prints now, the fault
// catalogue and the blind-spot table are among them, their Markdown agrees with the catalogue's
// JSON, and the limits stated on the hostile-input page are the ones the tools enforce.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace {

namespace fs = std::filesystem;

using coretest_test::runCli;
using coretest_test::scratchDir;
using Result = coretest_test::CliResult;

const fs::path kSource = CORETEST_SOURCE_DIR;
constexpr const char* kRegenerate = "regenerate with: scripts/update-docs.sh build/cli/coretest";

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

struct Block {
    std::string page; // relative to the source folder
    int line = 0;     // of the opening marker
    std::string args; // after "coretest "
    std::string content;
    bool closed = false;
};

// The generated blocks of a page, with a fence around the content taken away.
std::vector<Block> generatedBlocks(const fs::path& page) {
    static const std::regex begin("^<!-- generated: coretest (.*) -->$");
    static const std::regex end("^<!-- end generated -->$");
    std::vector<Block> out;
    const auto lines = splitLines(readText(page));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_match(lines[i], m, begin)) continue;
        Block b{fs::relative(page, kSource).string(), static_cast<int>(i + 1), m[1].str(), "",
                false};
        std::vector<std::string> inside;
        for (++i; i < lines.size(); ++i) {
            if (std::regex_match(lines[i], end)) {
                b.closed = true;
                break;
            }
            inside.push_back(lines[i]);
        }
        if (inside.size() >= 2 && inside.front().rfind("```", 0) == 0 && inside.back() == "```")
            inside = {inside.begin() + 1, inside.end() - 1};
        for (const auto& l : inside)
            b.content += l + "\n";
        out.push_back(b);
    }
    return out;
}

std::vector<fs::path> pages() {
    std::vector<fs::path> out{kSource / "README.md"};
    for (const auto& e : fs::directory_iterator(kSource / "docs"))
        if (e.path().extension() == ".md") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Block> allBlocks() {
    std::vector<Block> out;
    for (const auto& p : pages())
        for (auto& b : generatedBlocks(p))
            out.push_back(std::move(b));
    return out;
}

// The first line where two texts differ, for a message that shows where.
std::string firstDifference(const std::string& page, const std::string& tool) {
    const auto a = splitLines(page), b = splitLines(tool);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        const std::string x = i < a.size() ? a[i] : "(nothing)",
                          y = i < b.size() ? b[i] : "(nothing)";
        if (x != y)
            return "line " + std::to_string(i + 1) +
                   " of the block\n    page: " + x.substr(0, 200) +
                   "\n    tool: " + y.substr(0, 200);
    }
    return "(line ends differ)";
}

TEST(DocTables, EveryGeneratedBlockIsWhatTheToolPrintsNow) {
    const auto blocks = allBlocks();
    ASSERT_FALSE(blocks.empty()) << "no generated block in README.md or docs/";
    for (const auto& b : blocks) {
        SCOPED_TRACE(b.page + ":" + std::to_string(b.line) + ": coretest " + b.args);
        ASSERT_TRUE(b.closed) << "the block has no <!-- end generated --> marker";
        const Result r = runCli(b.args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        EXPECT_TRUE(b.content == r.out)
            << b.page << " differs from `coretest " << b.args << "` at "
            << firstDifference(b.content, r.out) << "\n  " << kRegenerate;
    }
}

TEST(DocTables, TheTablesTheCodeKnowsArePublished) {
    const struct {
        const char* page;
        const char* args;
    } published[] = {
        {"docs/fault-catalogue.md", "faults --list --markdown"},
        {"docs/faults.md", "faults --blind-spots --markdown"},
    };
    const auto blocks = allBlocks();
    for (const auto& p : published)
        EXPECT_TRUE(
            std::any_of(blocks.begin(), blocks.end(),
                        [&](const Block& b) { return b.page == p.page && b.args == p.args; }))
            << p.page << " has no block <!-- generated: coretest " << p.args << " -->";
}

// The cells of a Markdown table row; an escaped '|' stays inside its cell.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> out;
    std::string cell;
    for (std::size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '\\' && i + 1 < row.size() && row[i + 1] == '|') {
            cell += '|';
            ++i;
        } else if (row[i] == '|') {
            const auto b = cell.find_first_not_of(' '), e = cell.find_last_not_of(' ');
            out.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
            cell.clear();
        } else {
            cell += row[i];
        }
    }
    return out;
}

// The data rows of the Markdown table in a tool's output: each row's cells, the header checked.
std::vector<std::vector<std::string>> tableRows(const std::string& out, std::size_t columns) {
    std::vector<std::vector<std::string>> rows;
    const auto lines = splitLines(out);
    EXPECT_GE(lines.size(), 2u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] != '|') continue;
        auto c = cells(lines[i]);
        EXPECT_EQ(c.size(), columns) << "row " << i + 1 << ": " << lines[i];
        if (i == 1) {
            EXPECT_EQ(lines[i].find_first_not_of("|-"), std::string::npos) << lines[i];
        }
        if (i >= 2) rows.push_back(std::move(c));
    }
    return rows;
}

std::string unquoted(const std::string& code) {
    return code.size() >= 2 && code.front() == '`' && code.back() == '`'
               ? code.substr(1, code.size() - 2)
               : code;
}

const nlohmann::json& catalogue() {
    static const nlohmann::json j = nlohmann::json::parse(runCli("faults --list --json").out);
    return j;
}

std::string scopeOf(const nlohmann::json& f) {
    const std::string scope = f["scope"];
    return scope.empty() ? "whole ROM" : scope;
}

TEST(DocTables, CatalogueTableHasEveryFaultInOrderWithItsScopeAndTexts) {
    const Result r = runCli("faults --list --markdown");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = tableRows(r.out, 5);
    ASSERT_EQ(rows.size(), catalogue().size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& f = catalogue()[i];
        EXPECT_EQ(unquoted(rows[i][0]), f["name"]);
        EXPECT_EQ(rows[i][1], scopeOf(f)) << f["name"];
        EXPECT_EQ(rows[i][2], f["expected"]["text"]) << f["name"];
        EXPECT_EQ(rows[i][3], f["whole_core"]["text"]) << f["name"];
        EXPECT_EQ(rows[i][4], f["description"]) << f["name"];
    }
    EXPECT_NE(r.out.find("\n" + std::to_string(rows.size()) + " faults\n"), std::string::npos);
}

// The blind spots, from the catalogue's own whole-core expectations: unnoticed, or first seen in
// another routine than the fault's scope.
std::vector<std::string> expectedBlindSpots() {
    std::vector<std::string> out;
    for (const auto& f : catalogue()) {
        const auto& w = f["whole_core"];
        const std::string scope = f["scope"], routine = w["routine"], kind = w["kind"];
        if (kind == "unnoticed" || (!scope.empty() && routine != scope)) out.push_back(f["name"]);
    }
    return out;
}

TEST(DocTables, BlindSpotTableIsTheFaultsTheWholeCoreMissesOrSeesElsewhere) {
    const Result r = runCli("faults --blind-spots --markdown");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = tableRows(r.out, 7);
    const auto expected = expectedBlindSpots();
    ASSERT_FALSE(expected.empty());
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(unquoted(row[0]));
    EXPECT_EQ(names, expected);
    std::map<std::string, const nlohmann::json*> byName;
    for (const auto& f : catalogue())
        byName[f["name"]] = &f;
    std::size_t bySecond = 0, byPair = 0, byFirst = 0;
    for (const auto& row : rows) {
        const auto& f = *byName.at(unquoted(row[0]));
        const auto& w = f["whole_core"];
        SCOPED_TRACE(unquoted(row[0]));
        EXPECT_EQ(row[1], scopeOf(f));
        EXPECT_EQ(row[2], w["kind"]);
        const std::string routine = w["routine"];
        EXPECT_EQ(row[3],
                  routine.empty() ? "—" : routine + " case " + std::to_string(int(w["case"])));
        const auto display = static_cast<unsigned>(w["display"]);
        char board[64];
        std::snprintf(board, sizeof board, "`0x%08x`, %d,%d", display, int(w["lamps"][0]),
                      int(w["lamps"][1]));
        EXPECT_EQ(row[4], board);
        // Every blind spot is reviewed: it says why.
        EXPECT_FALSE(row[5].empty());
        // Caught by the second ROM: where, or why not.
        const auto& second = f["second_rom"];
        ASSERT_TRUE(second.is_object()) << "no outcome on the second ROM";
        const std::string where = second["routine"];
        if (second["caught"]) {
            const int at = second["case"];
            EXPECT_EQ(row[6], "yes, " + (where.empty() ? std::string(second["text"])
                                         : at          ? where + " case " + std::to_string(at)
                                                       : where));
        } else {
            EXPECT_EQ(row[6], "no: " + std::string(second["reason"]));
            EXPECT_GT(std::string(second["reason"]).size(), 10u) << "a no without its reason";
        }
        bySecond += second["caught"].get<bool>();
        byPair += second["caught"].get<bool>() || routine != "" || w["kind"] != "unnoticed";
        byFirst += routine != "" || w["kind"] != "unnoticed";
    }
    EXPECT_NE(r.out.find("\n" + std::to_string(rows.size()) + " blind spots among " +
                         std::to_string(catalogue().size()) + " faults\n"),
              std::string::npos);
    const std::string m = std::to_string(rows.size());
    EXPECT_NE(r.out.find("\n" + std::to_string(bySecond) + " of the first ROM's " + m +
                         " blind spots are caught by the second ROM\n"),
              std::string::npos)
        << r.out.substr(r.out.rfind("\n\n"));
    EXPECT_NE(r.out.find("\n" + std::to_string(byPair) + " of the " + m +
                         " are caught by the pair (the first ROM shows " + std::to_string(byFirst) +
                         " of them"),
              std::string::npos)
        << r.out.substr(r.out.rfind("\n\n"));
    EXPECT_GT(bySecond, rows.size() / 2);

    // The terminal form lists the same faults, each on a block whose first line starts with it.
    const Result text = runCli("faults --blind-spots");
    ASSERT_EQ(text.status, 0) << text.err;
    std::vector<std::string> listed;
    for (const auto& l : splitLines(text.out))
        if (!l.empty() && l[0] != ' ' && l.rfind("FAULT", 0) != 0 &&
            l.find(" blind spots among ") == std::string::npos &&
            l.find(" are caught by the ") == std::string::npos)
            listed.push_back(l.substr(0, l.find(' ')));
    EXPECT_EQ(listed, expected);
}

TEST(DocTables, OnlyNarrowsTheTables) {
    const Result r = runCli("faults --list --markdown --only 'slt-*'");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = tableRows(r.out, 5);
    ASSERT_FALSE(rows.empty());
    for (const auto& row : rows)
        EXPECT_EQ(unquoted(row[0]).rfind("slt-", 0), 0u) << row[0];
}

TEST(DocTables, MarkdownIsRefusedWhereThereIsNoTable) {
    const struct {
        const char* args;
        const char* says;
    } cases[] = {
        {"faults --markdown", "--markdown"},
        {"faults --blind-spots --json", "--json"},
        {"faults --blind-spots --csv", "--csv"},
        {"faults --list --blind-spots", "--blind-spots"},
        {"faults --list --markdown --json", "--json"},
    };
    for (const auto& c : cases) {
        const Result r = runCli(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_TRUE(r.out.empty()) << c.args << ": " << r.out;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
    }
}

// ---- the limits on the hostile-input page ----

std::map<std::string, std::string> limitsTable() {
    std::map<std::string, std::string> out;
    const auto lines = splitLines(readText(kSource / "docs" / "hostile-input.md"));
    bool inside = false;
    for (const auto& l : lines) {
        if (l == "<!-- limits -->")
            inside = true;
        else if (l == "<!-- end limits -->")
            inside = false;
        else if (inside && l.rfind("| ", 0) == 0 && l.rfind("| Limit", 0) != 0) {
            const auto c = cells(l);
            if (c.size() >= 2) out[c[0]] = c[1];
        }
    }
    return out;
}

void writeFile(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

TEST(DocLimits, HostileInputPageStatesTheLimitsTheToolsEnforce) {
    const fs::path dir = scratchDir() / "limits";
    fs::create_directories(dir);
    // A sparse file one byte over 64 MiB, a trace line of 5000 bytes, a tagged record 4999 late.
    {
        std::ofstream big(dir / "big.elf", std::ios::binary);
        big.seekp((64 << 20), std::ios::beg);
        big.put('\0');
    }
    writeFile(dir / "long.trace", std::string(5000, 'a') + "\n");
    writeFile(dir / "late.trace", "@5000 bfc00000 r01 00000000\n@1 bfc00000 r01 00000000\n");
    // Five records of one tagged instruction, after blank lines (so that the fifth is not on line
    // 5).
    std::string crowded = "\n\n\n";
    for (int i = 0; i < 5; ++i)
        crowded += "@1 bfc00000 r01 00000000\n";
    writeFile(dir / "crowded.trace", crowded);
    // The reference trace, then a million and one lines after its end mark.
    const Result golden = runCli("trace --switch 1 -o '" + (dir / "after.trace").string() + "'");
    ASSERT_EQ(golden.status, 0) << golden.err;
    {
        std::ofstream after(dir / "after.trace", std::ios::binary | std::ios::app);
        const std::string line = "bfc00000 r01 00000000\n";
        for (int i = 0; i < 1'000'001; ++i)
            after << line;
    }
    // 65 different faults of the catalogue.
    std::string faults;
    for (std::size_t i = 0; i < 65 && i < catalogue().size(); ++i)
        faults += " --fault " + catalogue()[i]["name"].get<std::string>();

    // Each row of the page's table, the command whose output states it, and the number of the
    // row's value as that output writes it (its first word).
    const struct {
        const char* limit;
        std::string args;
    } rows[] = {
        {"image file", "run '" + (dir / "big.elf").string() + "'"},
        {"trace line", "compare '" + (dir / "long.trace").string() + "'"},
        {"`compare --window`", "compare --help"},
        {"tagged record out of order", "compare '" + (dir / "late.trace").string() + "'"},
        {"records `trace` writes by default", "trace --help"},
        {"`export --size`", "export --format bin --size 99999999 -o /dev/null"},
        {"records of one `@SEQ` in a tagged trace",
         "compare '" + (dir / "crowded.trace").string() + "'"},
        {"lines read after the end mark", "compare '" + (dir / "after.trace").string() + "'"},
        {"different `--fault` options in one run", "run --switch 1" + faults},
    };
    const auto table = limitsTable();
    EXPECT_EQ(table.size(), std::size(rows)) << "a limit on the page that this test does not check";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.limit);
        const auto it = table.find(row.limit);
        ASSERT_NE(it, table.end()) << "docs/hostile-input.md has no row for this limit";
        const std::string value = it->second.substr(0, it->second.find(' '));
        const std::string unit = it->second.substr(it->second.find(' ') + 1);
        const Result r = runCli(row.args);
        const std::string said = r.out + r.err;
        // "64 MiB" is said as "64 MiB"; a plain number as the number.
        const std::string expect = unit == "MiB" ? value + " MiB" : value;
        EXPECT_TRUE(std::regex_search(said, std::regex("(^|[^0-9])" + expect + "($|[^0-9])")))
            << "the page says " << it->second << "; coretest " << row.args << " says:\n"
            << said;
    }
}

} // namespace
