// coretest: runs the ROM on the reference core and names what a core under test got wrong.
#include <fmt/format.h>

#include <algorithm>
#include <iostream>

#include "commands.h"
#include "coretest/image.h"

using namespace coretest::cli;

int main(int argc, char** argv) {
    CLI::App app{"coretest: the MIPS-I core test ROM's reference core and diagnostics"};
    app.require_subcommand(1);
    std::vector<std::pair<CLI::App*, Action>> commands;
    for (auto add : {addRunCommand, addFaultsCommand, addTraceCommand, addCompareCommand,
                     addDecodeCommand, addExportCommand}) {
        Action action = add(app);
        commands.emplace_back(app.get_subcommands({}).back(), std::move(action));
    }
    const auto subs = app.get_subcommands({});
    const bool known = argc > 1 && std::any_of(subs.begin(), subs.end(), [&](CLI::App* sub) {
                           return sub->check_name(argv[1]);
                       });
    if (argc > 1 && argv[1][0] != '-' && !known) {
        std::string names;
        for (const auto* sub : subs)
            names += (names.empty() ? "" : ", ") + sub->get_name();
        std::cerr << fmt::format("coretest: unknown command '{}'; expected one of: {}\n", argv[1],
                                 names);
        return kBadInput;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << fmt::format("coretest: {}\n", e.what());
        return kBadInput;
    }
    try {
        for (auto& [sub, action] : commands)
            if (sub->parsed()) return action();
    } catch (const coretest::InputError& e) {
        std::cerr << fmt::format("coretest: {}\n", e.what());
        return kBadInput;
    }
    return kBadInput;
}
