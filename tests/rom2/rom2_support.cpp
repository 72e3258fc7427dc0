#include "rom2_support.h"

#include <stdexcept>

namespace rom2test {

namespace {

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

} // namespace

std::vector<Call> callsOf(const casegen::Unit& unit) {
    std::vector<Call> calls;
    for (const auto& line : unit.lines) {
        const auto mark = line.find("# case ");
        if (mark == std::string::npos) continue;
        Call c;
        c.number = std::stoi(line.substr(mark + 7));
        const std::string code = trim(std::string_view(line).substr(0, mark));
        const auto space = code.find(' ');
        c.macro = code.substr(0, space);
        if (space != std::string::npos) {
            std::string_view rest = std::string_view(code).substr(space + 1);
            for (;;) {
                const auto comma = rest.find(',');
                c.args.push_back(trim(rest.substr(0, comma)));
                if (comma == std::string_view::npos) break;
                rest.remove_prefix(comma + 1);
            }
        }
        calls.push_back(std::move(c));
    }
    return calls;
}

std::int64_t value(const std::string& text) {
    std::size_t used = 0;
    const std::int64_t v = std::stoll(text, &used, 0);
    if (used != text.size()) throw std::invalid_argument("not a number: " + text);
    return v;
}

std::uint32_t word(const std::string& text) {
    return static_cast<std::uint32_t>(value(text));
}

} // namespace rom2test
