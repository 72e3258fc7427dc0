// Fuzz target: the fault selector of --fault, NAME or NAME@ROUTINE. Bad text may only end in
// InputError; an accepted text names a fault of the catalogue.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "coretest/catalogue.h"
#include "coretest/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace coretest;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const FaultSelection s = parseFaultSelection(text);
        if (!s.fault || !text.starts_with(s.fault->name)) __builtin_trap();
    } catch (const InputError&) {
    }
    return 0;
}
