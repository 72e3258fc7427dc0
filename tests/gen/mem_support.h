#pragma once
// What the load/store, multiply/divide and HI/LO move tests share: the case lines of a generated
// unit read back as values, and the templates assembled with GNU as to count instructions, of
// the routines' case lines and of single template invocations.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "assembler.h"
#include "unit_checks.h"
#include "units.h"

namespace coretest_gen_test {

using gen_test::unitNamed;

// One case line "macro a, b, c   # case N": its arguments as written and its number.
struct CaseLine {
    std::string text; // the invocation, without the comment
    std::vector<std::string> args;
    int number = 0;
};

// The unit's case lines of `macro`, in order; comment and blank lines skipped.
inline std::vector<CaseLine> caseLines(const casegen::Unit& unit, const std::string& macro) {
    static constexpr std::string_view kNumber = "# case ";
    std::vector<CaseLine> out;
    for (const auto& line : unit.lines) {
        if (line.empty() || line.front() == '#') continue;
        const auto comment = line.find(kNumber);
        if (!line.starts_with(macro + " ") || comment == std::string::npos)
            throw std::runtime_error("not a " + macro + " case line: " + line);
        CaseLine c;
        c.text = line.substr(0, line.find_last_not_of(' ', comment - 1) + 1);
        c.number = std::stoi(line.substr(comment + kNumber.size()));
        std::stringstream args(c.text.substr(macro.size() + 1));
        for (std::string a; std::getline(args, a, ',');) {
            a.erase(0, a.find_first_not_of(' '));
            a.erase(a.find_last_not_of(' ') + 1);
            c.args.push_back(a);
        }
        out.push_back(c);
    }
    return out;
}

// Upper half neither 0x0000 nor 0xffff, lower half not 0x0000: loaded by lui and ori.
inline bool fullWidth(std::uint32_t v) {
    const std::uint32_t upper = v >> 16;
    return upper != 0 && upper != 0xffff && (v & 0xffff) != 0;
}

inline std::uint32_t number(const std::string& text) {
    return static_cast<std::uint32_t>(std::stoul(text, nullptr, 0));
}

// Assembles `body` (one source line per entry, each given a label of its own) after the family's
// template file, and returns the size in bytes of every line's code, in order.
inline std::vector<std::uint32_t> assembledSizes(const std::string& include,
                                                 const std::vector<std::string>& body) {
    std::string src = "\t.set noreorder\n\t.set noat\n\t.include \"" + include + "\"\n\t.text\n";
    src += "inst_error:\n";
    for (std::size_t i = 0; i < body.size(); ++i)
        src += "line_" + std::to_string(i) + ":\t" + body[i] + "\n";
    src += "line_" + std::to_string(body.size()) + ":\n";
    const auto at = gen_test::assemble(src).symbols;
    std::vector<std::uint32_t> sizes;
    for (std::size_t i = 0; i < body.size(); ++i)
        sizes.push_back(at.at("line_" + std::to_string(i + 1)) -
                        at.at("line_" + std::to_string(i)));
    return sizes;
}

// Instructions of each case line of the unit, as the assembler lays them out.
inline std::vector<int> caseInstructionCounts(const std::string& include,
                                              const std::vector<CaseLine>& lines) {
    std::vector<std::string> body;
    for (const auto& l : lines)
        body.push_back(l.text);
    std::vector<int> counts;
    for (std::uint32_t bytes : assembledSizes(include, body))
        counts.push_back(static_cast<int>(bytes / 4));
    return counts;
}

// The unit's case lines of `macro`, as the assembler lays them out, hold `lengths` (instructions:
// cases), and the routine size they add up to.
inline void expectInstructionsPerCase(const std::string& unit, const std::string& include,
                                      const std::string& macro, const std::map<int, int>& lengths) {
    const casegen::Unit u = unitNamed(unit);
    gen_test::expectCaseLengths(u, caseInstructionCounts(include, caseLines(u, macro)), lengths);
}

// A template invocation and the instructions it must assemble to.
struct TemplateWords {
    const char* call;
    int words;
};

inline void expectTemplateWords(const std::string& include,
                                const std::vector<TemplateWords>& rows) {
    std::vector<std::string> body;
    for (const auto& row : rows)
        body.push_back(row.call);
    const auto sizes = assembledSizes(include, body);
    ASSERT_EQ(sizes.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(int(sizes[i] / 4), rows[i].words) << rows[i].call;
}

} // namespace coretest_gen_test
