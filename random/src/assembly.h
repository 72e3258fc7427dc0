#pragma once
// The program as a list of lines before it has addresses: instruction words with the label each
// refers to (a branch, a jump or the two halves of an address), data words, and the labels that
// name places. layOut() gives every line its address and fills in the references.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace coretest::random {

// Instruction formats of MIPS-I.
std::uint32_t rType(unsigned fn, unsigned rs, unsigned rt, unsigned rd, unsigned sa = 0);
std::uint32_t iType(unsigned op, unsigned rs, unsigned rt, std::uint32_t imm);
std::uint32_t regimm(unsigned rt, unsigned rs);
std::uint32_t jType(unsigned op, std::uint32_t target);

// What a line's word needs from its label once addresses are known.
enum class Fixup : std::uint8_t {
    None,
    Branch, // 16-bit word offset from the delay slot
    Jump,   // 26-bit word index within the 256 MiB region
    High,   // upper half of the address (lui)
    Low,    // lower half of the address (ori)
};

struct Line {
    std::uint32_t word = 0;
    Fixup fixup = Fixup::None;
    std::string target;  // the label a fixup refers to
    bool data = false;   // a data word, listed as such
    std::string comment; // listed after the instruction
};

class Assembly {
  public:
    // The label names the next line emitted.
    void label(const std::string& name);
    void emit(std::uint32_t word, std::string comment = {});
    void emitRef(std::uint32_t word, Fixup fixup, std::string target, std::string comment = {});
    void data(std::uint32_t word, std::string comment = {});
    // Pads with zero data words up to `byteOffset` from the start (the fixed vector places).
    void padTo(std::uint32_t byteOffset);
    // Appends another assembly's lines and labels.
    void append(const Assembly& other);

    std::size_t size() const { return lines_.size(); }
    const std::vector<Line>& lines() const { return lines_; }
    Line& line(std::size_t index) { return lines_.at(index); }
    // Labels by line index (several labels may name one line).
    const std::multimap<std::size_t, std::string>& labels() const { return labels_; }

  private:
    std::vector<Line> lines_;
    std::multimap<std::size_t, std::string> labels_;
};

// The assembly at its addresses, from `base`: the words with every reference resolved and where
// each label is. Throws std::logic_error for a reference to an unknown label or out of reach.
struct Layout {
    std::uint32_t base = 0;
    std::vector<std::uint32_t> words;
    std::map<std::string, std::uint32_t> labels;
    std::uint32_t address(std::size_t line) const {
        return base + static_cast<std::uint32_t>(4 * line);
    }
};
Layout layOut(const Assembly& assembly, std::uint32_t base);

} // namespace coretest::random
