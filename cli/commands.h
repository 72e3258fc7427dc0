#pragma once
// The subcommands of coretest. Each adds itself to the application and returns the action that
// runs it once the command line is parsed; the action returns the exit status.
#include <CLI/CLI.hpp>

#include <functional>

namespace coretest::cli {

enum Exit { kPass = 0, kCoreFailed = 1, kBadInput = 2 };

using Action = std::function<int()>;

Action addRunCommand(CLI::App& app);
Action addFaultsCommand(CLI::App& app);
Action addTraceCommand(CLI::App& app);
Action addCompareCommand(CLI::App& app);
Action addDecodeCommand(CLI::App& app);
Action addExportCommand(CLI::App& app);
Action addDiagnoseCommand(CLI::App& app);
Action addRegressCommand(CLI::App& app);
Action addRandomCommand(CLI::App& app);

} // namespace coretest::cli
