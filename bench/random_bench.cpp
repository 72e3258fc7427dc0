// How long `coretest random` takes to make an image: the whole generation (drawing, the reference
// core's run that records the signatures, layout, listing, ELF and line records) for the default
// 20,000-instruction program, best and median of several seeds, and for a longer run (loops).
// Usage: random_bench [SEEDS]
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "coretest/random_program.h"

namespace {

double millisecondsFor(const coretest::random::RandomOptions& options, std::size_t* bytes) {
    const auto start = std::chrono::steady_clock::now();
    const auto program = coretest::random::buildRandomProgram(options);
    const auto end = std::chrono::steady_clock::now();
    *bytes = program.image.size();
    return std::chrono::duration<double, std::milli>(end - start).count();
}

void measure(const char* what, coretest::random::RandomOptions options, int seeds) {
    std::vector<double> times;
    std::size_t bytes = 0;
    for (int s = 1; s <= seeds; ++s) {
        options.seed = static_cast<std::uint64_t>(s);
        times.push_back(millisecondsFor(options, &bytes));
    }
    std::sort(times.begin(), times.end());
    fmt::print("{:<52} best {:7.1f} ms   median {:7.1f} ms   ({} seeds, {} KiB image)\n", what,
               times.front(), times[times.size() / 2], seeds, bytes / 1024);
}

} // namespace

int main(int argc, char** argv) {
    const int seeds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    coretest::random::RandomOptions defaults;
    measure("20,000 instructions, a checkpoint every 100", defaults, seeds);
    coretest::random::RandomOptions interlocked = defaults;
    interlocked.interlocked = true;
    measure("20,000 instructions, interlocked", interlocked, seeds);
    coretest::random::RandomOptions longRun = defaults;
    longRun.checkpointEvery = 1000;
    longRun.loops = 100;
    measure("20,000 instructions, 100 passes (2 M executed)", longRun, std::min(seeds, 3));
    coretest::random::RandomOptions largest = defaults;
    largest.instructions = coretest::random::kMaxInstructions;
    largest.checkpointEvery = 236;
    measure("60,000 instructions (the most), 255 checkpoints", largest, std::min(seeds, 3));
    return 0;
}
