#pragma once
// What the random-program benches share: images written for the Verilator model of our core, the
// model run as a command with its summary line read back, the bug knobs of our core as
// hdl/core/bug_knobs.md lists them, and how a run on either core ended.
#include <fmt/format.h>
#include <stdio.h>
#include <sys/wait.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/rom_export.h"
#include "coretest/run.h"

namespace coretest_bench {

// How a run ended: the pass verdict, a failing checkpoint (k << 24 | (k - 1), lamps 2 and 2), a
// failing ROM verdict, or anything else (no verdict, a hang, a crash).
enum class Ending { Pass, FailingCheckpoint, Fail, Other };

inline bool failingCheckpointWord(std::uint32_t display) {
    const std::uint32_t k = display >> 24;
    return k >= 1 && display == (k << 24 | (k - 1));
}

// The $readmemh file of an image, filled to the board's 512 KiB window.
inline void writeHex(const coretest::Image& image, const std::filesystem::path& path) {
    const auto bytes = coretest::romContents(image, 512 * 1024);
    std::ofstream out(path, std::ios::trunc);
    coretest::writeExport(coretest::ExportFormat::ReadMemH, bytes, path.filename().string(), out);
    if (!out) throw std::runtime_error(fmt::format("cannot write {}", path.string()));
}

// Runs a shell command and returns its output and exit status.
struct CommandResult {
    std::string output;
    int status = -1;
};
inline CommandResult runCommand(const std::string& command) {
    CommandResult r;
    FILE* pipe = popen((command + " 2>&1 </dev/null").c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> buffer{};
    for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        r.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// A simulation's ending from the kit's summary line ("coretest: PASS: ..., display 0x...").
inline Ending simEnding(const CommandResult& r, bool randomImage) {
    static const std::regex kSummary(R"(coretest: (PASS|FAIL): (.*), display 0x([0-9a-f]{8}))");
    std::smatch m;
    for (auto it = std::sregex_iterator(r.output.begin(), r.output.end(), kSummary);
         it != std::sregex_iterator(); ++it)
        m = *it;
    if (m.empty()) return Ending::Other;
    if (m[1] == "PASS") return r.status == 0 ? Ending::Pass : Ending::Other;
    if (m[2].str().rfind("verdict fail", 0) != 0) return Ending::Other;
    if (!randomImage) return Ending::Fail;
    return failingCheckpointWord(static_cast<std::uint32_t>(std::stoul(m[3], nullptr, 16)))
               ? Ending::FailingCheckpoint
               : Ending::Other;
}

// A reference-core run's ending.
inline Ending runEnding(const coretest::RunResult& r, bool randomImage) {
    if (r.reason != coretest::StopReason::Verdict || !r.board.endMarked()) return Ending::Other;
    if (r.board.lampA == 1 && r.board.lampB == 1) return Ending::Pass;
    if (!randomImage) return Ending::Fail;
    return failingCheckpointWord(r.board.display) ? Ending::FailingCheckpoint : Ending::Other;
}

// The knobs of hdl/core/bug_knobs.md: bit, name and the reference-core fault that models it.
struct Knob {
    unsigned bit = 0;
    std::string name;
    std::string fault;
};
inline std::vector<Knob> readKnobs(const std::filesystem::path& table) {
    static const std::regex kRow(
        R"(^\|\s*(\d+)\s*\|\s*`([a-z0-9-]+)`\s*\|.*\|\s*`([a-z0-9-]+)`\s*\|\s*$)");
    std::vector<Knob> knobs;
    std::ifstream in(table);
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (std::regex_match(line, m, kRow))
            knobs.push_back({static_cast<unsigned>(std::stoul(m[1])), m[2], m[3]});
    }
    return knobs;
}

} // namespace coretest_bench
