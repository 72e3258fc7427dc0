// coretest: runs the ROM on the reference core and names what a core under test got wrong.
#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "coretest/closest_name.h"
#include "coretest/image.h"
#include "option_types.h"
#include "output.h"

using namespace coretest::cli;

namespace {

// The long and short option names of a command, as typed: "--switch", "-o".
std::vector<std::string> optionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* opt : command.get_options()) {
        for (const auto& n : opt->get_lnames())
            names.push_back("--" + n);
        for (const auto& n : opt->get_snames())
            names.push_back("-" + n);
    }
    return names;
}

// The first argument that looks like an option and that the chosen command does not know, with
// the nearest known option; empty when every option is known.
std::string unknownOption(const CLI::App& app, int argc, char** argv) {
    const CLI::App* command = &app;
    for (const CLI::App* sub : app.get_subcommands({}))
        if (argc > 1 && sub->check_name(argv[1])) command = sub;
    auto known = optionNames(*command);
    if (command != &app) {
        const auto top = optionNames(app);
        known.insert(known.end(), top.begin(), top.end());
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) continue;
        const std::string name(arg.substr(0, arg.find('=')));
        if (std::find(known.begin(), known.end(), name) != known.end()) continue;
        const std::string where = command == &app ? "coretest" : "coretest " + command->get_name();
        return fmt::format("{}: unknown option {}{}; see {} --help", where,
                           coretest::cli::quoted(name),
                           coretest::didYouMean(name, known), where);
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"coretest: the MIPS-I core test ROM's reference core and diagnostics"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "coretest " CORETEST_VERSION);
    std::vector<std::pair<CLI::App*, Action>> commands;
    for (auto add : {addRunCommand, addFaultsCommand, addTraceCommand, addCompareCommand,
                     addDecodeCommand, addExportCommand, addDiagnoseCommand, addRegressCommand,
                     addRandomCommand}) {
        Action action = add(app);
        commands.emplace_back(app.get_subcommands({}).back(), std::move(action));
    }
    nameOptionTypes(app);
    const auto subs = app.get_subcommands({});
    const bool known = argc > 1 && std::any_of(subs.begin(), subs.end(), [&](CLI::App* sub) {
                           return sub->check_name(argv[1]);
                       });
    if (argc > 1 && argv[1][0] != '-' && !known) {
        std::vector<std::string> names;
        for (const auto* sub : subs)
            names.push_back(sub->get_name());
        std::cerr << fmt::format("coretest: unknown command {}{}; expected one of: {}\n",
                                 coretest::cli::quoted(argv[1]), coretest::didYouMean(argv[1], names),
                                 fmt::join(names, ", "));
        return kBadInput;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const std::string unknown = unknownOption(app, argc, argv);
        std::cerr << (unknown.empty() ? fmt::format("coretest: {}", e.what()) : unknown) << '\n';
        return kBadInput;
    }
    try {
        for (auto& [sub, action] : commands)
            if (sub->parsed()) return action();
    } catch (const coretest::InputError& e) {
        std::cerr << fmt::format("coretest: {}\n", e.what());
        return kBadInput;
    } catch (const std::exception& e) {
        // A last resort: every known cause is reported before it reaches here, with its input.
        std::string what = dynamic_cast<const std::bad_alloc*>(&e) ? "out of memory" : e.what();
        std::replace(what.begin(), what.end(), '\n', ' ');
        std::cerr << fmt::format("coretest: {}: {}\n",
                                 fmt::join(std::vector<std::string>(argv + 1, argv + argc), " "),
                                 what);
        return kBadInput;
    }
    return kBadInput;
}
