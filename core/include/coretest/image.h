#pragma once
// A loaded ROM image: the loadable segments, entry point and symbol table of an ELF32
// little-endian MIPS executable, read with libelf.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace coretest {

// Bad input from the user (a file, a name, an option): the message is one line that names the
// input and the problem.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Segment {
    std::uint32_t vaddr = 0;
    std::uint32_t paddr = 0;
    std::uint32_t memSize = 0;       // bytes beyond bytes.size() are zero
    std::uint32_t flags = 0;         // PF_R / PF_W / PF_X
    std::vector<std::uint8_t> bytes; // the file's bytes of the segment
};

struct Symbol {
    std::string name;
    std::uint32_t value = 0;
    std::uint32_t size = 0;
    std::uint8_t binding = 0; // STB_LOCAL, STB_GLOBAL, ...
    std::uint8_t type = 0;    // STT_NOTYPE, STT_FUNC, ...
    bool defined = true;      // false for an undefined (SHN_UNDEF) symbol
};

// A half-open address range [begin, end).
struct AddressRange {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    bool contains(std::uint32_t a) const { return a >= begin && a < end; }
};

class Image {
  public:
    // Reads an executable; throws InputError naming the file and the problem for a missing or
    // unreadable file, a file that is not an ELF32 little-endian MIPS executable, or a segment
    // that lies outside the board's memory or beyond the end of the file.
    static Image load(const std::string& path);

    // An image made in memory (test programs); segments are checked like those of a file.
    Image(std::uint32_t entry, std::vector<Segment> segments, std::vector<Symbol> symbols,
          std::string name = "<memory>");

    const std::string& name() const { return name_; }
    std::uint32_t entry() const { return entry_; }
    const std::vector<Segment>& segments() const { return segments_; }
    const std::vector<Symbol>& symbols() const { return symbols_; }

    // First defined symbol of that name, or nullptr.
    const Symbol* findSymbol(std::string_view name) const;
    // Address range of a function symbol such as "n7_or_test" (the "_test" may be left out).
    std::optional<AddressRange> routine(std::string_view name) const;
    // The function symbol whose range holds addr, or nullptr.
    const Symbol* routineAt(std::uint32_t addr) const;

  private:
    std::string name_;
    std::uint32_t entry_ = 0;
    std::vector<Segment> segments_;
    std::vector<Symbol> symbols_;
};

} // namespace coretest
