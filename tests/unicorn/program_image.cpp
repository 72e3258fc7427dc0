#include "program_image.h"

#include <elf.h>

#include <cstring>

#include "coretest/board.h"

namespace coretest::testing {

namespace enc {
std::uint32_t special(unsigned rs, unsigned rt, unsigned rd, unsigned sa, unsigned fn) {
    return rs << 21 | rt << 16 | rd << 11 | sa << 6 | fn;
}
std::uint32_t immediate(unsigned op, unsigned rs, unsigned rt, std::uint32_t imm) {
    return op << 26 | rs << 21 | rt << 16 | (imm & 0xffff);
}
std::uint32_t lui(unsigned rt, std::uint32_t imm) {
    return immediate(0x0f, 0, rt, imm);
}
std::uint32_t ori(unsigned rt, unsigned rs, std::uint32_t imm) {
    return immediate(0x0d, rs, rt, imm);
}
std::uint32_t addiu(unsigned rt, unsigned rs, std::uint32_t imm) {
    return immediate(0x09, rs, rt, imm);
}
std::uint32_t jr(unsigned rs) {
    return special(rs, 0, 0, 0, 0x08);
}
std::uint32_t j(std::uint32_t target) {
    return 0x02u << 26 | ((target >> 2) & 0x3ffffff);
}
std::uint32_t beq(unsigned rs, unsigned rt, std::uint32_t pc, std::uint32_t target) {
    return immediate(0x04, rs, rt, (target - pc - 4) >> 2);
}
std::uint32_t bne(unsigned rs, unsigned rt, std::uint32_t pc, std::uint32_t target) {
    return immediate(0x05, rs, rt, (target - pc - 4) >> 2);
}
} // namespace enc

std::uint32_t ProgramBuilder::here() const {
    return kBodyAddress + 4 * static_cast<std::uint32_t>(body_.size());
}

std::uint32_t ProgramBuilder::emit(std::uint32_t word) {
    const std::uint32_t at = here();
    body_.push_back(word);
    return at;
}

void ProgramBuilder::load(unsigned reg, std::uint32_t value) {
    emit(enc::lui(reg, value >> 16));
    emit(enc::ori(reg, reg, value));
}

void ProgramBuilder::finish() {
    load(8, 0xff);
    emit(enc::immediate(0x2b, 0, 8, 0xfff0)); // sw t0, -16(zero): END_MARK_REG
    emit(enc::j(kFinishAddress));
    emit(enc::kNop);
}

Image ProgramBuilder::image() const {
    std::vector<std::uint32_t> words((kBodyAddress - kRomBase) / 4 + body_.size(), enc::kNop);
    const auto put = [&](std::uint32_t addr, std::uint32_t word) {
        words[(addr - kRomBase) / 4] = word;
    };
    put(kRomBase, enc::beq(0, 0, kRomBase, kBodyAddress));
    put(kFinishAddress, enc::beq(0, 0, kFinishAddress, kFinishAddress));
    put(kExceptionVector, enc::beq(0, 0, kExceptionVector, kExceptionVector));
    std::copy(body_.begin(), body_.end(), words.begin() + (kBodyAddress - kRomBase) / 4);
    Segment text;
    text.vaddr = text.paddr = kRomBase;
    text.flags = PF_R | PF_X;
    text.bytes.resize(4 * words.size());
    std::memcpy(text.bytes.data(), words.data(), text.bytes.size());
    text.memSize = static_cast<std::uint32_t>(text.bytes.size());
    Symbol finish;
    finish.name = "test_finish";
    finish.value = kFinishAddress;
    return Image(kRomBase, {text}, {finish}, "<generated program>");
}

} // namespace coretest::testing
