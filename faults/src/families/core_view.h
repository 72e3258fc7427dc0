#pragma once
// A stand-in for the core that the real semantics can run on: it passes every helper on to the
// core, and a fault derives from it to change a few (how registers read, what a write stores).
// The derived class is `Self`; the helpers built on others (rs, rt, setRd, setRt, link) go
// through Self's versions, so overriding reg or setReg changes them too.
#include <cstdint>

#include "coretest/core.h"

namespace coretest::faults {

template <class C, class Self>
class CoreView {
  public:
    explicit CoreView(C& core) : c_(core) {}

    std::uint32_t reg(unsigned r) const { return c_.reg(r); }
    std::uint32_t rs(const Instr& i) const { return self().reg(i.rs); }
    std::uint32_t rt(const Instr& i) const { return self().reg(i.rt); }
    void setReg(unsigned r, std::uint32_t v) { c_.setReg(r, v); }
    void setRd(const Instr& i, std::uint32_t v) { self().setReg(i.rd, v); }
    void setRt(const Instr& i, std::uint32_t v) { self().setReg(i.rt, v); }
    void link(unsigned r) { self().setReg(r, c_.pc() + 8); }

    std::uint32_t hi() const { return c_.hi(); }
    std::uint32_t lo() const { return c_.lo(); }
    void setHi(std::uint32_t v) { c_.setHi(v); }
    void setLo(std::uint32_t v) { c_.setLo(v); }
    auto load(std::uint32_t addr, unsigned size) { return c_.load(addr, size); }
    void store(std::uint32_t addr, unsigned size, std::uint32_t v) { c_.store(addr, size, v); }
    void branch(const Instr& i, bool taken) { c_.branch(i, taken); }
    void jump(std::uint32_t target) { c_.jump(target); }
    void raise(ExceptionCause cause, std::uint32_t badAddress = 0) { c_.raise(cause, badAddress); }
    void hooked(const Instr& i) { c_.hooked(i); }
    bool usable(unsigned z) { return c_.usable(z); }
    std::uint32_t cp0Reg(unsigned r) const { return c_.cp0Reg(r); }
    void setCp0Reg(unsigned r, std::uint32_t v) { c_.setCp0Reg(r, v); }
    void popStatus() { c_.popStatus(); }
    std::uint32_t pc() const { return c_.pc(); }

  protected:
    C& c_;

  private:
    const Self& self() const { return static_cast<const Self&>(*this); }
    Self& self() { return static_cast<Self&>(*this); }
};

} // namespace coretest::faults
