// coretest compare: a core's trace against the reference core's, up to the first record where
// they part, named as the case, source line, instruction and values.
#include <fmt/format.h>

#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "coretest/disassembler.h"
#include "coretest/trace.h"
#include "numbers.h"
#include "output.h"

namespace coretest::cli {

namespace {

struct CompareArgs {
    std::string trace;
    std::string elf = CORETEST_DEFAULT_ROM;
    std::string switchText = "auto";
    std::string limitText = "1000000000";
    std::string contextText = "6";
    bool json = false;
};

// Where an address lies: its case, or the place in the boot unit.
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

std::string recordsText(const std::vector<TraceRecord>& records) {
    std::string out;
    for (const auto& r : records)
        out += (out.empty() ? "" : ", ") + explainRecord(r);
    return out;
}

void printBefore(const TraceComparison& c, const RomMap& map) {
    if (c.before.empty()) return;
    fmt::print("  the instructions before it on the reference core:\n");
    for (const auto& i : c.before)
        fmt::print("    {:08x}  {:<28} {}\n", i.pc, disassemble(map.word(i.pc), i.pc),
                   recordsText(i.records));
}

void printText(const CompareArgs& args, const Image& image, const RomMap& map,
               const TraceComparison& c, const std::string& switchText) {
    fmt::print("coretest compare: {} against the reference core on {}, switch {}\n", args.trace,
               args.elf, switchText);
    switch (c.outcome) {
    case TraceComparison::Outcome::Agree:
        fmt::print("the traces agree: {} records up to the end mark", c.matchedRecords);
        if (c.extraRecords)
            fmt::print("; the {} records of your trace after it are not compared", c.extraRecords);
        fmt::print("\n");
        return;
    case TraceComparison::Outcome::Differs: {
        const TraceRecord& e = *c.expected;
        const TraceRecord& o = *c.observed;
        fmt::print("first divergence at record {} ({}:{}), after {} records that agree\n", c.record,
                   args.trace, c.line, c.matchedRecords);
        fmt::print("  {}\n", placeOf(image, map, e.pc));
        fmt::print("  instruction {:08x}  {}\n", e.pc, disassemble(map.word(e.pc), e.pc));
        fmt::print("  expected    {:<28} {}\n", formatRecord(e), explainRecord(e));
        fmt::print("  observed    {:<28} {}\n", formatRecord(o), explainRecord(o));
        if (o.pc != e.pc)
            fmt::print("  your core wrote it at {:08x} ({}: {}), not at {:08x}\n", o.pc,
                       placeOf(image, map, o.pc), disassemble(map.word(o.pc), o.pc), e.pc);
        break;
    }
    case TraceComparison::Outcome::EndsEarly: {
        const TraceRecord& e = *c.expected;
        if (c.matchedRecords == 0)
            fmt::print("your trace ends early: it has no records; {} were expected\n",
                       c.expectedRecords);
        else
            fmt::print("your trace ends early: all its {} records agree, {} of {} expected ({}:{} "
                       "is its last)\n",
                       c.matchedRecords, c.matchedRecords, c.expectedRecords, args.trace, c.line);
        if (c.lastAgreed)
            fmt::print("  it got as far as {:08x} {} in {}\n", c.lastAgreed->pc,
                       disassemble(map.word(c.lastAgreed->pc), c.lastAgreed->pc),
                       placeOf(image, map, c.lastAgreed->pc));
        fmt::print("  the next record would be {} ({}), from {:08x} {} in {}\n", formatRecord(e),
                   explainRecord(e), e.pc, disassemble(map.word(e.pc), e.pc),
                   placeOf(image, map, e.pc));
        break;
    }
    }
    if (!c.caseRegisters.empty())
        fmt::print("  the case's registers before it: {}\n", describeRegisters(c.caseRegisters));
    printBefore(c, map);
}

nlohmann::json recordJson(const Image& image, const RomMap& map, const TraceRecord& r) {
    return {{"record", formatRecord(r)},
            {"pc", r.pc},
            {"instruction", disassemble(map.word(r.pc), r.pc)},
            {"place", placeOf(image, map, r.pc)},
            {"what", explainRecord(r)},
            {"value", r.value}};
}

void printJson(const CompareArgs& args, const Image& image, const RomMap& map,
               const TraceComparison& c, std::uint32_t switchValue) {
    static constexpr const char* kOutcomes[] = {"agree", "differs", "ends early"};
    nlohmann::json j = {{"trace", args.trace},
                        {"elf", args.elf},
                        {"switch", switchValue},
                        {"outcome", kOutcomes[static_cast<int>(c.outcome)]},
                        {"expected_records", c.expectedRecords},
                        {"matched_records", c.matchedRecords},
                        {"extra_records", c.extraRecords}};
    if (c.outcome != TraceComparison::Outcome::Agree) {
        j["record"] = c.record;
        j["line"] = c.line;
        j["expected"] = recordJson(image, map, *c.expected);
        if (c.observed) j["observed"] = recordJson(image, map, *c.observed);
        j["case"] = {{"routine", c.where.routine ? c.where.routine->name : ""},
                     {"case", c.where.caseIndex},
                     {"file", c.where.routine ? c.where.routine->file : ""},
                     {"line", c.where.line},
                     {"text", c.where.describe()}};
        nlohmann::json regs = nlohmann::json::object();
        for (const auto& [reg, value] : c.caseRegisters)
            regs[registerName(reg)] = value;
        j["case_registers"] = regs;
        j["before"] = nlohmann::json::array();
        for (const auto& i : c.before) {
            nlohmann::json records = nlohmann::json::array();
            for (const auto& r : i.records)
                records.push_back(formatRecord(r));
            j["before"].push_back({{"pc", i.pc},
                                   {"instruction", disassemble(map.word(i.pc), i.pc)},
                                   {"records", records}});
        }
    }
    std::cout << j.dump(2) << "\n";
}

} // namespace

Action addCompareCommand(CLI::App& app) {
    auto args = std::make_shared<CompareArgs>();
    CLI::App* sub = app.add_subcommand(
        "compare", "compare a trace from your core with the reference core's and name the first "
                   "divergence");
    sub->add_option("trace", args->trace, "your core's trace file (- for standard input)")
        ->required();
    sub->add_option("elf", args->elf, "ROM image (default: the ROM this build produced)");
    sub->add_option("--switch", args->switchText,
                    "SWITCH_REG value of your run (default auto: the value your trace shows "
                    "loaded, else 1)");
    sub->add_option("--limit", args->limitText, "instructions of the reference run at most");
    sub->add_option("--context", args->contextText,
                    "instructions shown before the divergence (default 6)");
    sub->add_flag("--json", args->json, "print one JSON document");
    return [args]() {
        const Image image = Image::load(args->elf);
        const RomMap map = RomMap::load(image);
        CompareOptions options;
        options.run.instructionLimit = parseLimit(args->limitText);
        options.context = parseNumber("--context", args->contextText, 1000);
        std::string switchText;
        if (args->switchText == "auto") {
            options.run.switchValue = 1;
            switchText = "0x00000001 (no SWITCH_REG load in your trace)";
            if (const auto load = switchLoadAddress(image, map); load && args->trace != "-") {
                readFrom(args->trace, [&](std::istream& in) {
                    TraceReader reader(in, args->trace);
                    if (const auto v = switchReadIn(reader, *load)) {
                        options.run.switchValue = *v;
                        switchText = fmt::format("0x{:08x} (as your trace loads it)", *v);
                    }
                });
            }
        } else {
            options.run.switchValue = parseSwitch(args->switchText);
            switchText = fmt::format("0x{:08x}", options.run.switchValue);
        }
        TraceComparison c;
        readFrom(args->trace, [&](std::istream& in) {
            TraceReader reader(in, args->trace);
            c = compareTrace(image, map, reader, options);
        });
        if (args->json)
            printJson(*args, image, map, c, options.run.switchValue);
        else
            printText(*args, image, map, c, switchText);
        return c.outcome == TraceComparison::Outcome::Agree ? kPass : kCoreFailed;
    };
}

} // namespace coretest::cli
