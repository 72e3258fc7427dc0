#include "coretest/compare_report.h"

#include <fmt/format.h>

#include <algorithm>

#include "coretest/board.h"
#include "coretest/disassembler.h"
#include "coretest/trace_records.h"

namespace coretest {

std::string placeOf(const Image& image, const RomMap& map, std::uint32_t pc) {
    if (const RoutineMap* r = map.routineAt(pc)) {
        const CaseRef ref = map.caseAt(pc);
        if (ref.caseIndex || ref.line) return ref.describe();
        if (r->reportBlock && pc >= r->reportBlock)
            return fmt::format("inst_error of {}, the report block ({})", r->name, r->file);
        const bool entry = r->cases.empty() || pc < r->cases.front().begin;
        return fmt::format("the {} of {} ({})", entry ? "entry" : "exit", r->name, r->file);
    }
    if (pc >= kExceptionVector && pc < kExceptionVector + 12)
        return fmt::format("the exception idle loop at 0x{:08x}", kExceptionVector);
    const Symbol* nearest = nullptr;
    for (const auto& s : image.symbols())
        if (s.defined && s.value <= pc && s.value >= kRomBase && !s.name.empty() &&
            (!nearest || s.value > nearest->value))
            nearest = &s;
    if (!nearest) return "outside the ROM";
    return pc == nearest->value ? nearest->name
                                : fmt::format("{}+0x{:x}", nearest->name, pc - nearest->value);
}

namespace {

std::string instructionAt(const RomMap& map, std::uint32_t pc) {
    return disassemble(map.word(pc), pc);
}

// "the div at bfc0e938"
std::string named(const RomMap& map, std::uint32_t pc) {
    const std::string text = instructionAt(map, pc);
    return fmt::format("the {} at {:08x}", text.substr(0, text.find(' ')), pc);
}

// What a record writes, as a destination: "r4", "HI", "LO", "memory at 0x80000100", "an
// exception".
std::string destination(const TraceRecord& r) {
    if (isException(r)) return "an exception record";
    switch (r.kind) {
    case TraceRecord::Kind::Reg: return fmt::format("r{}", r.reg);
    case TraceRecord::Kind::Hi: return "HI";
    case TraceRecord::Kind::Lo: return "LO";
    case TraceRecord::Kind::Memory: return fmt::format("memory at 0x{:08x}", r.address);
    }
    return {};
}

// "bits 15-12 and 3-0"
std::string bitRanges(std::uint32_t mask) {
    std::vector<std::string> parts;
    for (int hi = 31; hi >= 0;) {
        if (!((mask >> hi) & 1)) {
            --hi;
            continue;
        }
        int lo = hi;
        while (lo > 0 && ((mask >> (lo - 1)) & 1))
            --lo;
        parts.push_back(hi == lo ? fmt::format("{}", hi) : fmt::format("{}-{}", hi, lo));
        hi = lo - 1;
    }
    std::string out =
        parts.size() == 1 && parts[0].find('-') == std::string::npos ? "bit " : "bits ";
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return out;
}

std::string recordsText(const std::vector<TraceRecord>& records) {
    std::string out;
    for (const auto& r : records)
        out += (out.empty() ? "" : ", ") + explainTraceRecord(r);
    return out;
}

std::string where(const Image& image, const RomMap& map, std::uint32_t pc) {
    return fmt::format("{:08x} {} in {}", pc, instructionAt(map, pc), placeOf(image, map, pc));
}

std::string seqText(const Divergence& d) {
    return d.seq ? fmt::format(", instruction @{}", *d.seq) : std::string();
}

std::string headline(const Divergence& d, const RomMap& map, const ReportStyle& style,
                     std::size_t ordinal) {
    const CaseRef ref = map.caseAt(d.instruction);
    const char* routine = ref.routine ? ref.routine->name.c_str() : "the code between the routines";
    if (style.byInstruction) {
        const std::string at = fmt::format("at instruction {}{}", d.record,
                                           d.seq ? fmt::format(" (@{})", *d.seq) : "");
        if (ordinal == 0)
            return fmt::format("first divergence {}, after {} checked instructions and {} records "
                               "that agree\n",
                               at, d.record - 1, d.matchedBefore);
        return fmt::format("divergence {} {}, the first in {}\n", ordinal + 1, at, routine);
    }
    if (ordinal == 0)
        return fmt::format("first divergence at record {} ({}:{}{}), after {} records that agree\n",
                           d.record, style.source, d.line, seqText(d), d.matchedBefore);
    return fmt::format("divergence {} at record {} ({}:{}{}), the first in {}\n", ordinal + 1,
                       d.record, style.source, d.line, seqText(d), routine);
}

// Another value where the records alone do not say enough: another exception, or a store of
// other bytes.
std::string differs(const Divergence& d) {
    if (!d.expected || !d.observed) return {};
    const TraceRecord& e = *d.expected;
    const TraceRecord& o = *d.observed;
    if (isException(e) && isException(o))
        return fmt::format("  your core took {}; expected {} {}\n", describeException(o),
                           exceptionName(e.reg), exceptionRegisters(e));
    if (e.kind == TraceRecord::Kind::Memory && o.kind == TraceRecord::Kind::Memory &&
        (e.address != o.address || e.size != o.size))
        return fmt::format("  your core stored {}; the reference core stores {}\n", storeBytes(o),
                           storeBytes(e));
    return {};
}

// The line that says what kind of divergence it is, where the records alone do not.
std::string explanation(const Divergence& d, const Image& image, const RomMap& map,
                        const ReportStyle& style) {
    if (!d.note.empty()) return fmt::format("  {}\n", d.note);
    switch (d.kind) {
    case Divergence::Kind::Control:
        return fmt::format("  your core retired {:08x} ({}: {}), the reference core executes "
                           "{:08x}\n",
                           d.observedPc, placeOf(image, map, d.observedPc),
                           instructionAt(map, d.observedPc), d.instruction);
    case Divergence::Kind::Trap:
        if (d.coreTrapped)
            return d.observed && isException(*d.observed)
                       ? fmt::format("  your core raised an exception; the reference core "
                                     "completes the instruction: your core took {}, expected no "
                                     "exception\n",
                                     describeException(*d.observed))
                       : "  your core raised an exception; the reference core completes the "
                         "instruction\n";
        return d.expected && isException(*d.expected)
                   ? fmt::format("  the reference core raises an exception; your core completed "
                                 "the instruction: expected {} {}\n",
                                 exceptionName(d.expected->reg), exceptionRegisters(*d.expected))
                   : "  the reference core raises an exception; your core completed the "
                     "instruction\n";
    case Divergence::Kind::NeverRetired:
        return "  your core never retired it, though younger instructions retired\n";
    case Divergence::Kind::Missing:
        if (!d.expected) return "  your core announced writes that never came\n";
        if (!d.observed)
            return d.expected && isException(*d.expected)
                       ? fmt::format("  expected {}; your core did not take it\n",
                                     describeException(*d.expected))
                       : "  your core did not write it\n";
        break;
    case Divergence::Kind::Extra:
        if (!d.expected) return "  the reference core does not write it\n";
        break;
    default: break;
    }
    if (!d.observed) return {};
    const TraceRecord& o = *d.observed;
    switch (d.kind) {
    case Divergence::Kind::Differs: return differs(d);
    case Divergence::Kind::EndsEarly: return {};
    case Divergence::Kind::Unknown:
        if (isException(o))
            return fmt::format("  your core took {} with unknown bits in its EPC: {} are x or z "
                               "(mask 0x{:08x})\n",
                               exceptionName(o.reg), bitRanges(o.unknown), o.unknown);
        return fmt::format("  your core wrote an unknown value: {} are x or z (mask 0x{:08x})\n",
                           bitRanges(o.unknown), o.unknown);
    case Divergence::Kind::Missing: {
        if (d.expected && isException(*d.expected))
            return fmt::format("  expected {}; your core took none: it went on to {} at {}\n",
                               describeException(*d.expected),
                               isException(o) ? "take one" : "write", where(image, map, o.pc));
        std::string wrote;
        for (const auto& r : d.wrote)
            wrote += (wrote.empty() ? "" : " and ") + destination(r);
        return fmt::format("  {} wrote {} but not {}; your core went on to write at {}\n",
                           named(map, d.instruction), wrote.empty() ? "nothing" : wrote,
                           destination(*d.expected), where(image, map, o.pc));
    }
    case Divergence::Kind::Extra: {
        if (isException(o))
            return fmt::format("  your core took {}; expected no exception: {} ({}) writes {} on "
                               "the reference core\n",
                               describeException(o), named(map, o.pc), placeOf(image, map, o.pc),
                               d.wrote.empty() ? "nothing" : recordsText(d.wrote));
        if (const auto e = std::find_if(d.wrote.begin(), d.wrote.end(), isException);
            e != d.wrote.end())
            return fmt::format("  expected {}: the reference core raises it; your core completed "
                               "{} ({}), writing {}\n",
                               describeException(*e), named(map, o.pc), placeOf(image, map, o.pc),
                               explainTraceRecord(o));
        const std::string what = o.kind == TraceRecord::Kind::Memory
                                     ? "an extra store"
                                     : "an extra write of " + destination(o);
        return fmt::format("  {} by {} ({}), which writes {} on the reference core\n", what,
                           named(map, o.pc), placeOf(image, map, o.pc),
                           d.wrote.empty() ? "nothing" : recordsText(d.wrote));
    }
    case Divergence::Kind::Early:
        return fmt::format("  a record of {}, written {} instructions early (the window is {}): "
                           "{} has records still to come\n",
                           named(map, o.pc), d.distance, style.window, named(map, d.instruction));
    case Divergence::Kind::Branch:
        if (d.branchTaken)
            return fmt::format("  {} should have gone to {:08x} ({}); your core went on at {}\n",
                               named(map, d.branch), d.branchTarget,
                               placeOf(image, map, d.branchTarget), where(image, map, o.pc));
        return fmt::format("  {} should not have branched to {:08x}: the reference core went on "
                           "at {:08x}; your core wrote at {}\n",
                           named(map, d.branch), d.branchTarget, d.branch + 8,
                           where(image, map, o.pc));
    case Divergence::Kind::Elsewhere:
        if (isException(o))
            return fmt::format("  your core took {} ({}: {}), where the reference core executes "
                               "{:08x}\n",
                               describeException(o), placeOf(image, map, o.pc),
                               instructionAt(map, o.pc), d.instruction);
        return fmt::format("  your core wrote it at {:08x} ({}: {}), not at {:08x}\n", o.pc,
                           placeOf(image, map, o.pc), instructionAt(map, o.pc), d.instruction);
    case Divergence::Kind::Control:
    case Divergence::Kind::Trap:
    case Divergence::Kind::NeverRetired: break;
    }
    return {};
}

// "expected    bfc0e938 r04 00000001       r4 ($a0) = 0x00000001", or "(no write)".
std::string recordLine(const char* label, const std::optional<TraceRecord>& r) {
    if (!r) return fmt::format("  {:<11} (no write)\n", label);
    return fmt::format("  {:<11} {:<28} {}\n", label, traceLine(*r), explainTraceRecord(*r));
}

std::string context(const Divergence& d, const RomMap& map) {
    std::string out;
    if (!d.caseRegisters.empty())
        out += fmt::format("  the case's registers before it: {}\n",
                           describeRegisters(d.caseRegisters));
    if (d.before.empty()) return out;
    out += "  the instructions before it on the reference core:\n";
    for (const auto& i : d.before) {
        out += fmt::format("    {:08x}  {:<28} {}", i.pc, instructionAt(map, i.pc),
                           recordsText(i.records));
        while (out.back() == ' ')
            out.pop_back();
        out += '\n';
    }
    return out;
}

std::string endsEarly(const TraceComparison& c, const Divergence& d, const Image& image,
                      const RomMap& map, const ReportStyle& style) {
    std::string out;
    const std::string total = c.expectedComplete ? fmt::format("{}", c.expectedRecords)
                                                 : fmt::format("at least {}", c.expectedRecords);
    if (d.matchedBefore == 0 && c.divergences.size() == 1)
        out += fmt::format("your trace ends early: it has no records that agree; {} were "
                           "expected\n",
                           total);
    else
        out += fmt::format("your trace ends early: all its {} records agree, {} of {} expected "
                           "({}:{} is its last)\n",
                           d.matchedBefore, d.matchedBefore, total, style.source, d.line);
    if (!c.incompleteLine.empty())
        out += fmt::format("  its last line, {}:{}, is cut off: '{}'{}\n", style.source,
                           c.incompleteLineNumber, quoteBytes(c.incompleteLine),
                           c.compressedCut ? " (the compressed stream ends early)" : "");
    else if (c.compressedCut)
        out += "  the compressed stream ends early\n";
    if (d.lastAgreed)
        out += fmt::format("  it got as far as {}\n", where(image, map, d.lastAgreed->pc));
    const TraceRecord& e = *d.expected;
    out += fmt::format("  the next record would be {} ({}), from {}\n", traceLine(e),
                       explainTraceRecord(e), where(image, map, e.pc));
    return out;
}

const char* kindName(Divergence::Kind kind) {
    switch (kind) {
    case Divergence::Kind::Differs: return "another value";
    case Divergence::Kind::Unknown: return "an unknown value";
    case Divergence::Kind::Missing: return "a missing record";
    case Divergence::Kind::Extra: return "an extra record";
    case Divergence::Kind::Early: return "a record written early";
    case Divergence::Kind::Branch: return "control went elsewhere";
    case Divergence::Kind::Elsewhere: return "a write from elsewhere";
    case Divergence::Kind::EndsEarly: return "the trace ends";
    case Divergence::Kind::Control: return "another instruction retired";
    case Divergence::Kind::Trap: return "an exception on one side";
    case Divergence::Kind::NeverRetired: return "an instruction never retired";
    }
    return "";
}

} // namespace

std::string formatRoutineTable(const TraceComparison& c, const ReportStyle& style) {
    const char* unit = style.byInstruction ? "instruction" : "record";
    std::string out = fmt::format("{:<24} {:>10} {:>10}  {}\n", "ROUTINE", "AGREED", "SKIPPED",
                                  "FIRST DIVERGENCE");
    for (const auto& t : c.routines) {
        if (!t.agreed && !t.skipped && !t.divergence) continue;
        std::string first =
            t.divergences ? fmt::format("{} outside the cases, not shown", t.divergences) : "none";
        if (t.divergence) {
            const Divergence& d = c.divergences[*t.divergence];
            first = fmt::format("{} {}: {}{}", unit, d.record, kindName(d.kind),
                                d.where.caseIndex ? fmt::format(" in case {} (line {})",
                                                                d.where.caseIndex, d.where.line)
                                                  : std::string());
        }
        out += fmt::format("{:<24} {:>10} {:>10}  {}\n",
                           t.routine ? t.routine->name : "(between routines)", t.agreed, t.skipped,
                           first);
    }
    return out;
}

std::string formatDivergence(const Divergence& d, const Image& image, const RomMap& map,
                             const ReportStyle& style, std::size_t ordinal) {
    std::string out = headline(d, map, style, ordinal);
    out += fmt::format("  {}\n", placeOf(image, map, d.instruction));
    out +=
        fmt::format("  instruction {:08x}  {}\n", d.instruction, instructionAt(map, d.instruction));
    if (d.expected || d.observed) {
        out += recordLine("expected", d.expected);
        out += recordLine("observed", d.observed);
    }
    out += explanation(d, image, map, style);
    return out + context(d, map);
}

std::string formatComparison(const TraceComparison& c, const Image& image, const RomMap& map,
                             const ReportStyle& style) {
    std::string out;
    for (std::size_t i = 0; i < c.divergences.size(); ++i) {
        const Divergence& d = c.divergences[i];
        if (d.kind == Divergence::Kind::EndsEarly)
            out += endsEarly(c, d, image, map, style) + context(d, map);
        else
            out += formatDivergence(d, image, map, style, i);
    }
    switch (c.outcome) {
    case TraceComparison::Outcome::Agree:
        out += fmt::format("the traces agree: {} records up to the end mark", c.matchedRecords);
        if (c.extraRecords)
            out += fmt::format("; the {}{} lines of your trace after it are not compared{}",
                               c.extraCut ? "first " : "", c.extraRecords,
                               c.extraCut ? ", and the rest was not read" : "");
        else if (c.extraCut)
            out += "; the rest of your trace after it was not read";
        out += "\n";
        break;
    case TraceComparison::Outcome::ReferenceStopped:
        out +=
            fmt::format("no agreement: the reference run stopped ({}) after {} instructions, "
                        "before its end mark; {} records agree up to there\n",
                        stopReasonName(c.referenceStop), c.referenceInstructions, c.matchedRecords);
        break;
    case TraceComparison::Outcome::Differs:
    case TraceComparison::Outcome::EndsEarly: break;
    }
    if (!c.routines.empty()) out += formatRoutineTable(c, style);
    return out;
}

} // namespace coretest
