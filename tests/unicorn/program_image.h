#pragma once
// Small MIPS-I programs built word by word into an in-memory image with the ROM's frame: the
// reset entry branches to the body at kBodyAddress, test_finish idles at kFinishAddress and the
// exception vector idles at 0xbfc00380.
#include <cstdint>
#include <vector>

#include "coretest/image.h"

namespace coretest::testing {

inline constexpr std::uint32_t kFinishAddress = 0xbfc00100;
inline constexpr std::uint32_t kBodyAddress = 0xbfc00400;

// Instruction words.
namespace enc {
std::uint32_t special(unsigned rs, unsigned rt, unsigned rd, unsigned sa, unsigned fn);
std::uint32_t immediate(unsigned op, unsigned rs, unsigned rt, std::uint32_t imm);
std::uint32_t lui(unsigned rt, std::uint32_t imm);
std::uint32_t ori(unsigned rt, unsigned rs, std::uint32_t imm);
std::uint32_t addiu(unsigned rt, unsigned rs, std::uint32_t imm);
std::uint32_t jr(unsigned rs);
std::uint32_t j(std::uint32_t target);
// A branch at `pc` to `target` (beq rs, rt).
std::uint32_t beq(unsigned rs, unsigned rt, std::uint32_t pc, std::uint32_t target);
std::uint32_t bne(unsigned rs, unsigned rt, std::uint32_t pc, std::uint32_t target);
inline constexpr std::uint32_t kNop = 0;
} // namespace enc

// A program body under construction; addresses of its words are known as they are added.
class ProgramBuilder {
  public:
    std::uint32_t here() const;
    std::uint32_t emit(std::uint32_t word);       // returns the word's address
    void load(unsigned reg, std::uint32_t value); // lui then ori
    // Writes 0xff to END_MARK_REG and jumps to test_finish.
    void finish();
    Image image() const;

  private:
    std::vector<std::uint32_t> body_;
};

} // namespace coretest::testing
