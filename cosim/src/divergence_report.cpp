#include "divergence_report.h"

#include <fmt/format.h>

#include "coretest/compare_report.h"
#include "coretest/disassembler.h"

namespace coretest::cosim {

namespace {

std::string headline(const DivergenceReport& r) {
    const Divergence& d = r.divergence;
    const std::string which =
        r.ordinal == 0 ? "first divergence" : fmt::format("divergence {}", r.ordinal + 1);
    return fmt::format("{} at instruction {} (@{}), after {} checked instructions and {} records "
                       "that agree\n",
                       which, r.checkedBefore + 1, d.seq.value_or(0), r.checkedBefore,
                       d.matchedBefore);
}

std::string recordLine(const char* label, const std::optional<TraceRecord>& r) {
    if (!r) return fmt::format("  {:<11} (no write)\n", label);
    return fmt::format("  {:<11} {:<28} {}\n", label, formatRecord(*r), explainRecord(*r));
}

std::string recordsText(const std::vector<TraceRecord>& records) {
    std::string out;
    for (const auto& r : records)
        out += (out.empty() ? "" : ", ") + explainRecord(r);
    return out;
}

// The lines of a divergence that has a record on one side only, or none (control, exception).
std::string partial(const DivergenceReport& r, const Image& image, const RomMap& map) {
    const Divergence& d = r.divergence;
    std::string out = fmt::format("  {}\n", placeOf(image, map, d.instruction));
    out += fmt::format("  instruction {:08x}  {}\n", d.instruction,
                       disassemble(map.word(d.instruction), d.instruction));
    if (d.expected || d.observed) {
        out += recordLine("expected", d.expected);
        out += recordLine("observed", d.observed);
    }
    out += fmt::format("  {}\n", r.what);
    if (!d.caseRegisters.empty())
        out += fmt::format("  the case's registers before it: {}\n",
                           describeRegisters(d.caseRegisters));
    if (d.before.empty()) return out;
    out += "  the instructions before it on the reference core:\n";
    for (const auto& i : d.before)
        out += fmt::format("    {:08x}  {:<28} {}\n", i.pc, disassemble(map.word(i.pc), i.pc),
                           recordsText(i.records));
    return out;
}

} // namespace

std::string formatReport(const DivergenceReport& report, const Image& image, const RomMap& map) {
    const Divergence& d = report.divergence;
    if (!(d.kind == Divergence::Kind::Differs && d.expected && d.observed))
        return headline(report) + partial(report, image, map);
    // Both records are there: the body is the trace compare's own, under the simulation's
    // headline (instructions and seq where the compare names lines of a file).
    const std::string body = formatDivergence(d, image, map, {});
    return headline(report) + body.substr(body.find('\n') + 1);
}

} // namespace coretest::cosim
