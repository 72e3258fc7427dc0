// Peak memory of `coretest compare` on 1 GB of hostile trace, generated as it is read and never
// stored: the reference trace followed by records without end after its end mark, a tagged trace
// crowding four records into every instruction, and one @SEQ repeated (refused at its fifth
// record). Prints the bytes read and the process's own peak resident set (getrusage) after each;
// the aim is under 64 MB (not a test; the checking tests hold a shorter run to the same bound).
#include <fmt/format.h>
#include <sys/resource.h>

#include <cstring>
#include <sstream>
#include <string>

#include "coretest/compare_report.h"
#include "coretest/image.h"
#include "coretest/reference_commits.h"
#include "coretest/routine_reports.h"
#include "coretest/run.h"
#include "coretest/trace.h"
#include "coretest/trace_reader.h"

namespace {

using namespace coretest;

constexpr std::uint64_t kBytes = std::uint64_t{1} << 30;

// Lines made by `line(n)` for n = 0, 1, ... until kBytes have been produced.
class Generated : public ByteSource {
  public:
    Generated(std::string head, std::string (*line)(std::uint64_t))
        : line_(line), pending_(std::move(head)) {}
    std::size_t read(char* buffer, std::size_t size) override {
        std::size_t n = 0;
        while (n < size && produced < kBytes) {
            if (used_ == pending_.size()) {
                pending_ = line_(count_++);
                used_ = 0;
            }
            const std::size_t k = std::min(size - n, pending_.size() - used_);
            std::memcpy(buffer + n, pending_.data() + used_, k);
            n += k;
            used_ += k;
            produced += k;
        }
        return n;
    }
    std::uint64_t produced = 0;

  private:
    std::string (*line_)(std::uint64_t);
    std::string pending_;
    std::size_t used_ = 0;
    std::uint64_t count_ = 0;
};

long peakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

const Image& rom() {
    static const Image image = Image::load(CORETEST_ROM_PATH);
    return image;
}

// The reference core's short-pause trace (1.8 MB), the head of the compared input.
std::string golden() {
    std::ostringstream out;
    ReferenceTraceWriter writer(out);
    RunOptions o;
    o.switchValue = 1;
    o.observer = &writer;
    SteppedRun run(rom(), o);
    writer.setBoard(&run.board());
    while (run.advance(1 << 20)) {
    }
    writer.finish();
    return out.str();
}

void measure(const char* what, std::string (*line)(std::uint64_t), bool compare) {
    const Image& image = rom();
    static const RomMap map = RomMap::load(image);
    auto source = std::make_unique<Generated>(compare ? golden() : std::string(), line);
    const Generated& bytes = *source;
    TraceReader reader(std::move(source), "-");
    std::string outcome;
    try {
        if (compare) {
            CompareOptions o;
            o.run.switchValue = 1;
            const TraceComparison c = compareTrace(image, map, reader, o);
            outcome = formatComparison(c, image, map, {"-", 0});
            outcome = outcome.substr(outcome.rfind('\n', outcome.size() - 2) + 1);
        } else {
            std::uint64_t n = 0;
            while (reader.next())
                ++n;
            outcome = fmt::format("{} records read\n", n);
        }
    } catch (const InputError& e) {
        outcome = fmt::format("refused: {}\n", e.what());
    }
    fmt::print("{:<34} {:>6} MB read, peak RSS {:>4} MB; {}", what, bytes.produced >> 20, peakMb(),
               outcome);
}

} // namespace

int main() {
    measure("crowded @SEQ, 4 per instruction",
            [](std::uint64_t n) { return fmt::format("@{} bfc00000 r01 00000001\n", n / 4); },
            false);
    measure("one @SEQ repeated", [](std::uint64_t) { return std::string("@5 bfc00000 r01 0\n"); },
            false);
    measure("the trace, then 1 GB after its end",
            [](std::uint64_t) { return std::string("bfc00000 r01 00000000\n"); }, true);
    return 0;
}
