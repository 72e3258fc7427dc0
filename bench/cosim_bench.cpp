// What live checking costs. The reference core's own retirement stream of the short run (switch
// 1) and the long-pause run (switch 0) is fed, instruction by instruction, to libcoretest_cosim,
// which runs a second reference core and compares: the cost per retired instruction is the time
// of that run less the time of producing the stream alone (target: under 100 ns). Then, when the
// build has the Verilator models, our core's simulation of the short run with and without the
// checker (target: at most 1.5 times slower with it), for the whole short run and for a stretch of
// the long-pause run. Each figure is the best of a few runs, by wall time and by the process's CPU
// time (a shared machine's neighbours stretch the first more than the second).
// Usage: cosim_bench [ROM.elf]
#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <tuple>

#include <sys/wait.h>

#include "coretest/routine_reports.h"
#include "coretest/run.h"
#include "coretest/trace.h"
#include "coretest_cosim.h"

namespace {

using namespace coretest;

// Hands every instruction of the reference run to the checker, as a testbench would.
class Feeder : public CommitStream {
  public:
    Feeder(const RomMap& map, coretest_cosim* cosim) : map_(map), cosim_(cosim) {}
    int worst() const { return worst_; }

  protected:
    void committed(std::uint32_t pc, const std::vector<TraceRecord>& records) override {
        ++seq_;
        if (!cosim_) return;
        std::uint32_t writes = 0;
        for (const TraceRecord& r : records) {
            switch (r.kind) {
            case TraceRecord::Kind::Reg:
                writes |= CORETEST_COSIM_WRITES_GPR;
                note(coretest_cosim_write_gpr(cosim_, seq_, r.reg, r.value));
                break;
            case TraceRecord::Kind::Hi:
                writes |= CORETEST_COSIM_WRITES_HI;
                note(coretest_cosim_write_hi(cosim_, seq_, r.value));
                break;
            case TraceRecord::Kind::Lo:
                writes |= CORETEST_COSIM_WRITES_LO;
                note(coretest_cosim_write_lo(cosim_, seq_, r.value));
                break;
            case TraceRecord::Kind::Memory: {
                writes |= CORETEST_COSIM_WRITES_MEM;
                const unsigned lane = r.address & 3;
                note(coretest_cosim_write_mem(cosim_, seq_, r.address & ~3u,
                                              ((1u << r.size) - 1) << lane, r.value << (8 * lane)));
                break;
            }
            }
        }
        note(coretest_cosim_retire(cosim_, seq_, pc, map_.word(pc), writes));
    }

  private:
    void note(int status) { worst_ = std::max(worst_, status); }

    const RomMap& map_;
    coretest_cosim* cosim_;
    std::uint32_t seq_ = 0;
    int worst_ = CORETEST_COSIM_OK;
};

// The CPU time of this process so far, in seconds.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Measured {
    double seconds = 1e30;
    double cpu = 1e30; // CPU seconds
    std::uint64_t instructions = 0;
    int worst = CORETEST_COSIM_OK;
};

// The reference run producing the stream, handing it to a checker when `check` is set.
Measured measure(const std::string& elf, const Image& image, const RomMap& map,
                 std::uint32_t switchValue, bool check, int repeats) {
    Measured best;
    for (int i = 0; i < repeats; ++i) {
        coretest_cosim* cosim =
            check ? coretest_cosim_open(elf.c_str(), switchValue, 0, 0) : nullptr;
        if (check && !cosim) std::exit(2);
        Feeder feeder(map, cosim);
        const double c0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        run(image, {.switchValue = switchValue, .observer = &feeder});
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best.seconds = std::min(best.seconds, s);
        best.cpu = std::min(best.cpu, cpuSeconds() - c0);
        best.instructions = feeder.instructions();
        best.worst = std::max(best.worst, feeder.worst());
        if (cosim) coretest_cosim_close(cosim);
    }
    return best;
}

#if defined(CORETEST_SIM) && defined(CORETEST_COSIM_SIM)
// Seconds of the best of `repeats` runs of a command; exits when one ends with another status
// than `status` (a run cut by +max_cycles ends with 1, no verdict).
double timeCommand(const std::string& command, int repeats, int status) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const int ended = std::system(command.c_str());
        if (!WIFEXITED(ended) || WEXITSTATUS(ended) != status) {
            fmt::print(stderr, "cosim_bench: '{}' failed\n", command);
            std::exit(1);
        }
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// Our core with and without the checker: the whole short run, whose fraction of a second is
// mostly start-up (the ROM's hex file, and for the checker the ELF's symbols, line records and
// decoded ROM), then 10 million cycles of the long-pause run, which show the cost per cycle.
void simulations(const std::string& elf) {
    fmt::print("\nour core in Verilator         plain s  checked s    times  target at most 1.5\n");
    for (const auto& [name, extra, status] :
         {std::tuple{"short run", "+switch=1", 0},
          std::tuple{"10 M cycles, long pause", "+switch=0 +max_cycles=10000000", 1}}) {
        const std::string args =
            fmt::format(" +rom={} +cosim_elf={} {} > /dev/null", CORETEST_HDL_ROM, elf, extra);
        const double plain = timeCommand(CORETEST_SIM + args, 2, status);
        const double checked = timeCommand(CORETEST_COSIM_SIM + args, 2, status);
        fmt::print("{:<28} {:>8.2f} {:>10.2f} {:>8.2f}  {}\n", name, plain, checked,
                   checked / plain, checked / plain <= 1.5 ? "met" : "MISSED");
    }
}
#else
void simulations(const std::string&) {
    fmt::print("\nthis build has no Verilator models of our core: no simulation timing\n");
}
#endif

} // namespace

int main(int argc, char** argv) {
    const std::string elf = argc > 1 ? argv[1] : CORETEST_ROM_PATH;
    try {
        const Image image = Image::load(elf);
        const RomMap map = RomMap::load(image);
        fmt::print("{:<12} {:>12} {:>10} {:>11} {:>9} {:>9}  {}\n", "RUN", "INSTRUCTIONS",
                   "STREAM ms", "CHECKED ms", "ns/instr", "CPU ns", "target under 100 ns");
        for (const auto& [name, switchValue, repeats] :
             {std::tuple{"short", 1u, 5}, std::tuple{"long-pause", 0u, 1}}) {
            const Measured alone = measure(elf, image, map, switchValue, false, repeats);
            const Measured checked = measure(elf, image, map, switchValue, true, repeats);
            const double ns = (checked.seconds - alone.seconds) * 1e9 / checked.instructions;
            const double cpuNs = (checked.cpu - alone.cpu) * 1e9 / checked.instructions;
            fmt::print("{:<12} {:>12} {:>10.1f} {:>11.1f} {:>9.1f} {:>9.1f}  {}{}\n", name,
                       checked.instructions, alone.seconds * 1e3, checked.seconds * 1e3, ns, cpuNs,
                       ns < 100 ? "met" : "MISSED",
                       checked.worst == CORETEST_COSIM_OK ? "" : " (the checker diverged!)");
        }
        simulations(elf);
    } catch (const std::exception& e) {
        fmt::print(stderr, "cosim_bench: {}\n", e.what());
        return 2;
    }
    return 0;
}
