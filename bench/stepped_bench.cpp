// The reference core's stepped speed against Unicorn's on long random programs. A random image
// has no countdown loops, so the reference core executes every instruction one at a time: as
// `coretest run` runs it (no observer), and as the live checker and lockstep run it (a stepped run
// under an observer, advanced in slices). Each image is generated in-process (60,000 random
// instructions, 16 checkpoints a pass, every pass of 2,000 loops checked: about 120 million
// instructions executed; no expected exceptions, as Unicorn's coprocessor 0 is MIPS32's) and run
// to its end mark by each way and by Unicorn; the counts must agree and every run must end with
// the pass verdict. Prints the CPU time and millions of instructions per second of each, best of
// REPEATS, and the ratio to Unicorn over all images.
// Usage: stepped_bench [IMAGES [REPEATS [reference]]]  (defaults 1 and 3; `reference` leaves
// Unicorn out, for profiling the reference core alone)
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/input_error.h"
#include "coretest/random_program.h"
#include "coretest/run.h"
#include "coretest/unicorn_core.h"

namespace {

using namespace coretest;

// Sees every retirement, as the live checker's reference side does, and counts them.
class Retirements : public Observer {
  public:
    void retired(std::uint32_t, std::uint64_t count) override { last_ = count; }
    std::uint64_t last() const { return last_; }

  private:
    std::uint64_t last_ = 0;
};

struct Timing {
    double cpu = 1e30;
    double wall = 1e30;
    std::uint64_t instructions = 0;
    bool passed = false;
};

enum class Way { Run, Stepped, Unicorn };

const char* nameOf(Way w) {
    switch (w) {
    case Way::Run: return "reference run";
    case Way::Stepped: return "reference stepped+obs";
    case Way::Unicorn: return "unicorn";
    }
    return "?";
}

// One run of the image to its end; the verdict must be pass with every checkpoint passed.
Timing once(const Image& image, Way way, std::uint32_t checkpoints) {
    const std::clock_t cpu0 = std::clock();
    const auto wall0 = std::chrono::steady_clock::now();
    RunResult r;
    if (way == Way::Stepped) {
        Retirements seen;
        SteppedRun stepped(image, {.observer = &seen});
        while (stepped.advance(256)) {
        }
        r = stepped.result();
        if (seen.last() != r.instructions) r.reason = StopReason::InstructionLimit;
    } else {
        const CoreRunner unicorn = runOnUnicorn;
        r = run(image, {.core = way == Way::Unicorn ? unicorn : nullptr});
    }
    Timing t;
    t.cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    t.instructions = r.instructions;
    t.passed = r.reason == StopReason::Verdict && r.testNumber() == checkpoints &&
               r.passCount() == checkpoints;
    return t;
}

double mips(std::uint64_t instructions, double seconds) {
    return static_cast<double>(instructions) / seconds / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const int images = argc > 1 ? std::atoi(argv[1]) : 1;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const bool referenceOnly = argc > 3 && std::string(argv[3]) == "reference";
    if (images < 1 || repeats < 1 || argc > 4 || (argc > 3 && !referenceOnly)) {
        std::fprintf(stderr, "stepped_bench: usage: stepped_bench [IMAGES [REPEATS [reference]]] "
                             "(IMAGES and REPEATS at least 1)\n");
        return 2;
    }
    const Way ways[] = {Way::Run, Way::Stepped, Way::Unicorn};
    struct Total {
        double cpu = 0;
        std::uint64_t instructions = 0;
    } totals[3];
    bool ok = true;
    fmt::print("{:<6} {:<22} {:>12} {:>8} {:>8} {:>9}  {}\n", "seed", "core", "instructions",
               "cpu s", "wall s", "MIPS cpu", "verdict");
    try {
        for (int seed = 1; seed <= images; ++seed) {
            random::RandomOptions o;
            o.seed = static_cast<std::uint64_t>(seed);
            o.instructions = random::kMaxInstructions;
            o.loops = 2000;
            o.exceptionPercent = 0;
            const std::uint32_t checkpoints = random::kMaxCheckpointRuns / o.loops;
            o.checkpointEvery = (o.instructions + checkpoints - 1) / checkpoints;
            const auto generate0 = std::chrono::steady_clock::now();
            const random::RandomProgram program = random::buildRandomProgram(o);
            const double generate =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - generate0).count();
            const Image image = Image::fromBytes(
                std::vector<char>(program.image.begin(), program.image.end()), "random");
            fmt::print("seed {}: {} KiB image, {} checkpoints x {} passes, generated in {:.2f} s\n",
                       seed, program.image.size() / 1024, program.checkpoints, o.loops, generate);
            std::uint64_t expected = 0;
            for (std::size_t w = 0; w < (referenceOnly ? 2u : 3u); ++w) {
                Timing best;
                for (int k = 0; k < repeats; ++k) {
                    const Timing t = once(image, ways[w], program.checkpoints);
                    best.cpu = std::min(best.cpu, t.cpu);
                    best.wall = std::min(best.wall, t.wall);
                    best.instructions = t.instructions;
                    best.passed = t.passed;
                    if (!t.passed) break;
                }
                if (w == 0) expected = best.instructions;
                const bool same = best.instructions == expected;
                ok = ok && best.passed && same;
                totals[w].cpu += best.cpu;
                totals[w].instructions += best.instructions;
                fmt::print("{:<6} {:<22} {:>12} {:>8.3f} {:>8.3f} {:>9.1f}  {}{}\n", seed,
                           nameOf(ways[w]), best.instructions, best.cpu, best.wall,
                           mips(best.instructions, best.cpu), best.passed ? "pass" : "FAIL",
                           same ? "" : " (count differs from the reference run)");
            }
        }
    } catch (const InputError& e) {
        std::fprintf(stderr, "stepped_bench: %s\n", e.what());
        return 2;
    }
    const double unicorn = mips(totals[2].instructions, totals[2].cpu);
    for (std::size_t w = 0; w < 2 && !referenceOnly; ++w) {
        const double ref = mips(totals[w].instructions, totals[w].cpu);
        fmt::print("all    {:<22} {:>12} {:>8.3f} {:>17.1f}  {:.2f}x unicorn's {:.1f} MIPS "
                   "(cpu): {}\n",
                   nameOf(ways[w]), totals[w].instructions, totals[w].cpu, ref, ref / unicorn,
                   unicorn, ref >= unicorn ? "at least unicorn's" : "SLOWER than unicorn");
    }
    if (!ok) fmt::print("a run failed its verdict or counted differently\n");
    return ok ? 0 : 1;
}
