#include "unit.h"

#include <fmt/format.h>

namespace casegen {

Property countProperty(std::string name, long target, long actual) {
    return {std::move(name), std::to_string(target), std::to_string(actual), target == actual};
}

Property rangeProperty(std::string name, long low, long high, long actual) {
    return {std::move(name), fmt::format("{}..{}", low, high), std::to_string(actual),
            actual >= low && actual <= high};
}

Property flagProperty(std::string name, bool holds) {
    return {std::move(name), "yes", holds ? "yes" : "no", holds};
}

std::string hex32(std::uint32_t v) { return fmt::format("0x{:08x}", v); }
std::string hex16(std::uint32_t v) { return fmt::format("0x{:04x}", v); }

std::string renderUnit(const Unit& unit) {
    std::string out;
    out += fmt::format("# {}: {}\n", unit.name(), unit.title);
    out += "# Written by casegen from its fixed seed; regenerate instead of editing.\n";
    out += "\t.include \"frame.inc\"\n";
    for (const auto& inc : unit.includes) out += fmt::format("\t.include \"{}\"\n", inc);
    out += "\n";
    out += fmt::format("\troutine_begin {}, {}\n", unit.number, unit.mnemonic);
    for (const auto& line : unit.lines) {
        if (line.empty()) out += "\n";
        else if (line.front() == '#') out += fmt::format("{}\n", line);
        else out += fmt::format("\t{}\n", line);
    }
    if (unit.returnReg == "ra") out += "\troutine_end\n";
    else out += fmt::format("\troutine_end {}\n", unit.returnReg);
    return out;
}

} // namespace casegen
