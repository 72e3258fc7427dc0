#include "dependency.h"

#include <stdexcept>

namespace coretest::random {

unsigned anyRegister(Rng& rng, RegMask forbidden) {
    const RegMask allowed = kRandomRegisters & ~forbidden;
    if (!allowed) throw std::logic_error("random program: no register left to draw");
    for (;;) {
        const unsigned r = rng.between(1, 31);
        if (allowed & bit(r)) return r;
    }
}

std::uint32_t DependencyModel::drawDistance() {
    const std::uint32_t p = rng_.below(100);
    switch (distance_) {
    case Distance::Near: // 1: 40 %, 2: 25 %, 3: 15 %, 4-8: 20 %
        if (p < 40) return 1;
        if (p < 65) return 2;
        if (p < 80) return 3;
        return rng_.between(4, 8);
    case Distance::Uniform: return rng_.between(1, 8);
    case Distance::Far: // 1-3: 10 %, 4-16: 90 %
        return p < 10 ? rng_.between(1, 3) : rng_.between(4, 16);
    }
    return 1;
}

unsigned DependencyModel::source(RegMask forbidden) {
    if (rng_.below(100) < 3 && !(forbidden & bit(0))) return 0;
    const std::uint32_t d = drawDistance();
    if (d <= history_.size()) {
        const unsigned r = history_[history_.size() - d];
        if (r != 0 && (kRandomRegisters & ~forbidden & bit(r))) return r;
    }
    return anyRegister(rng_, forbidden);
}

} // namespace coretest::random
