#include "coretest/disassembler.h"

#include <fmt/format.h>

#include <array>

namespace coretest {

namespace {

constexpr std::array<const char*, 32> kRegNames{"zero", "at", "v0", "v1", "a0", "a1", "a2", "a3",
                                                "t0",   "t1", "t2", "t3", "t4", "t5", "t6", "t7",
                                                "s0",   "s1", "s2", "s3", "s4", "s5", "s6", "s7",
                                                "t8",   "t9", "k0", "k1", "gp", "sp", "fp", "ra"};

// Operand layouts of the instruction forms.
enum class Form {
    RdRsRt,
    RdRtSa,
    RdRtRs,
    Rs,
    Rd,
    RsRt,
    JumpReg,
    None,
    RtRsImm,
    RtRsUimm,
    RtUimm,
    RtMem,
    RsRtBranch,
    RsBranch,
    Jump,
    RtCp0,   // mfc0/mtc0: the general register, then the coprocessor 0 register by number
    CopWord, // another coprocessor's instruction: its opcode and the rest of the word
    CopMem,  // lwcz/swcz: the coprocessor's register by number, then the address
};

struct Entry {
    const char* mnemonic;
    Form form;
};

std::string reg(unsigned r) {
    return fmt::format("${}", kRegNames[r & 31]);
}

Entry special(std::uint32_t fn) {
    switch (fn) {
    case 0x00: return {"sll", Form::RdRtSa};
    case 0x02: return {"srl", Form::RdRtSa};
    case 0x03: return {"sra", Form::RdRtSa};
    case 0x04: return {"sllv", Form::RdRtRs};
    case 0x06: return {"srlv", Form::RdRtRs};
    case 0x07: return {"srav", Form::RdRtRs};
    case 0x08: return {"jr", Form::Rs};
    case 0x09: return {"jalr", Form::JumpReg};
    case 0x0c: return {"syscall", Form::None};
    case 0x0d: return {"break", Form::None};
    case 0x10: return {"mfhi", Form::Rd};
    case 0x11: return {"mthi", Form::Rs};
    case 0x12: return {"mflo", Form::Rd};
    case 0x13: return {"mtlo", Form::Rs};
    case 0x18: return {"mult", Form::RsRt};
    case 0x19: return {"multu", Form::RsRt};
    case 0x1a: return {"div", Form::RsRt};
    case 0x1b: return {"divu", Form::RsRt};
    case 0x20: return {"add", Form::RdRsRt};
    case 0x21: return {"addu", Form::RdRsRt};
    case 0x22: return {"sub", Form::RdRsRt};
    case 0x23: return {"subu", Form::RdRsRt};
    case 0x24: return {"and", Form::RdRsRt};
    case 0x25: return {"or", Form::RdRsRt};
    case 0x26: return {"xor", Form::RdRsRt};
    case 0x27: return {"nor", Form::RdRsRt};
    case 0x2a: return {"slt", Form::RdRsRt};
    case 0x2b: return {"sltu", Form::RdRsRt};
    default: return {nullptr, Form::None};
    }
}

// Coprocessor 0 as the core decodes it: mfc0, mtc0 (bits 10..0 zero) and rfe; nothing else.
Entry cop0(std::uint32_t word) {
    const std::uint32_t rs = (word >> 21) & 31;
    if ((rs == 0 || rs == 4) && (word & 0x7ff) == 0)
        return {rs == 0 ? "mfc0" : "mtc0", Form::RtCp0};
    if (word == 0x42000010u) return {"rfe", Form::None};
    return {nullptr, Form::None};
}

Entry primary(std::uint32_t word) {
    const std::uint32_t op = word >> 26, rt = (word >> 16) & 31;
    switch (op) {
    case 0x00: return special(word & 0x3f);
    case 0x01:
        switch (rt) {
        case 0x00: return {"bltz", Form::RsBranch};
        case 0x01: return {"bgez", Form::RsBranch};
        case 0x10: return {"bltzal", Form::RsBranch};
        case 0x11: return {"bgezal", Form::RsBranch};
        default: return {nullptr, Form::None};
        }
    case 0x02: return {"j", Form::Jump};
    case 0x03: return {"jal", Form::Jump};
    case 0x04: return {"beq", Form::RsRtBranch};
    case 0x05: return {"bne", Form::RsRtBranch};
    case 0x06: return {"blez", Form::RsBranch};
    case 0x07: return {"bgtz", Form::RsBranch};
    case 0x08: return {"addi", Form::RtRsImm};
    case 0x09: return {"addiu", Form::RtRsImm};
    case 0x0a: return {"slti", Form::RtRsImm};
    case 0x0b: return {"sltiu", Form::RtRsImm};
    case 0x0c: return {"andi", Form::RtRsUimm};
    case 0x0d: return {"ori", Form::RtRsUimm};
    case 0x0e: return {"xori", Form::RtRsUimm};
    case 0x0f: return {"lui", Form::RtUimm};
    case 0x20: return {"lb", Form::RtMem};
    case 0x21: return {"lh", Form::RtMem};
    case 0x22: return {"lwl", Form::RtMem};
    case 0x23: return {"lw", Form::RtMem};
    case 0x24: return {"lbu", Form::RtMem};
    case 0x25: return {"lhu", Form::RtMem};
    case 0x26: return {"lwr", Form::RtMem};
    case 0x28: return {"sb", Form::RtMem};
    case 0x29: return {"sh", Form::RtMem};
    case 0x2a: return {"swl", Form::RtMem};
    case 0x2b: return {"sw", Form::RtMem};
    case 0x2e: return {"swr", Form::RtMem};
    case 0x10: return cop0(word);
    case 0x11: return {"cop1", Form::CopWord};
    case 0x12: return {"cop2", Form::CopWord};
    case 0x13: return {"cop3", Form::CopWord};
    case 0x31: return {"lwc1", Form::CopMem};
    case 0x32: return {"lwc2", Form::CopMem};
    case 0x33: return {"lwc3", Form::CopMem};
    case 0x39: return {"swc1", Form::CopMem};
    case 0x3a: return {"swc2", Form::CopMem};
    case 0x3b: return {"swc3", Form::CopMem};
    default: return {nullptr, Form::None};
    }
}

std::uint32_t branchTarget(std::uint32_t word, std::uint32_t pc) {
    const auto offset = static_cast<std::int32_t>(static_cast<std::int16_t>(word & 0xffff));
    return pc + 4 + static_cast<std::uint32_t>(offset * 4);
}

std::uint32_t jumpTarget(std::uint32_t word, std::uint32_t pc) {
    return ((pc + 4) & 0xf0000000u) | ((word & 0x03ffffffu) << 2);
}

} // namespace

const char* registerName(unsigned r) {
    return kRegNames[r & 31];
}

std::optional<std::uint32_t> staticTarget(std::uint32_t word, std::uint32_t pc) {
    const Entry e = primary(word);
    if (!e.mnemonic) return std::nullopt;
    if (e.form == Form::RsRtBranch || e.form == Form::RsBranch) return branchTarget(word, pc);
    if (e.form == Form::Jump) return jumpTarget(word, pc);
    return std::nullopt;
}

std::string disassemble(std::uint32_t word, std::uint32_t pc) {
    if (word == 0) return "nop";
    const unsigned rs = (word >> 21) & 31, rt = (word >> 16) & 31, rd = (word >> 11) & 31,
                   sa = (word >> 6) & 31;
    const std::uint32_t uimm = word & 0xffff;
    const auto simm = static_cast<std::int16_t>(uimm);
    const Entry e = primary(word);
    if (!e.mnemonic) return fmt::format(".word 0x{:08x}", word);
    const std::string m = e.mnemonic;
    switch (e.form) {
    case Form::RdRsRt: return fmt::format("{} {}, {}, {}", m, reg(rd), reg(rs), reg(rt));
    case Form::RdRtSa: return fmt::format("{} {}, {}, {}", m, reg(rd), reg(rt), sa);
    case Form::RdRtRs: return fmt::format("{} {}, {}, {}", m, reg(rd), reg(rt), reg(rs));
    case Form::Rs: return fmt::format("{} {}", m, reg(rs));
    case Form::Rd: return fmt::format("{} {}", m, reg(rd));
    case Form::RsRt: return fmt::format("{} {}, {}", m, reg(rs), reg(rt));
    case Form::JumpReg:
        return rd == 31 ? fmt::format("{} {}", m, reg(rs))
                        : fmt::format("{} {}, {}", m, reg(rd), reg(rs));
    case Form::None: return m;
    case Form::RtRsImm: return fmt::format("{} {}, {}, {}", m, reg(rt), reg(rs), simm);
    case Form::RtRsUimm: return fmt::format("{} {}, {}, 0x{:x}", m, reg(rt), reg(rs), uimm);
    case Form::RtUimm: return fmt::format("{} {}, 0x{:x}", m, reg(rt), uimm);
    case Form::RtMem: return fmt::format("{} {}, {}({})", m, reg(rt), simm, reg(rs));
    case Form::RsRtBranch:
        if (word >> 16 == 0x1000) return fmt::format("b 0x{:08x}", branchTarget(word, pc));
        return fmt::format("{} {}, {}, 0x{:08x}", m, reg(rs), reg(rt), branchTarget(word, pc));
    case Form::RsBranch: return fmt::format("{} {}, 0x{:08x}", m, reg(rs), branchTarget(word, pc));
    case Form::Jump: return fmt::format("{} 0x{:08x}", m, jumpTarget(word, pc));
    case Form::RtCp0: return fmt::format("{} {}, ${}", m, reg(rt), rd);
    case Form::CopWord: return fmt::format("{} 0x{:07x}", m, word & 0x03ffffffu);
    case Form::CopMem: return fmt::format("{} ${}, {}({})", m, rt, simm, reg(rs));
    }
    return m;
}

} // namespace coretest
