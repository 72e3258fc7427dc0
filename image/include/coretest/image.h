#pragma once
// A loaded ROM image: the loadable segments, entry point and symbol table of an ELF32
// little-endian MIPS executable, read with libelf.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "coretest/input_error.h"

namespace coretest {

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

// The largest file read as an image (or for its line records); the ROM's file is about 0.6 MiB.
inline constexpr std::size_t kMaxImageFileBytes = 64 * 1024 * 1024;

// Reads a whole image file once: only a regular file of at most kMaxImageFileBytes (a pipe, a
// device or a folder gives no random access, and a device or /dev/zero has no end). Throws
// InputError naming the file and the problem.
std::vector<char> readImageFile(const std::string& path);

class Image {
  public:
    // Reads an executable; throws InputError naming the file and the problem for a missing,
    // unreadable or oversized file, anything but a regular file, a file that is not an ELF32
    // little-endian MIPS executable, an image without loadable segments, a segment that lies
    // outside the board's memory, beyond the end of the file or over another one, or an entry
    // point outside the ROM.
    static Image load(const std::string& path);
    // The same from a file's bytes; `name` stands for the file in messages.
    static Image fromBytes(std::vector<char> bytes, const std::string& name);

    // An image made in memory (test programs); segments and entry are checked like those of a
    // file.
    Image(std::uint32_t entry, std::vector<Segment> segments, std::vector<Symbol> symbols,
          std::string name = "<memory>");

    const std::string& name() const { return name_; }
    // The file's bytes as they were read (empty for an image made in memory): its line records
    // are read from these, never from the file a second time.
    std::span<const char> fileBytes() const {
        return file_ ? std::span<const char>(*file_) : std::span<const char>();
    }
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
    std::shared_ptr<const std::vector<char>> file_;
    std::uint32_t entry_ = 0;
    std::vector<Segment> segments_;
    std::vector<Symbol> symbols_;
};

} // namespace coretest
