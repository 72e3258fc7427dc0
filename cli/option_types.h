#pragma once
// What each option takes, as --help shows it: FILE, UINT, NAME[@ROUTINE] instead of TEXT; and the
// choice of image that every command reading one shares (an ELF file, or --rom 1|2).
#include <CLI/CLI.hpp>

#include <string>

namespace coretest::cli {

// Names the value of every option of the application and its subcommands that CLI11 would show
// as TEXT, from the option's name; options with a type name of their own keep it.
void nameOptionTypes(CLI::App& app);

// The image a command reads: the ELF file named by the command's positional argument or --elf
// (`elf`, which holds this build's first ROM until one is given), or `--rom 1|2`, this build's
// first or second ROM.
struct RomChoice {
    std::string elf = CORETEST_DEFAULT_ROM;
    std::string rom;                  // as typed after --rom; empty when not given
    CLI::Option* elfOption = nullptr; // the command's option for `elf`

    // Adds --rom to `command`; `elfOption` must already be set.
    void addRomOption(CLI::App& command);
    // Once the command line is parsed: the path of the image. Throws InputError for a --rom other
    // than 1 or 2, and for an ELF named together with --rom.
    std::string path() const;
};

} // namespace coretest::cli
