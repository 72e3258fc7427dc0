#include "coretest/core.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

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
    case ExceptionCause::CoprocessorUnusable: return "coprocessor unusable";
    case ExceptionCause::Overflow: return "overflow";
    }
    return "unknown";
}

namespace {

// `addiu r, r, -1; bne r, $zero, <first>; nop` (either operand order of bne, r not $zero): a loop
// whose one effect is to count r down to zero.
bool countsDown(const Instr& step, const Instr& test, const Instr& slot, std::uint32_t first) {
    if (step.op != Op::Addiu || step.imm != 0xffffffffu) return false;
    const unsigned r = step.rt;
    const bool testsR = (test.rs == r && test.rt == 0) || (test.rs == 0 && test.rt == r);
    return r != 0 && step.rs == r && test.op == Op::Bne && testsR && test.imm == first &&
           slot.word == 0;
}

} // namespace

std::vector<Instr> decodeRom(const Board& board) {
    const auto rom = board.rom();
    std::vector<Instr> table(rom.size() / 4);
    // Most of the window is empty: a zero word (nop) decodes the same at every address.
    const Instr nop = decode(0, kRomBase);
    for (std::size_t n = 0; n < table.size(); ++n) {
        std::uint32_t word;
        std::memcpy(&word, &rom[4 * n], 4);
        table[n] = word ? decode(word, kRomBase + 4 * static_cast<std::uint32_t>(n)) : nop;
    }
    for (std::size_t n = 0; n + 2 < table.size(); ++n) {
        const auto first = kRomBase + 4 * static_cast<std::uint32_t>(n);
        if (countsDown(table[n], table[n + 1], table[n + 2], first))
            table[n].dispatch = Op::Countdown;
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

namespace {

// Every operation in the order of enum Op, for the run loop's table of labels.
// clang-format off
#define CORETEST_OPS(X)                                                                           \
    X(Sll) X(Srl) X(Sra) X(Sllv) X(Srlv) X(Srav) X(Jr) X(Jalr) X(Syscall) X(Break) X(Mfhi)      \
    X(Mthi) X(Mflo) X(Mtlo) X(Mult) X(Multu) X(Div) X(Divu) X(Add) X(Addu) X(Sub) X(Subu)       \
    X(And) X(Or) X(Xor) X(Nor) X(Slt) X(Sltu) X(Bltz) X(Bgez) X(Bltzal) X(Bgezal) X(J) X(Jal)  \
    X(Beq) X(Bne) X(Blez) X(Bgtz) X(Addi) X(Addiu) X(Slti) X(Sltiu) X(Andi) X(Ori) X(Xori)     \
    X(Lui) X(Lb) X(Lh) X(Lwl) X(Lw) X(Lbu) X(Lhu) X(Lwr) X(Sb) X(Sh) X(Swl) X(Sw) X(Swr)       \
    X(Mfc0) X(Mtc0) X(Rfe) X(Cop) X(Reserved) X(Hook) X(Countdown)
// clang-format on

#define CORETEST_OP_VALUE(name) Op::name,
constexpr Op kOpOrder[] = {CORETEST_OPS(CORETEST_OP_VALUE)};
#undef CORETEST_OP_VALUE

constexpr bool inEnumOrder() {
    if (std::size(kOpOrder) != static_cast<std::size_t>(Op::Countdown) + 1) return false;
    for (std::size_t k = 0; k < std::size(kOpOrder); ++k)
        if (static_cast<std::size_t>(kOpOrder[k]) != k) return false;
    return true;
}
static_assert(inEnumOrder(), "CORETEST_OPS must list every Op in the order of the enum");

} // namespace

// Threaded dispatch: every operation has its own copy of the semantics (the switch in
// semantics.h folded for that one operation) and jumps straight to the next instruction's label
// through the table, so that each operation's indirect jump is predicted by what usually follows
// it. One indirect jump shared by all operations (a switch in a loop) is mispredicted most of
// the time on random code. The fetch is unchanged: the decoded ROM by index, anything else
// through fetchSlow().
template <bool Observed>
void Core<Observed>::run(std::uint64_t limit) {
    budget_ = limit;
    const Instr* const rom = rom_.data();
    const std::uint32_t romWords = static_cast<std::uint32_t>(rom_.size());
#define CORETEST_OP_LABEL(name) &&op_##name,
    static const void* const kLabels[] = {CORETEST_OPS(CORETEST_OP_LABEL)};
#undef CORETEST_OP_LABEL
    std::uint32_t pc = 0;
    const Instr* in = nullptr;

// Fetches and counts the next instruction and jumps to its operation's label; returns at the
// instruction limit (or the end of the run, which sets the budget to the count).
#define CORETEST_DISPATCH()                                                                        \
    do {                                                                                           \
        for (;;) {                                                                                 \
            if (count_ >= budget_) return;                                                         \
            pc = s_.pc;                                                                            \
            /* Rotating moves the two alignment bits to the top, so one compare rejects a pc  */   \
            /* that is misaligned or outside the ROM. */                                           \
            const std::uint32_t word = std::rotr(pc - kRomBase, 2);                                \
            if (word < romWords) [[likely]] {                                                      \
                in = &rom[word];                                                                   \
                break;                                                                             \
            }                                                                                      \
            in = fetchSlow(pc);                                                                    \
            if (in) break; /* otherwise the fetch raised an exception */                           \
        }                                                                                          \
        pc_ = pc;                                                                                  \
        s_.pc = s_.npc;                                                                            \
        s_.npc += 4;                                                                               \
        ++count_;                                                                                  \
        goto* kLabels[static_cast<unsigned>(in->dispatch)];                                        \
    } while (false)

#define CORETEST_OP_CASE(name)                                                                     \
    op_##name : semantics(*this, *in, Op::name);                                                   \
    if constexpr (Observed) {                                                                      \
        if (stoppedAt_ == Hook::Stop::None) observer_->retired(pc, count_);                        \
    }                                                                                              \
    CORETEST_DISPATCH();

    CORETEST_DISPATCH();
    CORETEST_OPS(CORETEST_OP_CASE)
#undef CORETEST_OP_CASE
#undef CORETEST_DISPATCH
}

#undef CORETEST_OPS

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
// taken branch put it in a delay slot; a not-taken branch shows only in the word before it. A
// misaligned pc is a jump's target, never a delay slot.
template <bool Observed>
void Core<Observed>::raiseAt(ExceptionCause cause, std::uint32_t badAddress, std::uint32_t next,
                             std::uint64_t before, unsigned coprocessor) {
    const bool delaySlot = next != pc_ + 4 || ((pc_ & 3) == 0 && hasDelaySlot(opAt(pc_ - 4)));
    const ExceptionRecord record{cause, pc_, badAddress, delaySlot, before, coprocessor};
    if (!exception_) exception_ = record;
    Cp0State& c = s_.cp0;
    c.epc = delaySlot ? pc_ - 4 : pc_;
    c.cause = (c.cause & ~cp0::kCauseSetOnEntry) | (delaySlot ? cp0::kCauseBd : 0) |
              (coprocessor << cp0::kCauseCeShift) |
              (static_cast<std::uint32_t>(cause) << cp0::kCauseCodeShift);
    if (cause == ExceptionCause::AddressLoad || cause == ExceptionCause::AddressStore)
        c.badVAddr = badAddress;
    c.status = (c.status & ~0x3fu) | ((c.status << 2) & 0x3cu); // push the KU/IE stack
    const std::uint32_t vector =
        c.status & cp0::kStatusBev ? kExceptionVector : cp0::kRamExceptionVector;
    s_.pc = vector;
    s_.npc = vector + 4;
    if constexpr (Observed) observer_->exceptionTaken(record);
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

// The head of a countdown loop has just been fetched and counted. Without an observer, and with the
// loop's other two entries free of hooks, every turn but the last is done at once: a turn is three
// instructions that leave r one lower, the pc back at the head and the bne as the last taken
// branch, and nothing else. The last turn, and a turn the instruction limit would cut, run one
// instruction at a time.
template <bool Observed>
void Core<Observed>::countdown(const Instr& head) {
    if constexpr (!Observed) {
        const std::size_t n = (pc_ - kRomBase) / 4;
        const bool plainLoop = s_.pc == pc_ + 4 && rom_[n + 1].dispatch == rom_[n + 1].op &&
                               rom_[n + 2].dispatch == rom_[n + 2].op;
        if (plainLoop) {
            const std::uint32_t counter = s_.regs[head.rt];
            const std::uint64_t turns = counter ? counter : std::uint64_t{1} << 32;
            const std::uint64_t whole = (budget_ - (count_ - 1)) / 3; // turns within the limit
            if (const std::uint64_t skipped = std::min(turns - 1, whole)) {
                s_.regs[head.rt] = counter - static_cast<std::uint32_t>(skipped);
                count_ += 3 * skipped - 1; // the head's fetch was counted already
                s_.pc = pc_;
                s_.npc = pc_ + 4;
                s_.lastBranch = pc_ + 4;
                return;
            }
        }
    }
    semantics(*this, head, head.op);
}

template <bool Observed>
void Core<Observed>::hooked(const Instr& i) {
    if (i.dispatch == Op::Countdown) return countdown(i);
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
