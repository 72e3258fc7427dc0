// Fuzz target: `coretest compare` end to end on the ROM this build produced: the trace read (plain
// or gzip), compared against the reference core, the report and its JSON-free text made. A bad
// trace may only end in InputError; a disagreeing one in a report.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "coretest/compare_report.h"
#include "coretest/image.h"
#include "coretest/routine_reports.h"
#include "coretest/trace_reader.h"

namespace {

const coretest::Image& rom() {
    static const coretest::Image image = coretest::Image::load(CORETEST_ROM_PATH);
    return image;
}

const coretest::RomMap& romMap() {
    static const coretest::RomMap map = coretest::RomMap::load(rom());
    return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace coretest;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    // The first byte picks the options a user would vary: keep-going and the window.
    CompareOptions options;
    options.run.switchValue = 1;
    options.run.instructionLimit = 2'000'000; // well past the short run's end mark
    if (size > 0) {
        options.keepGoing = 1 + (data[0] & 3) * 8;
        options.window = (data[0] >> 2) & 1 ? 4096 : 0;
    }
    try {
        TraceReader reader(in, "input");
        const TraceComparison c = compareTrace(rom(), romMap(), reader, options);
        const std::string report = formatComparison(c, rom(), romMap(), {"input", 0});
        if (report.empty()) __builtin_trap();
    } catch (const InputError&) {
    }
    return 0;
}
