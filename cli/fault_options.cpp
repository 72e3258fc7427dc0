#include "fault_options.h"

#include <fmt/format.h>

#include <set>

#include "coretest/catalogue.h"
#include "coretest/image.h"
#include "output.h"

namespace coretest::cli {

std::vector<FaultSelection> faultSelections(const std::vector<std::string>& texts) {
    std::set<std::string> seen;
    std::vector<FaultSelection> out;
    for (const auto& text : texts) {
        // Fault and routine names are printable ASCII: anything else is no name, and the fault
        // library's messages would show it raw.
        if (cli::quoted(text) != "'" + text + "'" || text.find('\'') != std::string::npos)
            throw InputError(fmt::format("--fault {}: not a fault name; expected NAME or "
                                         "NAME@ROUTINE, `coretest faults --list` lists the names",
                                         cli::quoted(text)));
        if (!seen.insert(text).second) continue;
        if (seen.size() > kMaxFaultsPerRun)
            throw InputError(fmt::format("--fault: more than {} different faults in one run",
                                         kMaxFaultsPerRun));
        out.push_back(parseFaultSelection(text));
    }
    return out;
}

} // namespace coretest::cli
