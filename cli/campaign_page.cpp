#include "campaign_page.h"

#include <fmt/format.h>

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
enum class Cell { None, Caught, Exception, Unexpected, Missed, Scope };

struct CellStyle {
    const char* name;
    const char* fill;
    const char* stroke;
    const char* meaning;
};

constexpr CellStyle kStyles[] = {
    {"none", "#ffffff", "#eeeeee", ""},
    {"caught", "#2e7d32", "#2e7d32", "fails here, as the catalogue expects"},
    {"exception", "#ef6c00", "#ef6c00", "the exception idle loop is entered here, as expected"},
    {"unexpected", "#c62828", "#c62828", "fails or takes an exception here, not expected"},
    {"missed", "#ffffff", "#c62828", "expected to fail here, but did not"},
    {"scope", "#d7dde8", "#d7dde8", "the routine the fault is confined to"},
};

const CellStyle& style(Cell c) {
    return kStyles[static_cast<int>(c)];
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
    return row.fault->scope == r.name ? Cell::Scope : Cell::None;
}

// Outcomes that belong to no routine (an idle core without verdict, the exception loop reached
// without an exception) show in a column of their own after the routines.
Cell runCellOf(const CampaignRow& row) {
    if (!row.observedPlaces.empty() || row.observed.kind == ExpectedKind::Unnoticed)
        return Cell::None;
    return row.agrees ? Cell::Caught : Cell::Unexpected;
}

constexpr int kCell = 12, kLabel = 230, kHeader = 34, kLegend = 22;

std::string matrix(const CampaignRun& run, const RomMap& map) {
    const auto& routines = map.routines();
    const int runColumn = kLabel + kCell * static_cast<int>(routines.size() + 1);
    const int width = runColumn + kCell + 10;
    const int height = kHeader + kCell * static_cast<int>(run.rows.size()) + 5 * kLegend;
    std::string svg = fmt::format(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"matrix\" width=\"{0}\" "
        "height=\"{1}\" viewBox=\"0 0 {0} {1}\" font-family=\"sans-serif\" font-size=\"9\">\n",
        width, height);
    for (std::size_t c = 0; c < routines.size(); ++c) {
        const int x = kLabel + kCell * static_cast<int>(c) + kCell / 2;
        svg += fmt::format(
            "<text x=\"{0}\" y=\"{1}\" transform=\"rotate(-90 {0} {1})\" dy=\"3\"><title>{2}"
            "</title>{3}</text>\n",
            x, kHeader - 4, escaped(routines[c].name), routines[c].number);
    }
    svg += fmt::format("<text x=\"{0}\" y=\"{1}\" transform=\"rotate(-90 {0} {1})\" dy=\"3\">"
                       "run</text>\n",
                       runColumn + kCell / 2, kHeader - 4);
    for (std::size_t r = 0; r < run.rows.size(); ++r) {
        const CampaignRow& row = run.rows[r];
        const int y = kHeader + kCell * static_cast<int>(r);
        svg += fmt::format("<text x=\"{}\" y=\"{}\" text-anchor=\"end\" fill=\"{}\">{}</text>\n",
                           kLabel - 6, y + kCell - 3, row.agrees ? "#222222" : "#c62828",
                           escaped(row.fault->name));
        for (std::size_t c = 0; c < routines.size(); ++c) {
            const Cell cell = cellOf(row, routines[c]);
            const CellStyle& s = style(cell);
            svg +=
                fmt::format("<rect class=\"cell {}\" x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" "
                            "fill=\"{}\" stroke=\"{}\"><title>{} in {}{}{}</title></rect>\n",
                            s.name, kLabel + kCell * static_cast<int>(c) + 1, y + 1, kCell - 2,
                            kCell - 2, s.fill, s.stroke, escaped(row.fault->name),
                            escaped(routines[c].name), *s.meaning ? ": " : "", s.meaning);
        }
        const CellStyle& s = style(runCellOf(row));
        svg += fmt::format("<rect class=\"cell run {}\" x=\"{}\" y=\"{}\" width=\"{}\" "
                           "height=\"{}\" fill=\"{}\" stroke=\"{}\"><title>{}: {}</title></rect>\n",
                           s.name, runColumn + 1, y + 1, kCell - 2, kCell - 2, s.fill, s.stroke,
                           escaped(row.fault->name), escaped(row.observedText()));
    }
    int y = kHeader + kCell * static_cast<int>(run.rows.size()) + kLegend / 2;
    for (Cell c : {Cell::Caught, Cell::Exception, Cell::Unexpected, Cell::Missed, Cell::Scope}) {
        const CellStyle& s = style(c);
        svg += fmt::format("<rect x=\"{}\" y=\"{}\" width=\"{}\" height=\"{}\" fill=\"{}\" "
                           "stroke=\"{}\"/><text x=\"{}\" y=\"{}\">{}</text>\n",
                           kLabel, y, kCell - 2, kCell - 2, s.fill, s.stroke, kLabel + kCell + 4,
                           y + kCell - 3, s.meaning);
        y += kLegend;
    }
    return svg + "</svg>\n";
}

std::string table(const CampaignRun& run) {
    std::string html = "<table class=\"faults\">\n<thead><tr><th>Fault</th><th>Description</th>"
                       "<th>Expected</th><th>Observed</th><th>Agrees</th></tr></thead>\n<tbody>\n";
    for (const auto& row : run.rows)
        html += fmt::format("<tr class=\"fault {}\"><td><code>{}</code></td><td>{}</td><td>{}</td>"
                            "<td>{}</td><td>{}</td></tr>\n",
                            row.agrees ? "agree" : "disagree", escaped(row.fault->name),
                            escaped(row.fault->description), escaped(row.expectedText()),
                            escaped(row.observedText()), row.agrees ? "yes" : "NO");
    return html + "</tbody>\n</table>\n";
}

constexpr const char* kStyle = R"(body { font-family: sans-serif; margin: 1.5em; color: #222; }
table { border-collapse: collapse; font-size: 0.85em; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.5em; text-align: left; vertical-align: top; }
th { background: #f0f0f0; }
tr.disagree td { background: #fdecea; }
.summary { font-size: 1.1em; })";

} // namespace

void writeCampaignPage(const CampaignRun& run, const RomMap& map, std::ostream& out) {
    const CampaignSummary s = summarize(run.rows);
    out << "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n"
           "<meta charset=\"utf-8\"/>\n<title>coretest fault campaign</title>\n<style>\n"
        << kStyle << "\n</style>\n</head>\n<body>\n<h1>coretest fault campaign</h1>\n";
    out << fmt::format(
        "<p class=\"summary\">Run: {}, on <code>{}</code> with switch 0x{:08x}. {} faults "
        "run, {} detected, {} unnoticed as expected, {} disagreement{}; {:.2f} s on {} "
        "thread{}.</p>\n",
        escaped(run.selection), escaped(run.image), run.switchValue, s.run, s.detected,
        s.unnoticedAsExpected, s.disagreements, s.disagreements == 1 ? "" : "s", run.seconds,
        run.threads, run.threads == 1 ? "" : "s");
    out << "<h2>Which routine catches which fault</h2>\n" << matrix(run, map);
    out << "<h2>Faults</h2>\n" << table(run) << "</body>\n</html>\n";
}

} // namespace coretest::cli
