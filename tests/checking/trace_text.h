#pragma once
// What the trace tests do with a trace's text: read it whole, and expect one bad line to be
// refused where it stands.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/trace_reader.h"

namespace coretest_test {

// Every record of `text`, read as a core's trace is.
inline std::vector<coretest::TraceRecord> readAll(const std::string& text) {
    std::istringstream in(text);
    coretest::TraceReader reader(in, "t.trace");
    std::vector<coretest::TraceRecord> out;
    while (auto r = reader.next())
        out.push_back(*r);
    return out;
}

// `line` as the third line of a trace, behind a good record and `second` (a blank or comment
// line): the reader takes the first record and refuses `line` in one line of error that names
// the trace, line 3 and `problem`.
inline void expectRefusedAtLine3(const std::string& line, const std::string& problem,
                                 const std::string& second = "") {
    std::istringstream in("bfc0038c r04 fffff008\n" + second + "\n" + line + "\n");
    coretest::TraceReader reader(in, "core.trace");
    ASSERT_TRUE(reader.next());
    try {
        reader.next();
        ADD_FAILURE() << "accepted: " << line;
    } catch (const coretest::InputError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("core.trace:3:"), std::string::npos) << what;
        EXPECT_NE(what.find(problem), std::string::npos) << what;
        EXPECT_EQ(what.find('\n'), std::string::npos) << what;
    }
}

} // namespace coretest_test
