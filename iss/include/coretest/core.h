#pragma once
// The reference MIPS-I core: executes the decoded ROM table (and RAM words, decoded as they are
// fetched) against a Board. The helpers below are what instruction semantics are written with,
// the real ones in semantics.h and the replacements of the fault catalogue alike. Every general
// register, HI, LO and memory write goes through them, so an Observer sees each one; Core<false>
// runs without an observer and pays nothing for it.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "coretest/board.h"
#include "coretest/instr.h"
#include "coretest/state.h"

namespace coretest {

template <bool Observed>
class Core;

// One instruction's semantics, instantiated for runs with and without an observer. Made from any
// capture-free generic lambda `[](auto& core, const Instr& i) { ... }`.
struct Semantics {
    void (*plain)(Core<false>&, const Instr&) = nullptr;
    void (*observed)(Core<true>&, const Instr&) = nullptr;

    template <class F>
    static Semantics of(F) {
        return {[](Core<false>& c, const Instr& i) { F{}(c, i); },
                [](Core<true>& c, const Instr& i) { F{}(c, i); }};
    }
};

// Per-run memory for the replacements of one fault (zero at the start of the run).
using FaultScratch = std::array<std::uint32_t, 8>;

// Control arrived at a watched address; the state is as it stands before that instruction.
struct WatchHit {
    std::uint32_t address;
    const CoreState& state;
    std::uint64_t instructions;
};
using WatchCallback = std::function<void(const WatchHit&)>;

// What a decoded entry with dispatch Op::Hook carries.
struct Hook {
    enum class Stop : std::uint8_t { None, Finish, Vector };
    Stop stop = Stop::None;
    bool watched = false;
    int arrivals = 0;
    const Semantics* replacement = nullptr; // nullptr: the real semantics
    FaultScratch* scratch = nullptr;        // the replacing fault's scratch
};

template <bool Observed>
class Core {
  public:
    // `rom` is the decoded ROM window, one entry per word from kRomBase; entries with dispatch
    // Op::Hook index `hooks`. Everything referenced must outlive the core.
    Core(Board& board, std::span<const Instr> rom, std::span<Hook> hooks, Observer* observer,
         const WatchCallback* onWatch, std::uint32_t entry);

    // Runs until a stop point has been reached twice (the core idles in its loop) or `limit`
    // instructions have been executed in all.
    void run(std::uint64_t limit);

    // ---- Helpers for instruction semantics ----
    std::uint32_t reg(unsigned r) const { return s_.regs[r]; }
    std::uint32_t rs(const Instr& i) const { return s_.regs[i.rs]; }
    std::uint32_t rt(const Instr& i) const { return s_.regs[i.rt]; }
    void setReg(unsigned r, std::uint32_t v) {
        if (r == 0) return;
        s_.regs[r] = v;
        if constexpr (Observed) observer_->regWritten(pc_, r, v);
    }
    void setRd(const Instr& i, std::uint32_t v) { setReg(i.rd, v); }
    void setRt(const Instr& i, std::uint32_t v) { setReg(i.rt, v); }

    std::uint32_t hi() const { return s_.hi; }
    std::uint32_t lo() const { return s_.lo; }
    void setHi(std::uint32_t v) {
        s_.hi = v;
        if constexpr (Observed) observer_->hiWritten(pc_, v);
    }
    void setLo(std::uint32_t v) {
        s_.lo = v;
        if constexpr (Observed) observer_->loWritten(pc_, v);
    }

    // Zero-extended value of `size` bytes at addr; nullopt after raising an address or bus error.
    // Inlined, so that each call's constant size makes the board's copy a plain load.
    [[gnu::always_inline]] std::optional<std::uint32_t> load(std::uint32_t addr, unsigned size) {
        if (addr & (size - 1)) {
            raise(ExceptionCause::AddressLoad, addr);
            return std::nullopt;
        }
        auto v = board_.read(addr, size, count_ - 1);
        if (!v) raise(ExceptionCause::BusData, addr);
        stopIfLogFull();
        return v;
    }
    // A store to the boot ROM is refused by the board (which records it) and raises nothing.
    [[gnu::always_inline]] void store(std::uint32_t addr, unsigned size, std::uint32_t value) {
        if (addr & (size - 1)) return raise(ExceptionCause::AddressStore, addr);
        switch (board_.write(addr, size, value, pc_, count_ - 1)) {
        case Board::WriteResult::Done:
            if constexpr (Observed) observer_->memoryWritten(pc_, addr, size, value);
            break;
        case Board::WriteResult::RomRefused: break;
        case Board::WriteResult::NoDevice: raise(ExceptionCause::BusData, addr); break;
        }
        stopIfLogFull();
    }

    // Control transfer after the delay slot (branch targets are in Instr::imm).
    void branch(const Instr& i, bool taken) {
        if (taken) jump(i.imm);
    }
    void jump(std::uint32_t target) {
        s_.npc = target;
        s_.lastBranch = pc_;
    }
    void link(unsigned r) { setReg(r, pc_ + 8); }
    // Skips the delay slot of the branch or jump being executed (a pipeline fault).
    void annulDelaySlot() {
        s_.pc = s_.npc;
        s_.npc += 4;
    }

    // Takes the exception: the faulting instruction writes nothing more, and execution goes on
    // at the exception vector with EPC, Cause, BadVAddr and Status set as the R3000 sets them.
    void raise(ExceptionCause cause, std::uint32_t badAddress = 0);

    // ---- Coprocessor 0 ----
    // Whether coprocessor z may be used now: its CU bit is set in Status, or z is 0 and the core
    // runs in kernel mode (KUc clear). Otherwise raises the coprocessor-unusable exception
    // (Cause.CE = z) and returns false.
    bool usable(unsigned z) {
        const std::uint32_t status = s_.cp0.status;
        if ((status >> (28 + z)) & 1 || (z == 0 && !(status & cp0::kStatusKuc))) return true;
        raiseAt(ExceptionCause::CoprocessorUnusable, 0, s_.pc, count_ - 1, z);
        return false;
    }
    // mfc0: an unimplemented register reads 0.
    std::uint32_t cp0Reg(unsigned r) const {
        switch (r) {
        case cp0::kBadVAddr: return s_.cp0.badVAddr;
        case cp0::kStatus: return s_.cp0.status;
        case cp0::kCause: return s_.cp0.cause;
        case cp0::kEpc: return s_.cp0.epc;
        case cp0::kPrid: return cp0::kPridValue;
        default: return 0;
        }
    }
    // mtc0: only Status and Cause's software interrupt bits take writes; the rest is ignored.
    void setCp0Reg(unsigned r, std::uint32_t v) {
        Cp0State& c = s_.cp0;
        if (r == cp0::kStatus) c.status = v & cp0::kStatusWritable;
        if (r == cp0::kCause)
            c.cause = (c.cause & ~cp0::kCauseWritable) | (v & cp0::kCauseWritable);
    }
    // rfe: the KU/IE stack pops (previous to current, old to previous; old stays).
    void popStatus() {
        Cp0State& c = s_.cp0;
        c.status = (c.status & ~0xfu) | ((c.status >> 2) & 0xfu);
    }
    // The registers themselves, every bit writable: for a fault that changes what exception
    // entry leaves in EPC, Cause, BadVAddr or Status, which mtc0 cannot reach.
    Cp0State& cp0() { return s_.cp0; }

    std::uint32_t pc() const { return pc_; }              // address of the executing instruction
    std::uint64_t instructions() const { return count_; } // including the executing one
    // The scratch of the fault whose replacement is executing (a shared dummy otherwise).
    FaultScratch& scratch() { return *scratch_; }

    // ---- Results ----
    const CoreState& state() const { return s_; }
    // The run's first exception (every one goes to the observer).
    const std::optional<ExceptionRecord>& exception() const { return exception_; }
    Hook::Stop stoppedAt() const { return stoppedAt_; }

    // The run loop's way into an Op::Hook entry (watch, stop point, fault replacement) and into
    // an Op::Countdown entry.
    void hooked(const Instr& i);

  private:
    // Ends the run after this instruction once the board's log is full (see kMaxBoardEvents).
    void stopIfLogFull() {
        if (board_.eventLogFull()) [[unlikely]]
            budget_ = count_;
    }
    const Instr* fetchSlow(std::uint32_t pc);
    void countdown(const Instr& head);
    void raiseAt(ExceptionCause cause, std::uint32_t badAddress, std::uint32_t next,
                 std::uint64_t before, unsigned coprocessor = 0);
    Op opAt(std::uint32_t addr) const;

    CoreState s_;
    std::uint32_t pc_ = 0; // the executing instruction
    std::uint64_t count_ = 0;
    std::uint64_t budget_ = 0;
    Board& board_;
    std::span<const Instr> rom_;
    std::span<Hook> hooks_;
    Observer* observer_;
    const WatchCallback* onWatch_;
    FaultScratch noScratch_{};
    FaultScratch* scratch_ = &noScratch_;
    Instr ramInstr_;
    std::optional<ExceptionRecord> exception_;
    Hook::Stop stoppedAt_ = Hook::Stop::None;
};

// Decodes the board's ROM window, one entry per word. The first entry of every countdown loop
// (`addiu r, r, -1; bne r, $zero, <that entry>; nop`) gets dispatch Op::Countdown: a Core<false>
// runs the loop's turns in one step when none of its three entries has a hook and the head is not
// the delay slot of a branch that leaves the loop.
std::vector<Instr> decodeRom(const Board& board);

} // namespace coretest
