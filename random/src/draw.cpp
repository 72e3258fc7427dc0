#include "draw.h"

#include <fmt/format.h>

#include <algorithm>

#include "checkpoint_code.h"
#include "opcodes.h"
#include "registers.h"
#include "spaced_code.h"

namespace coretest::random {

namespace {

constexpr ValueFact kAnything{};

std::uint8_t capped(unsigned bits) {
    return static_cast<std::uint8_t>(std::min(bits, 32u));
}

// A 16-bit immediate, now and then one of the edge values.
std::uint32_t immediate(Rng& rng) {
    static constexpr std::uint32_t kEdges[] = {0, 1, 0x7fff, 0x8000, 0xffff, 0xfffe};
    if (rng.percent(20)) return kEdges[rng.below(std::size(kEdges))];
    return rng.below(0x10000);
}

bool negative16(std::uint32_t imm) {
    return imm & 0x8000;
}

} // namespace

Drawer::Drawer(const RandomOptions& options, Rng& rng)
    : options_(options), rng_(rng), deps_(options.distance, rng) {}

std::string Drawer::newLabel() {
    return fmt::format("{}_{}", prefix_, ++labels_);
}

unsigned Drawer::source(const Limits& limits, RegMask extra) {
    RegMask forbidden = limits.noRead | extra;
    if (!options_.interlocked) forbidden |= state_.hazards.loadedJustBefore;
    return deps_.source(forbidden);
}

unsigned Drawer::dest(const Limits& limits, RegMask extra) {
    return anyRegister(rng_, limits.noWrite | extra);
}

void Drawer::put(Assembly& out, std::uint32_t word, unsigned dest, ValueFact fact, bool load,
                 bool readsHiLo) {
    out.emit(word);
    deps_.wrote(dest);
    state_.facts.set(dest, fact);
    state_.hazards.step(load && dest ? bit(dest) : 0, readsHiLo);
}

void Drawer::putRef(Assembly& out, std::uint32_t word, Fixup fixup, const std::string& target,
                    unsigned dest, ValueFact fact) {
    out.emitRef(word, fixup, target);
    deps_.wrote(dest);
    state_.facts.set(dest, fact);
    state_.hazards.step(0, false);
}

std::uint32_t Drawer::alu(Assembly& out, const Limits& limits) {
    const ValueFacts& f = state_.facts;
    const std::uint32_t kind = rng_.below(100);
    if (kind < 45) { // register-register
        static constexpr unsigned kOps[] = {fAddu, fSubu, fAnd,  fOr,   fXor, fNor, fSlt,
                                            fSltu, fSllv, fSrlv, fSrav, fAdd, fSub};
        unsigned fn = kOps[rng_.below(std::size(kOps))];
        const unsigned rs = source(limits), rt = source(limits);
        // Only values below 2^30 keep add and sub from trapping: addu and subu otherwise.
        if (fn == fAdd && !(f.small(rs) && f.small(rt))) fn = fAddu;
        if (fn == fSub && !(f.small(rs) && f.small(rt))) fn = fSubu;
        const unsigned rd = dest(limits);
        const ValueFact a = f[rs], b = f[rt];
        ValueFact fact;
        switch (fn) {
        case fAddu:
        case fAdd: fact = {capped(std::max(a.bits, b.bits) + 1u), false}; break;
        case fAnd: fact = {std::min(a.bits, b.bits), false}; break;
        case fOr: fact = {std::max(a.bits, b.bits), a.nonZero || b.nonZero}; break;
        case fXor: fact = {std::max(a.bits, b.bits), false}; break;
        case fSlt:
        case fSltu: fact = {1, false}; break;
        case fSrlv: fact = {b.bits, false}; break;
        case fSrav: fact = {b.bits <= 31 ? b.bits : std::uint8_t{32}, false}; break;
        default: fact = kAnything; break;
        }
        put(out, rType(fn, rs, rt, rd), rd, fact);
        return 1;
    }
    if (kind < 60) { // shifts by a constant
        static constexpr unsigned kOps[] = {fSll, fSrl, fSra};
        const unsigned fn = kOps[rng_.below(3)];
        const unsigned rt = source(limits), rd = dest(limits), sa = rng_.below(32);
        const ValueFact b = f[rt];
        ValueFact fact;
        if (fn == fSll)
            fact = {b.bits ? capped(b.bits + sa) : std::uint8_t{0}, false};
        else if (fn == fSrl || b.bits <= 31)
            fact = {static_cast<std::uint8_t>(b.bits > sa ? b.bits - sa : 0), sa == 0 && b.nonZero};
        else
            fact = kAnything;
        put(out, rType(fn, 0, rt, rd, sa), rd, fact);
        return 1;
    }
    if (kind < 90) { // immediates
        static constexpr unsigned kOps[] = {kAddiu, kSlti, kSltiu, kAndi, kOri, kXori, kAddi};
        const unsigned op = kOps[rng_.below(std::size(kOps))];
        const unsigned rs = source(limits), rt = dest(limits);
        const std::uint32_t imm = immediate(rng_);
        const ValueFact a = f[rs];
        ValueFact fact;
        unsigned code = op;
        switch (op) {
        case kAddi:
            if (!f.small(rs)) code = kAddiu; // would trap on overflow: the non-trapping form
            [[fallthrough]];
        case kAddiu:
            fact = negative16(imm) ? kAnything
                                   : ValueFact{capped(std::max<unsigned>(a.bits, 15) + 1), false};
            break;
        case kSlti:
        case kSltiu: fact = {1, false}; break;
        case kAndi: fact = {std::min(a.bits, bitsOf(imm)), false}; break;
        case kOri: fact = {std::max(a.bits, bitsOf(imm)), a.nonZero || imm != 0}; break;
        case kXori: fact = {std::max(a.bits, bitsOf(imm)), false}; break;
        default: break;
        }
        put(out, iType(code, rs, rt, imm), rt, fact);
        return 1;
    }
    const unsigned rt = dest(limits); // lui
    const std::uint32_t imm = immediate(rng_);
    put(out, iType(kLui, 0, rt, imm), rt,
        {static_cast<std::uint8_t>(imm ? bitsOf(imm) + 16 : 0), imm != 0});
    return 1;
}

std::uint32_t Drawer::memory(Assembly& out, const Limits& limits) {
    struct Access {
        unsigned op;
        unsigned size; // alignment (1 for the unaligned word accesses)
        bool load;
        ValueFact fact;
    };
    static constexpr Access kAccesses[] = {
        {kLb, 1, true, {}},           {kLbu, 1, true, {8, false}}, {kLh, 2, true, {}},
        {kLhu, 2, true, {16, false}}, {kLw, 4, true, {}},          {kLwl, 1, true, {}},
        {kLwr, 1, true, {}},          {kSb, 1, false, {}},         {kSh, 2, false, {}},
        {kSw, 4, false, {}},          {kSwl, 1, false, {}},        {kSwr, 1, false, {}},
    };
    const Access& a = kAccesses[rng_.below(std::size(kAccesses))];
    const std::int32_t offset =
        static_cast<std::int32_t>(rng_.below(kWindowBytes) & ~(a.size - 1)) -
        static_cast<std::int32_t>(kWindowBytes / 2);
    const auto imm = static_cast<std::uint32_t>(offset);
    if (!a.load) {
        put(out, iType(a.op, kBase, source(limits), imm), 0, {});
        return 1;
    }
    // lwl and lwr merge into the register they load: it is read as well as written.
    const bool merges = a.op == kLwl || a.op == kLwr;
    unsigned rt = 0;
    if (merges) {
        rt = source(limits, limits.noWrite | bit(0));
    } else {
        rt = dest(limits);
    }
    put(out, iType(a.op, kBase, rt, imm), rt, a.fact, true);
    return 1;
}

std::uint32_t Drawer::multiplyDivide(Assembly& out, const Limits& limits) {
    const ValueFacts& f = state_.facts;
    const std::uint32_t kind = rng_.below(100);
    const bool mayWrite = state_.hazards.mayWriteHiLo();
    if (kind < 40 || !mayWrite) { // mfhi / mflo
        const unsigned rd = dest(limits);
        put(out, rType(rng_.below(2) ? fMfhi : fMflo, 0, 0, rd), rd, kAnything, false, true);
        return 1;
    }
    if (kind < 65) { // mult / multu
        const unsigned rs = source(limits), rt = source(limits);
        put(out, rType(rng_.below(2) ? fMult : fMultu, rs, rt, 0), 0, {});
        return 1;
    }
    if (kind < 90) { // div / divu, by a divisor known to be neither zero nor -1
        const bool isSigned = rng_.below(2);
        const unsigned rs = source(limits);
        unsigned rt = source(limits);
        const auto safe = [&](unsigned r) { return isSigned ? f.safeDivisor(r) : f[r].nonZero; };
        std::uint32_t drawn = 0;
        if (!safe(rt) && !limits.single && rng_.below(2)) {
            // lui of a non-zero half: any sign, never zero nor -1.
            rt = dest(limits);
            const std::uint32_t imm = rng_.between(1, 0xffff);
            put(out, iType(kLui, 0, rt, imm), rt,
                {static_cast<std::uint8_t>(bitsOf(imm) + 16), true});
            put(out, rType(isSigned ? fDiv : fDivu, rs, rt, 0), 0, {});
            return 2;
        }
        if (!safe(rt)) {
            if (limits.single) return alu(out, limits);
            // ori with an odd immediate from a non-negative value makes one.
            RegMask unknown = 0;
            for (unsigned r = 1; r < 32; ++r)
                if (f[r].bits > 31) unknown |= bit(r);
            RegMask unusable = unknown | limits.noRead;
            if (!options_.interlocked) unusable |= state_.hazards.loadedJustBefore;
            const unsigned from = (kRandomRegisters & ~unusable) ? source(limits, unknown) : 0;
            rt = dest(limits);
            const std::uint32_t imm = rng_.below(0x10000) | 1;
            put(out, iType(kOri, from, rt, imm), rt, {std::max(f[from].bits, bitsOf(imm)), true});
            drawn = 1;
        }
        put(out, rType(isSigned ? fDiv : fDivu, rs, rt, 0), 0, {});
        return drawn + 1;
    }
    if (limits.single) return alu(out, limits);
    // mthi and mtlo together: after a mult or div, writing one of them leaves the other
    // undefined until it is written too.
    const bool hiFirst = rng_.below(2);
    put(out, rType(hiFirst ? fMthi : fMtlo, source(limits), 0, 0), 0, {});
    put(out, rType(hiFirst ? fMtlo : fMthi, source(limits), 0, 0), 0, {});
    return 2;
}

std::uint32_t Drawer::plain(Assembly& out, const Limits& limits) {
    const std::uint32_t p = rng_.below(100);
    const std::uint32_t memoryShare = options_.memoryPercent;
    const std::uint32_t multiplyShare = options_.multiplyPercent;
    const std::uint32_t total = std::max(100u - options_.branchPercent, 1u);
    const std::uint32_t m = memoryShare * 100 / total, d = multiplyShare * 100 / total;
    if (p < m) return memory(out, limits);
    if (p < m + d) return multiplyDivide(out, limits);
    return alu(out, limits);
}

std::uint32_t Drawer::plainRun(Assembly& out, std::uint32_t count, const Limits& limits) {
    std::uint32_t drawn = 0;
    while (drawn < count)
        drawn += plain(out, limits);
    return drawn;
}

std::uint32_t Drawer::address(Assembly& out, unsigned r, const std::string& target) {
    // Random instructions that leave r alone between the halves and before the jump: a core
    // with broken forwarding still jumps to the right place (and shows the fault in the data).
    const Limits keep{bit(r), 0, false};
    putRef(out, iType(kLui, 0, r, 0), Fixup::High, target, r, {32, true});
    std::uint32_t drawn = 1 + plainRun(out, kSpacing - 1, keep);
    putRef(out, iType(kOri, r, r, 0), Fixup::Low, target, r, {32, true});
    return drawn + 1 + plainRun(out, kSpacing - 1, keep);
}

std::uint32_t Drawer::branch(Assembly& out) {
    static constexpr unsigned kKinds[] = {kBeq, kBne, kBlez, kBgtz, 0x100 | rBltz, 0x100 | rBgez};
    const unsigned kind = kKinds[rng_.below(std::size(kKinds))];
    const std::string target = newLabel();
    const Limits none;
    const unsigned rs = source(none);
    std::uint32_t word = 0;
    if (kind & 0x100)
        word = iType(0x01, rs, kind & 0x1f, 0);
    else if (kind == kBeq || kind == kBne)
        word = iType(kind, rs, source(none), 0);
    else
        word = iType(kind, rs, 0, 0);
    putRef(out, word, Fixup::Branch, target, 0, {});
    std::uint32_t drawn = 1 + plain(out, {0, 0, true});
    const PathState taken = state_;
    drawn += plainRun(out, rng_.below(7), none);
    out.label(target);
    state_.merge(taken);
    return drawn;
}

std::uint32_t Drawer::jump(Assembly& out) {
    const std::string target = newLabel();
    std::uint32_t drawn = 0;
    RegMask held = 0;
    if (rng_.below(2)) {
        putRef(out, jType(kJ, 0), Fixup::Jump, target, 0, {});
        drawn = 1;
    } else { // jr to an address built in a register
        const unsigned r = dest({});
        drawn = address(out, r, target) + 1;
        put(out, rType(fJr, r, 0, 0), 0, {});
        held = bit(r);
    }
    drawn += plain(out, {held, 0, true});
    const PathState after = state_;
    drawn += plainRun(out, rng_.below(4), {}); // never executed
    out.label(target);
    state_ = after;
    return drawn;
}

std::uint32_t Drawer::call(Assembly& out) {
    const std::string body = newLabel(), after = newLabel();
    std::uint32_t drawn = 0;
    unsigned link = kRa;
    const Limits none;
    switch (rng_.below(4)) {
    case 0: putRef(out, jType(kJal, 0), Fixup::Jump, body, kRa, {32, true}); break;
    case 1: { // jalr through a register that holds the body's address
        const unsigned r = dest(none);
        drawn = address(out, r, body);
        link = dest(none, bit(r));
        putRef(out, rType(fJalr, r, 0, link), Fixup::None, {}, link, {32, true});
    } break;
    default: { // bltzal / bgezal: a call when the condition holds; the link is written always
        const unsigned rs = source(none, bit(kRa));
        putRef(out, iType(0x01, rs, rng_.below(2) ? rBltzal : rBgezal, 0), Fixup::Branch, body, kRa,
               {32, true});
    } break;
    }
    ++drawn;
    const Limits inCall{bit(link), bit(link), true};
    drawn += plain(out, inCall);
    const PathState called = state_;

    // The body, drawn first: the path past it starts from what holds after its return.
    Assembly bodyCode;
    bodyCode.label(body);
    // At least two instructions: the return reads the link kSpacing instructions after the
    // call wrote it (the delay slot and the body between), with no forwarding needed.
    drawn += plainRun(bodyCode, rng_.between(2, 5), {bit(link), 0, false});
    put(bodyCode, rType(fJr, link, 0, 0), 0, {});
    drawn += 1 + plain(bodyCode, inCall);
    const PathState returned = state_;

    state_ = called;
    state_.merge(returned);
    putRef(out, jType(kJ, 0), Fixup::Jump, after, 0, {});
    drawn += 1 + plain(out, {0, 0, true});
    const PathState past = state_;
    out.append(bodyCode);
    out.label(after);
    state_ = past;
    return drawn;
}

std::uint32_t Drawer::announce(Assembly& out, const std::string& resume, RegMask keep) {
    // The resume address into kLink, then into its slot, with kSpacing - 1 random instructions
    // between the steps: a core with broken forwarding still announces the right address.
    const Limits hold{keep, 0, false};
    out.emitRef(iType(kLui, 0, kLink, 0), Fixup::High, resume, "announce an exception");
    state_.hazards.step(0, false);
    std::uint32_t drawn = plainRun(out, kSpacing - 1, hold);
    out.emitRef(iType(kOri, kLink, kLink, 0), Fixup::Low, resume);
    state_.hazards.step(0, false);
    drawn += plainRun(out, kSpacing - 1, hold);
    out.emit(iType(kSw, kBase, kLink, static_cast<std::uint32_t>(kSlotResume) & 0xffff));
    state_.hazards.step(0, false);
    return drawn;
}

std::uint32_t Drawer::exception(Assembly& out) {
    enum Kind : unsigned { Syscall, Break, Add, Sub, Addi, Load, Store, kKinds };
    const Kind kind = static_cast<Kind>(rng_.below(kKinds));
    const Limits none;
    const std::string resume = newLabel();
    std::uint32_t drawn = 0;
    RegMask keep = 0;
    std::uint32_t word = 0;
    const auto lui = [&](unsigned r, std::uint32_t imm) {
        put(out, iType(kLui, 0, r, imm), r, {static_cast<std::uint8_t>(bitsOf(imm) + 16), true});
        ++drawn;
    };
    switch (kind) {
    case Syscall:
    case Break: word = rng_.below(1u << 20) << 6 | (kind == Syscall ? fSyscall : fBreak); break;
    case Add:
    case Sub: {
        // Both at least 2^30 + 2^16 in size: the sum of two of one sign, or the difference of
        // two of opposite signs, leaves the 32-bit range.
        const unsigned a = dest(none), b = dest(none, bit(a));
        const bool negative = rng_.below(2);
        const auto half = [&](bool neg) {
            return neg ? rng_.between(0x8000, 0xbffe) : rng_.between(0x4001, 0x7fff);
        };
        lui(a, half(negative));
        lui(b, half(kind == Add ? negative : !negative));
        keep = bit(a) | bit(b);
        word = rType(kind == Add ? fAdd : fSub, a, b, dest(none));
        break;
    }
    case Addi: {
        // 0x7fff9000 and up plus 0x7000 and up, or 0x80000fff and down plus -4097 and down.
        const unsigned a = dest(none);
        const bool negative = rng_.below(2);
        lui(a, negative ? 0x8000 : 0x7fff);
        const std::uint32_t low = negative ? rng_.below(0x1000) : rng_.between(0x9000, 0xffff);
        put(out, iType(kOri, a, a, low), a, {32, true});
        ++drawn;
        keep = bit(a);
        const std::uint32_t imm =
            negative ? rng_.between(0x8000, 0xefff) : rng_.between(0x7000, 0x7fff);
        word = iType(kAddi, a, dest(none), imm);
        break;
    }
    case Load:
    case Store:
    default: {
        const bool word32 = rng_.below(2);
        std::uint32_t at = rng_.below(kWindowBytes);
        if (at % (word32 ? 4 : 2) == 0) at ^= 1; // misaligned for its size
        const auto imm = static_cast<std::uint32_t>(static_cast<std::int32_t>(at) -
                                                    static_cast<std::int32_t>(kWindowBytes / 2)) &
                         0xffff;
        // The register is chosen at the access: nothing is loaded just before it then.
        word = kind == Load ? iType(word32 ? kLw : kLh, kBase, 0, imm)
                            : iType(word32 ? kSw : kSh, kBase, 0, imm);
        break;
    }
    }
    drawn += announce(out, resume, keep);
    if (rng_.percent(30)) { // in a delay slot: EPC is the branch's, Cause.BD set
        static constexpr unsigned kBranches[] = {kBeq, kBne, kBlez, kBgtz};
        const unsigned op = kBranches[rng_.below(std::size(kBranches))];
        const unsigned rs = source(none);
        const unsigned rt = op == kBeq || op == kBne ? source(none) : 0;
        putRef(out, iType(op, rs, rt, 0), Fixup::Branch, resume, 0, {});
        ++drawn;
    }
    if (kind == Load) word |= dest(none) << 16;
    if (kind == Store) word |= source(none) << 16;
    out.emit(word, "expected exception");
    state_.hazards.step(0, false);
    ++drawn;
    // The instruction wrote nothing: what holds after it is what held before.
    out.label(resume);
    emitResume(out);
    state_.hazards.step(0, false);
    return drawn + plainRun(out, kSpacing - 1, none);
}

std::uint32_t Drawer::block(Assembly& out, std::uint32_t count, const std::string& prefix) {
    prefix_ = prefix;
    labels_ = 0;
    std::uint32_t drawn = 0;
    while (drawn < count) {
        if (options_.exceptionPercent && rng_.percent(options_.exceptionPercent)) {
            drawn += exception(out);
        } else if (rng_.percent(options_.branchPercent)) {
            const std::uint32_t p = rng_.below(100);
            drawn += p < 50 ? branch(out) : p < 65 ? jump(out) : call(out);
        } else {
            drawn += plain(out, {});
        }
    }
    return drawn;
}

} // namespace coretest::random
