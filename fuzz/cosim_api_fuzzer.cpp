// Fuzz target: the co-simulation library's C interface as a careless testbench or a broken core
// drives it. The input is a sequence of calls (open, retire, the writes, board read, finish, the
// counts, close) on two handle slots, in any order, with closed handles kept and used again; one
// call delivers the next instructions of the ROM's short run as the reference core retires them,
// perturbed, so that checking goes deep into the run. Every call must return one of the four
// statuses; nothing may crash, leak or touch freed memory.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "coretest/image.h"
#include "coretest/rom_map.h"
#include "coretest/run.h"
#include "coretest/trace.h"
#include "coretest_cosim.h"

namespace {

struct Step {
    std::uint32_t pc = 0;
    std::uint32_t insn = 0;
    std::vector<coretest::TraceRecord> records;
};

class Recorder : public coretest::CommitStream {
  public:
    Recorder(const coretest::RomMap& map, std::vector<Step>& out) : map_(map), out_(out) {}

  protected:
    void committed(std::uint32_t pc, const std::vector<coretest::TraceRecord>& records) override {
        out_.push_back({pc, map_.word(pc), records});
    }

  private:
    const coretest::RomMap& map_;
    std::vector<Step>& out_;
};

std::vector<Step>& shortRun() {
    static std::vector<Step> steps;
    return steps;
}

// Reads the input a field at a time; past its end every field is 0.
class Bytes {
  public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool more() const { return at_ < size_; }
    std::uint32_t take(unsigned bytes) {
        std::uint32_t v = 0;
        for (unsigned k = 0; k < bytes; ++k)
            v |= std::uint32_t{at_ < size_ ? data_[at_++] : 0u} << (8 * k);
        return v;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

constexpr int kMaxOpens = 2; // opening reads the ELF: the costly call

struct Slot {
    coretest_cosim* handle = nullptr;
    std::uint32_t next = 0; // index into the short run of the next instruction to deliver
};

bool isStatus(int s) {
    return s >= CORETEST_COSIM_OK && s <= CORETEST_COSIM_ERROR;
}

void check(int s) {
    if (!isStatus(s)) std::abort();
}

// Delivers `count` instructions of the short run from slot.next on, perturbed by `how`: bit 0
// drops a retirement, bit 1 drops a write, bit 2 flips a value, bit 3 announces an extra HI, bits
// 4-7 pick which of the instructions is perturbed.
void deliver(Slot& slot, unsigned count, unsigned how) {
    const std::vector<Step>& run = shortRun();
    for (unsigned k = 0; k < count && slot.next < run.size(); ++k, ++slot.next) {
        const Step& s = run[slot.next];
        const bool hit = (how >> 4) == k % 16;
        const std::uint32_t seq = slot.next + 1;
        std::uint32_t announced = hit && (how & 8) ? CORETEST_COSIM_WRITES_HI : 0;
        for (const auto& r : s.records)
            switch (r.kind) {
            case coretest::TraceRecord::Kind::Reg: announced |= CORETEST_COSIM_WRITES_GPR; break;
            case coretest::TraceRecord::Kind::Hi: announced |= CORETEST_COSIM_WRITES_HI; break;
            case coretest::TraceRecord::Kind::Lo: announced |= CORETEST_COSIM_WRITES_LO; break;
            case coretest::TraceRecord::Kind::Memory: announced |= CORETEST_COSIM_WRITES_MEM; break;
            }
        for (std::size_t n = 0; n < s.records.size(); ++n) {
            if (hit && (how & 2) && n == 0) continue;
            const auto& r = s.records[n];
            const std::uint32_t value = r.value ^ (hit && (how & 4) ? 1u : 0u);
            switch (r.kind) {
            case coretest::TraceRecord::Kind::Reg:
                check(coretest_cosim_write_gpr(slot.handle, seq, r.reg, value));
                break;
            case coretest::TraceRecord::Kind::Hi:
                check(coretest_cosim_write_hi(slot.handle, seq, value));
                break;
            case coretest::TraceRecord::Kind::Lo:
                check(coretest_cosim_write_lo(slot.handle, seq, value));
                break;
            case coretest::TraceRecord::Kind::Memory: {
                const unsigned lane = r.address & 3;
                check(coretest_cosim_write_mem(slot.handle, seq, r.address & ~3u,
                                               ((1u << r.size) - 1) << lane, value << (8 * lane)));
                break;
            }
            }
        }
        if (!(hit && (how & 1)))
            check(coretest_cosim_retire(slot.handle, seq, s.pc, s.insn, announced));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Reports go to standard output: thousands of them would drown the fuzzer's own lines.
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    const coretest::Image image = coretest::Image::load(CORETEST_ROM_PATH);
    const coretest::RomMap map = coretest::RomMap::load(image);
    Recorder recorder(map, shortRun());
    coretest::RunOptions options;
    options.switchValue = 1;
    options.observer = &recorder;
    coretest::run(image, options);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    std::array<Slot, 2> slots{};
    std::vector<coretest_cosim*> closed; // handed back again and again: must be refused
    int opens = 0;
    for (int calls = 0; in.more() && calls < 4096; ++calls) {
        const unsigned op = in.take(1);
        Slot& slot = slots[(op >> 4) & 1];
        coretest_cosim* h = slot.handle;
        if ((op >> 5) & 1 && !closed.empty()) h = closed[in.take(1) % closed.size()];
        const std::uint32_t seq = slot.next + 1 + (in.take(1) & 0x1f) - 8;
        switch (op & 0xf) {
        case 0:
            if (opens < kMaxOpens && !slot.handle) {
                ++opens;
                slot.handle = coretest_cosim_open(CORETEST_ROM_PATH, 1, in.take(1) & 0x7, 0);
                slot.next = 0;
            }
            break;
        case 1:
            coretest_cosim_close(h);
            if (h == slot.handle && h) {
                closed.push_back(h);
                slot.handle = nullptr;
            }
            break;
        case 2: check(coretest_cosim_retire(h, seq, in.take(4), in.take(4), in.take(1))); break;
        case 3: check(coretest_cosim_write_gpr(h, seq, in.take(1) & 0x3f, in.take(4))); break;
        case 4: check(coretest_cosim_write_hi(h, seq, in.take(4))); break;
        case 5: check(coretest_cosim_write_lo(h, seq, in.take(4))); break;
        case 6:
            check(coretest_cosim_write_mem(h, seq, in.take(4), in.take(1) & 0x1f, in.take(4)));
            break;
        case 7: check(coretest_cosim_board_read(h, in.take(4), in.take(4))); break;
        case 8: check(coretest_cosim_finish(h)); break;
        case 9:
            (void)coretest_cosim_checked(h);
            (void)coretest_cosim_divergences(h);
            break;
        case 10: check(coretest_cosim_retire(h, in.take(4), in.take(4), in.take(4), in.take(4))); break;
        case 11: check(coretest_cosim_write_gpr(h, in.take(4), in.take(4), in.take(4))); break;
        default:
            // The next instructions of the short run (up to 2,047 at once), perturbed.
            if (slot.handle) deliver(slot, (in.take(2) & 0x7ff) + 1, in.take(1));
            break;
        }
    }
    for (Slot& s : slots)
        coretest_cosim_close(s.handle);
    return 0;
}
