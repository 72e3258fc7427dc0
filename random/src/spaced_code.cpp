#include "spaced_code.h"

#include <fmt/format.h>

#include <stdexcept>

#include "opcodes.h"

namespace coretest::random {

namespace {

Access special(std::uint32_t word) {
    const unsigned rs = word >> 21 & 31, rt = word >> 16 & 31, rd = word >> 11 & 31;
    switch (word & 63) {
    case fSll:
    case fSrl:
    case fSra: return {reg(rt), reg(rd)};
    case fJr: return {reg(rs), 0};
    case fJalr: return {reg(rs), reg(rd)};
    case fMfhi: return {kHi, reg(rd)};
    case fMflo: return {kLo, reg(rd)};
    case fMthi: return {reg(rs), kHi};
    case fMtlo: return {reg(rs), kLo};
    case fAddu:
    case fSubu:
    case fAnd:
    case fOr:
    case fXor:
    case fNor:
    case fSllv:
    case fSrlv: return {reg(rs) | reg(rt), reg(rd)};
    default: break;
    }
    throw std::logic_error(fmt::format("random program: no spacing rule for {:#010x}", word));
}

} // namespace

Access accessOf(std::uint32_t word) {
    const unsigned op = word >> 26, rs = word >> 21 & 31, rt = word >> 16 & 31;
    switch (op) {
    case 0: return special(word);
    case kJ: return {};
    case kCop0: // mfc0 writes rt, mtc0 reads it, rfe touches no register
        if (word == kRfe) return {};
        if (rs == cMf) return {0, reg(rt)};
        if (rs == cMt) return {reg(rt), 0};
        break;
    case kBeq:
    case kBne: return {reg(rs) | reg(rt), 0};
    case kAddiu:
    case kOri:
    case kAndi:
    case kXori:
    case kLw: return {reg(rs), reg(rt)};
    case kSw: return {reg(rs) | reg(rt), 0};
    default: break;
    }
    throw std::logic_error(fmt::format("random program: no spacing rule for {:#010x}", word));
}

void SpacedCode::push(std::uint64_t writes) {
    for (std::size_t i = 0; i + 1 < history_.size(); ++i)
        history_[i] = history_[i + 1];
    history_.back() = writes;
}

void SpacedCode::waitFor(std::uint64_t reads) {
    for (;;) {
        bool pending = false;
        for (const std::uint64_t w : history_)
            pending = pending || (w & reads);
        if (!pending) return;
        out_.emit(0);
        push(0);
    }
}

void SpacedCode::emit(std::uint32_t word, std::string comment) {
    const Access a = accessOf(word);
    waitFor(a.reads);
    out_.emit(word, std::move(comment));
    push(a.writes);
}

void SpacedCode::emitRef(std::uint32_t word, Fixup fixup, std::string target, std::string comment) {
    const Access a = accessOf(word);
    waitFor(a.reads);
    out_.emitRef(word, fixup, std::move(target), std::move(comment));
    push(a.writes);
}

void SpacedCode::settle(unsigned n) {
    for (;;) {
        bool quiet = true;
        for (std::size_t i = history_.size() - std::min<std::size_t>(n, history_.size());
             i < history_.size(); ++i)
            quiet = quiet && history_[i] == 0;
        if (quiet) return;
        out_.emit(0);
        push(0);
    }
}

} // namespace coretest::random
