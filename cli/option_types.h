#pragma once
// What each option takes, as --help shows it: FILE, UINT, NAME[@ROUTINE] instead of TEXT.
#include <CLI/CLI.hpp>

namespace coretest::cli {

// Names the value of every option of the application and its subcommands that CLI11 would show
// as TEXT, from the option's name; options with a type name of their own keep it.
void nameOptionTypes(CLI::App& app);

} // namespace coretest::cli
