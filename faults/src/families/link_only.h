#pragma once
// The fault that the linking branches and jumps share: the link register is written, but control
// goes on in straight line after the delay slot.
#include "coretest/fault.h"
#include "coretest/semantics.h"

namespace coretest::faults {

// For bltzal, bgezal and jal the link goes to ra; jalr writes its rd.
template <Op op>
void linkOnly(FaultSite& site) {
    site.replace(op, [](auto& c, const Instr& i) { c.link(op == Op::Jalr ? i.rd : 31); });
}

} // namespace coretest::faults
