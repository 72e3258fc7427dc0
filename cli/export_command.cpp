// coretest export: the boot ROM's contents for a ROM programmer or an HDL memory model.
#include <fmt/format.h>

#include <filesystem>

#include "commands.h"
#include "coretest/board.h"
#include "coretest/rom_export.h"
#include "numbers.h"
#include "option_types.h"
#include "output.h"

namespace coretest::cli {

namespace {

struct ExportArgs {
    RomChoice image;
    std::string format;
    std::string out;
    std::string sizeText = "0";
};

} // namespace

Action addExportCommand(CLI::App& app) {
    auto args = std::make_shared<ExportArgs>();
    CLI::App* sub = app.add_subcommand(
        "export", "write the boot ROM's contents as raw binary, $readmemh, COE or MIF");
    args->image.elfOption =
        sub->add_option("elf", args->image.elf, "ROM image (default: the ROM this build produced)");
    args->image.addRomOption(*sub);
    sub->add_option("--format", args->format,
                    "bin (raw bytes), hex ($readmemh words), coe (Xilinx), mif (Intel)")
        ->required();
    sub->add_option("-o,--output", args->out, "output file, - for standard output")->required();
    sub->add_option("--size", args->sizeText,
                    "fill with zeros up to this many bytes (the ROM's size, at least the "
                    "image's end; default: the image's end)")
        ->type_name("BYTES");
    return [args]() {
        const std::string elf = args->image.path();
        const auto format = exportFormatNamed(args->format);
        if (!format)
            throw InputError(fmt::format("--format: {} is not a ROM format; expected bin, hex, "
                                         "coe or mif",
                                         cli::quoted(args->format)));
        const auto size =
            static_cast<std::uint32_t>(parseNumber("--size", args->sizeText, kRomSize));
        refuseOutputOverInput(args->out, {elf});
        const Image image = Image::load(elf);
        const auto bytes = romContents(image, size);
        writeTo(args->out, *format == ExportFormat::Binary, [&](std::ostream& out) {
            writeExport(*format, bytes, std::filesystem::path(elf).filename().string(), out);
        });
        if (args->out != "-")
            fmt::print("coretest export: {} bytes ({} words) from 0xbfc00000 as {} to {}\n",
                       bytes.size(), (bytes.size() + 3) / 4, args->format, args->out);
        return kPass;
    };
}

} // namespace coretest::cli
