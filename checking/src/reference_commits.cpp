#include "coretest/reference_commits.h"

#include <cstring>
#include <span>

#include "coretest/image.h"
#include "coretest/instr.h"
#include "coretest/trace_records.h"

namespace coretest {

void ReferenceCommits::add(const TraceRecord& r) {
    if (ended_) return;
    for (TraceRecord& p : *into_)
        if (sameDestination(p, r)) {
            p.value = r.value;
            return;
        }
    into_->push_back(r);
}

void ReferenceCommits::regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) {
    regs_[reg & 31] = value;
    add({.pc = pc,
         .kind = TraceRecord::Kind::Reg,
         .reg = static_cast<std::uint8_t>(reg),
         .value = value});
}

void ReferenceCommits::hiWritten(std::uint32_t pc, std::uint32_t value) {
    add({.pc = pc, .kind = TraceRecord::Kind::Hi, .value = value});
}

void ReferenceCommits::loWritten(std::uint32_t pc, std::uint32_t value) {
    add({.pc = pc, .kind = TraceRecord::Kind::Lo, .value = value});
}

std::uint32_t ReferenceCommits::wordAt(std::uint32_t address) const {
    if (!board_) return 0;
    std::uint32_t word = 0;
    const auto read = [&](std::span<const std::uint8_t> bytes, std::uint32_t offset) {
        if (offset < bytes.size() && bytes.size() - offset >= 4 && (offset & 3) == 0)
            std::memcpy(&word, &bytes[offset], 4);
    };
    read(board_->rom(), address - kRomBase);
    read(board_->ram(), address - kRamBase);
    return word;
}

void ReferenceCommits::memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                                     std::uint32_t value) {
    if (size == 4) {
        const Instr i = decode(wordAt(pc), pc);
        const std::uint32_t at = regs_[i.rs] + i.imm;
        // The merged word of a swl or swr at the word its address names; another word means the
        // instruction did not store at rs + offset (a fault of the reference core), and its word
        // is recorded whole.
        if ((i.op == Op::Swl || i.op == Op::Swr) && (at & ~3u) == addr) {
            const unsigned offset = at & 3;
            const unsigned first = i.op == Op::Swl ? 0 : offset;
            const unsigned bytes = i.op == Op::Swl ? offset + 1 : 4 - offset;
            const std::uint32_t mask = bytes == 4 ? 0xffffffffu : (1u << (8 * bytes)) - 1;
            return store(pc, addr + first, bytes, (value >> (8 * first)) & mask);
        }
    }
    store(pc, addr, size, value);
}

void ReferenceCommits::store(std::uint32_t pc, std::uint32_t addr, unsigned size,
                             std::uint32_t value) {
    add({.pc = pc,
         .kind = TraceRecord::Kind::Memory,
         .size = static_cast<std::uint8_t>(size),
         .address = addr,
         .value = value});
    if (addr == static_cast<std::uint32_t>(BoardReg::EndMark) && value == kEndMarkValue)
        endMarkPending_ = true;
}

void ReferenceCommits::exceptionTaken(const ExceptionRecord& e) {
    const bool addressError =
        e.cause == ExceptionCause::AddressLoad || e.cause == ExceptionCause::AddressStore;
    const TraceRecord r =
        exceptionRecord(e.pc, static_cast<unsigned>(e.cause), e.delaySlot ? e.pc - 4 : e.pc,
                        addressError ? std::optional(e.badAddress) : std::nullopt);
    // A fetch that nothing answers, or a misaligned one, executes nothing: it retires no
    // instruction, so it is one of its own here, at the fetched address.
    const bool fetch = e.badAddress == e.pc && (e.cause == ExceptionCause::BusFetch ||
                                                e.cause == ExceptionCause::AddressLoad);
    if (!fetch) {
        exception_ = r;
        return;
    }
    // It comes between two instructions: the one before it has retired, with its records.
    if (ended_) return;
    std::vector<TraceRecord>& out = *into_;
    out.assign(1, r);
    instruction(e.pc, out, true);
    if (into_ == &out) out.clear(); // instruction() named no other vector
}

void ReferenceCommits::retired(std::uint32_t pc, std::uint64_t /*count*/) {
    if (ended_) return;
    ++instructions_;
    std::vector<TraceRecord>& out = *into_;
    const bool trap = exception_.has_value();
    if (trap) {
        out.push_back(*exception_);
        exception_.reset();
    }
    instruction(pc, out, trap);
    if (into_ == &out) out.clear(); // instruction() named no other vector
    ended_ = endMarkPending_;
}

void ReferenceTraceWriter::instruction(std::uint32_t /*pc*/,
                                       const std::vector<TraceRecord>& records, bool /*trap*/) {
    for (const auto& r : records) {
        if (written_ == maxRecords_) {
            capped_ = true;
            return;
        }
        buffer_ += traceLine(r);
        buffer_ += '\n';
        ++written_;
    }
    if (buffer_.size() > 1 << 16) finish();
}

void ReferenceTraceWriter::finish() {
    out_ << buffer_;
    buffer_.clear();
    out_.flush();
    if (!out_) throw InputError("the trace cannot be written (the output refused it)");
}

} // namespace coretest
