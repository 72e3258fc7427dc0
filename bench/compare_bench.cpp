// Records per second of `coretest compare`: the reference core's long-pause trace, read from
// memory and compared with the reference core again, plain and tagged with @SEQ, each the best of
// three runs by wall time and by the process's CPU time. Prints figures; the aim is at least 10
// million records a second (not a test).
#include <fmt/format.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <sstream>

#include "coretest/trace_compare.h"

namespace {

using namespace coretest;

constexpr std::uint64_t kInstructions = 20'000'000;

// The CPU time of this process so far, in seconds.
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(const std::string& text) : text_(text) {}
    std::size_t read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, text_.size() - at_);
        std::memcpy(buffer, text_.data() + at_, n);
        at_ += n;
        return n;
    }

  private:
    const std::string& text_;
    std::size_t at_ = 0;
};

class TaggedWriter : public CommitStream {
  public:
    std::string text;

  protected:
    void committed(std::uint32_t, const std::vector<TraceRecord>& records) override {
        for (const auto& r : records)
            text += fmt::format("@{} {}\n", instructions(), formatRecord(r));
    }
};

RunOptions longPause() {
    RunOptions o;
    o.switchValue = 0;
    o.instructionLimit = kInstructions;
    return o;
}

// The best of kRepeats comparisons: a shared machine's neighbours slow single runs by up to half.
void measure(const char* name, const Image& image, const RomMap& map, const std::string& text) {
    constexpr int kRepeats = 3;
    CompareOptions options;
    options.run = longPause();
    options.window = name[0] == 't' ? 0 : CompareOptions::kDefaultWindow;
    double seconds = 1e30, cpu = 1e30;
    std::uint64_t records = 0;
    for (int i = 0; i < kRepeats; ++i) {
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        TraceReader reader(std::make_unique<MemorySource>(text), name);
        TraceChecker checker(image, map, options);
        records = 0;
        while (const auto r = reader.next()) {
            checker.feed(*r, reader.origin());
            ++records;
        }
        seconds = std::min(
            seconds,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu = std::min(cpu, cpuSeconds() - cpuStart);
    }
    fmt::print("{:<26} {:>10} records {:>7.2f} s {:>7.2f} M records/s, CPU {:>5.2f} s {:>7.2f} M "
               "records/s\n",
               name, records, seconds, records / seconds / 1e6, cpu, records / cpu / 1e6);
}

} // namespace

int main() {
    const Image image = Image::load(CORETEST_ROM_PATH);
    const RomMap map = RomMap::load(image);
    std::ostringstream plain;
    ReferenceTraceWriter writer(plain);
    RunOptions o = longPause();
    o.observer = &writer;
    run(image, o);
    writer.finish();
    TaggedWriter tagged;
    o.observer = &tagged;
    run(image, o);
    fmt::print("compare: the first {} instructions of the long-pause run, {} MB of trace\n",
               kInstructions, plain.str().size() >> 20);
    measure("plain, window 64", image, map, plain.str());
    measure("tagged with @SEQ", image, map, tagged.text);
}
