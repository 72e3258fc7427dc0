// coretest compare: a core's trace against the reference core's, up to the first record where
// they part (or the first of every routine), named as the case, source line, instruction and
// values.
#include <fmt/format.h>

#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "coretest/compare_report.h"
#include "coretest/disassembler.h"
#include "coretest/trace_compare.h"
#include "coretest/trace_records.h"
#include "numbers.h"
#include "option_types.h"
#include "output.h"

namespace coretest::cli {

namespace {

struct CompareArgs {
    std::string trace;
    RomChoice image;
    std::string elf; // the image's path, once the command line is read
    std::string switchText = "auto";
    std::string limitText = "1000000000";
    std::string contextText = "6";
    std::string windowText = "auto";
    std::string keepGoingText; // empty: stop at the first divergence; "all" or a count
    std::string onlyText = "gpr,hilo,mem,exc";
    bool physical = false;
    bool json = false;
};

const char* kindName(Divergence::Kind kind) {
    static constexpr const char* kNames[] = {"differs", "unknown", "missing",   "extra",
                                             "early",   "branch",  "elsewhere", "ends early"};
    return kNames[static_cast<int>(kind)];
}

nlohmann::json recordJson(const Image& image, const RomMap& map, const TraceRecord& r) {
    return {{"record", traceLine(r)},
            {"pc", r.pc},
            {"instruction", disassemble(map.word(r.pc), r.pc)},
            {"place", placeOf(image, map, r.pc)},
            {"what", explainTraceRecord(r)},
            {"value", r.value},
            {"unknown_bits", r.unknown}};
}

nlohmann::json divergenceJson(const Image& image, const RomMap& map, const Divergence& d,
                              const ReportStyle& style, std::size_t ordinal) {
    nlohmann::json j = {{"kind", kindName(d.kind)}, {"record", d.record}, {"line", d.line}};
    if (d.seq) j["seq"] = *d.seq;
    if (d.expected) j["expected"] = recordJson(image, map, *d.expected);
    if (d.observed) j["observed"] = recordJson(image, map, *d.observed);
    j["case"] = {{"routine", d.where.routine ? d.where.routine->name : ""},
                 {"case", d.where.caseIndex},
                 {"file", d.where.routine ? d.where.routine->file : ""},
                 {"line", d.where.line},
                 {"text", d.where.describe()}};
    nlohmann::json regs = nlohmann::json::object();
    for (const auto& [reg, value] : d.caseRegisters)
        regs[registerName(reg)] = value;
    j["case_registers"] = regs;
    j["before"] = nlohmann::json::array();
    for (const auto& i : d.before) {
        nlohmann::json records = nlohmann::json::array();
        for (const auto& r : i.records)
            records.push_back(traceLine(r));
        j["before"].push_back({{"pc", i.pc},
                               {"instruction", disassemble(map.word(i.pc), i.pc)},
                               {"records", records}});
    }
    if (d.kind != Divergence::Kind::EndsEarly)
        j["report"] = formatDivergence(d, image, map, style, ordinal);
    return j;
}

void printJson(const CompareArgs& args, const Image& image, const RomMap& map,
               const TraceComparison& c, const CompareOptions& options, bool tagged,
               const ReportStyle& style) {
    static constexpr const char* kOutcomes[] = {"agree", "differs", "ends early",
                                                "reference stopped"};
    nlohmann::json j = {{"trace", args.trace},
                        {"elf", args.elf},
                        {"switch", options.run.switchValue},
                        {"physical", options.physical},
                        {"tagged", tagged},
                        {"window", options.window},
                        {"only", options.kinds.describe()},
                        {"outcome", kOutcomes[static_cast<int>(c.outcome)]},
                        {"expected_records", c.expectedRecords},
                        {"matched_records", c.matchedRecords},
                        {"extra_records", c.extraRecords}};
    if (c.outcome == TraceComparison::Outcome::ReferenceStopped)
        j["reference_stop"] = stopReasonName(c.referenceStop);
    if (!c.incompleteLine.empty()) j["incomplete_line"] = c.incompleteLineNumber;
    if (!c.divergences.empty()) {
        // The first divergence at the top level, as well as in the list.
        j.update(divergenceJson(image, map, c.first(), style, 0));
        j["divergences"] = nlohmann::json::array();
        for (std::size_t i = 0; i < c.divergences.size(); ++i)
            j["divergences"].push_back(divergenceJson(image, map, c.divergences[i], style, i));
    }
    if (!c.routines.empty()) {
        j["routines"] = nlohmann::json::array();
        for (const auto& t : c.routines)
            j["routines"].push_back({{"routine", t.routine ? t.routine->name : ""},
                                     {"agreed", t.agreed},
                                     {"skipped", t.skipped},
                                     {"divergence", t.divergence ? nlohmann::json(*t.divergence)
                                                                 : nlohmann::json(nullptr)}});
    }
    std::cout << jsonText(j) << "\n";
}

// How the trace is read, for the header: "gzip-compressed; tagged with @SEQ, ...".
std::string readingNotes(const TraceReader& reader, const CompareOptions& options,
                         bool physicalDetected) {
    std::vector<std::string> notes;
    if (reader.compressed()) notes.push_back("gzip-compressed");
    if (reader.tagged()) notes.push_back("records tagged with @SEQ, read in program order");
    if (options.window)
        notes.push_back(
            fmt::format("records may come up to {} instructions early", options.window));
    if (options.physical)
        notes.push_back(fmt::format("physical addresses, read as their kseg0/kseg1 aliases ({})",
                                    physicalDetected ? "as record 1 shows" : "--physical"));
    if (!options.kinds.all())
        notes.push_back("only " + options.kinds.describe() + " records compared");
    std::string out;
    for (const auto& n : notes)
        out += (out.empty() ? "" : "; ") + n;
    return out;
}

} // namespace

Action addCompareCommand(CLI::App& app) {
    auto args = std::make_shared<CompareArgs>();
    CLI::App* sub = app.add_subcommand(
        "compare", "compare a trace from your core with the reference core's and name the first "
                   "divergence");
    sub->add_option("trace", args->trace,
                    "your core's trace file, plain or gzip (- for standard input)")
        ->required();
    args->image.elfOption =
        sub->add_option("elf", args->image.elf, "ROM image (default: the ROM this build produced)");
    args->image.addRomOption(*sub);
    sub->add_option("--switch", args->switchText,
                    "SWITCH_REG value of your run (default auto: the value your trace shows "
                    "loaded, else 1)");
    sub->add_option("--limit", args->limitText, "instructions of the reference run at most");
    sub->add_option("--context", args->contextText,
                    "instructions shown before the divergence (default 6)");
    sub->add_option("--window", args->windowText,
                    fmt::format("instructions a record of an untagged trace may come early "
                                "(default {}, 0 for tagged traces; at most {})",
                                CompareOptions::kDefaultWindow, CompareOptions::kMaxWindow));
    sub->add_flag("--keep-going{all}", args->keepGoingText,
                  "after a divergence go on at the next routine: report the first divergence of "
                  "every routine (--keep-going=N: at most N) and a table of the routines");
    sub->add_option("--only", args->onlyText,
                    "record kinds compared: gpr, hilo, mem, exc (exceptions), comma-separated "
                    "(default all)")
        ->type_name("KINDS");
    sub->add_flag("--physical", args->physical,
                  "your trace has physical pcs and addresses (ROM 0x1fc00000, RAM 0x00000000); "
                  "detected from the first record without it");
    sub->add_flag("--json", args->json, "print one JSON document");
    return [args]() {
        args->elf = args->image.path();
        const Image image = Image::load(args->elf);
        const RomMap map = RomMap::load(image);
        CompareOptions options;
        options.run.instructionLimit = parseLimit(args->limitText);
        options.context = parseNumber("--context", args->contextText, 1000);
        options.kinds = RecordKinds::parse(args->onlyText);
        if (!args->keepGoingText.empty())
            options.keepGoing = args->keepGoingText == "all"
                                    ? std::numeric_limits<std::size_t>::max()
                                    : parseNumber("--keep-going", args->keepGoingText, 1'000'000);
        if (options.keepGoing == 0) options.keepGoing = 1;

        TraceReader reader = TraceReader::open(args->trace);
        const UserRecord* first = reader.peek(0);
        const bool physicalDetected = first && looksPhysical(first->record);
        options.physical = args->physical || physicalDetected;
        options.window =
            args->windowText == "auto"
                ? (reader.tagged() ? 0 : CompareOptions::kDefaultWindow)
                : parseNumber("--window", args->windowText, CompareOptions::kMaxWindow);
        std::string switchText;
        if (args->switchText == "auto") {
            options.run.switchValue = 1;
            switchText = "0x00000001 (no SWITCH_REG load in your trace)";
            if (const auto load = switchLoadAddress(image, map))
                if (const auto v = switchReadIn(reader, *load, options.physical)) {
                    options.run.switchValue = *v;
                    switchText = fmt::format("0x{:08x} (as your trace loads it)", *v);
                }
        } else {
            options.run.switchValue = parseSwitch(args->switchText);
            switchText = fmt::format("0x{:08x}", options.run.switchValue);
        }
        const TraceComparison c = compareTrace(image, map, reader, options);
        const ReportStyle style{.source = args->trace, .window = options.window};
        if (args->json) {
            printJson(*args, image, map, c, options, reader.tagged(), style);
        } else {
            fmt::print("coretest compare: {} against the reference core on {}, switch {}\n",
                       args->trace, args->elf, switchText);
            if (const std::string notes = readingNotes(reader, options, physicalDetected);
                !notes.empty())
                fmt::print("  your trace: {}\n", notes);
            fmt::print("{}", formatComparison(c, image, map, style));
        }
        std::fflush(stdout);
        if (c.outcome == TraceComparison::Outcome::ReferenceStopped) {
            fmt::print(stderr,
                       "coretest compare: the reference run stopped ({}) after {} instructions "
                       "before its end mark; nothing after that was compared (raise --limit)\n",
                       stopReasonName(c.referenceStop), c.referenceInstructions);
            return kBadInput;
        }
        return c.outcome == TraceComparison::Outcome::Agree ? kPass : kCoreFailed;
    };
}

} // namespace coretest::cli
