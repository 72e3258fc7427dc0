#include "retirement_window.h"

namespace coretest::cosim {

namespace {
constexpr std::size_t kInitialSlots = 64;
}

RetirementWindow::RetirementWindow(std::uint32_t firstSeq)
    : slots_(kInitialSlots), oldest_(firstSeq), newest_(firstSeq) {}

Retirement* RetirementWindow::at(std::uint32_t seq) {
    // Distances are taken modulo 2^32 so that the window works across a wrap of seq.
    const std::uint32_t ahead = seq - oldest_;
    if (ahead >= kMaxSpan) return nullptr;
    if (ahead >= slots_.size()) grow(ahead + 1);
    if (seq - oldest_ >= newest_ - oldest_) newest_ = seq + 1;
    Retirement& s = slot(seq);
    if (!s.used) {
        s = Retirement{};
        s.seq = seq;
        s.used = true;
    }
    return &s;
}

Retirement* RetirementWindow::ready() {
    Retirement& s = slot(oldest_);
    return s.used && s.complete() ? &s : nullptr;
}

void RetirementWindow::pop() {
    slot(oldest_).used = false;
    ++oldest_;
}

std::vector<const Retirement*> RetirementWindow::pending() const {
    std::vector<const Retirement*> out;
    for (std::uint32_t seq = oldest_; seq != newest_; ++seq)
        if (const Retirement& s = slots_[seq & (slots_.size() - 1)]; s.used) out.push_back(&s);
    return out;
}

void RetirementWindow::grow(std::size_t span) {
    std::size_t size = slots_.size();
    while (size < span)
        size *= 2;
    std::vector<Retirement> bigger(size);
    for (const Retirement& s : slots_)
        if (s.used) bigger[s.seq & (size - 1)] = s;
    slots_ = std::move(bigger);
}

} // namespace coretest::cosim
