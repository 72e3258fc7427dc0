#pragma once
// Instructions by seq, the 32-bit number a core gives each instruction it retires, from the
// oldest one not yet handed on. It puts what a core reports out of program order back in order:
// the records of a tagged trace (trace_reader.h) and the retirements and writes a live checker
// receives (a store performed in MEM before an older instruction's write-back, HI and LO from a
// divider cycles after younger instructions retired).
//
// Seqs wrap after 4294967295 to 0: a seq is placed by its distance from the oldest, modulo 2^32.
// The window spans at most `maxSpan` seqs, so its memory is bounded whatever seqs a core sends;
// its slots (and what they own) are kept for reuse.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace coretest {

template <class Slot>
class SeqWindow {
  public:
    SeqWindow(std::uint32_t oldest, std::size_t maxSpan, std::size_t initialSlots = 64)
        : entries_(roundUp(initialSlots)), mask_(entries_.size() - 1), maxSpan_(maxSpan),
          oldest_(oldest), end_(oldest) {}

    // Seqs ahead of the oldest: 0 for the oldest itself; a seq already handed on is far ahead
    // (modulo 2^32), past maxSpan.
    std::uint32_t distance(std::uint32_t seq) const { return seq - oldest_; }
    bool inside(std::uint32_t seq) const { return distance(seq) < maxSpan_; }

    // The slot of seq, made (default-constructed, or reused and cleared by `reset`) when it has
    // none; nullptr when seq is not inside the window.
    template <class Reset>
    Slot* at(std::uint32_t seq, Reset reset) {
        const std::uint32_t ahead = distance(seq);
        if (ahead >= maxSpan_) return nullptr;
        if (ahead > mask_) grow(ahead + 1);
        if (ahead >= end_ - oldest_) end_ = seq + 1;
        Entry& e = entry(seq);
        if (!e.used) {
            e.used = true;
            e.seq = seq;
            reset(e.slot);
            ++used_;
        }
        return &e.slot;
    }
    Slot* at(std::uint32_t seq) {
        return at(seq, [](Slot& s) { s = Slot{}; });
    }

    // The slot of the oldest seq, or nullptr when nothing has been reported for it.
    Slot* oldestSlot() {
        Entry& e = entry(oldest_);
        return e.used ? &e.slot : nullptr;
    }
    std::uint32_t oldest() const { return oldest_; }
    std::size_t used() const { return used_; } // slots that hold something

    // Hands on the oldest seq: its slot is given up and the next seq becomes the oldest.
    void pop() {
        Entry& e = entry(oldest_);
        if (e.used) {
            e.used = false;
            --used_;
        }
        if (end_ == oldest_) ++end_;
        ++oldest_;
    }

    // Moves the oldest on to seq at once; only when no slot is in use.
    void skipTo(std::uint32_t seq) {
        oldest_ = seq;
        end_ = seq;
    }

    // The slots in use, oldest first.
    template <class Visit>
    void forEach(Visit visit) const {
        for (std::uint32_t seq = oldest_; seq != end_; ++seq)
            if (const Entry& e = entries_[seq & mask_]; e.used) visit(e.seq, e.slot);
    }

  private:
    struct Entry {
        bool used = false;
        std::uint32_t seq = 0;
        Slot slot{};
    };

    static std::size_t roundUp(std::size_t n) {
        std::size_t size = 1;
        while (size < n)
            size *= 2;
        return size;
    }

    Entry& entry(std::uint32_t seq) { return entries_[seq & mask_]; }

    void grow(std::size_t span) {
        std::vector<Entry> bigger(roundUp(span));
        for (Entry& e : entries_)
            if (e.used) bigger[e.seq & (bigger.size() - 1)] = std::move(e);
        entries_ = std::move(bigger);
        mask_ = entries_.size() - 1;
    }

    std::vector<Entry> entries_; // a power of two of them, indexed by seq
    std::size_t mask_;           // their count less one
    std::size_t maxSpan_;
    std::uint32_t oldest_;
    std::uint32_t end_; // one past the newest seq that has had a slot
    std::size_t used_ = 0;
};

} // namespace coretest
