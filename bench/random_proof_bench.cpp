// Random images of seeds 1 to N (default 50, 20,000 instructions each) on three cores: the
// reference core, Unicorn in lockstep with it, and our RTL core in Verilator with its commit
// trace checked by `coretest compare`. Prints each core's passes and time; exit 1 when a seed
// fails on any of them. EXCEPTIONS (default 0) is the images' percent of expected exceptions:
// with any, Unicorn is left out (its coprocessor 0 is MIPS32's, so the lockstep stops at the
// program's first mtc0).
// Usage: random_proof_bench [SEEDS [EXCEPTIONS]]
#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "coretest/random_program.h"
#include "coretest/rom_map.h"
#include "random_sim.h"
#ifdef CORETEST_HAVE_UNICORN
#include "coretest/lockstep.h"
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct Core {
    const char* name;
    int passed = 0;
    double seconds = 0;
};

} // namespace

int main(int argc, char** argv) {
    const int seeds = argc > 1 ? std::atoi(argv[1]) : 50;
    const int exceptions = argc > 2 ? std::atoi(argv[2]) : 0;
    if (seeds < 1 || exceptions < 0 ||
        exceptions > static_cast<int>(coretest::random::kMaxExceptionPercent) || argc > 3) {
        fmt::print(stderr, "usage: random_proof_bench [SEEDS [EXCEPTIONS]]\n");
        return 2;
    }
    const bool withUnicorn = exceptions == 0;
    const fs::path dir = fs::temp_directory_path() / fmt::format("random-proof-bench-{}", getpid());
    fs::create_directories(dir);
    Core generation{"generation (20,000 instructions)"}, reference{"reference core"},
        unicorn{"Unicorn in lockstep"}, rtl{"our RTL core in Verilator"},
        traces{"its trace against coretest compare"};
    std::string firstDivergence;
    for (int s = 1; s <= seeds; ++s) {
        coretest::random::RandomOptions o;
        o.seed = static_cast<std::uint64_t>(s);
        o.exceptionPercent = static_cast<std::uint32_t>(exceptions);
        o.listingName = fmt::format("seed-{}.lst", s);
        auto t = Clock::now();
        const auto bytes = coretest::random::buildRandomImage(o);
        generation.seconds += since(t);
        ++generation.passed;
        const fs::path elf = dir / fmt::format("seed-{}.elf", s);
        {
            std::ofstream out(elf, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
        const auto image = coretest::Image::load(elf.string());
        const std::uint32_t n = coretest::random::checkpointCount(o);

        t = Clock::now();
        coretest::RunOptions run;
        run.switchValue = 1;
        const auto r = coretest::run(image, run);
        reference.seconds += since(t);
        const bool refPass = coretest_bench::runEnding(r, true) == coretest_bench::Ending::Pass &&
                             r.board.display == (n << 24 | n);
        reference.passed += refPass;

#ifdef CORETEST_HAVE_UNICORN
        if (withUnicorn) {
            t = Clock::now();
            const auto map = coretest::RomMap::load(image);
            const auto step = coretest::lockstep(image, &map, 1, 10'000'000);
            unicorn.seconds += since(t);
            const bool uniPass = !step.difference && !step.notComparable &&
                                 step.reason == coretest::StopReason::Verdict &&
                                 step.instructions == r.instructions;
            unicorn.passed += uniPass;
            if (!uniPass)
                fmt::print("seed {}: lockstep: {}\n", s,
                           step.difference ? step.difference->describe()
                                           : step.notComparable.value_or("stopped early"));
        }
#endif

        const fs::path hex = dir / fmt::format("seed-{}.hex", s);
        const fs::path trace = dir / fmt::format("seed-{}.trace", s);
        coretest_bench::writeHex(image, hex);
        t = Clock::now();
        const auto sim = coretest_bench::runCommand(
            fmt::format("'{}' +rom='{}' +switch=1 +trace='{}' +max_cycles=4000000", CORETEST_SIM,
                        hex.string(), trace.string()));
        rtl.seconds += since(t);
        const bool rtlPass =
            sim.status == 0 && coretest_bench::simEnding(sim, true) == coretest_bench::Ending::Pass;
        rtl.passed += rtlPass;
        t = Clock::now();
        const auto compared = coretest_bench::runCommand(
            fmt::format("'{}' compare '{}' '{}'", CORETEST_CLI, trace.string(), elf.string()));
        traces.seconds += since(t);
        traces.passed += compared.status == 0;
        if (compared.status != 0 && firstDivergence.empty()) {
            firstDivergence = fmt::format("seed {}: {}", s, compared.output);
            firstDivergence.resize(std::min<std::size_t>(firstDivergence.size(), 600));
        }
        if (!refPass || !rtlPass)
            fmt::print("seed {}: reference core {}, RTL core {}\n", s, refPass ? "passes" : "FAILS",
                       rtlPass ? "passes" : "FAILS");
        fs::remove(trace);
    }
    fs::remove_all(dir);
    bool all = true;
    if (!firstDivergence.empty()) fmt::print("first trace that differs: {}\n", firstDivergence);
    for (const Core* c : {&generation, &reference, &unicorn, &rtl, &traces}) {
#ifndef CORETEST_HAVE_UNICORN
        if (c == &unicorn) {
            fmt::print("{:<36} not built (no Unicorn library)\n", c->name);
            continue;
        }
#endif
        if (c == &unicorn && !withUnicorn) {
            fmt::print("{:<36} left out (the images take expected exceptions)\n", c->name);
            continue;
        }
        fmt::print("{:<36} {:>3} of {} seeds   {:7.2f} s   {:6.3f} s a seed\n", c->name, c->passed,
                   seeds, c->seconds, c->seconds / seeds);
        all = all && c->passed == seeds;
    }
    return all ? 0 : 1;
}
