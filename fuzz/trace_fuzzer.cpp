// Fuzz target: a core's trace as `coretest compare` reads it, plain or gzip-compressed, to its
// end. A malformed line may only end in InputError.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "coretest/image.h"
#include "coretest/trace_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace coretest;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        TraceReader reader(in, "input");
        for (std::uint64_t n = 0; reader.next(); ++n)
            reader.peek(1 + n % 3); // the look-ahead compare uses for reordered records
        reader.incompleteLine();
    } catch (const InputError&) {
    }
    return 0;
}
