// Speed of the reference core on the ROM: the short run (switch non-zero) and the long-pause run
// (switch 0, about 365 million instructions). Usage: core_bench [benchmark flags] [ROM.elf]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "coretest/run.h"

namespace {

void runRom(benchmark::State& state, const coretest::Image& image, std::uint32_t switchValue) {
    std::uint64_t instructions = 0;
    coretest::RunResult last;
    for (auto _ : state) {
        last = coretest::run(image, {.switchValue = switchValue});
        instructions += last.instructions;
    }
    state.counters["guest_instructions"] = static_cast<double>(last.instructions);
    state.counters["guest_ips"] =
        benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
    state.SetLabel(std::string(coretest::stopReasonName(last.reason)) + ", passed " +
                   std::to_string(last.passCount()));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::string path = argc > 1 ? argv[1] : CORETEST_ROM_PATH;
    try {
        static const coretest::Image image = coretest::Image::load(path);
        benchmark::RegisterBenchmark("short_run", [](benchmark::State& s) {
            runRom(s, image, 1);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("long_pause_run",
                                     [](benchmark::State& s) { runRom(s, image, 0); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    } catch (const coretest::InputError& e) {
        std::fprintf(stderr, "core_bench: %s\n", e.what());
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
