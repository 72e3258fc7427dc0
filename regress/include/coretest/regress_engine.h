#pragma once
// Runs a regression's jobs: for each seed the caller's callback makes the image, then the job's
// shell command runs as a process group of its own with its output in a file, up to `jobs` at
// a time; a job past the timeout gets SIGTERM, then SIGKILL, sent to its whole group. Each
// verdict comes from the output's display words (regress_verdict.h). The outputs and images of
// passing seeds are removed; those of the others are kept for debugging.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coretest/regress_verdict.h"

namespace coretest::regress {

struct Job {
    std::uint64_t seed = 0;
    std::filesystem::path rom;    // the image the command runs, made by the callback
    std::filesystem::path hex;    // its $readmemh export; empty when the command does not take it
    std::filesystem::path output; // the command's standard output and standard error
    std::string command;          // run with /bin/sh -c; placeholders already replaced
    std::string reproduce;        // the commands that rerun this seed by hand
    std::vector<std::filesystem::path> files; // other files the callback writes (a listing)
};

// Writes job.rom (and job.hex when set) and returns the image's checkpoint count n (1 to 255).
// An exception (InputError or another) makes the job's verdict NoImage with its message.
using MakeImage = std::function<unsigned(const Job& job)>;
// Names the instruction of checkpoint k's block in the job's image (which is still there), for
// the report; may return an empty string.
using DescribeCheckpoint = std::function<std::string(const Job& job, unsigned checkpoint)>;

struct JobResult {
    std::uint64_t seed = 0;
    Verdict verdict = Verdict::NotRun;
    unsigned checkpoints = 0; // n of the image
    unsigned checkpoint = 0;  // Fail: the first failing checkpoint; else the last passed
    std::optional<std::uint32_t> lastWord;
    std::uint64_t displayWords = 0;
    Ending ending;
    double seconds = 0;  // from the start of the command to its end
    std::string detail;  // one line: what happened
    std::string place;   // the failing checkpoint's instruction, when described
    std::string output;  // the kept output file, empty when removed
    std::string rom;     // the kept image, empty when removed
    std::string command; // the command that ran
    std::string reproduce;
};

struct EngineOptions {
    unsigned jobs = 1;                         // commands running at once
    std::chrono::milliseconds timeout{0};      // per job; 0: none
    std::chrono::milliseconds killGrace{2000}; // from SIGTERM to SIGKILL after the timeout
    bool keepGoing = false;                    // false: start no job after the first non-pass
    bool keepPassing = false;                  // keep the files of passing seeds too
};

struct Report {
    std::vector<JobResult> results; // one per job, in the jobs' order (NotRun for those skipped)
    double seconds = 0;             // wall time of the whole regression
    bool stopped = false;           // a non-pass ended the regression before every job started
    bool interrupted = false;       // SIGINT, SIGTERM or SIGHUP ended it; the jobs were killed
    std::size_t count(Verdict v) const;
    bool allPassed() const { return count(Verdict::Pass) == results.size(); }
};

// Called after each job ends, with the number of jobs ended so far and the total.
using OnResult = std::function<void(const JobResult& result, std::size_t done, std::size_t total)>;

// Runs the jobs. Throws InputError when an output file cannot be created or a command cannot be
// started (the shell is missing); a command that fails, hangs or prints nothing useful is a
// result, never an exception. While it runs, SIGINT, SIGTERM and SIGHUP are blocked in the
// calling thread and taken as a request to stop: the running groups are killed and the report
// says so.
Report runJobs(const std::vector<Job>& jobs, const MakeImage& makeImage,
               const DescribeCheckpoint& describe, const EngineOptions& options,
               const OnResult& onResult = {});

// A path as it stands in a shell command: unchanged when it holds only characters the shell
// takes literally, else between single quotes.
std::string shellQuoted(std::string_view text);

// The simulation command's placeholders: {rom} (the ELF image), {hex} (its $readmemh export)
// and {seed}. Throws InputError naming the template when it has neither {rom} nor {hex}. Other
// braces stay as they are (the shell's ${VAR}, an awk program).
void checkSimTemplate(std::string_view simTemplate);
bool usesHex(std::string_view simTemplate);
// Replaces each placeholder, the paths shell-quoted.
std::string expandSim(std::string_view simTemplate, const std::string& rom, const std::string& hex,
                      std::uint64_t seed);

} // namespace coretest::regress
