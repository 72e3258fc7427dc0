#include "random_options.h"

#include <string>

void addRandomOptions(CLI::App& command, coretest::random::RandomOptions& options) {
    using namespace coretest::random;
    command
        .add_option("--instructions", options.instructions,
                    "random instructions in the image, not counting the checks (default 20000, "
                    "at most " +
                        std::to_string(kMaxInstructions) + ")")
        ->type_name("UINT");
    command
        .add_option("--checkpoint-every", options.checkpointEvery,
                    "a checkpoint after this many random instructions (default 100; at most " +
                        std::to_string(kMaxCheckpoints) + " checkpoints)")
        ->type_name("UINT");
    command
        .add_option("--loops", options.loops,
                    "how many times the blocks run, each pass checked (default 1, at most " +
                        std::to_string(kMaxLoops) + ")")
        ->type_name("UINT");
    command.add_flag("--interlocked", options.interlocked,
                     "let an instruction read the register the previous one loaded (for cores "
                     "with a load interlock)");
    command
        .add_option_function<std::string>(
            "--distance",
            [&options](const std::string& name) { options.distance = parseDistance(name); },
            "dependency distances: near (mostly 1-3, default), uniform (1-8) or far (mostly 4-16)")
        ->check(CLI::IsMember({"near", "uniform", "far"}))
        ->type_name("NAME");
    command
        .add_option("--memory", options.memoryPercent, "percent of loads and stores (default 25)")
        ->type_name("PERCENT");
    command
        .add_option("--branches", options.branchPercent,
                    "percent of branches, jumps and calls (default 10)")
        ->type_name("PERCENT");
    command
        .add_option("--multiply", options.multiplyPercent,
                    "percent of mult/div and HI/LO moves (default 8)")
        ->type_name("PERCENT");
    command
        .add_option("--exceptions", options.exceptionPercent,
                    "percent of drawn points that take an expected exception, 0 to 20 (default 1; "
                    "0: none, Status left alone)")
        ->type_name("PERCENT");
}
