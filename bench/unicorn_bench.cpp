// The reference core and the Unicorn core side by side on the built ROM: the short run (switch
// non-zero) and the full long-pause run (switch 0), as wall time, CPU time and guest instructions
// per second, with the ratio of the two cores. Each figure is the best of a few runs.
// Usage: unicorn_bench [ROM.elf]
#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "coretest/run.h"

namespace {

using namespace coretest;

struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
    std::uint64_t instructions = 0;
    std::string outcome;
};

Timing measure(const Image& image, CoreKind core, std::uint32_t switchValue, int repeats) {
    Timing best;
    for (int i = 0; i < repeats; ++i) {
        const std::clock_t cpu0 = std::clock();
        const auto wall0 = std::chrono::steady_clock::now();
        const RunResult r = run(image, {.core = core, .switchValue = switchValue});
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        best.wall = std::min(best.wall, wall);
        best.cpu = std::min(best.cpu, cpu);
        best.instructions = r.instructions;
        best.outcome = fmt::format("{}, {} passed", stopReasonName(r.reason), r.passCount());
    }
    return best;
}

void row(const char* run, const char* core, const Timing& t) {
    fmt::print("{:<12} {:<10} {:>12} {:>8.3f} {:>8.3f} {:>10.1f} {:>10.1f}  {}\n", run, core,
               t.instructions, t.wall, t.cpu, t.instructions / t.wall / 1e6,
               t.instructions / t.cpu / 1e6, t.outcome);
}

} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : CORETEST_ROM_PATH;
    try {
        const Image image = Image::load(path);
        // Per second of wall time and of CPU time: on a shared machine the second is the steadier.
        fmt::print("{:<12} {:<10} {:>12} {:>8} {:>8} {:>10} {:>10}  {}\n", "run", "core",
                   "instructions", "wall s", "cpu s", "M/s wall", "M/s cpu", "outcome");
        struct Case {
            const char* name;
            std::uint32_t switchValue;
            int repeats;
        };
        for (const Case c : {Case{"short", 1, 5}, Case{"long-pause", 0, 3}}) {
            const Timing ref = measure(image, CoreKind::Reference, c.switchValue, c.repeats);
            const Timing uni = measure(image, CoreKind::Unicorn, c.switchValue, c.repeats);
            row(c.name, "reference", ref);
            row(c.name, "unicorn", uni);
            fmt::print("{:<12} {:<10} unicorn/reference: wall {:.2f}x, cpu {:.2f}x\n", c.name,
                       "ratio", uni.wall / ref.wall, uni.cpu / ref.cpu);
        }
    } catch (const InputError& e) {
        std::fprintf(stderr, "unicorn_bench: %s\n", e.what());
        return 2;
    }
    return 0;
}
