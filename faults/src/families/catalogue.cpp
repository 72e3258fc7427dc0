#include <vector>

#include "coretest/catalogue.h"
#include "families.h"

namespace coretest {

std::span<const FaultDef> faultCatalogue() {
    static const std::vector<FaultDef> all = [] {
        std::vector<FaultDef> list;
        for (auto family : {faults::boot,         faults::lui,
                            faults::aluReg,       faults::aluImm,
                            faults::shift,        faults::memory,
                            faults::branch,       faults::branchLink,
                            faults::jump,         faults::delaySlot,
                            faults::muldiv,       faults::hilo,
                            faults::hazard,       faults::transferPipeline,
                            faults::muldivCorner, faults::fieldDecode,
                            faults::datapath,     faults::stuckBits,
                            faults::subword,      faults::partialWord,
                            faults::exceptions,   faults::forwardingPaths}) {
            const auto defs = family();
            list.insert(list.end(), defs.begin(), defs.end());
        }
        return list;
    }();
    return all;
}

} // namespace coretest
