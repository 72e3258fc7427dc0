#include "coretest/trace.h"

#include <fmt/format.h>

#include "coretest/board.h"
#include "coretest/disassembler.h"

namespace coretest {

std::string hexDigits(std::uint32_t value, std::uint32_t unknown, int digits) {
    std::string out = fmt::format("{:0{}x}", value, digits);
    for (int i = 0; i < digits; ++i)
        if ((unknown >> (4 * (digits - 1 - i))) & 0xf) out[i] = 'x';
    return out;
}

bool sameDestination(const TraceRecord& a, const TraceRecord& b) {
    if (a.pc != b.pc || a.kind != b.kind) return false;
    switch (a.kind) {
    case TraceRecord::Kind::Reg: return a.reg == b.reg;
    case TraceRecord::Kind::Memory: return a.address == b.address && a.size == b.size;
    default: return true;
    }
}

std::string formatRecord(const TraceRecord& r) {
    const std::string value =
        hexDigits(r.value, r.unknown, r.kind == TraceRecord::Kind::Memory ? 2 * r.size : 8);
    switch (r.kind) {
    case TraceRecord::Kind::Reg: return fmt::format("{:08x} r{:02} {}", r.pc, r.reg, value);
    case TraceRecord::Kind::Hi: return fmt::format("{:08x} hi {}", r.pc, value);
    case TraceRecord::Kind::Lo: return fmt::format("{:08x} lo {}", r.pc, value);
    case TraceRecord::Kind::Memory:
        return fmt::format("{:08x} m {:08x} {}", r.pc, r.address, value);
    }
    return {};
}

std::string explainRecord(const TraceRecord& r) {
    const std::string value =
        "0x" + hexDigits(r.value, r.unknown, r.kind == TraceRecord::Kind::Memory ? 2 * r.size : 8);
    switch (r.kind) {
    case TraceRecord::Kind::Reg:
        return fmt::format("r{} (${}) = {}", r.reg, registerName(r.reg), value);
    case TraceRecord::Kind::Hi: return "HI = " + value;
    case TraceRecord::Kind::Lo: return "LO = " + value;
    case TraceRecord::Kind::Memory: {
        const char* unit = r.size == 4 ? "word" : r.size == 2 ? "halfword" : "byte";
        return fmt::format("memory {} at 0x{:08x} = {}", unit, r.address, value);
    }
    }
    return {};
}

void CommitStream::add(const TraceRecord& r) {
    if (ended_) return;
    for (TraceRecord& p : pending_)
        if (sameDestination(p, r)) {
            p.value = r.value;
            return;
        }
    pending_.push_back(r);
}

void CommitStream::regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) {
    add({.pc = pc,
         .kind = TraceRecord::Kind::Reg,
         .reg = static_cast<std::uint8_t>(reg),
         .value = value});
}

void CommitStream::hiWritten(std::uint32_t pc, std::uint32_t value) {
    add({.pc = pc, .kind = TraceRecord::Kind::Hi, .value = value});
}

void CommitStream::loWritten(std::uint32_t pc, std::uint32_t value) {
    add({.pc = pc, .kind = TraceRecord::Kind::Lo, .value = value});
}

void CommitStream::memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                                 std::uint32_t value) {
    add({.pc = pc,
         .kind = TraceRecord::Kind::Memory,
         .size = static_cast<std::uint8_t>(size),
         .address = addr,
         .value = value});
    if (addr == static_cast<std::uint32_t>(BoardReg::EndMark) && value == kEndMarkValue)
        endMarkPending_ = true;
}

void CommitStream::retired(std::uint32_t pc, std::uint64_t /*count*/) {
    if (ended_) return;
    ++instructions_;
    records_ += pending_.size();
    committed(pc, pending_);
    pending_.clear();
    ended_ = endMarkPending_;
}

} // namespace coretest
