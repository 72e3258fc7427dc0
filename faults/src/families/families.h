#pragma once
// The fault lists of the catalogue, one per family of the ROM's tests, in catalogue order.
#include <span>

#include "coretest/fault.h"

namespace coretest::faults {

std::span<const FaultDef> boot();
std::span<const FaultDef> lui();
std::span<const FaultDef> aluReg();
std::span<const FaultDef> aluImm();
std::span<const FaultDef> shift();
std::span<const FaultDef> memory();
std::span<const FaultDef> branch();
std::span<const FaultDef> branchLink();
std::span<const FaultDef> jump();
std::span<const FaultDef> delaySlot();
std::span<const FaultDef> muldiv();
std::span<const FaultDef> hilo();
// Faults of a whole core rather than of one routine's instruction.
std::span<const FaultDef> hazard();
std::span<const FaultDef> transferPipeline();
std::span<const FaultDef> muldivCorner();
std::span<const FaultDef> fieldDecode();
std::span<const FaultDef> datapath();
std::span<const FaultDef> stuckBits();
// Faults of what only the second ROM tests: sub-word lanes and extensions, lwl/lwr/swl/swr,
// exceptions and coprocessor 0, forwarding paths per producer class and consumer.
std::span<const FaultDef> subword();
std::span<const FaultDef> partialWord();
std::span<const FaultDef> exceptions();
std::span<const FaultDef> forwardingPaths();

} // namespace coretest::faults
