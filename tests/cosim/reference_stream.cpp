#include "reference_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <regex>
#include <stdexcept>
#include <utility>

#include "coretest/image.h"
#include "coretest/instr.h"
#include "coretest/routine_reports.h"
#include "coretest/run.h"

namespace coretest::cosim_test {

namespace {

// The reference core's instructions in the terms a core reports them: a swl or swr store as the
// bytes it writes (the reference core itself reports the merged word: the bytes follow from the
// address, rs + offset, with rs as the run wrote it), a trap with the exception entry set (a
// failed fetch as an instruction of its own).
class StreamRecorder : public CommitStream {
  public:
    StreamRecorder(const RomMap& map, std::vector<StreamInstruction>& out) : map_(map), out_(out) {}

    void regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) override {
        regs_[reg] = value;
        CommitStream::regWritten(pc, reg, value);
    }
    void memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override {
        const Instr i = decode(map_.word(pc), pc);
        const unsigned offset = (regs_[i.rs] + i.imm) & 3;
        if (i.op == Op::Swl && offset != 3) {
            const std::uint32_t mask = (1u << (8 * (offset + 1))) - 1;
            return CommitStream::memoryWritten(pc, addr, offset + 1, value & mask);
        }
        if (i.op == Op::Swr && offset != 0)
            return CommitStream::memoryWritten(pc, addr + offset, 4 - offset,
                                               value >> (8 * offset));
        CommitStream::memoryWritten(pc, addr, size, value);
    }
    void exceptionTaken(const ExceptionRecord& e) override {
        const bool addressError =
            e.cause == ExceptionCause::AddressLoad || e.cause == ExceptionCause::AddressStore;
        exception_ = StreamInstruction::Exception{static_cast<std::uint32_t>(e.cause),
                                                  e.delaySlot ? e.pc - 4 : e.pc,
                                                  addressError ? e.badAddress : 0};
        const bool fetch = e.badAddress == e.pc && (e.cause == ExceptionCause::BusFetch ||
                                                    e.cause == ExceptionCause::AddressLoad);
        if (!fetch) return;
        if (!ended())
            out_.push_back({.seq = next(),
                            .pc = e.pc,
                            .insn = 0,
                            .records = {},
                            .trap = true,
                            .exception = exception_});
        exception_.reset();
    }

  protected:
    void committed(std::uint32_t pc, const std::vector<TraceRecord>& records) override {
        out_.push_back({.seq = next(),
                        .pc = pc,
                        .insn = map_.word(pc),
                        .records = records,
                        .trap = exception_.has_value(),
                        .exception = exception_});
        exception_.reset();
    }

  private:
    std::uint32_t next() const { return static_cast<std::uint32_t>(out_.size() + 1); }

    const RomMap& map_;
    std::vector<StreamInstruction>& out_;
    std::array<std::uint32_t, 32> regs_{};
    std::optional<StreamInstruction::Exception> exception_;
};

// One call of the retirement interface, placed in delivery order by its key.
struct Event {
    std::size_t key;
    const StreamInstruction* instruction;
    const TraceRecord* record; // nullptr: the retirement
};

std::uint32_t announced(const StreamInstruction& i) {
    std::uint32_t bits = (i.trap ? CORETEST_COSIM_TRAP : 0) | i.announcedAlso;
    for (const TraceRecord& r : i.records)
        switch (r.kind) {
        case TraceRecord::Kind::Reg: bits |= CORETEST_COSIM_WRITES_GPR; break;
        case TraceRecord::Kind::Hi: bits |= CORETEST_COSIM_WRITES_HI; break;
        case TraceRecord::Kind::Lo: bits |= CORETEST_COSIM_WRITES_LO; break;
        case TraceRecord::Kind::Memory: bits |= CORETEST_COSIM_WRITES_MEM; break;
        }
    return bits;
}

int deliver(coretest_cosim* cosim, const Event& e, bool exceptions) {
    const StreamInstruction& i = *e.instruction;
    if (!e.record) {
        if (i.trap && exceptions && i.exception)
            return coretest_cosim_retire_exception(
                cosim, i.seq, i.pc, i.insn, announced(i) & ~CORETEST_COSIM_TRAP, i.exception->code,
                i.exception->epc, i.exception->badVAddr);
        return coretest_cosim_retire(cosim, i.seq, i.pc, i.insn, announced(i));
    }
    const TraceRecord& r = *e.record;
    switch (r.kind) {
    case TraceRecord::Kind::Reg: return coretest_cosim_write_gpr(cosim, i.seq, r.reg, r.value);
    case TraceRecord::Kind::Hi: return coretest_cosim_write_hi(cosim, i.seq, r.value);
    case TraceRecord::Kind::Lo: return coretest_cosim_write_lo(cosim, i.seq, r.value);
    case TraceRecord::Kind::Memory: {
        const unsigned lane = r.address & 3;
        const std::uint32_t enables = ((1u << r.size) - 1) << lane;
        return coretest_cosim_write_mem(cosim, i.seq, r.address & ~3u, enables,
                                        r.value << (8 * lane));
    }
    }
    return CORETEST_COSIM_ERROR;
}

std::vector<Event> schedule(const std::vector<StreamInstruction>& stream, const Delivery& d) {
    std::vector<Event> events;
    for (std::size_t n = 0; n < stream.size(); ++n) {
        const StreamInstruction& i = stream[n];
        if (i.retires) events.push_back({4 * n + 1, &i, nullptr});
        for (const TraceRecord& r : i.records) {
            std::size_t key = 4 * n + 2;
            const bool hiLo = r.kind == TraceRecord::Kind::Hi || r.kind == TraceRecord::Kind::Lo;
            if (hiLo) key = 4 * (n + d.lateHiLo) + 3;
            if (r.kind == TraceRecord::Kind::Memory && d.earlyStores && n > 0) key = 4 * (n - 1);
            events.push_back({key, &i, &r});
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.key < b.key; });
    return events;
}

} // namespace

std::vector<StreamInstruction> recordStream(const char* path) {
    const Image image = Image::load(path);
    const RomMap map = RomMap::load(image);
    std::vector<StreamInstruction> stream;
    StreamRecorder recorder(map, stream);
    RunOptions options;
    options.switchValue = 1;
    options.observer = &recorder;
    run(image, options);
    return stream;
}

const std::vector<StreamInstruction>& referenceStream() {
    static const std::vector<StreamInstruction> stream = recordStream(CORETEST_ROM_PATH);
    return stream;
}

const std::vector<StreamInstruction>& secondRomStream() {
    static const std::vector<StreamInstruction> stream = recordStream(CORETEST_ROM2_PATH);
    return stream;
}

std::size_t findInstruction(const std::vector<StreamInstruction>& stream,
                            const std::function<bool(const StreamInstruction&)>& pick) {
    for (std::size_t n = 0; n < stream.size(); ++n)
        if (pick(stream[n])) return n;
    throw std::runtime_error("no such instruction in the reference stream");
}

bool writes(const StreamInstruction& i, TraceRecord::Kind kind) {
    return std::any_of(i.records.begin(), i.records.end(),
                       [&](const TraceRecord& r) { return r.kind == kind; });
}

AddressRange routineRange(const std::string& name) {
    const Image image = Image::load(CORETEST_ROM_PATH);
    const auto range = image.routine(name);
    if (!range) throw std::runtime_error("no routine " + name);
    return *range;
}

void deliverAll(coretest_cosim* cosim, const std::vector<StreamInstruction>& stream,
                const Delivery& delivery, FeedResult& result) {
    for (const Event& e : schedule(stream, delivery)) {
        const int status = deliver(cosim, e, delivery.exceptions);
        if (status != CORETEST_COSIM_OK && result.firstStatus == CORETEST_COSIM_OK) {
            result.firstStatus = status;
            result.firstSeq = e.instruction->seq;
        }
        if (status == CORETEST_COSIM_STOP || status == CORETEST_COSIM_ERROR) break;
    }
}

FeedResult feed(const std::vector<StreamInstruction>& stream, std::uint32_t flags,
                const Delivery& delivery, const char* image) {
    FeedResult result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    coretest_cosim* cosim = coretest_cosim_open(image, 1, flags, 0);
    if (cosim) {
        deliverAll(cosim, stream, delivery, result);
        result.finishStatus = coretest_cosim_finish(cosim);
        result.checked = coretest_cosim_checked(cosim);
        result.divergences = coretest_cosim_divergences(cosim);
        coretest_cosim_close(cosim);
    }
    result.output = testing::internal::GetCapturedStdout();
    result.errors = testing::internal::GetCapturedStderr();
    std::smatch m;
    if (std::regex_search(result.output, m, std::regex(R"(checked[^(\n]*\((\d+) skipped after)")))
        result.skipped = std::stoull(m[1]);
    if (!cosim) throw std::runtime_error(std::string("coretest_cosim_open failed on ") + image);
    return result;
}

} // namespace coretest::cosim_test
