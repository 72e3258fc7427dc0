#include "coretest/core.h"

#include <bit>
#include <cstring>

#include "coretest/semantics.h"

namespace coretest {

const char* causeName(ExceptionCause cause) {
    switch (cause) {
    case ExceptionCause::AddressLoad: return "address error on load or fetch";
    case ExceptionCause::AddressStore: return "address error on store";
    case ExceptionCause::BusFetch: return "bus error on instruction fetch";
    case ExceptionCause::BusData: return "bus error on data access";
    case ExceptionCause::Syscall: return "syscall";
    case ExceptionCause::Break: return "break";
    case ExceptionCause::Reserved: return "reserved instruction";
    case ExceptionCause::Overflow: return "overflow";
    }
    return "unknown";
}

std::vector<Instr> decodeRom(const Board& board) {
    const auto rom = board.rom();
    std::vector<Instr> table(rom.size() / 4);
    for (std::size_t n = 0; n < table.size(); ++n) {
        std::uint32_t word;
        std::memcpy(&word, &rom[4 * n], 4);
        table[n] = decode(word, kRomBase + 4 * static_cast<std::uint32_t>(n));
    }
    return table;
}

template <bool Observed>
Core<Observed>::Core(Board& board, std::span<const Instr> rom, std::span<Hook> hooks,
                     Observer* observer, const WatchCallback* onWatch, std::uint32_t entry)
    : board_(board), rom_(rom), hooks_(hooks), observer_(observer), onWatch_(onWatch) {
    s_.pc = entry;
    s_.npc = entry + 4;
}

template <bool Observed>
void Core<Observed>::run(std::uint64_t limit) {
    budget_ = limit;
    const Instr* const rom = rom_.data();
    const std::uint32_t romWords = static_cast<std::uint32_t>(rom_.size());
    while (count_ < budget_) {
        const std::uint32_t pc = s_.pc;
        // Rotating moves the two alignment bits to the top, so one compare rejects a pc that
        // is misaligned or outside the ROM.
        const std::uint32_t word = std::rotr(pc - kRomBase, 2);
        const Instr* in;
        if (word < romWords) [[likely]] {
            in = &rom[word];
        } else {
            in = fetchSlow(pc);
            if (!in) continue; // the fetch raised an exception
        }
        pc_ = pc;
        s_.pc = s_.npc;
        s_.npc += 4;
        ++count_;
        semantics(*this, *in, in->dispatch);
        if constexpr (Observed) {
            if (stoppedAt_ == Hook::Stop::None) observer_->retired(pc, count_);
        }
    }
}

// Fetches outside the decoded ROM: RAM words are decoded as they come; anything else faults.
template <bool Observed>
const Instr* Core<Observed>::fetchSlow(std::uint32_t pc) {
    pc_ = pc;
    const std::uint32_t next = s_.npc;
    if (pc & 3) {
        raiseAt(ExceptionCause::AddressLoad, pc, next, count_);
        return nullptr;
    }
    if (const std::uint32_t off = pc - kRamBase; off < kRamSize) {
        std::uint32_t word;
        std::memcpy(&word, &board_.ram()[off], 4);
        ramInstr_ = decode(word, pc);
        return &ramInstr_;
    }
    raiseAt(ExceptionCause::BusFetch, pc, next, count_);
    return nullptr;
}

template <bool Observed>
void Core<Observed>::raise(ExceptionCause cause, std::uint32_t badAddress) {
    raiseAt(cause, badAddress, s_.pc, count_ - 1);
}

// `next` is the address that was to follow the faulting instruction: anything but pc + 4 means a
// taken branch put it in a delay slot; a not-taken branch shows only in the word before it.
template <bool Observed>
void Core<Observed>::raiseAt(ExceptionCause cause, std::uint32_t badAddress, std::uint32_t next,
                             std::uint64_t before) {
    if (!exception_) {
        const bool delaySlot = next != pc_ + 4 || hasDelaySlot(opAt(pc_ - 4));
        exception_ = ExceptionRecord{cause, pc_, badAddress, delaySlot, before};
        if constexpr (Observed) observer_->exceptionTaken(*exception_);
    }
    s_.pc = kExceptionVector;
    s_.npc = kExceptionVector + 4;
}

template <bool Observed>
Op Core<Observed>::opAt(std::uint32_t addr) const {
    if (const std::uint32_t off = addr - kRomBase; off < rom_.size() * 4) return rom_[off / 4].op;
    if (const std::uint32_t off = addr - kRamBase; off < kRamSize) {
        std::uint32_t word;
        std::memcpy(&word, &board_.ram()[off], 4);
        return decode(word, addr).op;
    }
    return Op::Reserved;
}

template <bool Observed>
void Core<Observed>::hooked(const Instr& i) {
    Hook& h = hooks_[i.hook];
    if (h.stop != Hook::Stop::None && ++h.arrivals >= 2) {
        // Back at the stop point after one turn of its loop: undo the fetch and end the run.
        s_.npc = s_.pc;
        s_.pc = pc_;
        budget_ = --count_;
        stoppedAt_ = h.stop;
        return;
    }
    if (h.watched && onWatch_ && *onWatch_) {
        CoreState before = s_;
        before.npc = s_.pc;
        before.pc = pc_;
        (*onWatch_)(WatchHit{pc_, before, count_ - 1});
    }
    if (!h.replacement) return semantics(*this, i, i.op);
    scratch_ = h.scratch;
    if constexpr (Observed)
        h.replacement->observed(*this, i);
    else
        h.replacement->plain(*this, i);
    scratch_ = &noScratch_;
}

template class Core<false>;
template class Core<true>;

} // namespace coretest
