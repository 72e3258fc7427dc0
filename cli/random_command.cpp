// coretest random: a random MIPS-I program that checks itself against the values the reference
// core computed, as a boot-ROM image with its listing.
#include <fmt/format.h>

#include <filesystem>
#include <fstream>

#include "commands.h"
#include "coretest/input_error.h"
#include "coretest/random_program.h"
#include "output.h"
#include "random_options.h"

namespace coretest::cli {

namespace {

struct RandomArgs {
    random::RandomOptions options;
    std::string out;
};

// FILE.elf -> FILE.lst; any other name gets .lst added.
std::filesystem::path listingPath(const std::string& image) {
    std::filesystem::path p(image);
    if (p.extension() == ".elf") return p.replace_extension(".lst");
    return std::filesystem::path(image + ".lst");
}

} // namespace

Action addRandomCommand(CLI::App& app) {
    auto args = std::make_shared<RandomArgs>();
    CLI::App* sub = app.add_subcommand(
        "random", "write a random self-checking MIPS-I program as a ROM image and its listing");
    sub->add_option("--seed", args->options.seed, "the program's seed (default 1)")
        ->type_name("UINT");
    sub->add_option("-o,--output", args->out, "the image file; its listing goes to FILE.lst")
        ->required()
        ->type_name("FILE.elf");
    addRandomOptions(*sub, args->options);
    return [args]() {
        if (args->out.empty() || args->out == "-")
            throw InputError("-o: an image file is needed (the listing goes next to it)");
        const std::filesystem::path listing = listingPath(args->out);
        refuseOutputOverInput(args->out, {});
        args->options.listingName = listing.filename().string();
        const random::RandomProgram program = random::buildRandomProgram(args->options);
        writeTo(args->out, true, [&](std::ostream& o) {
            o.write(reinterpret_cast<const char*>(program.image.data()),
                    static_cast<std::streamsize>(program.image.size()));
        });
        writeTo(listing.string(), false, [&](std::ostream& o) { o << program.listing; });
        fmt::print("coretest random: seed {}, {} instructions in {} checkpoints, {} pass{} -> "
                   "{} ({} bytes), listing {}\n",
                   args->options.seed, args->options.instructions, program.checkpoints,
                   args->options.loops, args->options.loops == 1 ? "" : "es",
                   cli::quoted(args->out), program.image.size(), cli::quoted(listing.string()));
        finishOutput(std::cout, "standard output");
        return kPass;
    };
}

} // namespace coretest::cli
