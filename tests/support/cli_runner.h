#pragma once
// Runs the coretest tool as a user does, with its output, errors and exit status captured.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/scratch_folder.h"

namespace coretest_test {

struct CliResult {
    int status = -1;
    std::string out, err;
};

// The test program's own folder for the files its cases write, removed when the program ends.
inline const std::filesystem::path& scratchDir() {
    static const ScratchFolder folder("coretest-cli");
    return folder.path();
}

// The exit status of a shell command, or -1 when it did not exit normally.
inline int shell(const std::string& cmd) {
    const int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

inline CliResult runCli(const std::string& args) {
    const ScratchFolder dir("coretest-run");
    CliResult r;
    r.status =
        shell(std::string(CORETEST_CLI_PATH) + " " + args + " >'" + (dir.path() / "out").string() +
              "' 2>'" + (dir.path() / "err").string() + "' </dev/null");
    r.out = readAll(dir.path() / "out");
    r.err = readAll(dir.path() / "err");
    return r;
}

} // namespace coretest_test
