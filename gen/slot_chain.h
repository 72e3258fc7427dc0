#pragma once
// The generator's own MIPS-I model of a delay-slot routine: it runs the probe chain through the
// case templates' register effects, so that the properties of a routine (results agree, no probe
// traps, every register read was set, which RAM words are touched, what LO holds) are computed
// from the lines the unit is written from.
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "slot_probes.h"

namespace casegen::slot {

// Stand-ins for addresses the generator does not know: the routine's return address and the
// address a jump register is loaded with (a check step in the ROM).
inline constexpr std::uint32_t kRomBase = 0xbfc00000;
inline constexpr std::uint32_t kRomEnd = 0xbfc7b248;
inline constexpr std::uint32_t kDisplayReg = 0xfffff010;

// What a case template does around its probe, as far as registers and LO are concerned.
struct CaseModel {
    enum class Order {
        Branches, // not-taken slot, reference, taken slot
        Jump,     // reference, then the jump's slot
    };
    Order order = Order::Branches;
    std::vector<std::pair<int, std::uint32_t>> guards; // loaded at the start of every case
    int result = s7;      // register the taken branch's slot writes (branch routines)
    bool links = false;   // the case saves ra in s7 and restores it at the check step
    int jumpReg = zero;   // loaded with the check-step address (jr, jalr)
    int loClobber = zero; // written into LO before a delay-slot multiply/divide runs
};

struct ChainOutcome {
    bool agrees = true;                // every delay-slot result equals its reference
    int firstDisagreement = 0;         // probe number of the first that does not
    bool traps = false;                // add/addi/sub overflowed, or a divide had no defined result
    bool readsUnset = false;           // a probe read a register nothing had set
    bool readsUnwritten = false;       // a load read a RAM word the routine had not written
    std::set<std::uint32_t> dataWords; // RAM words the probes touch
    std::vector<std::uint32_t> expectedLo; // reference LO of every multiply/divide probe
    std::vector<std::uint32_t> loClobbers; // values written into LO ahead of a delay slot
};

class ChainMachine {
  public:
    ChainMachine(std::uint32_t testNumber, std::uint32_t passCount) {
        set(s0, testNumber);
        set(s1, kDisplayReg);
        set(s2, 0);
        set(s3, passCount);
        set(t0, 0); // as the pause between routines leaves it
        set(ra, kRomBase);
    }

    void set(int r, std::uint32_t v) {
        if (r == zero) return;
        reg_.at(static_cast<std::size_t>(r)) = v;
        known_.at(static_cast<std::size_t>(r)) = true;
    }
    std::uint32_t get(int r) {
        if (r != zero && !known_.at(static_cast<std::size_t>(r))) out_.readsUnset = true;
        return reg_.at(static_cast<std::size_t>(r));
    }
    std::uint32_t hi() const { return hi_; }
    std::uint32_t lo() const { return lo_; }
    void setLo(std::uint32_t v) { lo_ = v; }
    ChainOutcome& outcome() { return out_; }

    // Executes the probe with its substituted operand replaced by `dest`.
    void run(const Probe& p, int dest) {
        const auto sx = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
        const auto zx = [](std::int32_t v) { return static_cast<std::uint32_t>(v) & 0xffffu; };
        const auto sgn = [](std::uint32_t v) { return static_cast<std::int32_t>(v); };
        const auto checked = [&](std::int64_t v) {
            if (v < INT32_MIN || v > INT32_MAX) out_.traps = true;
            return static_cast<std::uint32_t>(v);
        };
        const auto address = [&] {
            const std::uint32_t ea = get(p.a) + sx(p.imm);
            out_.dataWords.insert(ea);
            return ea;
        };
        switch (p.op) {
        case Op::Lui: set(dest, static_cast<std::uint32_t>(p.imm) << 16); break;
        case Op::Addiu: set(dest, get(p.a) + sx(p.imm)); break;
        case Op::Sw: ram_[address()] = get(dest); break;
        case Op::Lw: {
            const auto it = ram_.find(address());
            if (it == ram_.end()) out_.readsUnwritten = true;
            set(dest, it == ram_.end() ? 0 : it->second);
            break;
        }
        case Op::Addu: set(dest, get(p.a) + get(p.b)); break;
        case Op::Or: set(dest, get(p.a) | get(p.b)); break;
        case Op::Slt: set(dest, sgn(get(p.a)) < sgn(get(p.b)) ? 1 : 0); break;
        case Op::Slti: set(dest, sgn(get(p.a)) < p.imm ? 1 : 0); break;
        case Op::Sltiu: set(dest, get(p.a) < sx(p.imm) ? 1 : 0); break;
        case Op::Sltu: set(dest, get(p.a) < get(p.b) ? 1 : 0); break;
        case Op::Sll: set(dest, get(p.a) << p.imm); break;
        case Op::Add: set(dest, checked(std::int64_t{sgn(get(p.a))} + sgn(get(p.b)))); break;
        case Op::Addi: set(dest, checked(std::int64_t{sgn(get(p.a))} + p.imm)); break;
        case Op::Sub: set(dest, checked(std::int64_t{sgn(get(p.a))} - sgn(get(p.b)))); break;
        case Op::Subu: set(dest, get(p.a) - get(p.b)); break;
        case Op::And: set(dest, get(p.a) & get(p.b)); break;
        case Op::Andi: set(dest, get(p.a) & zx(p.imm)); break;
        case Op::Nor: set(dest, ~(get(p.a) | get(p.b))); break;
        case Op::Ori: set(dest, get(p.a) | zx(p.imm)); break;
        case Op::Xor: set(dest, get(p.a) ^ get(p.b)); break;
        case Op::Xori: set(dest, get(p.a) ^ zx(p.imm)); break;
        case Op::Sllv: set(dest, get(p.a) << (get(p.b) & 31)); break;
        case Op::Sra: set(dest, static_cast<std::uint32_t>(sgn(get(p.a)) >> p.imm)); break;
        case Op::Srav:
            set(dest, static_cast<std::uint32_t>(sgn(get(p.a)) >> (get(p.b) & 31)));
            break;
        case Op::Srl: set(dest, get(p.a) >> p.imm); break;
        case Op::Srlv: set(dest, get(p.a) >> (get(p.b) & 31)); break;
        case Op::Div: {
            const std::int64_t n = sgn(get(p.a)), d = sgn(get(p.b));
            if (d == 0 || (n == INT32_MIN && d == -1)) {
                out_.traps = true;
                break;
            }
            lo_ = static_cast<std::uint32_t>(n / d); // C++ truncates toward zero, as div does
            hi_ = static_cast<std::uint32_t>(n % d); // remainder takes the dividend's sign
            break;
        }
        case Op::Divu: {
            const std::uint32_t n = get(p.a), d = get(p.b);
            if (d == 0) {
                out_.traps = true;
                break;
            }
            lo_ = n / d;
            hi_ = n % d;
            break;
        }
        case Op::Mult: {
            const auto product =
                static_cast<std::uint64_t>(std::int64_t{sgn(get(p.a))} * sgn(get(p.b)));
            hi_ = static_cast<std::uint32_t>(product >> 32);
            lo_ = static_cast<std::uint32_t>(product);
            break;
        }
        case Op::Multu: {
            const std::uint64_t product = std::uint64_t{get(p.a)} * get(p.b);
            hi_ = static_cast<std::uint32_t>(product >> 32);
            lo_ = static_cast<std::uint32_t>(product);
            break;
        }
        case Op::Mfhi: set(dest, hi_); break;
        case Op::Mflo: set(dest, lo_); break;
        }
    }

  private:
    std::array<std::uint32_t, 32> reg_{};
    std::array<bool, 32> known_{};
    std::uint32_t hi_ = 0, lo_ = 0;
    std::map<std::uint32_t, std::uint32_t> ram_;
    ChainOutcome out_;
};

// One case on the model: the template's own register writes around the probe's executions,
// and the comparisons the case makes.
inline void runCase(ChainMachine& m, const CaseModel& model, const SlotLine& line) {
    const Probe& p = line.probe;
    const auto compare = [&](std::uint32_t got, std::uint32_t want) {
        if (got != want && m.outcome().agrees) {
            m.outcome().agrees = false;
            m.outcome().firstDisagreement = line.number;
        }
    };
    const std::uint32_t returnAddress = m.get(ra);
    if (model.links) m.set(s7, returnAddress);
    for (const auto& [r, v] : model.guards)
        m.set(r, v);
    if (model.jumpReg != zero) m.set(model.jumpReg, kRomBase);

    if (!isMulDiv(p)) {
        if (model.order == CaseModel::Order::Branches) {
            m.run(p, p.dest);
            m.run(p, s6);
            compare(m.get(p.dest), m.get(s6));
            m.run(p, model.result);
            compare(m.get(model.result), m.get(s6));
        } else {
            m.run(p, s6);
            m.run(p, p.dest);
            compare(m.get(p.dest), m.get(s6));
        }
    } else {
        // A multiply/divide slot writes only LO, which is captured into a register after each
        // run. Branch routines run the not-taken slot first, on the LO left before, and the
        // reference on the clobber value; the last slot, compared with the reference in both
        // orders, runs on the clobber value.
        const bool branches = model.order == CaseModel::Order::Branches;
        const auto runInto = [&](int r) {
            m.run(p, zero);
            m.set(r, m.lo());
        };
        m.set(v0, 0);
        m.set(v1, 0);
        if (branches) runInto(v0);
        const std::uint32_t clobber = m.get(model.loClobber);
        if (branches) m.setLo(clobber);
        runInto(s6);
        if (branches) compare(m.get(v0), m.get(s6));
        m.setLo(clobber);
        m.outcome().loClobbers.push_back(clobber);
        runInto(v1);
        compare(m.get(v1), m.get(s6));
        m.outcome().expectedLo.push_back(m.get(s6));
    }
    if (model.links) m.set(ra, m.get(s7));
}

// The whole body of routine `testNumber` as it runs after `passCount` passed routines.
inline ChainOutcome runChain(const std::vector<SlotLine>& lines, const CaseModel& model,
                             std::uint32_t testNumber, std::uint32_t passCount) {
    ChainMachine m(testNumber, passCount);
    for (const auto& line : lines) {
        if (line.isCase())
            runCase(m, model, line);
        else
            m.run(line.probe, line.probe.dest);
    }
    return m.outcome();
}

// Every pass count the routine can meet (0 to N - 1 routines passed before it), merged: the
// flags hold if they hold in every run.
inline ChainOutcome runChainForEveryPassCount(const std::vector<SlotLine>& lines,
                                              const CaseModel& model, int testNumber) {
    ChainOutcome all;
    for (int passed = 0; passed < testNumber; ++passed) {
        const ChainOutcome one = runChain(lines, model, static_cast<std::uint32_t>(testNumber),
                                          static_cast<std::uint32_t>(passed));
        if (!one.agrees && all.agrees) {
            all.agrees = false;
            all.firstDisagreement = one.firstDisagreement;
        }
        all.traps |= one.traps;
        all.readsUnset |= one.readsUnset;
        all.readsUnwritten |= one.readsUnwritten;
        all.dataWords.insert(one.dataWords.begin(), one.dataWords.end());
        all.expectedLo.insert(all.expectedLo.end(), one.expectedLo.begin(), one.expectedLo.end());
        all.loClobbers.insert(all.loClobbers.end(), one.loClobbers.begin(), one.loClobbers.end());
    }
    return all;
}

} // namespace casegen::slot
