// coretest faults: the fault campaign, every fault of the catalogue on the reference core, with
// what the ROM showed set against what the catalogue expects.
#include <fmt/format.h>

#include <chrono>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "campaign_page.h"
#include "commands.h"
#include "numbers.h"
#include "output.h"
#include "progress.h"

namespace coretest::cli {

namespace {

struct FaultsArgs {
    std::string elf = CORETEST_DEFAULT_ROM;
    std::string only;
    std::string switchText = "1";
    std::string limitText = "20000000";
    std::string jobsText = "0";
    std::string html;
    bool list = false;
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

nlohmann::json rowJson(const CampaignRow& row) {
    nlohmann::json observed = {{"kind", expectedKindName(row.observed.kind)},
                               {"stop", stopReasonName(row.reason)},
                               {"text", row.observedText()},
                               {"places", placesJson(row.observedPlaces)}};
    if (row.exception)
        observed["exception"] = {{"cause", causeName(row.exception->cause)},
                                 {"pc", row.exception->pc}};
    return {{"name", row.fault->name},
            {"description", row.fault->description},
            {"scope", row.fault->scope},
            {"expected",
             {{"kind", expectedKindName(row.fault->expected.kind)},
              {"text", row.expectedText()},
              {"places", placesJson(row.expectedPlaces)}}},
            {"observed", observed},
            {"agrees", row.agrees},
            {"instructions", row.instructions},
            {"seconds", row.seconds}};
}

void printJson(const CampaignRun& run) {
    const CampaignSummary s = summarize(run.rows);
    nlohmann::json j = {{"image", run.image},
                        {"selection", run.selection},
                        {"switch", run.switchValue},
                        {"threads", run.threads},
                        {"seconds", run.seconds},
                        {"summary",
                         {{"run", s.run},
                          {"detected", s.detected},
                          {"unnoticed_as_expected", s.unnoticedAsExpected},
                          {"disagreements", s.disagreements}}},
                        {"faults", nlohmann::json::array()}};
    for (const auto& row : run.rows)
        j["faults"].push_back(rowJson(row));
    std::cout << j.dump(2) << "\n";
}

std::string csvField(std::string_view text) {
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

void printCsv(const CampaignRun& run) {
    fmt::print("name,scope,description,expected,observed,agrees,instructions,seconds\n");
    for (const auto& row : run.rows)
        fmt::print("{},{},{},{},{},{},{},{:.6f}\n", csvField(row.fault->name),
                   csvField(row.fault->scope), csvField(row.fault->description),
                   csvField(row.expectedText()), csvField(row.observedText()),
                   row.agrees ? "yes" : "no", row.instructions, row.seconds);
}

// The lines of one table cell.
std::vector<std::string> cellLines(const std::string& cell) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = cell.find('\n', begin)) != std::string::npos; begin = end + 1)
        lines.push_back(cell.substr(begin, end - begin));
    lines.push_back(cell.substr(begin));
    return lines;
}

// Columns padded to their widest line; the last one is left as it is. A cell of several lines
// continues on the lines below, in its own column.
void printColumns(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> width(rows.front().size(), 0);
    for (const auto& r : rows)
        for (std::size_t c = 0; c + 1 < r.size(); ++c)
            for (const auto& l : cellLines(r[c]))
                width[c] = std::max(width[c], l.size());
    for (const auto& r : rows) {
        std::vector<std::vector<std::string>> cells;
        std::size_t height = 0;
        for (const auto& cell : r) {
            cells.push_back(cellLines(cell));
            height = std::max(height, cells.back().size());
        }
        for (std::size_t k = 0; k < height; ++k) {
            std::string line;
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const std::string& part = k < cells[c].size() ? cells[c][k] : std::string();
                line += c + 1 < cells.size() ? fmt::format("{:<{}}  ", part, width[c]) : part;
            }
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            fmt::print("{}\n", line);
        }
    }
}

// An outcome that names several places, one place per line.
std::string stacked(std::string text) {
    for (std::size_t at; (at = text.find("; ")) != std::string::npos;)
        text.replace(at, 2, "\n");
    return text;
}

std::string summaryLine(const CampaignRun& run) {
    const CampaignSummary s = summarize(run.rows);
    std::uint64_t instructions = 0;
    for (const auto& r : run.rows)
        instructions += r.instructions;
    return fmt::format("{} faults run: {} detected, {} unnoticed as expected, {} disagreement{}; "
                       "{} instructions in {:.2f} s on {} thread{}",
                       s.run, s.detected, s.unnoticedAsExpected, s.disagreements,
                       s.disagreements == 1 ? "" : "s", instructions, run.seconds, run.threads,
                       run.threads == 1 ? "" : "s");
}

void printText(const CampaignRun& run) {
    fmt::print("coretest faults: {} ({} of the catalogue's {}) on {}, switch 0x{:08x}\n",
               run.selection, run.rows.size(), faultCatalogue().size(), run.image, run.switchValue);
    std::vector<std::vector<std::string>> rows{
        {"FAULT", "AGREES", "EXPECTED", "OBSERVED", "DESCRIPTION"}};
    for (const auto& row : run.rows)
        rows.push_back({std::string(row.fault->name), row.agrees ? "yes" : "NO",
                        stacked(row.expectedText()), stacked(row.observedText()),
                        std::string(row.fault->description)});
    printColumns(rows);
    fmt::print("{}\n", summaryLine(run));
}

void printList(const std::vector<const FaultDef*>& faults, const RomMap& map, bool json) {
    std::vector<CampaignRow> rows;
    for (const FaultDef* f : faults) {
        CampaignRow row;
        row.fault = f;
        for (const auto& e : f->expected.failures)
            row.expectedPlaces.push_back({map.caseOf(e.routine, e.caseIndex),
                                          std::string(e.routine), e.caseIndex, e.comparison});
        rows.push_back(std::move(row));
    }
    if (json) {
        nlohmann::json j = nlohmann::json::array();
        for (const auto& row : rows)
            j.push_back({{"name", row.fault->name},
                         {"description", row.fault->description},
                         {"scope", row.fault->scope},
                         {"expected",
                          {{"kind", expectedKindName(row.fault->expected.kind)},
                           {"text", row.expectedText()},
                           {"places", placesJson(row.expectedPlaces)}}}});
        std::cout << j.dump(2) << "\n";
        return;
    }
    std::vector<std::vector<std::string>> table{{"FAULT", "SCOPE", "EXPECTED", "DESCRIPTION"}};
    for (const auto& row : rows)
        table.push_back({std::string(row.fault->name),
                         row.fault->scope.empty() ? "whole ROM" : std::string(row.fault->scope),
                         stacked(row.expectedText()), std::string(row.fault->description)});
    printColumns(table);
    fmt::print("{} faults\n", rows.size());
}

} // namespace

Action addFaultsCommand(CLI::App& app) {
    auto args = std::make_shared<FaultsArgs>();
    CLI::App* sub = app.add_subcommand(
        "faults", "run every fault of the catalogue and check that the ROM shows it as expected");
    sub->add_option("elf", args->elf, "ROM image (default: the ROM this build produced)");
    sub->add_flag("--list", args->list, "print the catalogue instead of running it");
    sub->add_option("--only", args->only,
                    "run only the faults whose name matches this glob (with * ? or [) or "
                    "contains this text");
    sub->add_option("--switch", args->switchText, "SWITCH_REG value, non-zero (default 1)");
    sub->add_option("--limit", args->limitText,
                    "instructions after which a run counts as still running (default 20000000)");
    sub->add_option("--jobs", args->jobsText, "threads (default: one per hardware thread)");
    auto* json = sub->add_flag("--json", args->json, "print one JSON document");
    auto* csv = sub->add_flag("--csv", args->csv, "print comma-separated values");
    json->excludes(csv);
    sub->add_option("--html", args->html,
                    "also write a self-contained page with the table and a fault-by-routine "
                    "matrix to this file");
    return [args]() {
        const FaultFilter filter(args->only);
        const auto faults = filter.select(faultCatalogue());
        if (faults.empty())
            throw InputError(fmt::format("--only '{}': no fault of the catalogue matches ({}); "
                                         "coretest faults --list shows the names",
                                         args->only, filter.describe()));
        const Image image = Image::load(args->elf);
        const RomMap map = RomMap::load(image);
        if (args->list) {
            printList(faults, map, args->json);
            return kPass;
        }
        CampaignOptions options;
        options.switchValue = parseSwitch(args->switchText);
        if (options.switchValue == 0)
            throw InputError("--switch: 0 selects the two-million-iteration pause after every "
                             "routine; the campaign takes a non-zero value");
        options.instructionLimit = parseLimit(args->limitText);
        options.threads = static_cast<unsigned>(parseNumber("--jobs", args->jobsText, 256));
        if (!options.threads) options.threads = std::max(1u, std::thread::hardware_concurrency());

        CampaignRun run;
        run.image = args->elf;
        run.selection = filter.describe();
        run.switchValue = options.switchValue;
        run.threads = static_cast<unsigned>(std::min<std::size_t>(options.threads, faults.size()));
        const auto start = std::chrono::steady_clock::now();
        {
            Progress progress("coretest faults:");
            options.progress = [&progress](std::size_t done, std::size_t total) {
                progress.update(done, total);
            };
            run.rows = runCampaign(image, map, faults, options);
        }
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (args->json)
            printJson(run);
        else if (args->csv)
            printCsv(run);
        else
            printText(run);
        if (!args->html.empty())
            writeTo(args->html, false,
                    [&](std::ostream& out) { writeCampaignPage(run, map, out); });
        return summarize(run.rows).disagreements ? kCoreFailed : kPass;
    };
}

} // namespace coretest::cli
