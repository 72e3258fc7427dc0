// The reference core and the Unicorn core side by side on the built ROM: the short run (switch
// non-zero) and the full long-pause run (switch 0), as wall time, CPU time and guest instructions
// per second, with the ratio of the two cores. The reference core also runs under an observer,
// which makes it execute every instruction one at a time (no countdown loop in one step). Then
// the fault campaign over the whole catalogue on two threads, and the targets: on the long-pause
// run the reference core at least twice Unicorn's speed and 1 G instructions per second, the short
// run within 2 ms, the campaign within 1 s. Each figure is the best of a few runs.
// Usage: unicorn_bench [ROM.elf]
#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "coretest/campaign.h"
#include "coretest/routine_reports.h"
#include "coretest/run.h"
#include "coretest/unicorn_core.h"

namespace {

using namespace coretest;

struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
    std::uint64_t instructions = 0;
    std::string outcome;
};

Timing measure(const Image& image, CoreRunner core, std::uint32_t switchValue, int repeats,
               Observer* observer = nullptr) {
    Timing best;
    for (int i = 0; i < repeats; ++i) {
        const std::clock_t cpu0 = std::clock();
        const auto wall0 = std::chrono::steady_clock::now();
        const RunResult r =
            run(image, {.core = core, .switchValue = switchValue, .observer = observer});
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
    fmt::print("{:<12} {:<10} {:>12} {:>9.2f} {:>9.2f} {:>10.1f} {:>10.1f}  {}\n", run, core,
               t.instructions, t.wall * 1e3, t.cpu * 1e3, t.instructions / t.wall / 1e6,
               t.instructions / t.cpu / 1e6, t.outcome);
}

struct CampaignTiming {
    double wall = 1e30;
    double cpu = 1e30; // of both threads together
    std::size_t faults = 0;
    std::size_t disagreements = 0;
    std::uint64_t instructions = 0;
};

// The whole catalogue, each fault in its scope, as `coretest faults --jobs 2` runs it.
CampaignTiming measureCampaign(const Image& image, int repeats) {
    const RomMap map = RomMap::load(image);
    const auto faults = FaultFilter().select(faultCatalogue());
    CampaignTiming best;
    for (int i = 0; i < repeats; ++i) {
        const std::clock_t cpu0 = std::clock();
        const auto wall0 = std::chrono::steady_clock::now();
        const auto rows = runCampaign(image, map, faults, {.threads = 2});
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        best.wall = std::min(best.wall, wall);
        best.cpu = std::min(best.cpu, static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC);
        best.faults = rows.size();
        best.disagreements = summarize(rows).disagreements;
        best.instructions = 0;
        for (const CampaignRow& r : rows)
            best.instructions += r.instructions;
    }
    return best;
}

const char* met(bool ok) {
    return ok ? "met" : "NOT MET";
}

} // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : CORETEST_ROM_PATH;
    try {
        const Image image = Image::load(path);
        // Per second of wall time and of CPU time: on a shared machine the second is the steadier.
        fmt::print("{:<12} {:<10} {:>12} {:>9} {:>9} {:>10} {:>10}  {}\n", "run", "core",
                   "instructions", "wall ms", "cpu ms", "M/s wall", "M/s cpu", "outcome");
        struct Case {
            const char* name;
            std::uint32_t switchValue;
            int repeats;
        };
        Observer singleSteps; // sees nothing, but makes the core step every instruction
        Timing shortRef, longRef, longUni;
        for (const Case c : {Case{"short", 1, 5}, Case{"long-pause", 0, 3}}) {
            const Timing ref = measure(image, nullptr, c.switchValue, c.repeats);
            const Timing steps = measure(image, nullptr, c.switchValue, 1, &singleSteps);
            const Timing uni = measure(image, runOnUnicorn, c.switchValue, c.repeats);
            row(c.name, "reference", ref);
            row(c.name, "ref-steps", steps);
            row(c.name, "unicorn", uni);
            fmt::print("{:<12} {:<10} unicorn/reference: wall {:.2f}x, cpu {:.2f}x\n", c.name,
                       "ratio", uni.wall / ref.wall, uni.cpu / ref.cpu);
            if (c.switchValue) {
                shortRef = ref;
            } else {
                longRef = ref;
                longUni = uni;
            }
        }
        const CampaignTiming campaign = measureCampaign(image, 3);
        fmt::print(
            "campaign: {} faults, {} disagreements, {} instructions in {:.3f} s wall, {:.3f} "
            "s cpu on 2 threads\n",
            campaign.faults, campaign.disagreements, campaign.instructions, campaign.wall,
            campaign.cpu);

        const double speedup = longUni.wall / longRef.wall;
        const double rate = longRef.instructions / longRef.wall / 1e9;
        fmt::print("target: long-pause reference >= 2x unicorn (wall): {:.1f}x, {}\n", speedup,
                   met(speedup >= 2));
        fmt::print("target: long-pause reference >= 1 G instructions/s (wall): {:.1f} G/s, {}\n",
                   rate, met(rate >= 1));
        fmt::print("target: short run <= 2 ms (wall): {:.2f} ms, {}\n", shortRef.wall * 1e3,
                   met(shortRef.wall <= 2e-3));
        fmt::print("target: campaign < 1 s on 2 threads (wall): {:.3f} s, {}\n", campaign.wall,
                   met(campaign.wall < 1));
    } catch (const InputError& e) {
        std::fprintf(stderr, "unicorn_bench: %s\n", e.what());
        return 2;
    }
    return 0;
}
