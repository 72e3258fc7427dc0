// Fuzz target: an image file's bytes as coretest reads them: headers, segments, symbols and line
// records, looked up as the reports look them up. Bad input may only end in InputError. No run and
// no routine map: both set up the whole ROM window, which would cost ten times more per input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "coretest/image.h"
#include "coretest/line_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace coretest;
    try {
        const Image image = Image::fromBytes(std::vector<char>(data, data + size), "input");
        std::optional<LineTable> lines;
        try {
            lines = LineTable::of(image);
        } catch (const InputError&) {
        }
        for (const Symbol& s : image.symbols()) {
            if (const Symbol* r = image.routineAt(s.value); r && s.value - r->value >= r->size)
                __builtin_trap();
            if (!lines) continue;
            if (const LineRow* row = lines->rowAt(s.value)) {
                if (s.value < row->address || s.value >= row->end) __builtin_trap();
                lines->unitOf(*row).path();
            }
        }
    } catch (const InputError&) {
    }
    return 0;
}
