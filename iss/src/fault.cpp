#include "coretest/fault.h"

#include <fmt/format.h>

#include <string>
#include <vector>

#include "coretest/board.h"

namespace coretest {

std::uint32_t FaultSite::symbol(std::string_view name) const {
    const Symbol* s = image_.findSymbol(name);
    if (!s) throw InputError(fmt::format("{}: no symbol {}", image_.name(), name));
    return s->value;
}

FaultSet::FaultSet(const Image& image, std::span<const FaultSelection> selections)
    : faultCount_(selections.size()) {
    for (std::size_t n = 0; n < selections.size(); ++n) {
        const FaultSelection& sel = selections[n];
        AddressRange range{kRomBase, kRomBase + kRomSize};
        if (!sel.routine.empty()) {
            const auto r = image.routine(sel.routine);
            if (!r)
                throw InputError(
                    fmt::format("fault {}@{}: {} has no routine {}; expected a routine "
                                "symbol such as n7_or_test",
                                sel.fault->name, sel.routine, image.name(), sel.routine));
            range = *r;
        }
        FaultSite site(image, range, static_cast<int>(n), patches_);
        sel.fault->install(site);
    }
}

} // namespace coretest
