#include "campaign_page.h"

#include <fmt/format.h>

#include "coretest/fault_dictionary.h"

#include <algorithm>
#include <ostream>

namespace coretest::cli {

namespace {

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// What one cell of the matrix shows: the routine's part in the fault's outcome.
enum class Cell { None, Caught, Exception, Unexpected, Missed, Scope, Unnoticed };

struct CellStyle {
    const char* name;
    const char* fill;
    const char* stroke;
    const char* meaning;
};

constexpr CellStyle kStyles[] = {
    {"none", "#ffffff", "#e4e4e4", ""},
    {"caught", "#2e7d32", "#2e7d32", "fails here, as the catalogue expects"},
    {"exception", "#ef6c00", "#ef6c00", "the exception idle loop is entered here, as expected"},
    {"unexpected", "#c62828", "#c62828", "fails or takes an exception here, not expected"},
    {"missed", "#ffffff", "#c62828", "expected to fail here, but did not"},
    {"scope", "#b0bccf", "#b0bccf", "the routine the fault is confined to"},
    {"unnoticed", "#6a1b9a", "#6a1b9a",
     "unnoticed: the run passes with the fault in this routine (marked \u25c6)"},
};

const CellStyle& style(Cell c) {
    return kStyles[static_cast<int>(c)];
}

constexpr const char* kUnnoticedMark = "\u25c6"; // a filled diamond

bool unnoticed(const BoardOutcome& o) {
    return o.kind == ExpectedKind::Unnoticed && o.reason != StopReason::InstructionLimit;
}

bool namesRoutine(const std::vector<OutcomePlace>& places, const std::string& routine) {
    return std::any_of(places.begin(), places.end(),
                       [&](const OutcomePlace& p) { return p.routine == routine; });
}

Cell cellOf(const CampaignRow& row, const RoutineMap& r) {
    const bool expected = namesRoutine(row.expectedPlaces, r.name);
    const bool observed = namesRoutine(row.observedPlaces, r.name);
    if (expected && observed)
        return row.observed.kind == ExpectedKind::ExceptionIdle ? Cell::Exception : Cell::Caught;
    if (observed) return Cell::Unexpected;
    if (expected) return Cell::Missed;
    if (row.fault->scope != r.name) return Cell::None;
    return row.observed.kind == ExpectedKind::Unnoticed ? Cell::Unnoticed : Cell::Scope;
}

// Outcomes that belong to no routine (an idle core without verdict, the exception loop reached
// without an exception) show in a column of their own after the routines; so does a run that
// passes with the fault, whatever its scope.
Cell runCellOf(const CampaignRow& row) {
    if (row.observed.kind == ExpectedKind::Unnoticed) return Cell::Unnoticed;
    if (!row.observedPlaces.empty()) return Cell::None;
    return row.agrees ? Cell::Caught : Cell::Unexpected;
}

// Cells are large enough for 12 px labels beside them; routine names stand rotated above.
constexpr int kCell = 15, kLabel = 270, kHeader = 130, kFont = 12;

std::string rect(const CellStyle& s, const char* extraClass, int x, int y,
                 const std::string& title) {
    std::string svg = fmt::format(
        "<rect class=\"cell {}{}\" x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"{}\" "
        "stroke=\"{}\"><title>{}</title></rect>\n",
        extraClass, s.name, x + 1, y + 1, kCell - 2, kCell - 2, s.fill, s.stroke, escaped(title));
    if (std::string_view(s.name) == "unnoticed")
        svg += fmt::format("<text x=\"{}\" y=\"{}\" text-anchor=\"middle\" fill=\"#ffffff\" "
                           "font-size=\"{}\">{}</text>\n",
                           x + kCell / 2, y + kCell - 3, kFont - 2, kUnnoticedMark);
    return svg;
}

std::string columnLabel(int x, const std::string& text, const std::string& title) {
    return fmt::format("<text x=\"{0}\" y=\"{1}\" transform=\"rotate(-60 {0} {1})\" "
                       "dy=\"4\"><title>{2}</title>{3}</text>\n",
                       x, kHeader - 6, escaped(title), escaped(text));
}

std::string matrix(const CampaignRun& run, const RomMap& map) {
    const auto& routines = map.routines();
    const int runColumn = kLabel + kCell * static_cast<int>(routines.size() + 1);
    const int width = runColumn + kCell + 140;
    const int height = kHeader + kCell * static_cast<int>(run.rows.size()) + 10;
    std::string svg = fmt::format(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"matrix\" width=\"{0}\" "
        "height=\"{1}\" viewBox=\"0 0 {0} {1}\" font-family=\"sans-serif\" font-size=\"{2}\">\n",
        width, height, kFont);
    for (std::size_t c = 0; c < routines.size(); ++c)
        svg += columnLabel(kLabel + kCell * static_cast<int>(c) + kCell / 2, routines[c].name,
                           fmt::format("routine {}: {}", routines[c].number, routines[c].name));
    svg += columnLabel(runColumn + kCell / 2, "whole run", "outcomes outside every routine");
    for (std::size_t r = 0; r < run.rows.size(); ++r) {
        const CampaignRow& row = run.rows[r];
        const int y = kHeader + kCell * static_cast<int>(r);
        const bool quiet = row.observed.kind == ExpectedKind::Unnoticed;
        const char* colour = !row.agrees ? "#c62828" : quiet ? "#6a1b9a" : "#222222";
        svg += fmt::format("<text class=\"name{}\" x=\"{}\" y=\"{}\" text-anchor=\"end\" "
                           "fill=\"{}\"{}>{}{}</text>\n",
                           quiet ? " unnoticed" : "", kLabel - 6, y + kCell - 3, colour,
                           quiet ? " font-weight=\"bold\"" : "", quiet ? "\u25c6 " : "",
                           escaped(row.fault->name));
        for (std::size_t c = 0; c < routines.size(); ++c) {
            const CellStyle& s = style(cellOf(row, routines[c]));
            svg += rect(s, "", kLabel + kCell * static_cast<int>(c), y,
                        fmt::format("{} in {}{}{}", row.fault->name, routines[c].name,
                                    *s.meaning ? ": " : "", s.meaning));
        }
        svg += rect(style(runCellOf(row)), "run ", runColumn, y,
                    fmt::format("{}: {}", row.fault->name, row.observedText()));
    }
    return svg + "</svg>\n";
}

std::string legend() {
    std::string html = "<div class=\"legend\"><h2>Legend</h2>\n<ul>\n";
    for (Cell c : {Cell::Unnoticed, Cell::Caught, Cell::Exception, Cell::Unexpected, Cell::Missed,
                   Cell::Scope}) {
        const CellStyle& s = style(c);
        html += fmt::format("<li><span class=\"swatch\" style=\"background: {}; border-color: "
                            "{}\">{}</span> {}</li>\n",
                            s.fill, s.stroke, c == Cell::Unnoticed ? kUnnoticedMark : "",
                            escaped(s.meaning));
    }
    html += fmt::format(
        "<li>In the table, <span class=\"unnoticed\">{} unnoticed</span> marks a run that passes "
        "58 of 58 with the fault; a row in red disagrees with the catalogue in either mode. "
        "<em>Scoped</em>: the fault acts only in its routine; <em>whole core</em>: it acts "
        "everywhere, as a faulty core would.</li>\n",
        kUnnoticedMark);
    return html + "</ul></div>\n";
}

// A table cell for one mode's outcome, with the unnoticed ones marked.
std::string outcomeCell(bool isUnnoticed, const std::string& text) {
    if (!isUnnoticed) return fmt::format("<td>{}</td>", escaped(text));
    return fmt::format("<td class=\"unnoticed\">{} {}</td>", kUnnoticedMark, escaped(text));
}

std::string agreementCell(bool agrees) {
    return agrees ? "<td class=\"yes\">yes</td>" : "<td class=\"no\">NO</td>";
}

std::string table(const CampaignRun& run) {
    std::string html = "<table class=\"faults\">\n<thead><tr><th rowspan=\"2\">Fault</th>"
                       "<th rowspan=\"2\">Description</th><th colspan=\"3\">Scoped</th>"
                       "<th colspan=\"3\">Whole core</th></tr>\n<tr><th>Expected</th>"
                       "<th>Observed</th><th>Agrees</th><th>Expected</th><th>Observed</th>"
                       "<th>Agrees</th></tr></thead>\n<tbody>\n";
    for (const auto& row : run.rows) {
        const WholeCoreResult& whole = row.wholeCore;
        std::string wholeCells = "<td colspan=\"3\">not run</td>";
        if (whole.checked)
            wholeCells =
                fmt::format("<td>{}</td>{}{}", escaped(describe(whole.expected)),
                            outcomeCell(unnoticed(whole.observed), whole.observed.describe()),
                            agreementCell(whole.agrees));
        html += fmt::format(
            "<tr class=\"fault {}\"><td class=\"name\"><code>{}</code></td>"
            "<td class=\"desc\">{}</td><td>{}</td>{}{}{}</tr>\n",
            row.agreesBothWays() ? "agree" : "disagree", escaped(row.fault->name),
            escaped(row.fault->description), escaped(row.expectedText()),
            outcomeCell(row.observed.kind == ExpectedKind::Unnoticed, row.observedText()),
            agreementCell(row.agrees), wholeCells);
    }
    return html + "</tbody>\n</table>\n";
}

// The dictionary's groups of faults whose whole-core runs show the same board.
std::string ambiguityGroups(const CampaignRun& run) {
    std::string html = "<h2>Faults the board cannot tell apart</h2>\n";
    if (!run.wholeCore)
        return html +
               "<p>The whole-core runs were left out, so there is no fault dictionary.</p>\n";
    const FaultDictionary dictionary(run.rows);
    std::string items;
    std::size_t shared = 0;
    for (const auto& group : dictionary.groups()) {
        if (group.faults.size() < 2) continue;
        shared += group.faults.size();
        std::string names;
        for (const FaultDef* f : group.faults)
            names += fmt::format("{}<code class=\"name\">{}</code>", names.empty() ? "" : ", ",
                                 escaped(f->name));
        items += fmt::format("<li class=\"group{}\"><p class=\"board\">{}{} faults: {}</p>"
                             "<p>{}</p></li>\n",
                             unnoticed(group.outcome) ? " unnoticed" : "",
                             unnoticed(group.outcome) ? "\u25c6 " : "", group.faults.size(),
                             escaped(group.outcome.describe()), names);
    }
    if (items.empty())
        return html + "<p>Every fault run whole-core shows a board of its own.</p>\n";
    return html +
           fmt::format("<p>{} of the {} faults run whole-core share what the board shows with "
                       "another fault: the display and lamps alone cannot name them.</p>\n",
                       shared, dictionary.faultCount()) +
           "<ul class=\"groups\">\n" + items + "</ul>\n";
}

constexpr const char* kStyle = R"(body { font-family: sans-serif; font-size: 14px; margin: 1.5em;
  color: #222; }
table { border-collapse: collapse; font-size: 13px; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.5em; text-align: left; vertical-align: top; }
th { background: #f0f0f0; }
td.desc { min-width: 22em; }
code { font-size: 13px; }
.name { white-space: nowrap; }
tr.disagree td { background: #fdecea; }
td.no { color: #c62828; font-weight: bold; }
.unnoticed { color: #6a1b9a; font-weight: bold; }
td.unnoticed { background: #f1e4f7; }
.legend ul, ul.groups { list-style: none; padding-left: 0; }
.legend li { margin: 0.3em 0; }
.swatch { display: inline-block; width: 14px; height: 14px; border: 2px solid; color: #fff;
  font-size: 12px; line-height: 14px; text-align: center; vertical-align: middle; }
ul.groups li { border-left: 4px solid #b0bccf; padding-left: 0.6em; margin: 0.6em 0; }
ul.groups li.unnoticed { border-left-color: #6a1b9a; }
ul.groups p { margin: 0.2em 0; }
.summary { font-size: 16px; })";

// The second ROM's campaign: every fault on the whole core, set against the recorded table.
std::string secondRomSection(const CampaignRun& run) {
    const CampaignSummary s = summarize(run.rows);
    std::string html = fmt::format(
        "<h2>The second ROM: every fault on the whole core</h2>\n<p class=\"summary\">Run: {}, "
        "on <code>{}</code> with switch 0x{:08x}. {} faults run, {} caught, {} unnoticed, {} "
        "disagreement{} with the recorded outcomes; {:.2f} s on {} thread{}.</p>\n",
        escaped(run.selection), escaped(run.image), run.switchValue, s.run, s.wholeCoreCaught,
        s.run - s.wholeCoreCaught, s.wholeCoreDisagreements,
        s.wholeCoreDisagreements == 1 ? "" : "s", run.seconds, run.threads,
        run.threads == 1 ? "" : "s");
    html += "<table class=\"faults second\">\n<thead><tr><th>Fault</th><th>Expected</th>"
            "<th>Observed</th><th>Agrees</th></tr></thead>\n<tbody>\n";
    for (const auto& row : run.rows) {
        const WholeCoreResult& whole = row.wholeCore;
        html += fmt::format("<tr class=\"fault2 {}\"><td class=\"name\"><code>{}</code></td>"
                            "<td>{}</td>{}{}</tr>\n",
                            whole.agrees ? "agree" : "disagree", escaped(row.fault->name),
                            escaped(describe(whole.expected)),
                            outcomeCell(!whole.observed.caught(), whole.observed.describe()),
                            agreementCell(whole.agrees));
    }
    return html + "</tbody>\n</table>\n";
}

constexpr const char* kHead =
    "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
    "<meta charset=\"utf-8\"/>\n<title>coretest fault campaign</title>\n<style>\n";

} // namespace

void writeCampaignPage(const CampaignRun& run, const RomMap& map, std::ostream& out,
                       const CampaignRun* second) {
    if (!run.rows.empty() && !run.rows.front().scoped) { // the second ROM alone
        out << kHead << kStyle << "\n</style>\n</head>\n<body>\n<h1>coretest fault campaign</h1>\n"
            << secondRomSection(run) << "</body>\n</html>\n";
        return;
    }
    const CampaignSummary s = summarize(run.rows);
    out << kHead << kStyle << "\n</style>\n</head>\n<body>\n<h1>coretest fault campaign</h1>\n";
    out << fmt::format(
        "<p class=\"summary\">Run: {}, on <code>{}</code> with switch 0x{:08x}. {} faults "
        "run, {} detected, {} unnoticed as expected, {} disagreement{}; {:.2f} s on {} "
        "thread{}.</p>\n",
        escaped(run.selection), escaped(run.image), run.switchValue, s.run, s.detected,
        s.unnoticedAsExpected, s.disagreements, s.disagreements == 1 ? "" : "s", run.seconds,
        run.threads, run.threads == 1 ? "" : "s");
    if (run.wholeCore)
        out << fmt::format("<p class=\"summary\">Whole core: {} faults run unscoped, {} "
                           "disagreement{}, {} unnoticed, {} first seen in another routine than "
                           "the fault's own.</p>\n",
                           s.wholeCoreRuns, s.wholeCoreDisagreements,
                           s.wholeCoreDisagreements == 1 ? "" : "s", s.wholeCoreUnnoticed,
                           s.wholeCoreElsewhere);
    out << legend() << "<h2>Which routine catches which fault (scoped)</h2>\n" << matrix(run, map);
    out << "<h2>Faults, scoped and whole core</h2>\n" << table(run) << ambiguityGroups(run);
    if (second) out << secondRomSection(*second);
    out << "</body>\n</html>\n";
}

} // namespace coretest::cli
