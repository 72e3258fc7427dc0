#pragma once
// What the arithmetic, logic and shift unit tests share: the generated case lines read back as
// values, the operand-load rule recounted on its own, and the case templates assembled for real.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "assembler.h"
#include "units.h"

namespace alutest {

// One case of a generated unit: its template macro, the macro's arguments, its case number.
struct CaseLine {
    std::string macro;
    std::vector<std::string> args;
    int number = 0;
};

inline casegen::Unit unitNamed(std::string_view name) {
    const casegen::UnitSpec* entry = casegen::findUnit(name);
    if (!entry) throw std::invalid_argument(std::string(name));
    return casegen::buildUnit(*entry);
}

inline std::string trim(std::string s) {
    const auto b = s.find_first_not_of(" \t");
    const auto e = s.find_last_not_of(" \t");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The body lines that carry a "# case N" comment, in order.
inline std::vector<CaseLine> caseLines(const casegen::Unit& u) {
    std::vector<CaseLine> out;
    for (const auto& line : u.lines) {
        const auto mark = line.find("# case ");
        if (line.empty() || line.front() == '#' || mark == std::string::npos) continue;
        CaseLine c;
        c.number = std::stoi(line.substr(mark + 7));
        std::istringstream in(line.substr(0, mark));
        in >> c.macro;
        std::string rest, arg;
        std::getline(in, rest);
        std::istringstream args(rest);
        while (std::getline(args, arg, ','))
            c.args.push_back(trim(arg));
        out.push_back(c);
    }
    return out;
}

inline std::uint32_t num(const std::string& s) {
    return static_cast<std::uint32_t>(std::stoul(s, nullptr, 0));
}

// Instructions of the operand load of v: addiu, ori or lui alone, else lui and ori.
inline int loadLength(std::uint32_t v) {
    const std::int64_t s = static_cast<std::int32_t>(v);
    if (s >= -32768 && s < 32768) return 1;
    if (v < 0x10000 || v % 0x10000 == 0) return 1;
    return 2;
}

inline bool fullWidth(std::uint32_t v) {
    return v / 0x10000 != 0 && v / 0x10000 != 0xffff && v % 0x10000 != 0;
}

inline bool negative(std::uint32_t v) {
    return static_cast<std::int32_t>(v) < 0;
}

inline std::uint32_t linkSize(std::string_view unit) {
    for (const auto& slot : casegen::kLinkOrder)
        if (slot.unit == unit) return slot.size;
    throw std::invalid_argument(std::string(unit));
}

// Words of the frame around every routine body: entry 2, exit 8.
constexpr int kFrameWords = 10;

// A word no template emits, placed at inst_error.
constexpr std::uint32_t kSentinel = 0xfc0ffee0;

// Assembles `body` with the templates of rom/inst and returns the text words, little-endian.
inline std::vector<std::uint32_t> assemble(const std::string& includes, const std::string& body) {
    std::vector<std::uint32_t> words =
        gen_test::assemble("\t.set noreorder\n\t.set noat\n" + includes + body +
                           "\ninst_error:\n\t.word " + std::to_string(kSentinel) + "\n")
            .text;
    // Everything from inst_error on (the sentinel and the section's alignment fill) is not the
    // case.
    words.erase(std::find(words.begin(), words.end(), kSentinel), words.end());
    return words;
}

// Instruction fields.
inline unsigned opcode(std::uint32_t w) {
    return w >> 26;
}
inline unsigned rsOf(std::uint32_t w) {
    return (w >> 21) & 31;
}
inline unsigned rtOf(std::uint32_t w) {
    return (w >> 16) & 31;
}
inline unsigned rdOf(std::uint32_t w) {
    return (w >> 11) & 31;
}
inline unsigned saOf(std::uint32_t w) {
    return (w >> 6) & 31;
}
inline unsigned functOf(std::uint32_t w) {
    return w & 63;
}
inline unsigned immOf(std::uint32_t w) {
    return w & 0xffff;
}

enum Reg : unsigned { kZero = 0, kV0 = 2, kV1 = 3, kA0 = 4, kT0 = 8, kT1 = 9, kT2 = 10 };
enum Opcode : unsigned { kSpecial = 0, kBne = 5, kAddiu = 9, kOri = 13, kLui = 15 };

// The register an operand-load sequence at words[at] writes and the value it leaves; `at` moves
// past it.
inline std::pair<unsigned, std::uint32_t> readLoad(const std::vector<std::uint32_t>& w,
                                                   std::size_t& at) {
    const std::uint32_t first = w.at(at++);
    const unsigned reg = rtOf(first);
    std::uint32_t value = 0;
    switch (opcode(first)) {
    case kAddiu: value = static_cast<std::uint32_t>(static_cast<std::int16_t>(immOf(first))); break;
    case kOri: value = immOf(first); break;
    case kLui:
        value = immOf(first) << 16;
        if (at < w.size() && opcode(w[at]) == kOri && rsOf(w[at]) == reg && rtOf(w[at]) == reg)
            value |= immOf(w.at(at++));
        break;
    default: throw std::runtime_error("not an operand load");
    }
    if (opcode(first) != kLui && rsOf(first) != kZero)
        throw std::runtime_error("load not from $zero");
    return {reg, value};
}

// The committed unit under rom/inst/ is exactly what the generator writes.
inline std::string committedUnit(const casegen::Unit& u) {
    std::ifstream in(std::string(CORETEST_SOURCE_DIR) + "/rom/inst/" + u.fileName(),
                     std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace alutest
