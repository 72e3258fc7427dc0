#include "coretest/regress_report.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>

namespace coretest::regress {

namespace {

// The counts in the order the summary and the reports give them.
struct Count {
    Verdict verdict;
    const char* key;  // JSON
    const char* text; // the summary
};
constexpr Count kCounts[] = {
    {Verdict::Pass, "passed", "passed"},
    {Verdict::Fail, "failed", "failed"},
    {Verdict::CommandFailed, "command_failed", "command failed"},
    {Verdict::TimedOut, "timed_out", "timed out"},
    {Verdict::NoVerdict, "no_verdict", "without a verdict"},
    {Verdict::NoImage, "no_image", "without an image"},
    {Verdict::NotRun, "not_run", "not run"},
};

// Length of the valid UTF-8 sequence at s[i], 0 when the byte starts none.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) return 0;
    return n;
}

// Text for an XML attribute or element: valid UTF-8, the five special characters escaped, control
// characters other than tab and newline (which XML 1.0 does not allow) as '?'.
std::string xmlText(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8Length(s, i);
        if (n == 0) {
            out += "\xef\xbf\xbd";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s.substr(i, n));
            i += n;
            continue;
        }
        const char c = s[i++];
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\t':
        case '\n': out += c; break;
        default: out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
    }
    return out;
}

std::string headline(const JobResult& r) {
    std::string line = fmt::format("seed {}: {}", r.seed, verdictName(r.verdict));
    if (r.verdict == Verdict::Fail)
        line += fmt::format(" at checkpoint {} of {}", r.checkpoint, r.checkpoints);
    if (r.verdict != Verdict::NotRun && r.verdict != Verdict::NoImage)
        line += fmt::format(", {:.2f} s", r.seconds);
    return line + ": " + r.detail;
}

} // namespace

std::string summaryText(const Report& report) {
    std::string out;
    for (const JobResult& r : report.results) {
        if (r.verdict == Verdict::Pass || (r.verdict == Verdict::NotRun && !report.interrupted))
            continue;
        out += headline(r) + "\n";
        if (!r.place.empty()) out += fmt::format("  checkpoint {}: {}\n", r.checkpoint, r.place);
        if (!r.output.empty()) out += fmt::format("  output kept: {}\n", r.output);
        if (!r.rom.empty()) out += fmt::format("  image kept: {}\n", r.rom);
        if (!r.reproduce.empty() && r.verdict != Verdict::NotRun)
            out += fmt::format("  reproduce: {}\n", r.reproduce);
    }
    std::vector<std::string> parts;
    for (const Count& c : kCounts)
        if (const std::size_t n = report.count(c.verdict); n || c.verdict == Verdict::Pass)
            parts.push_back(fmt::format("{} {}", n, c.text));
    const auto slowest = std::max_element(
        report.results.begin(), report.results.end(),
        [](const JobResult& a, const JobResult& b) { return a.seconds < b.seconds; });
    out +=
        fmt::format("{} seed{}: {}; {:.1f} s", report.results.size(),
                    report.results.size() == 1 ? "" : "s", fmt::join(parts, ", "), report.seconds);
    if (slowest != report.results.end() && slowest->seconds > 0)
        out += fmt::format(", slowest seed {} ({:.2f} s)", slowest->seed, slowest->seconds);
    out += "\n";
    if (report.interrupted)
        out += "interrupted: the running commands were killed, the seeds after them not run\n";
    else if (report.stopped)
        out += "stopped at the first seed that did not pass (--keep-going runs every seed)\n";
    return out;
}

nlohmann::json reportJson(const Report& report) {
    nlohmann::json doc;
    doc["seeds"] = report.results.size();
    for (const Count& c : kCounts)
        doc[c.key] = report.count(c.verdict);
    doc["stopped"] = report.stopped;
    doc["interrupted"] = report.interrupted;
    doc["seconds"] = report.seconds;
    nlohmann::json results = nlohmann::json::array();
    for (const JobResult& r : report.results) {
        nlohmann::json j;
        j["seed"] = r.seed;
        j["verdict"] = verdictName(r.verdict);
        j["checkpoints"] = r.checkpoints;
        j["checkpoint"] = r.checkpoint;
        j["display"] = r.lastWord ? nlohmann::json(fmt::format("{:08x}", *r.lastWord))
                                  : nlohmann::json(nullptr);
        j["display_words"] = r.displayWords;
        j["seconds"] = r.seconds;
        j["timed_out"] = r.ending.timedOut;
        j["exit_status"] = r.ending.exitStatus;
        j["signal"] = r.ending.signal;
        j["detail"] = r.detail;
        j["place"] = r.place;
        j["output"] = r.output;
        j["image"] = r.rom;
        j["command"] = r.command;
        j["reproduce"] = r.reproduce;
        results.push_back(std::move(j));
    }
    doc["results"] = std::move(results);
    return doc;
}

std::string reportJunit(const Report& report) {
    const std::size_t failures = report.count(Verdict::Fail);
    const std::size_t skipped = report.count(Verdict::NotRun);
    const std::size_t errors =
        report.results.size() - failures - skipped - report.count(Verdict::Pass);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += fmt::format("<testsuites tests=\"{}\" failures=\"{}\" errors=\"{}\" skipped=\"{}\" "
                       "time=\"{:.3f}\">\n",
                       report.results.size(), failures, errors, skipped, report.seconds);
    out += fmt::format("  <testsuite name=\"coretest regress\" tests=\"{}\" failures=\"{}\" "
                       "errors=\"{}\" skipped=\"{}\" time=\"{:.3f}\">\n",
                       report.results.size(), failures, errors, skipped, report.seconds);
    for (const JobResult& r : report.results) {
        out += fmt::format("    <testcase classname=\"coretest.regress\" name=\"seed {}\" "
                           "time=\"{:.3f}\"",
                           r.seed, r.seconds);
        if (r.verdict == Verdict::Pass) {
            out += "/>\n";
            continue;
        }
        out += ">\n";
        std::string body = r.detail;
        if (!r.place.empty()) body += fmt::format("\ncheckpoint {}: {}", r.checkpoint, r.place);
        if (!r.output.empty()) body += "\noutput kept: " + r.output;
        if (!r.rom.empty()) body += "\nimage kept: " + r.rom;
        if (!r.reproduce.empty()) body += "\nreproduce: " + r.reproduce;
        if (r.verdict == Verdict::NotRun)
            out += fmt::format("      <skipped message=\"{}\"/>\n", xmlText(r.detail));
        else
            out +=
                fmt::format("      <{0} message=\"{1}\" type=\"{2}\">{3}</{0}>\n",
                            r.verdict == Verdict::Fail ? "failure" : "error", xmlText(headline(r)),
                            xmlText(verdictName(r.verdict)), xmlText(body));
        out += "    </testcase>\n";
    }
    out += "  </testsuite>\n</testsuites>\n";
    return out;
}

} // namespace coretest::regress
