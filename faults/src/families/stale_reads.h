#pragma once
// Register reads of a pipeline with one missing forwarding path. The faults that use it replace
// every operation of their range with `pipelined<Path>`, which runs the real semantics through a
// view of the core: the view passes everything on to the core but answers register reads from
// the newest visible value, and it records the instruction's own register write, so that the
// fault's scratch holds, for the last three retired instructions, which register each wrote, the
// value that register held before, and how many cycles the instruction entered execute after the
// one before it.
//
// Distances are cycles between the writer and the reader in the execute stage of a five-stage
// pipeline whose branches and jumps resolve in execute. Each instruction follows the one before
// it by one cycle, or more when it has to wait:
//   - behind the delay slot of a taken branch or jump: 2 (the fetch after the slot is squashed);
//   - reading the register a load right before it writes: 2 (the load-use stall);
//   - mfhi, mflo, mthi, mtlo, mult, multu, div and divu while an earlier multiply (4 cycles
//     counting its execute cycle) or divide (33) is still running: until it has finished.
// The waits overlap rather than add up: the bubble behind a delay slot also covers a load in the
// slot. What each distance is served by:
//   1  the EX/MEM path (results of non-loads only: a load's reader is stalled to distance 2)
//   2  the MEM/WB path (results and load data)
//   3  the register file writing through to the read in decode
// A path that is missing leaves the reader with the value the register had before that write;
// any newer write still arrives over its own path.
#include <algorithm>
#include <cstdint>
#include <tuple>

#include "core_view.h"
#include "coretest/core.h"
#include "coretest/fault.h"
#include "coretest/semantics.h"

namespace coretest::faults {

// Which operands lose the path: rs, rt, or both; for `StoreData`, only the rt of the stores; for
// `AddressBase`, the rs of loads and stores; for `Branch`, both operands of the conditional
// branches; for `JumpTarget`, the rs of jr and jalr.
enum class Operands : std::uint8_t { Both, Rs, Rt, StoreData, AddressBase, Branch, JumpTarget };

// Whose results lose the path: every instruction's, or one class of producers.
enum class Producers : std::uint8_t {
    Any,
    Alu,   // register and immediate arithmetic, logic and compares, lui
    Shift, // sll, srl, sra, sllv, srlv, srav
    Load,
    HiLo,  // mfhi, mflo
    Link,  // the return address of jal, jalr, bltzal, bgezal
    Other, // mfc0: in no class of its own
};

struct MissingPath {
    int distance;   // the cycle distance whose path is missing
    bool interlock; // false: no load-use stall, the load's result is late by one
    Operands operands = Operands::Both;
    Producers producers = Producers::Any;
};

inline bool isLoad(Op op) {
    return op >= Op::Lb && op <= Op::Lwr;
}
inline bool isStore(Op op) {
    return op >= Op::Sb && op <= Op::Swr;
}

// Whether the operation reads its rs or rt register (fields it ignores may hold anything).
inline bool readsRs(Op op) {
    switch (op) {
    case Op::Sll:
    case Op::Srl:
    case Op::Sra:
    case Op::Syscall:
    case Op::Break:
    case Op::Mfhi:
    case Op::Mflo:
    case Op::J:
    case Op::Jal:
    case Op::Lui:
    case Op::Reserved:
    case Op::Hook: return false;
    default: return true;
    }
}
inline bool readsRt(Op op) {
    return (op >= Op::Sll && op <= Op::Srav) || (op >= Op::Mult && op <= Op::Sltu) ||
           op == Op::Beq || op == Op::Bne || op == Op::Lwl || op == Op::Lwr || isStore(op);
}

inline bool isBranch(Op op) {
    return (op >= Op::Bltz && op <= Op::Bgezal) || (op >= Op::Beq && op <= Op::Bgtz);
}

inline Producers producerOf(Op op) {
    if (op >= Op::Sll && op <= Op::Srav) return Producers::Shift;
    if (isLoad(op)) return Producers::Load;
    if (op == Op::Mfhi || op == Op::Mflo) return Producers::HiLo;
    if (op == Op::Jal || op == Op::Jalr || op == Op::Bltzal || op == Op::Bgezal)
        return Producers::Link;
    if (op == Op::Mfc0) return Producers::Other;
    return Producers::Alu;
}

inline bool usesHiLo(Op op) {
    return op >= Op::Mfhi && op <= Op::Divu;
}
inline bool startsMulDiv(Op op) {
    return op >= Op::Mult && op <= Op::Divu;
}

// Cycles a multiply (divide) keeps HI and LO busy, counting its execute cycle.
constexpr std::uint32_t kMultiplyCycles = 4;
constexpr std::uint32_t kDivideCycles = 33;

// The pipeline history in a fault's scratch: entry k (0 = the instruction retired last) is two
// words, the register written (0: none) with the flags and the gap below, and its value before
// the write; one more word holds the cycles after the last instruction's execute cycle until HI
// and LO are ready (0: the multiply/divide unit is idle).
class WriteHistory {
  public:
    static constexpr int kDepth = 3;
    static constexpr std::uint32_t kLoaded = 1u << 8; // the write was a load's
    static constexpr std::uint32_t kTaken = 1u << 9;  // a taken branch or jump
    static constexpr int kProducerShift = 10;         // its Producers class (bits 10 to 12)
    static constexpr int kGapShift = 16; // cycles after the instruction before (bits 16 to 23)

    explicit WriteHistory(FaultScratch& words) : w_(words) {}

    unsigned reg(int k) const { return w_[2 * k] & 31; }
    bool loaded(int k) const { return w_[2 * k] & kLoaded; }
    bool taken(int k) const { return w_[2 * k] & kTaken; }
    Producers producer(int k) const {
        return static_cast<Producers>((w_[2 * k] >> kProducerShift) & 7);
    }
    std::uint32_t gap(int k) const { return (w_[2 * k] >> kGapShift) & 0xff; }
    std::uint32_t before(int k) const { return w_[2 * k + 1]; }
    std::uint32_t hiLoReady() const { return w_[kHiLoWord]; }

    void push(std::uint32_t tag, std::uint32_t gap, std::uint32_t before) {
        for (int k = kDepth - 1; k > 0; --k) {
            w_[2 * k] = w_[2 * k - 2];
            w_[2 * k + 1] = w_[2 * k - 1];
        }
        w_[0] = tag | gap << kGapShift;
        w_[1] = before;
    }
    void setHiLoReady(std::uint32_t cycles) { w_[kHiLoWord] = cycles; }

  private:
    static constexpr int kHiLoWord = 2 * kDepth;
    static_assert(kHiLoWord < static_cast<int>(std::tuple_size_v<FaultScratch>));
    FaultScratch& w_;
};

template <class C>
class StaleReads : public CoreView<C, StaleReads<C>> {
  public:
    StaleReads(C& core, const Instr& i, MissingPath path)
        : CoreView<C, StaleReads<C>>(core), history_(core.scratch()), path_(path), instr_(i) {
        const unsigned loaded = history_.reg(0);
        const bool loadUse =
            path.interlock && loaded != 0 && history_.loaded(0) &&
            ((readsRs(i.op) && i.rs == loaded) || (readsRt(i.op) && i.rt == loaded));
        if (history_.taken(1) || loadUse) gap_ = 2;
        if (usesHiLo(i.op)) gap_ = std::max(gap_, history_.hiLoReady());
    }

    // Runs the instruction and enters its register write and timing into the history.
    void execute() {
        semantics(*this, instr_, instr_.op);
        std::uint32_t tag = written_;
        if (written_ && isLoad(instr_.op)) tag |= WriteHistory::kLoaded;
        if (taken_) tag |= WriteHistory::kTaken;
        tag |= static_cast<std::uint32_t>(producerOf(instr_.op)) << WriteHistory::kProducerShift;
        history_.push(tag, gap_, before_);
        const std::uint32_t busy = history_.hiLoReady();
        if (startsMulDiv(instr_.op))
            history_.setHiLoReady(instr_.op == Op::Mult || instr_.op == Op::Multu ? kMultiplyCycles
                                                                                  : kDivideCycles);
        else
            history_.setHiLoReady(busy > gap_ ? busy - gap_ : 0);
    }

    // Register reads and the one write, as the semantics make them.
    std::uint32_t rs(const Instr& i) const {
        return stale(i.op, Operands::Rs) ? seen(i.rs) : c_.reg(i.rs);
    }
    std::uint32_t rt(const Instr& i) const {
        return stale(i.op, Operands::Rt) ? seen(i.rt) : c_.reg(i.rt);
    }
    void setReg(unsigned r, std::uint32_t v) {
        if (r != 0 && !written_) {
            written_ = r;
            before_ = c_.reg(r);
        }
        c_.setReg(r, v);
    }
    // Branches and jumps, to know which are taken.
    void branch(const Instr& i, bool taken) {
        taken_ = taken;
        c_.branch(i, taken);
    }
    void jump(std::uint32_t target) {
        taken_ = true;
        c_.jump(target);
    }

  private:
    bool stale(Op op, Operands operand) const {
        switch (path_.operands) {
        case Operands::Both: return true;
        case Operands::StoreData: return operand == Operands::Rt && isStore(op);
        case Operands::AddressBase: return operand == Operands::Rs && (isLoad(op) || isStore(op));
        case Operands::Branch: return isBranch(op);
        case Operands::JumpTarget:
            return operand == Operands::Rs && (op == Op::Jr || op == Op::Jalr);
        default: return path_.operands == operand;
        }
    }

    // The value register r shows this instruction: that of the newest write unless the path of
    // its distance is missing.
    std::uint32_t seen(unsigned r) const {
        std::uint32_t cycles = gap_;
        for (int k = 0; k < WriteHistory::kDepth; ++k) {
            if (history_.reg(k) == r && r != 0) {
                const bool lateLoad = !path_.interlock && cycles == 1 && history_.loaded(k);
                const bool producer =
                    path_.producers == Producers::Any || path_.producers == history_.producer(k);
                const bool missing = path_.interlock && producer &&
                                     cycles == static_cast<std::uint32_t>(path_.distance);
                return lateLoad || missing ? history_.before(k) : c_.reg(r);
            }
            cycles += history_.gap(k);
        }
        return c_.reg(r);
    }

    using CoreView<C, StaleReads<C>>::c_;
    WriteHistory history_;
    MissingPath path_;
    const Instr& instr_;
    std::uint32_t gap_ = 1; // cycles after the instruction before, in execute
    bool taken_ = false;
    unsigned written_ = 0;
    std::uint32_t before_ = 0;
};

// The replacement of every operation for a fault that loses `Path`.
template <MissingPath Path>
constexpr auto pipelined = [](auto& core, const Instr& i) {
    StaleReads view(core, i, Path);
    view.execute();
};

// Every instruction of the range, whatever its operation, executes `semantics`.
template <class F>
void replaceEveryOperation(FaultSite& site, F semantics) {
    for (int op = 0; op < kOpCount; ++op)
        site.replace(static_cast<Op>(op), semantics);
}

} // namespace coretest::faults
