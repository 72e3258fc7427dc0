// Fuzz target: an image file's bytes as coretest reads them, headers, segments, symbols and line
// records, then the first instructions of a run on the reference core. Bad input may only end in
// InputError.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "coretest/diagnosis.h"
#include "coretest/image.h"
#include "coretest/line_table.h"
#include "coretest/run.h"

namespace {

// Enough to pass the boot code and enter a routine, few enough for thousands of inputs a second.
constexpr std::uint64_t kInstructions = 2000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace coretest;
    try {
        const Image image = Image::fromBytes(std::vector<char>(data, data + size), "input");
        std::optional<LineTable> lines;
        try {
            lines = LineTable::of(image);
        } catch (const InputError&) {
        }
        const RomMap map(image, lines ? &*lines : nullptr);
        RunOptions options;
        options.instructionLimit = kInstructions;
        const Diagnosis d = diagnose(image, map, options);
        if (d.run.instructions > kInstructions) __builtin_trap();
    } catch (const InputError&) {
    }
    return 0;
}
