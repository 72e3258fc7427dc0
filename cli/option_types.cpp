#include "option_types.h"

#include <string_view>

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

} // namespace coretest::cli
