#pragma once
// A regression's reports: the summary a person reads, JSON and JUnit XML for CI systems.
#include <nlohmann/json.hpp>
#include <string>

#include "coretest/regress_engine.h"

namespace coretest::regress {

// One line per seed that did not pass (seed, verdict, checkpoint, instruction, time, kept
// files, how to reproduce), then the counts.
std::string summaryText(const Report& report);

// {"seeds", "passed", "failed", "command_failed", "timed_out", "no_verdict", "no_image",
//  "not_run", "stopped", "interrupted", "seconds", "results": [...]} with one object per seed.
nlohmann::json reportJson(const Report& report);

// One testsuite, one testcase per seed: <failure> for a failing checkpoint, <error> for a
// command that failed, timed out, showed no verdict or had no image, <skipped/> for seeds not
// run. Text that is not valid UTF-8 is replaced, XML's special characters escaped.
std::string reportJunit(const Report& report);

} // namespace coretest::regress
