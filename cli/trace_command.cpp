// coretest trace: the reference core's commit stream, the golden trace a core under test is
// compared with.
#include <fmt/format.h>

#include "commands.h"
#include "coretest/catalogue.h"
#include "coretest/fault.h"
#include "coretest/reference_commits.h"
#include "coretest/run.h"
#include "coretest/trace.h"
#include "fault_options.h"
#include "numbers.h"
#include "option_types.h"
#include "output.h"

namespace coretest::cli {

namespace {

struct TraceArgs {
    RomChoice image;
    std::string switchText = "1";
    std::string limitText = "1000000000";
    std::string maxRecordsText = std::to_string(TraceLimits::kDefaultMaxRecords);
    std::string out = "-";
    std::vector<std::string> faults;
};

} // namespace

Action addTraceCommand(CLI::App& app) {
    auto args = std::make_shared<TraceArgs>();
    CLI::App* sub = app.add_subcommand(
        "trace", "write the reference core's commit stream: one line per register, HI, LO or "
                 "memory write, and per exception taken");
    args->image.elfOption =
        sub->add_option("elf", args->image.elf, "ROM image (default: the ROM this build produced)");
    args->image.addRomOption(*sub);
    sub->add_option("--switch", args->switchText,
                    "SWITCH_REG value (default 1, the short pause; 0 makes the trace about 120 "
                    "million lines)");
    sub->add_option("-o,--output", args->out, "trace file (default -, standard output)");
    sub->add_option("--limit", args->limitText, "stop after this many instructions");
    sub->add_option("--max-records", args->maxRecordsText,
                    fmt::format("records written at most (default {}); a run that writes more "
                                "is cut there and fails",
                                TraceLimits::kDefaultMaxRecords));
    sub->add_option("--fault", args->faults,
                    "trace a core with this fault, NAME or NAME@ROUTINE (repeatable)");
    return [args]() {
        const std::string elf = args->image.path();
        RunOptions options;
        options.switchValue = parseSwitch(args->switchText);
        options.instructionLimit = parseLimit(args->limitText);
        const std::uint64_t maxRecords =
            parseNumber("--max-records", args->maxRecordsText, std::uint64_t{1} << 40);
        options.faults = faultSelections(args->faults);
        refuseOutputOverInput(args->out, {elf});
        const Image image = Image::load(elf);
        std::uint64_t records = 0, instructions = 0;
        bool ended = false, capped = false;
        writeTo(args->out, false, [&](std::ostream& out) {
            ReferenceTraceWriter writer(out, maxRecords);
            options.observer = &writer;
            SteppedRun run(image, options);
            writer.setBoard(&run.board());
            while (!writer.capped() && run.advance(1 << 20)) {
            }
            writer.finish();
            records = writer.written();
            instructions = writer.instructions();
            ended = writer.ended();
            capped = writer.capped();
        });
        if (capped) {
            fmt::print(stderr,
                       "coretest trace: the run wrote more than {} records; the trace is cut "
                       "there (raise --max-records)\n",
                       maxRecords);
            return kCoreFailed;
        }
        if (args->out != "-")
            fmt::print("coretest trace: {} records of {} instructions to {}{}\n", records,
                       instructions, args->out,
                       ended ? ", up to the end mark" : "; the run wrote no end mark");
        return kPass;
    };
}

} // namespace coretest::cli
