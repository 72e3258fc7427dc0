#pragma once
// The reference core's trace of an image as `coretest trace` writes it: a swl or swr store as the
// bytes it writes, an exception record per exception taken.
#include <sstream>
#include <string>

#include "coretest/reference_commits.h"
#include "coretest/run.h"

namespace coretest_test {

inline std::string referenceTrace(const coretest::Image& image, coretest::RunOptions options) {
    std::ostringstream out;
    coretest::ReferenceTraceWriter writer(out);
    options.observer = &writer;
    coretest::SteppedRun run(image, options);
    writer.setBoard(&run.board());
    while (run.advance(1 << 20)) {
    }
    writer.finish();
    return out.str();
}

} // namespace coretest_test
