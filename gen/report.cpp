#include "report.h"

#include <fmt/format.h>

namespace casegen {

std::string renderReport(const std::vector<Unit>& units) {
    std::string out;
    int total = 0, off = 0;
    for (const auto& u : units) {
        out += fmt::format("{}  ({})\n", u.routine(), u.title);
        for (const auto& p : u.properties) {
            ++total;
            if (!p.met) ++off;
            out += fmt::format("  {:<4} {:<58} target {:>12}  value {:>12}\n", p.met ? "ok" : "OFF",
                               p.name, p.target, p.actual);
        }
    }
    out += fmt::format("{} properties in {} routines, {} off target\n", total, units.size(), off);
    return out;
}

} // namespace casegen
