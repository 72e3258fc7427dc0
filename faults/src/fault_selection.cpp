#include <fmt/format.h>

#include <string>
#include <vector>

#include "coretest/catalogue.h"
#include "coretest/closest_name.h"

namespace coretest {

const FaultDef* findFault(std::string_view name) {
    for (const FaultDef& f : faultCatalogue())
        if (f.name == name) return &f;
    return nullptr;
}

FaultSelection parseFaultSelection(std::string_view text) {
    const auto at = text.find('@');
    const std::string_view name = text.substr(0, at);
    if (name.empty())
        throw InputError(
            fmt::format("fault '{}': no fault name; expected NAME or NAME@ROUTINE", text));
    const FaultDef* fault = findFault(name);
    if (!fault) {
        std::vector<std::string> names;
        for (const FaultDef& f : faultCatalogue())
            names.emplace_back(f.name);
        const std::string shown =
            name.size() > 60 ? std::string(name.substr(0, 60)) + "..." : std::string(name);
        throw InputError(fmt::format("fault '{}': unknown fault name{}; `coretest faults --list` "
                                     "lists the {} names of the fault catalogue",
                                     shown, didYouMean(name, names), names.size()));
    }
    if (at == std::string_view::npos) return {fault, ""};
    const std::string_view routine = text.substr(at + 1);
    if (routine.empty() || routine.find('@') != std::string_view::npos)
        throw InputError(fmt::format("fault '{}': expected NAME@ROUTINE with one routine name such "
                                     "as n7_or_test",
                                     text));
    return {fault, std::string(routine)};
}

FaultSelection campaignSelection(const FaultDef& fault) {
    return {&fault, std::string(fault.scope)};
}

} // namespace coretest
