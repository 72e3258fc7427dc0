#pragma once
// Helpers of the delay-slot tests: assemble generated lines with the ROM's own templates, split
// the machine code per line, decode the fields the checks look at, and read a case line back.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "assembler.h"
#include "unit.h"
#include "units.h"

namespace slot_test {

// Separates the code of consecutive lines; no case, setup line or probe assembles to it.
inline constexpr std::uint32_t kMarker = 0xffffffff;

// The words of each line, and the index of inst_error (all indices count words from the start
// of the text, markers included, as the assembler placed them).
struct Assembled {
    std::vector<std::uint32_t> text;
    std::vector<std::size_t> start; // first word of each line
    std::vector<std::size_t> size;  // words of each line
    std::size_t instError = 0;
};

using gen_test::readAll;

// Assembles `lines` with the family templates, each line followed by a marker word, then
// `inst_error`, then `extra` lines the same way (probes on their own, for comparison).
inline std::optional<Assembled> assemble(const std::vector<std::string>& includes,
                                         const std::vector<std::string>& lines,
                                         const std::vector<std::string>& extra = {}) {
    std::string src = "\t.set noreorder\n\t.set noat\n";
    for (const auto& inc : includes)
        src += "\t.include \"" + inc + "\"\n";
    for (const auto& l : lines)
        src += "\t" + l + "\n\t.word 0xffffffff\n";
    src += "inst_error:\n\t.word 0xffffffff\n";
    for (const auto& l : extra)
        src += "\t" + l + "\n\t.word 0xffffffff\n";
    Assembled out;
    try {
        out.text = gen_test::assemble(src).text;
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
        return std::nullopt;
    }
    std::size_t begin = 0, line = 0;
    for (std::size_t n = 0; n < out.text.size(); ++n) {
        if (out.text[n] != kMarker) continue;
        if (line == lines.size())
            out.instError = n;
        else {
            out.start.push_back(begin);
            out.size.push_back(n - begin);
        }
        ++line;
        begin = n + 1;
    }
    return out;
}

// Fields of one instruction word.
struct Word {
    std::uint32_t w;
    unsigned op() const { return w >> 26; }
    unsigned rs() const { return (w >> 21) & 31; }
    unsigned rt() const { return (w >> 16) & 31; }
    unsigned rd() const { return (w >> 11) & 31; }
    unsigned funct() const { return w & 63; }
    std::int32_t simm() const { return static_cast<std::int16_t>(w & 0xffff); }
    std::uint32_t uimm() const { return w & 0xffff; }

    bool isNop() const { return w == 0; }
    bool isRegimm() const { return op() == 1; }
    // beq, bne, blez, bgtz and the four REGIMM branches.
    bool isBranch() const {
        return (op() >= 4 && op() <= 7) ||
               (isRegimm() && (rt() == 0 || rt() == 1 || rt() == 16 || rt() == 17));
    }
    std::size_t branchTarget(std::size_t at) const {
        return static_cast<std::size_t>(static_cast<std::int64_t>(at) + 1 + simm());
    }
    bool isB() const { return op() == 4 && rs() == 0 && rt() == 0; } // beq zero, zero
    bool isJumpImmediate() const { return op() == 2 || op() == 3; }
    bool isJumpRegister() const { return op() == 0 && (funct() == 8 || funct() == 9); }
    // addu rd, zero, rs
    bool isMoveFrom(unsigned rd, unsigned rs) const {
        return op() == 0 && funct() == 0x21 && this->rd() == rd && this->rs() == 0 && rt() == rs;
    }

    // The general register the instruction writes, if any.
    std::optional<unsigned> written() const {
        if (op() == 0) {
            switch (funct()) {
            case 0x08: // jr
            case 0x11: // mthi
            case 0x13: // mtlo
            case 0x18:
            case 0x19:
            case 0x1a:
            case 0x1b: return std::nullopt; // mult, div
            default: return rd() ? std::optional<unsigned>(rd()) : std::nullopt;
            }
        }
        if (isRegimm()) return rt() >= 16 ? std::optional<unsigned>(31) : std::nullopt;
        if (op() == 3) return 31; // jal
        if (op() == 2 || (op() >= 4 && op() <= 7) || op() == 0x2b) return std::nullopt;
        return rt() ? std::optional<unsigned>(rt()) : std::nullopt;
    }
};

// One generated case line read back: "<macro> plain, addiu, $t1, $t0, -0x7edd  # case 2".
struct CaseLine {
    std::string macro;
    bool mulDiv = false;
    std::string probe;  // "addiu $t1, $t0, -0x7edd"
    std::string op;     // "addiu"
    std::string work;   // "$t1"; empty for a multiply/divide
    std::string rest;   // "$t0, -0x7edd"
    int caseNumber = 0; // from the trailing comment
};

inline std::string trim(std::string s) {
    const auto b = s.find_first_not_of(" \t");
    const auto e = s.find_last_not_of(" \t");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

inline std::optional<CaseLine> parseCaseLine(const std::string& line, const std::string& macro) {
    if (line.rfind(macro + " ", 0) != 0) return std::nullopt;
    CaseLine c;
    c.macro = macro;
    std::string body = line.substr(macro.size() + 1);
    if (const auto hash = body.find('#'); hash != std::string::npos) {
        const std::string comment = trim(body.substr(hash + 1));
        if (comment.rfind("case ", 0) == 0) c.caseNumber = std::stoi(comment.substr(5));
        body = body.substr(0, hash);
    }
    std::vector<std::string> parts;
    std::string part;
    std::istringstream ss(body);
    while (std::getline(ss, part, ','))
        parts.push_back(trim(part));
    if (parts.size() < 2) return std::nullopt;
    c.mulDiv = parts[0] == "hilo";
    c.op = parts[1];
    std::size_t restFrom = 2;
    if (!c.mulDiv && parts.size() > 2) {
        c.work = parts[2];
        restFrom = 3;
    }
    for (std::size_t n = restFrom; n < parts.size(); ++n)
        c.rest += (c.rest.empty() ? "" : ", ") + parts[n];
    c.probe =
        c.op + " " + (c.work.empty() ? c.rest : c.work + (c.rest.empty() ? "" : ", " + c.rest));
    return c;
}

// The probe with its substituted operand replaced by `reg`.
inline std::string withWork(const CaseLine& c, const std::string& reg) {
    return c.op + " " + reg + (c.rest.empty() ? "" : ", " + c.rest);
}

inline casegen::Unit buildNumbered(int number) {
    for (const auto& entry : casegen::kUnits)
        if (entry.number == number) return casegen::buildUnit(entry);
    ADD_FAILURE() << "no unit " << number;
    return {};
}

// Body lines that produce code: everything but headings and blank lines.
inline std::vector<std::string> codeLines(const casegen::Unit& u) {
    std::vector<std::string> out;
    for (const auto& l : u.lines)
        if (!l.empty() && l.front() != '#') out.push_back(l);
    return out;
}

// Register values placed by the constant loads (lui / ori / addiu from zero or from itself) in
// words [from, to).
inline std::vector<std::pair<unsigned, std::uint32_t>>
constantLoads(const std::vector<std::uint32_t>& text, std::size_t from, std::size_t to) {
    std::vector<std::pair<unsigned, std::uint32_t>> regs;
    const auto value = [&](unsigned r) -> std::uint32_t& {
        for (auto& [reg, v] : regs)
            if (reg == r) return v;
        regs.emplace_back(r, 0);
        return regs.back().second;
    };
    for (std::size_t n = from; n < to; ++n) {
        const Word w{text[n]};
        if (w.op() == 0x0f)
            value(w.rt()) = w.uimm() << 16;
        else if (w.op() == 0x0d && w.rs() == 0)
            value(w.rt()) = w.uimm();
        else if (w.op() == 0x0d && w.rs() == w.rt())
            value(w.rt()) |= w.uimm();
        else if (w.op() == 0x09 && w.rs() == 0)
            value(w.rt()) = static_cast<std::uint32_t>(w.simm());
        else if (w.op() == 0x09 && w.rs() == w.rt())
            value(w.rt()) += static_cast<std::uint32_t>(w.simm());
    }
    return regs;
}

} // namespace slot_test

namespace slot_test {

// What a probe leaves in its substituted register (or in LO for a multiply/divide) on a
// conforming core, as the probe list states it: routine N, `passed` routines passed before it,
// and t0 as the routine's probes read it (probe 1's base, or 0 where the routine never writes t0).
inline std::uint32_t probeResult(int probe, std::uint32_t n, std::uint32_t passed,
                                 std::uint32_t t0) {
    const std::uint32_t sh = n % 32;
    switch (probe) {
    case 1: return 0x80020000;
    case 2:
    case 3:
    case 4: return 0x80018123;
    case 5: return 0x00030246;
    case 6: return 0xfffff010;
    case 7:
    case 10: return passed != 0 ? 1 : 0;
    case 8: return 0;
    case 9: return 1;
    case 11: return 0;
    case 12: return t0 + n;
    case 13: return n - 32766;
    case 14:
    case 15: return t0 - n;
    case 16: return t0 & n;
    case 17: return n & 0x8ff2;
    case 18: return ~(t0 | n);
    case 19: return n | 0x8ff2;
    case 20: return t0 ^ n;
    case 21: return n ^ 0x8ff2;
    case 22: return t0 << sh;
    case 23:
    case 25: return 0;
    case 24: return static_cast<std::uint32_t>(static_cast<std::int32_t>(t0) >> sh);
    case 26: return t0 >> sh;
    case 27: return 0xffff0000; // LO of div
    case 28: return 0x00010000; // LO of divu
    case 29:
    case 30: return 0; // LO of mult, multu
    case 31: return 0x00004000;
    case 32: return 0;
    }
    ADD_FAILURE() << "no probe " << probe;
    return 0;
}

// HI after the multiply/divide probes.
inline std::uint32_t probeHi(int probe) {
    return probe == 29 ? 0xffffc000 : probe == 30 ? 0x00004000 : 0;
}

} // namespace slot_test
