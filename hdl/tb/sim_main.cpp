// The C++ main of any Verilator model of the template top (hdl/tb/coretest_tb.sv or a copy of
// it under another name): clocks clk_i until the run ends, and exits with the run's outcome.
// Compile it with -DVM_PREFIX=<the model's prefix> (Verilator's --prefix; V<top> by default):
//   verilator --cc --exe --build --top-module my_tb --prefix Vmy_tb -CFLAGS -DVM_PREFIX=Vmy_tb
//             ... hdl/tb/sim_main.cpp
// Plusargs reach the model unchanged. The kit's modules end a run with one line that scripts
// read (coretest: PASS, FAIL or ERROR); this main watches its own standard output for them, so
// that no DPI call is needed, and exits
//   0  the last summary line is PASS and the model reported no error
//   1  the last summary line is FAIL (also after an ERROR line about the core, such as a broken
//      data-port contract), no line at all, or a failed assertion or $fatal (the run stops there)
//   2  a "coretest: ERROR" line and no summary after it (bad input: an unreadable ROM, an
//      unknown bug knob, a trace file that cannot be written)
#include <unistd.h>
#include <verilated.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#ifndef VM_PREFIX
#error "compile sim_main.cpp with -DVM_PREFIX=<the Verilator model's prefix, e.g. Vcoretest_tb>"
#endif
#define CORETEST_STR2(x) #x
#define CORETEST_STR(x) CORETEST_STR2(x)
#include CORETEST_STR(VM_PREFIX.h)

namespace {

// Standard output through a pipe: a thread copies it to the real standard output and remembers
// the run's summary lines.
class SummaryWatch {
  public:
    SummaryWatch() {
        int fds[2];
        std::fflush(stdout);
        if (::pipe(fds) != 0) return;
        out_ = ::dup(STDOUT_FILENO);
        if (out_ < 0 || ::dup2(fds[1], STDOUT_FILENO) < 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            return;
        }
        ::close(fds[1]);
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        reader_ = std::thread([this, in = fds[0]] { pump(in); });
    }
    SummaryWatch(const SummaryWatch&) = delete;
    SummaryWatch& operator=(const SummaryWatch&) = delete;
    ~SummaryWatch() { stop(); }

    bool watching() const { return reader_.joinable(); }

    // Ends the watch (standard output goes straight out again) and gives what the lines said.
    void stop() {
        if (!reader_.joinable()) return;
        std::fflush(stdout);
        ::dup2(out_, STDOUT_FILENO); // the pipe's last writer closes: the reader sees its end
        reader_.join();
        ::close(out_);
    }
    bool sawError() const { return error_; }
    char summary() const { return lastSummary_; } // of the last summary line: 'P', 'F' or 0

  private:
    void pump(int in) {
        char buf[4096];
        std::string line;
        for (;;) {
            const ssize_t n = ::read(in, buf, sizeof buf);
            if (n <= 0) break;
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(out_, buf + done, static_cast<size_t>(n - done));
                if (w <= 0) break;
                done += w;
            }
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] != '\n') {
                    if (line.size() < 64) line.push_back(buf[i]);
                    continue;
                }
                note(line);
                line.clear();
            }
        }
        note(line);
        ::close(in);
    }
    void note(const std::string& line) {
        if (line.rfind("coretest: ERROR", 0) == 0) {
            error_ = true;
            lastSummary_ = 0; // a summary must follow it to count
        } else if (line.rfind("coretest: PASS", 0) == 0)
            lastSummary_ = 'P';
        else if (line.rfind("coretest: FAIL", 0) == 0)
            lastSummary_ = 'F';
    }

    int out_ = -1;
    std::thread reader_;
    bool error_ = false;
    char lastSummary_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    const auto context = std::make_unique<VerilatedContext>();
    context->commandArgs(argc, argv);
    // A failed assertion or $fatal ends the run with an error instead of aborting the process.
    context->fatalOnError(false);
    SummaryWatch watch;
    if (!watch.watching()) {
        std::fprintf(stderr, "sim_main: cannot watch standard output (%s)\n", std::strerror(errno));
        return 2;
    }
    {
        const auto top = std::make_unique<VM_PREFIX>(context.get());
        top->clk_i = 0;
        while (!context->gotFinish()) {
            top->eval();
            context->timeInc(5);
            top->clk_i = !top->clk_i;
        }
        top->final();
    }
    watch.stop();
    if (watch.summary() == 'P') return context->gotError() ? 1 : 0;
    if (watch.summary() == 0 && watch.sawError()) return 2;
    return 1;
}
