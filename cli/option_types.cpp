#include "option_types.h"

#include <fmt/format.h>

#include <filesystem>
#include <string_view>

#include "coretest/input_error.h"
#include "output.h"

namespace coretest::cli {

namespace {

// By option name: what its value is. The same name means the same kind of value in every command.
struct OptionType {
    std::string_view name;
    std::string_view type;
};
constexpr OptionType kOptionTypes[] = {
    {"elf", "FILE"},
    {"trace", "FILE"},
    {"output", "FILE"},
    {"html", "FILE"},
    {"file", "FILE"},
    {"limit", "UINT"},
    {"context", "UINT"},
    {"window", "UINT"},
    {"switch", "UINT"},
    {"size", "BYTES"},
    {"fault", "NAME[@ROUTINE]"},
    {"only", "PATTERN"},
    {"previous", "WORD"},
    {"format", "FORMAT"},
    {"jobs", "UINT"},
    {"max-records", "UINT"},
    {"log", "FILE"},
    {"top", "UINT"},
    {"words", "WORD"},
};

void nameOptions(CLI::App& command) {
    for (CLI::Option* opt : command.get_options()) {
        if (opt->get_type_name() != "TEXT") continue;
        const std::string name =
            opt->get_lnames().empty() ? opt->get_name(true) : opt->get_lnames().front();
        for (const auto& t : kOptionTypes)
            if (name == t.name) opt->type_name(std::string(t.type));
    }
}

} // namespace

void nameOptionTypes(CLI::App& app) {
    nameOptions(app);
    for (CLI::App* sub : app.get_subcommands({}))
        nameOptions(*sub);
}

void RomChoice::addRomOption(CLI::App& command) {
    command
        .add_option("--rom", rom,
                    "this build's first (1) or second (2) ROM instead of an ELF file (default: 1)")
        ->type_name("1|2");
}

std::string RomChoice::path() const {
    if (rom.empty()) return elf;
    const std::string which = rom == "1"   ? CORETEST_DEFAULT_ROM
                              : rom == "2" ? CORETEST_DEFAULT_ROM2
                                           : "";
    if (which.empty())
        throw InputError(fmt::format("--rom {}: this build has the ROMs 1 ({}) and 2 ({})",
                                     cli::quoted(rom), CORETEST_DEFAULT_ROM,
                                     CORETEST_DEFAULT_ROM2));
    if (elfOption && elfOption->count() > 0)
        throw InputError(fmt::format("both an image ({}) and --rom {} given; name one of them",
                                     cli::quoted(elf), rom));
    if (!std::filesystem::exists(which))
        throw InputError(fmt::format("--rom {}: {} is not built (the build target {})", rom,
                                     cli::quoted(which), rom == "1" ? "rom" : "rom2"));
    return which;
}

} // namespace coretest::cli
