#pragma once
// Runs the simulators and tools of the HDL tests, with their output and exit status captured.
#include <regex>
#include <string>
#include <vector>

#include "support/cli_runner.h"

namespace coretest_test {

// A shell command's exit status and its standard output and error.
inline CliResult runCommand(const std::string& cmd) {
    const ScratchFolder dir("coretest-hdl-run");
    CliResult r;
    r.status = shell(cmd + " >'" + (dir.path() / "out").string() + "' 2>'" +
                     (dir.path() / "err").string() + "' </dev/null");
    r.out = readAll(dir.path() / "out");
    r.err = readAll(dir.path() / "err");
    return r;
}

// Every capture of the first group of a pattern, in order.
inline std::vector<std::string> capturesOf(const std::string& text, const std::string& pattern) {
    const std::regex re(pattern);
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
         ++it)
        out.push_back((*it)[1].str());
    return out;
}

// The run's ending as the reference core's JSON names it: pass, fail or none.
inline std::string verdictOfSummary(const std::string& out) {
    const auto summary = capturesOf(out, "coretest: (?:PASS|FAIL): ([^,\n]*)");
    if (summary.empty()) return "no summary";
    if (summary.back() == "verdict pass") return "pass";
    if (summary.back() == "verdict fail") return "fail";
    return "none";
}

} // namespace coretest_test
