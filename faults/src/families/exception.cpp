// Faults of the exceptions and coprocessor 0: what exception entry leaves in EPC, Cause, BadVAddr
// and Status, the exception a trap raises, an overflowing add that writes its destination, rfe,
// mfc0 and mtc0. The first ROM takes no exception and has no coprocessor 0 instruction; the
// second ROM's routines 76 to 82 check every register the handler records and rfe restores.
#include <optional>
#include <type_traits>
#include <vector>

#include "core_view.h"
#include "coretest/semantics.h"
#include "entries.h"
#include "families.h"
#include "stale_reads.h"

namespace coretest::faults {

namespace {

// What a fault changes after the real exception entry: `now` is what entry left, `before` the
// registers as they were.
using EntryChange = void (*)(Cp0State& now, const Cp0State& before);

// Runs the real semantics, but every exception an instruction raises (the traps, overflow, the
// address errors of loads and stores) goes through the real entry and then `Change`.
template <class C, EntryChange Change>
class EntryView : public CoreView<C, EntryView<C, Change>> {
  public:
    using CoreView<C, EntryView<C, Change>>::CoreView;

    void raise(ExceptionCause cause, std::uint32_t badAddress = 0) {
        const Cp0State before = c_.cp0();
        c_.raise(cause, badAddress);
        Change(c_.cp0(), before);
    }
    std::optional<std::uint32_t> load(std::uint32_t addr, unsigned size) {
        if (addr & (size - 1)) {
            raise(ExceptionCause::AddressLoad, addr);
            return std::nullopt;
        }
        return c_.load(addr, size);
    }
    void store(std::uint32_t addr, unsigned size, std::uint32_t value) {
        if (addr & (size - 1)) return raise(ExceptionCause::AddressStore, addr);
        c_.store(addr, size, value);
    }

  private:
    using CoreView<C, EntryView<C, Change>>::c_;
};

template <EntryChange Change>
void atEntry(FaultSite& site) {
    replaceEveryOperation(site, [](auto& core, const Instr& i) {
        EntryView<std::remove_reference_t<decltype(core)>, Change> view(core);
        semantics(view, i, i.op);
    });
}

std::uint32_t code(const Cp0State& c) {
    return (c.cause >> cp0::kCauseCodeShift) & 0x1f;
}
bool addressError(const Cp0State& c) {
    return code(c) == static_cast<std::uint32_t>(ExceptionCause::AddressLoad) ||
           code(c) == static_cast<std::uint32_t>(ExceptionCause::AddressStore);
}

void epcPlus4(Cp0State& now, const Cp0State&) {
    now.epc += 4;
}
// In a delay slot EPC holds the faulting instruction instead of the branch before it.
void epcAtSlot(Cp0State& now, const Cp0State&) {
    if (now.cause & cp0::kCauseBd) now.epc += 4;
}
void bdClear(Cp0State& now, const Cp0State&) {
    now.cause &= ~cp0::kCauseBd;
}
void badVAddrZero(Cp0State& now, const Cp0State&) {
    if (addressError(now)) now.badVAddr = 0;
}
void badVAddrAligned(Cp0State& now, const Cp0State&) {
    if (addressError(now)) now.badVAddr &= ~3u;
}
void statusNotPushed(Cp0State& now, const Cp0State& before) {
    now.status = before.status;
}
void storeErrorAsLoad(Cp0State& now, const Cp0State&) {
    if (code(now) == static_cast<std::uint32_t>(ExceptionCause::AddressStore))
        now.cause = (now.cause & ~0x7cu) | static_cast<std::uint32_t>(ExceptionCause::AddressLoad)
                                               << cp0::kCauseCodeShift;
}

// syscall raises the break exception and break the syscall exception.
void trapCodesSwapped(FaultSite& site) {
    site.replace(Op::Syscall, [](auto& c, const Instr&) { c.raise(ExceptionCause::Break); });
    site.replace(Op::Break, [](auto& c, const Instr&) { c.raise(ExceptionCause::Syscall); });
}

// The overflowing instruction writes its destination, then traps.
template <Op O>
void writesBeforeTrap(FaultSite& site) {
    site.replace(O, [](auto& c, const Instr& i) {
        const std::uint32_t a = c.rs(i);
        const std::uint32_t b = O == Op::Addi ? i.imm : c.rt(i);
        const bool overflow = O == Op::Sub ? subOverflows(a, b) : addOverflows(a, b);
        const std::uint32_t value = O == Op::Sub ? a - b : a + b;
        c.setReg(O == Op::Addi ? i.rt : i.rd, value);
        if (overflow) c.raise(ExceptionCause::Overflow);
    });
}

// rfe shifts the whole six-bit KU/IE stack right by two: the old pair is cleared instead of kept.
void rfeClearsOld(FaultSite& site) {
    site.replace(Op::Rfe, [](auto& c, const Instr&) {
        if (!c.usable(0)) return;
        const std::uint32_t status = c.cp0Reg(cp0::kStatus);
        c.cp0().status = (status & ~0x3fu) | ((status >> 2) & 0xfu);
    });
}

} // namespace

std::span<const FaultDef> exceptions() {
    static const std::vector<FaultDef> list{
        {"add-overflow-writes-rd",
         "add writes the wrapped sum to rd before it raises the overflow exception", "",
         writesBeforeTrap<Op::Add>, unnoticed()},
        {"addi-overflow-writes-rt",
         "addi writes the wrapped sum to rt before it raises the overflow exception", "",
         writesBeforeTrap<Op::Addi>, unnoticed()},
        {"sub-overflow-writes-rd",
         "sub writes the wrapped difference to rd before it raises the overflow exception", "",
         writesBeforeTrap<Op::Sub>, unnoticed()},
        {"epc-plus-4", "exception entry sets EPC 4 bytes beyond the instruction it should hold", "",
         atEntry<epcPlus4>, unnoticed()},
        {"epc-at-delay-slot",
         "an exception in a delay slot sets EPC to the faulting instruction instead of the branch "
         "or jump before it (Cause.BD is still set)",
         "", atEntry<epcAtSlot>, unnoticed()},
        {"bd-not-set", "an exception in a delay slot leaves Cause.BD clear", "", atEntry<bdClear>,
         unnoticed()},
        {"badvaddr-zero", "an address error writes 0 to BadVAddr instead of the address", "",
         atEntry<badVAddrZero>, unnoticed()},
        {"badvaddr-aligned",
         "an address error writes the address with its two low bits cleared to BadVAddr", "",
         atEntry<badVAddrAligned>, unnoticed()},
        {"status-not-pushed", "exception entry does not push the KU/IE stack of Status", "",
         atEntry<statusNotPushed>, unnoticed()},
        {"ades-reported-as-adel",
         "a misaligned store raises the address error with the load's code (4) instead of the "
         "store's (5)",
         "", atEntry<storeErrorAsLoad>, unnoticed()},
        {"syscall-break-codes-swapped",
         "syscall raises the break exception (code 9) and break the syscall exception (code 8)", "",
         trapCodesSwapped, unnoticed()},
        {"reserved-instruction-is-nop",
         "a reserved instruction word runs as a nop instead of raising the reserved instruction "
         "exception",
         "", [](FaultSite& site) { site.replace(Op::Reserved, [](auto&, const Instr&) {}); },
         unnoticed()},
        {"rfe-does-not-pop", "rfe leaves Status unchanged: the KU/IE stack is not popped", "",
         [](FaultSite& site) { site.replace(Op::Rfe, [](auto& c, const Instr&) { c.usable(0); }); },
         unnoticed()},
        {"rfe-clears-old-pair",
         "rfe shifts the six KU/IE bits right by two: the old pair is cleared instead of kept", "",
         rfeClearsOld, unnoticed()},
        {"mfc0-status-reads-cause", "mfc0 of Status (register 12) reads Cause", "",
         [](FaultSite& site) {
             site.replace(Op::Mfc0, [](auto& c, const Instr& i) {
                 if (!c.usable(0)) return;
                 c.setRt(i, c.cp0Reg(i.rd == cp0::kStatus ? cp0::kCause : i.rd));
             });
         },
         unnoticed()},
        {"mtc0-status-ignored", "mtc0 to Status is ignored, as to a read-only register", "",
         [](FaultSite& site) {
             site.replace(Op::Mtc0, [](auto& c, const Instr& i) {
                 if (i.rd != cp0::kStatus)
                     realSemantics(c, i);
                 else
                     c.usable(0);
             });
         },
         unnoticed()},
    };
    return list;
}

} // namespace coretest::faults
