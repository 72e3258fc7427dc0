#pragma once
// The boot ROM's contents as a ROM programmer or an HDL memory model takes them: the bytes of
// every segment placed at its physical address from the reset address on (the text, then the
// initialised data stored behind it), written as raw binary, a $readmemh file, a Xilinx COE file
// or an Intel MIF file. The word formats hold one 32-bit word per entry, read little-endian from
// the bytes, entry 0 at 0xbfc00000.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "coretest/image.h"

namespace coretest {

enum class ExportFormat { Binary, ReadMemH, Coe, Mif };

// "bin", "hex", "coe", "mif"; nullopt for anything else.
std::optional<ExportFormat> exportFormatNamed(std::string_view name);

// ROM bytes from 0xbfc00000 to the end of the highest segment stored there, gaps zero, then zero
// fill up to `size` bytes (0: no fill). Throws InputError when no segment lies in the boot ROM,
// `size` exceeds the boot ROM, or a non-zero `size` is smaller than the image.
std::vector<std::uint8_t> romContents(const Image& image, std::uint32_t size = 0);

// Writes the contents in the format; the word formats round the length up to whole words.
// `origin` names the image in the formats that carry a comment; pass the file name, not a path,
// so that the export is the same in every checkout folder.
void writeExport(ExportFormat format, std::span<const std::uint8_t> bytes, std::string_view origin,
                 std::ostream& out);

} // namespace coretest
