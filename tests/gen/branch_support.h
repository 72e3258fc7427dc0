#pragma once
// Helpers of the control-transfer generator tests (conditional branches, branch-and-link,
// jumps): read a generated case line back, assemble a routine's lines with the ROM's own
// templates, and walk one assembled case step by step against the instructions it must hold.
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

namespace branch_test {

// Register numbers the templates use.
enum Reg : unsigned {
    zero = 0,
    v0 = 2,
    v1 = 3,
    a0 = 4,
    a1 = 5,
    a2 = 6,
    t0 = 8,
    t1 = 9,
    s0 = 16,
    s3 = 19,
    s5 = 21,
    s6 = 22,
    s7 = 23,
    ra = 31
};

// One case line read back: "<op>_case 0, 0, 0x0fb16a80, 0xdf225ddc, 0x52919078  # case 1".
struct CaseLine {
    std::string macro; // "beq_case"
    std::vector<std::uint32_t> args;
    int number = 0; // from the trailing comment
};

inline std::optional<CaseLine> parseCaseLine(const std::string& line) {
    if (line.empty() || line.front() == '#') return std::nullopt;
    CaseLine c;
    const auto hash = line.find('#');
    if (hash == std::string::npos) return std::nullopt;
    std::istringstream comment(line.substr(hash + 1));
    std::string word;
    if (!(comment >> word) || word != "case" || !(comment >> c.number)) return std::nullopt;
    std::istringstream body(line.substr(0, hash));
    body >> c.macro;
    std::string arg;
    while (std::getline(body >> std::ws, arg, ','))
        c.args.push_back(static_cast<std::uint32_t>(std::stoul(arg, nullptr, 0)));
    return c;
}

inline casegen::Unit buildNamed(const std::string& name) {
    const casegen::UnitSpec* entry = casegen::findUnit(name);
    if (!entry) {
        ADD_FAILURE() << "no unit " << name;
        return {};
    }
    return casegen::buildUnit(*entry);
}

// Every case line of the unit, in order; a line that is neither a case, a heading nor blank is
// reported as a failure.
inline std::vector<CaseLine> caseLines(const casegen::Unit& u) {
    std::vector<CaseLine> out;
    for (const auto& l : u.lines) {
        if (l.empty() || l.front() == '#') continue;
        if (auto c = parseCaseLine(l))
            out.push_back(*c);
        else
            ADD_FAILURE() << "not a case line: " << l;
    }
    return out;
}

// Separates the code of consecutive lines; no case assembles to it.
inline constexpr std::uint32_t kSeparator = 0xffffffff;

// The assembled text (word indices from the start of the section) with the first word and
// length of every case line, and the index of inst_error.
struct Assembled {
    std::vector<std::uint32_t> text;
    std::vector<std::size_t> start;
    std::vector<std::size_t> size;
    std::size_t instError = 0;
};

// Assembles the unit's case lines with its templates, a separator word after each, then
// inst_error. Label addresses stay section offsets, as the object file holds them.
inline std::optional<Assembled> assemble(const casegen::Unit& u) {
    std::size_t lines = 0;
    std::string src = "\t.set noreorder\n\t.set noat\n";
    for (const auto& inc : u.includes)
        src += "\t.include \"" + inc + "\"\n";
    for (const auto& l : u.lines) {
        if (l.empty() || l.front() == '#') continue;
        src += "\t" + l + "\n\t.word 0xffffffff\n";
        ++lines;
    }
    src += "inst_error:\n\tnop\n";
    Assembled out;
    try {
        out.text = gen_test::assemble(src).text;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "assembling " << u.name() << " failed: " << e.what();
        return std::nullopt;
    }
    std::size_t begin = 0;
    for (std::size_t n = 0; n < out.text.size() && out.start.size() < lines; ++n) {
        if (out.text[n] != kSeparator) continue;
        out.start.push_back(begin);
        out.size.push_back(n - begin);
        begin = n + 1;
    }
    out.instError = begin;
    if (out.start.size() != lines) ADD_FAILURE() << u.name() << ": lines and code do not match";
    return out;
}

// Instruction words as the templates must hold them.
namespace enc {
inline std::uint32_t itype(unsigned op, unsigned rs, unsigned rt, std::uint32_t imm) {
    return op << 26 | rs << 21 | rt << 16 | (imm & 0xffff);
}
inline std::uint32_t rtype(unsigned rs, unsigned rt, unsigned rd, unsigned funct) {
    return rs << 21 | rt << 16 | rd << 11 | funct;
}
inline std::uint32_t lui(unsigned rt, std::uint32_t imm) {
    return itype(0x0f, 0, rt, imm);
}
inline std::uint32_t ori(unsigned rt, unsigned rs, std::uint32_t imm) {
    return itype(0x0d, rs, rt, imm);
}
inline std::uint32_t addiu(unsigned rt, unsigned rs, std::uint32_t imm) {
    return itype(0x09, rs, rt, imm);
}
inline std::uint32_t addu(unsigned rd, unsigned rs, unsigned rt) {
    return rtype(rs, rt, rd, 0x21);
}
inline std::uint32_t jr(unsigned rs) {
    return rtype(rs, 0, 0, 0x08);
}
inline std::uint32_t jalr(unsigned rs) {
    return rtype(rs, 0, ra, 0x09);
}
} // namespace enc

// The branch or jump encodings of the instructions under test, without target fields.
enum class Transfer { Beq, Bne, Bgez, Bgtz, Blez, Bltz, Bltzal, Bgezal, J, Jal };

// Walks the words of one assembled case and fails the test at the first step that differs.
class Steps {
  public:
    Steps(const Assembled& a, std::size_t line, std::string what)
        : a_(a), at_(a.start.at(line)), end_(at_ + a.size.at(line)), what_(std::move(what)) {}

    std::size_t at() const { return at_; }

    // Exactly this word.
    void word(std::uint32_t expected, const char* step) {
        EXPECT_EQ(next(step), expected) << what_ << ": " << step;
    }
    void nop(const char* step = "nop") { word(0, step); }
    // The operand load of v into reg.
    void load(unsigned reg, std::uint32_t v, const char* step) {
        const auto s = static_cast<std::int32_t>(v);
        if (s >= -32768 && s <= 32767)
            word(enc::addiu(reg, zero, v), step);
        else if (v <= 0xffff)
            word(enc::ori(reg, zero, v), step);
        else if ((v & 0xffff) == 0)
            word(enc::lui(reg, v >> 16), step);
        else {
            word(enc::lui(reg, v >> 16), step);
            word(enc::ori(reg, reg, v & 0xffff), step);
        }
    }
    // The address load of word index `target` (a section offset) into reg.
    void addressLoad(unsigned reg, std::size_t target, const char* step) {
        const auto address = static_cast<std::uint32_t>(4 * target);
        const std::uint32_t lo = address & 0xffff;
        const std::uint32_t hi = (address >> 16) + (lo >= 0x8000 ? 1 : 0);
        word(enc::lui(reg, hi), step);
        word(enc::addiu(reg, reg, lo), step);
    }
    // A branch with these fields; returns its target as a word index.
    std::size_t branch(Transfer t, unsigned rs, unsigned rt, const char* step) {
        const std::size_t here = at_;
        const std::uint32_t w = next(step);
        EXPECT_EQ(w & 0xffff0000, branchBits(t, rs, rt)) << what_ << ": " << step;
        return here + 1 + static_cast<std::int16_t>(w & 0xffff);
    }
    // `b` (beq zero, zero); returns its target.
    std::size_t b(const char* step) { return branch(Transfer::Beq, zero, zero, step); }
    // bne x, y to inst_error.
    void compare(unsigned x, unsigned y, const char* step) {
        const std::size_t target = branch(Transfer::Bne, x, y, step);
        EXPECT_EQ(target, a_.instError) << what_ << ": " << step << " goes to inst_error";
    }
    // j or jal; returns its target (the index field of an unrelocated object: a word index).
    std::size_t jump(Transfer t, const char* step) {
        const std::uint32_t w = next(step);
        EXPECT_EQ(w >> 26, t == Transfer::J ? 2u : 3u) << what_ << ": " << step;
        return w & 0x03ffffff;
    }
    // Every word of the case consumed.
    void done() { EXPECT_EQ(at_, end_) << what_ << ": case length"; }

  private:
    std::uint32_t next(const char* step) {
        if (at_ >= end_) {
            ADD_FAILURE() << what_ << ": case ends before " << step;
            return kSeparator;
        }
        return a_.text[at_++];
    }
    static std::uint32_t branchBits(Transfer t, unsigned rs, unsigned rt) {
        const auto bits = [&](unsigned op, unsigned r) { return enc::itype(op, rs, r, 0); };
        switch (t) {
        case Transfer::Beq: return bits(4, rt);
        case Transfer::Bne: return bits(5, rt);
        case Transfer::Blez: return bits(6, 0);
        case Transfer::Bgtz: return bits(7, 0);
        case Transfer::Bltz: return bits(1, 0);
        case Transfer::Bgez: return bits(1, 1);
        case Transfer::Bltzal: return bits(1, 16);
        case Transfer::Bgezal: return bits(1, 17);
        case Transfer::J:
        case Transfer::Jal: break;
        }
        return 0;
    }

    const Assembled& a_;
    std::size_t at_;
    std::size_t end_;
    std::string what_;
};

// A signed view of a register value, for the tests' own statement of the branch rule.
inline std::int32_t asSigned(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

inline bool isTwoInstructionLoad(std::uint32_t v) {
    const auto s = asSigned(v);
    return !(s >= -32768 && s <= 32767) && v > 0xffff && (v & 0xffff) != 0;
}

} // namespace branch_test
