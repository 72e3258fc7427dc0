// coretest faults: the fault campaign, every fault of the catalogue on the reference core, with
// what the ROM showed set against what the catalogue expects.
#include <fmt/format.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "campaign_page.h"
#include "commands.h"
#include "coretest/catalogue.h"
#include "coretest/whole_core_table.h"
#include "numbers.h"
#include "option_types.h"
#include "output.h"
#include "progress.h"

namespace coretest::cli {

namespace {

struct FaultsArgs {
    RomChoice image;
    std::string only;
    std::string switchText = "1";
    std::string limitText = "20000000";
    std::string jobsText = "0";
    std::string html;
    bool list = false;
    bool blindSpots = false;
    bool markdown = false;
    bool scopedOnly = false;
    bool record = false;
    bool json = false;
    bool csv = false;
};

nlohmann::json placesJson(const std::vector<OutcomePlace>& places) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& p : places)
        out.push_back({{"routine", p.routine},
                       {"case", p.caseIndex},
                       {"comparison", p.comparison},
                       {"file", p.where.routine ? p.where.routine->file : ""},
                       {"line", p.where.line},
                       {"text", p.describe()}});
    return out;
}

nlohmann::json wholeCoreExpectedJson(const WholeCoreExpected& e) {
    if (!e.recorded) return nullptr;
    return {{"kind", expectedKindName(e.kind)},
            {"routine", e.first.routine},
            {"case", e.first.caseIndex},
            {"comparison", e.first.comparison},
            {"display", e.finalDisplay},
            {"lamps", {e.lampA, e.lampB}},
            {"text", describe(e)}};
}

nlohmann::json wholeCoreJson(const WholeCoreResult& w) {
    if (!w.checked) return nullptr;
    const BoardOutcome& o = w.observed;
    nlohmann::json first = nullptr;
    if (o.first) first = placesJson({*o.first})[0];
    return {{"own_run", w.ownRun},
            {"expected", wholeCoreExpectedJson(w.expected)},
            {"observed",
             {{"kind", expectedKindName(o.kind)},
              {"stop", stopReasonName(o.reason)},
              {"first", first},
              {"display_words", o.displayWords},
              {"display", o.finalDisplay},
              {"lamps", {o.lampA, o.lampB}},
              {"text", o.describe()}}},
            {"agrees", w.agrees}};
}

// What a row says of its fault before any run: its name, description, scope and expectation.
nlohmann::json faultJson(const CampaignRow& row) {
    return {{"name", row.fault->name},
            {"description", row.fault->description},
            {"scope", row.fault->scope},
            {"expected",
             {{"kind", expectedKindName(row.fault->expected.kind)},
              {"text", row.expectedText()},
              {"places", placesJson(row.expectedPlaces)}}}};
}

nlohmann::json rowJson(const CampaignRow& row) {
    if (!row.scoped) // the second ROM: on the whole core only
        return {{"name", row.fault->name},          {"description", row.fault->description},
                {"scope", row.fault->scope},        {"whole_core", wholeCoreJson(row.wholeCore)},
                {"instructions", row.instructions}, {"seconds", row.seconds}};
    nlohmann::json observed = {{"kind", expectedKindName(row.observed.kind)},
                               {"stop", stopReasonName(row.reason)},
                               {"text", row.observedText()},
                               {"places", placesJson(row.observedPlaces)}};
    if (row.exception)
        observed["exception"] = {{"cause", causeName(row.exception->cause)},
                                 {"pc", row.exception->pc}};
    nlohmann::json j = faultJson(row);
    j.update({{"observed", observed},
              {"agrees", row.agrees},
              {"whole_core", wholeCoreJson(row.wholeCore)},
              {"instructions", row.instructions},
              {"seconds", row.seconds}});
    return j;
}

bool secondRomRun(const CampaignRun& run) {
    return !run.rows.empty() && !run.rows.front().scoped;
}

// One ROM's campaign document: how it was run, its summary and a row per fault.
nlohmann::json campaignJson(const CampaignRun& run, nlohmann::json summary) {
    nlohmann::json j = {{"image", run.image},
                        {"selection", run.selection},
                        {"switch", run.switchValue},
                        {"threads", run.threads},
                        {"seconds", run.seconds},
                        {"summary", std::move(summary)},
                        {"faults", nlohmann::json::array()}};
    for (const auto& row : run.rows)
        j["faults"].push_back(rowJson(row));
    return j;
}

// The second ROM's campaign: every fault on the whole core, against the recorded second-ROM
// table.
nlohmann::json secondRomJson(const CampaignRun& run) {
    const CampaignSummary s = summarize(run.rows);
    return campaignJson(run, {{"run", s.run},
                              {"whole_core_caught", s.wholeCoreCaught},
                              {"whole_core_unnoticed", s.wholeCoreUnnoticed},
                              {"whole_core_disagreements", s.wholeCoreDisagreements}});
}

// One ROM's document; with both ROMs the first ROM's document holds the second's as
// "second_rom".
void printJson(const CampaignRun& run, const CampaignRun* second) {
    if (secondRomRun(run)) {
        std::cout << jsonText(secondRomJson(run)) << "\n";
        return;
    }
    const CampaignSummary s = summarize(run.rows);
    nlohmann::json j =
        campaignJson(run, {{"run", s.run},
                           {"detected", s.detected},
                           {"unnoticed_as_expected", s.unnoticedAsExpected},
                           {"disagreements", s.disagreements},
                           {"whole_core_runs", s.wholeCoreRuns},
                           {"whole_core_disagreements", s.wholeCoreDisagreements},
                           {"whole_core_unnoticed", s.wholeCoreUnnoticed},
                           {"whole_core_first_seen_elsewhere", s.wholeCoreElsewhere}});
    if (second) j["second_rom"] = secondRomJson(*second);
    std::cout << jsonText(j) << "\n";
}

std::string csvField(std::string_view text) {
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The first ROM alone: the columns as they have always been. Any run with the second ROM adds a
// last column, rom (1 or 2); the second ROM's rows leave the scoped columns empty.
void printCsv(const std::vector<const CampaignRun*>& runs) {
    const bool withRom = runs.size() > 1 || secondRomRun(*runs.front());
    fmt::print("name,scope,description,expected,observed,agrees,whole_core_expected,"
               "whole_core_observed,whole_core_agrees,instructions,seconds{}\n",
               withRom ? ",rom" : "");
    for (const CampaignRun* run : runs)
        for (const auto& row : run->rows) {
            const WholeCoreResult& w = row.wholeCore;
            fmt::print("{},{},{},{},{},{},{},{},{},{},{:.6f}{}\n", csvField(row.fault->name),
                       csvField(row.fault->scope), csvField(row.fault->description),
                       csvField(row.scoped ? row.expectedText() : ""),
                       csvField(row.scoped ? row.observedText() : ""),
                       row.scoped ? (row.agrees ? "yes" : "no") : "",
                       csvField(w.checked ? describe(w.expected) : ""),
                       csvField(w.checked ? w.observed.describe() : ""),
                       w.checked ? (w.agrees ? "yes" : "no") : "", row.instructions, row.seconds,
                       withRom ? (row.scoped ? ",1" : ",2") : "");
        }
}

constexpr std::size_t kTerminalColumns = 120;

// `text` broken at spaces into lines of at most `width` characters; a word longer than that is
// cut.
std::vector<std::string> wrapped(std::string_view text, std::size_t width) {
    std::vector<std::string> lines{""};
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t space = text.find(' ', at);
        std::string_view word =
            text.substr(at, space == std::string_view::npos ? text.npos : space - at);
        at = space == std::string_view::npos ? text.size() : space + 1;
        while (!word.empty()) {
            std::string& line = lines.back();
            const std::size_t room =
                line.empty() ? width : width - std::min(width, line.size() + 1);
            if (word.size() <= room) {
                line += (line.empty() ? "" : " ") + std::string(word);
                break;
            }
            if (!line.empty()) {
                lines.emplace_back();
                continue;
            }
            line = std::string(word.substr(0, width));
            word.remove_prefix(width);
            lines.emplace_back();
        }
    }
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    return lines;
}

// Prints a line wrapped to the terminal's width.
void printWrapped(std::string_view text) {
    for (const auto& line : wrapped(text, kTerminalColumns))
        fmt::print("{}\n", line);
}

// The campaign's first line: what ran, on which image (`where`: "on" or "on the whole core with").
void printHeading(const CampaignRun& run, std::string_view where) {
    printWrapped(fmt::format(
        "coretest faults: {} ({} of the catalogue's {}) {} {}, switch 0x{:08x}", run.selection,
        run.rows.size(), faultCatalogue().size(), where, run.image, run.switchValue));
}

// One fault as a block of lines that fit the terminal: the first line starts with the fault's
// name and `columns` (padded to `lead`); the texts follow, one after another, each wrapped to the
// room left of the line and continued on lines that start with spaces.
void printBlock(std::string_view first, std::size_t lead, const std::vector<std::string>& texts) {
    const std::size_t room = kTerminalColumns - lead;
    bool firstLine = true;
    for (const auto& text : texts)
        for (const auto& line : wrapped(text, room)) {
            fmt::print("{:<{}}{}\n", firstLine ? first : std::string_view(), lead, line);
            firstLine = false;
        }
}

std::size_t nameWidth(const std::vector<CampaignRow>& rows) {
    std::size_t width = 5;
    for (const auto& r : rows)
        width = std::max(width, r.fault->name.size());
    return width + 2;
}

// An outcome that names several places, one text per place.
std::vector<std::string> labelled(std::string_view label, const std::string& text) {
    std::vector<std::string> out;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find("; ", begin)) != std::string::npos; begin = end + 2)
        out.push_back(
            fmt::format("{:<12}{}", out.empty() ? label : "", text.substr(begin, end - begin)));
    out.push_back(fmt::format("{:<12}{}", out.empty() ? label : "", text.substr(begin)));
    return out;
}

std::string summaryLine(const CampaignRun& run) {
    const CampaignSummary s = summarize(run.rows);
    std::uint64_t instructions = 0;
    for (const auto& r : run.rows)
        instructions += r.instructions;
    std::string line = fmt::format(
        "{} faults run: {} detected, {} unnoticed as expected, {} disagreement{}", s.run,
        s.detected, s.unnoticedAsExpected, s.disagreements, s.disagreements == 1 ? "" : "s");
    if (run.wholeCore)
        line += fmt::format("; whole core ({} more runs): {} unnoticed, {} first seen in another "
                            "routine, {} disagreement{}",
                            s.wholeCoreRuns, s.wholeCoreUnnoticed, s.wholeCoreElsewhere,
                            s.wholeCoreDisagreements, s.wholeCoreDisagreements == 1 ? "" : "s");
    return line + fmt::format("; {} instructions in {:.2f} s on {} thread{}", instructions,
                              run.seconds, run.threads, run.threads == 1 ? "" : "s");
}

// The second ROM's campaign: one block per fault with its recorded and, when they differ, its
// observed whole-core outcome.
void printSecondRomText(const CampaignRun& run) {
    printHeading(run, "on the whole core with");
    const std::size_t name = nameWidth(run.rows), lead = name + 8;
    fmt::print("{:<{}}{:<8}OUTCOME ON THE WHOLE CORE\n", "FAULT", name, "AGREES");
    for (const auto& row : run.rows) {
        const WholeCoreResult& w = row.wholeCore;
        std::vector<std::string> texts{fmt::format("{:<12}{}", "expected", describe(w.expected))};
        if (!w.agrees) texts.push_back(fmt::format("{:<12}{}", "observed", w.observed.describe()));
        printBlock(fmt::format("{:<{}}{}", row.fault->name, name, w.agrees ? "yes" : "NO"), lead,
                   texts);
    }
    const CampaignSummary s = summarize(run.rows);
    std::uint64_t instructions = 0;
    for (const auto& r : run.rows)
        instructions += r.instructions;
    const std::string line = fmt::format(
        "{} faults run on the whole core: {} caught, {} unnoticed, {} disagreement{}; {} "
        "instructions in {:.2f} s on {} thread{}",
        s.run, s.wholeCoreCaught, s.run - s.wholeCoreCaught, s.wholeCoreDisagreements,
        s.wholeCoreDisagreements == 1 ? "" : "s", instructions, run.seconds, run.threads,
        run.threads == 1 ? "" : "s");
    printWrapped(line);
}

void printText(const CampaignRun& run) {
    if (secondRomRun(run)) {
        printSecondRomText(run);
        return;
    }
    printHeading(run, "on");
    const std::size_t name = nameWidth(run.rows), lead = name + 8;
    fmt::print("{:<{}}{:<8}OUTCOME\n", "FAULT", name, "AGREES");
    for (const auto& row : run.rows) {
        const WholeCoreResult& w = row.wholeCore;
        std::vector<std::string> texts = labelled("expected", row.expectedText());
        for (auto& t : labelled("observed", row.observedText()))
            texts.push_back(std::move(t));
        if (w.checked) {
            texts.push_back(fmt::format("{:<12}{}", "whole core", describe(w.expected)));
            if (!w.agrees)
                texts.push_back(fmt::format("{:<12}{}", "observed", w.observed.describe()));
        }
        texts.emplace_back(row.fault->description);
        const bool both = row.agreesBothWays();
        printBlock(fmt::format("{:<{}}{}", row.fault->name, name,
                               both ? "yes" : (row.agrees ? "WHOLE" : "NO")),
                   lead, texts);
    }
    printWrapped(summaryLine(run));
}

CampaignRow expectationsOnly(const FaultDef& f, const RomMap& map) {
    CampaignRow row;
    row.fault = &f;
    for (const auto& e : f.expected.failures)
        row.expectedPlaces.push_back({map.caseOf(e.routine, e.caseIndex), std::string(e.routine),
                                      e.caseIndex, e.comparison});
    row.wholeCore.expected = wholeCoreExpectation(f);
    return row;
}

// The fault's recorded outcome on the whole core with the second ROM, whether the board shows it
// there, and why not when it is a blind spot of the first ROM that the second does not catch.
nlohmann::json secondRomListJson(const FaultDef& f) {
    const WholeCoreExpected e = secondRomExpectation(f);
    nlohmann::json j = wholeCoreExpectedJson(e);
    if (j.is_null()) return j;
    j["caught"] = caught(e);
    std::string_view reason;
    for (const auto& r : recordedSecondRomTable())
        if (r.fault == f.name) reason = r.reason;
    j["reason"] = reason;
    return j;
}

void printList(const std::vector<const FaultDef*>& faults, const RomMap& map, bool json) {
    std::vector<CampaignRow> rows;
    for (const FaultDef* f : faults)
        rows.push_back(expectationsOnly(*f, map));
    if (json) {
        nlohmann::json j = nlohmann::json::array();
        for (const auto& row : rows) {
            nlohmann::json f = faultJson(row);
            f.update({{"whole_core", wholeCoreExpectedJson(row.wholeCore.expected)},
                      {"second_rom", secondRomListJson(*row.fault)}});
            j.push_back(std::move(f));
        }
        std::cout << jsonText(j) << "\n";
        return;
    }
    std::size_t scope = 9;
    for (const auto& r : rows)
        scope = std::max(scope, r.fault->scope.size());
    const std::size_t name = nameWidth(rows), lead = name + scope + 2;
    fmt::print("{:<{}}{:<{}}EXPECTED\n", "FAULT", name, "SCOPE", scope + 2);
    for (const auto& row : rows) {
        std::vector<std::string> texts = labelled("", row.expectedText());
        for (auto& t : texts)
            t.erase(0, 12);
        texts.push_back("whole core: " + describe(row.wholeCore.expected));
        texts.emplace_back(row.fault->description);
        const std::string_view sc = row.fault->scope.empty() ? "whole ROM" : row.fault->scope;
        printBlock(fmt::format("{:<{}}{}", row.fault->name, name, sc), lead, texts);
    }
    fmt::print("{} faults\n", rows.size());
}

// A text as one cell of a Markdown table: a '|' would end the cell.
std::string markdownCell(std::string_view text) {
    std::string out;
    for (char c : text)
        out += c == '|' ? std::string("\\|") : std::string(1, c);
    return out;
}

std::string markdownCode(std::string_view text) {
    return "`" + markdownCell(text) + "`";
}

std::string_view scopeText(const FaultDef& f) {
    return f.scope.empty() ? "whole ROM" : f.scope;
}

// The catalogue as a Markdown table, for the documentation (the same facts as --list).
void printListMarkdown(const std::vector<const FaultDef*>& faults, const RomMap& map) {
    fmt::print("| Fault | Scope | Expected in its scope | Whole core | Description |\n"
               "|---|---|---|---|---|\n");
    for (const FaultDef* f : faults) {
        const CampaignRow row = expectationsOnly(*f, map);
        fmt::print("| {} | {} | {} | {} | {} |\n", markdownCode(f->name),
                   markdownCell(scopeText(*f)), markdownCell(row.expectedText()),
                   markdownCell(describe(row.wholeCore.expected)), markdownCell(f->description));
    }
    fmt::print("\n{} faults\n", faults.size());
}

struct BlindSpot {
    const FaultDef* fault;
    WholeCoreExpected outcome;
    std::string_view reason;
    WholeCoreExpected second;   // on the whole core with the second ROM
    std::string_view secondWhy; // why the second ROM does not catch it
};

// The faults whose whole-core form goes unnoticed, or is first seen in another routine than
// their own, with the reason their recorded entry gives and what the second ROM shows.
std::vector<BlindSpot> blindSpots(const std::vector<const FaultDef*>& faults) {
    std::vector<BlindSpot> out;
    for (const FaultDef* f : faults) {
        const WholeCoreExpected e = wholeCoreExpectation(*f);
        if (!e.recorded || !isBlindSpot(*f, e)) continue;
        BlindSpot spot{f, e, {}, secondRomExpectation(*f), {}};
        for (const auto& r : recordedWholeCoreTable())
            if (r.fault == f->name) spot.reason = r.reason;
        for (const auto& r : recordedSecondRomTable())
            if (r.fault == f->name) spot.secondWhy = r.reason;
        out.push_back(spot);
    }
    return out;
}

std::string firstSeenText(const WholeCoreExpected& e) {
    if (e.first.routine.empty()) return "—";
    return e.first.caseIndex ? fmt::format("{} case {}", e.first.routine, e.first.caseIndex)
                             : std::string(e.first.routine);
}

// "yes, n77_ov_test case 1", "yes, no verdict; display 0x..., lamps 1,2", "no: why".
std::string secondRomText(const BlindSpot& s) {
    if (!s.second.recorded) return "not recorded";
    if (!caught(s.second)) return fmt::format("no: {}", s.secondWhy);
    if (s.second.first.routine.empty()) return fmt::format("yes, {}", describe(s.second));
    return fmt::format("yes, {}", firstSeenText(s.second));
}

// The table's footer: how many there are, how many the second ROM catches, and how many the two
// ROMs catch together (a blind spot that the first ROM sees, only in another routine than the
// fault's own, is caught there).
std::string blindSpotFooter(const std::vector<BlindSpot>& spots, std::size_t faults) {
    std::size_t bySecond = 0, byFirst = 0, byPair = 0;
    for (const auto& s : spots) {
        bySecond += caught(s.second);
        byFirst += caught(s.outcome);
        byPair += caught(s.second) || caught(s.outcome);
    }
    return fmt::format("{0} blind spots among {1} faults\n"
                       "{2} of the first ROM's {0} blind spots are caught by the second ROM\n"
                       "{3} of the {0} are caught by the pair (the first ROM shows {4} of them, "
                       "in another routine than the fault's own)\n",
                       spots.size(), faults, bySecond, byPair, byFirst);
}

void printBlindSpots(const std::vector<const FaultDef*>& faults, bool markdown) {
    const auto spots = blindSpots(faults);
    if (markdown) {
        fmt::print("| Fault | Scope | Whole core | First seen | Board at the end | Why | Caught by "
                   "the second ROM |\n"
                   "|---|---|---|---|---|---|---|\n");
        for (const auto& s : spots)
            fmt::print("| {} | {} | {} | {} | `0x{:08x}`, {},{} | {} | {} |\n",
                       markdownCode(s.fault->name), markdownCell(scopeText(*s.fault)),
                       expectedKindName(s.outcome.kind), markdownCell(firstSeenText(s.outcome)),
                       s.outcome.finalDisplay, s.outcome.lampA, s.outcome.lampB,
                       markdownCell(s.reason), markdownCell(secondRomText(s)));
        fmt::print("\n{}", blindSpotFooter(spots, faults.size()));
        return;
    }
    std::size_t name = 5, scope = 9;
    for (const auto& s : spots) {
        name = std::max(name, s.fault->name.size());
        scope = std::max(scope, scopeText(*s.fault).size());
    }
    name += 2;
    fmt::print("{:<{}}{:<{}}WHOLE CORE\n", "FAULT", name, "SCOPE", scope + 2);
    for (const auto& s : spots) {
        std::vector<std::string> texts{describe(s.outcome)};
        if (!s.reason.empty()) texts.push_back("why: " + std::string(s.reason));
        texts.push_back("second ROM: " + secondRomText(s));
        printBlock(fmt::format("{:<{}}{}", s.fault->name, name, scopeText(*s.fault)),
                   name + scope + 2, texts);
    }
    fmt::print("{}", blindSpotFooter(spots, faults.size()));
}

const char* kindIdentifier(ExpectedKind kind) {
    switch (kind) {
    case ExpectedKind::Unnoticed: return "Unnoticed";
    case ExpectedKind::Fails: return "Fails";
    case ExpectedKind::ExceptionIdle: return "ExceptionIdle";
    case ExpectedKind::IdleNoVerdict: return "IdleNoVerdict";
    }
    return "Unnoticed";
}

// The recorded whole-core table's rows for what this campaign observed, in its source form; the
// reasons already recorded are kept.
// On the second ROM: the rows of the recorded second-ROM table, every fault.
void printRecord(const CampaignRun& run) {
    const bool second = secondRomRun(run);
    for (const auto& row : run.rows) {
        if (!second && row.fault->wholeCore.recorded) continue; // stated with the fault
        const BoardOutcome& o = row.wholeCore.observed;
        std::string_view reason;
        for (const auto& r : second ? recordedSecondRomTable() : recordedWholeCoreTable())
            if (r.fault == row.fault->name) reason = r.reason;
        fmt::print("        {{\"{}\",\n         {{true, ExpectedKind::{}, {{\"{}\", {}, {}}}, "
                   "0x{:08x}, {}, "
                   "{}}},\n         \"{}\"}},\n",
                   row.fault->name, kindIdentifier(o.kind), o.first ? o.first->routine : "",
                   o.first ? o.first->caseIndex : 0, o.first ? o.first->comparison : 0,
                   o.finalDisplay, o.lampA, o.lampB, reason);
    }
}

} // namespace

Action addFaultsCommand(CLI::App& app) {
    auto args = std::make_shared<FaultsArgs>();
    CLI::App* sub = app.add_subcommand(
        "faults", "run every fault of the catalogue and check that the ROM shows it as expected");
    args->image.elfOption =
        sub->add_option("elf", args->image.elf,
                        "ROM image (default: both ROMs this build produced, one after the "
                        "other)");
    args->image.addRomOption(*sub);
    auto* list = sub->add_flag("--list", args->list, "print the catalogue instead of running it");
    auto* blind = sub->add_flag("--blind-spots", args->blindSpots,
                                "print the ROM's blind spots instead of running: the faults whose "
                                "whole-core form goes unnoticed or is first seen in another "
                                "routine, with why");
    blind->excludes(list);
    auto* markdown = sub->add_flag("--markdown", args->markdown,
                                   "with --list or --blind-spots: print a Markdown table (the "
                                   "documentation's)");
    sub->add_option("--only", args->only,
                    "run only the faults whose name matches this glob (with * ? or [) or "
                    "contains this text");
    sub->add_option("--switch", args->switchText, "SWITCH_REG value, non-zero (default 1)");
    sub->add_option("--limit", args->limitText,
                    "instructions after which a run counts as still running (default 20000000)");
    sub->add_option("--jobs", args->jobsText, "threads (default: one per hardware thread)");
    auto* scoped = sub->add_flag("--scoped-only", args->scopedOnly,
                                 "run each fault in its scope only, not also on the whole core "
                                 "(the first ROM only)");
    auto* record = sub->add_flag("--record-whole-core", args->record,
                                 "print the whole-core outcomes of one ROM (the first unless "
                                 "--rom 2) as rows of its recorded table "
                                 "(faults/src/whole_core_table.cpp)");
    record->excludes(scoped);
    auto* json = sub->add_flag("--json", args->json, "print one JSON document");
    json->excludes(record);
    auto* csv = sub->add_flag("--csv", args->csv, "print comma-separated values");
    json->excludes(csv);
    json->excludes(blind);
    csv->excludes(blind);
    markdown->excludes(json);
    markdown->excludes(csv);
    sub->add_option("--html", args->html,
                    "also write a self-contained page with the table and a fault-by-routine "
                    "matrix to this file");
    return [args]() {
        if (args->markdown && !args->list && !args->blindSpots)
            throw InputError("--markdown prints the table of --list or --blind-spots; give one "
                             "of them");
        const FaultFilter filter(args->only);
        const auto faults = filter.select(faultCatalogue());
        if (faults.empty())
            throw InputError(fmt::format("--only {}: no fault of the catalogue matches; "
                                         "coretest faults --list shows the names",
                                         cli::quoted(args->only)));
        // The tables and a recording read one ROM (the first unless one is named); a campaign
        // runs both ROMs of this build unless an image or --rom names one.
        const bool oneRom = !args->image.rom.empty() ||
                            (args->image.elfOption && args->image.elfOption->count() > 0) ||
                            args->list || args->blindSpots || args->record || args->scopedOnly;
        std::vector<std::string> paths{args->image.path()};
        if (!oneRom) {
            if (!std::filesystem::exists(CORETEST_DEFAULT_ROM2))
                throw InputError(fmt::format("the second ROM {} is not built (the build target "
                                             "rom2); --rom 1 runs the first ROM alone",
                                             cli::quoted(CORETEST_DEFAULT_ROM2)));
            paths.emplace_back(CORETEST_DEFAULT_ROM2);
        }
        if (!args->html.empty()) refuseOutputOverInput(args->html, paths);
        const Image image = Image::load(paths.front());
        const RomMap map = RomMap::load(image);
        if (args->blindSpots) {
            printBlindSpots(faults, args->markdown);
            return kPass;
        }
        if (args->list) {
            if (args->markdown)
                printListMarkdown(faults, map);
            else
                printList(faults, map, args->json);
            return kPass;
        }
        if (args->scopedOnly && isSecondRom(map))
            throw InputError("--scoped-only: the faults' scopes are the first ROM's routines; on "
                             "the second ROM every fault runs on the whole core");
        CampaignOptions options;
        options.switchValue = parseSwitch(args->switchText);
        if (options.switchValue == 0)
            throw InputError("--switch: 0 selects the two-million-iteration pause after every "
                             "routine; the campaign takes a non-zero value");
        options.instructionLimit = parseLimit(args->limitText);
        options.wholeCore = !args->scopedOnly;
        options.threads = static_cast<unsigned>(parseNumber("--jobs", args->jobsText, 256));
        if (!options.threads) options.threads = std::max(1u, std::thread::hardware_concurrency());

        // The maps point into their images: no image moves once its map is made.
        std::vector<Image> images;
        std::vector<RomMap> maps;
        images.reserve(paths.size());
        images.push_back(image);
        maps.push_back(map);
        for (std::size_t i = 1; i < paths.size(); ++i) {
            images.push_back(Image::load(paths[i]));
            maps.push_back(RomMap::load(images.back()));
        }
        std::vector<CampaignRun> runs(paths.size());
        {
            Progress progress("coretest faults:");
            for (std::size_t i = 0; i < paths.size(); ++i) {
                CampaignRun& run = runs[i];
                run.image = paths[i];
                run.selection = filter.describe();
                run.switchValue = options.switchValue;
                run.wholeCore = options.wholeCore;
                run.threads =
                    static_cast<unsigned>(std::min<std::size_t>(options.threads, faults.size()));
                const std::size_t before = i * faults.size(), total = paths.size() * faults.size();
                options.progress = [&progress, before, total](std::size_t done, std::size_t) {
                    progress.update(before + done, total);
                };
                const auto start = std::chrono::steady_clock::now();
                run.rows = runCampaign(images[i], maps[i], faults, options);
                run.seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
        }
        if (args->record) {
            printRecord(runs.front());
            return kPass;
        }
        const CampaignRun* second = runs.size() > 1 ? &runs[1] : nullptr;
        if (args->json) {
            printJson(runs.front(), second);
        } else if (args->csv) {
            std::vector<const CampaignRun*> all;
            for (const auto& run : runs)
                all.push_back(&run);
            printCsv(all);
        } else {
            for (std::size_t i = 0; i < runs.size(); ++i) {
                if (i) fmt::print("\n");
                printText(runs[i]);
            }
        }
        if (!args->html.empty())
            writeTo(args->html, false, [&](std::ostream& out) {
                writeCampaignPage(runs.front(), maps.front(), out, second ? &runs[1] : nullptr);
            });
        bool disagreements = false;
        for (const auto& run : runs) {
            const CampaignSummary s = summarize(run.rows);
            disagreements = disagreements || s.disagreements || s.wholeCoreDisagreements;
        }
        return disagreements ? kCoreFailed : kPass;
    };
}

} // namespace coretest::cli
