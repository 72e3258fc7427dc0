#include "coretest/image.h"

#include <fmt/format.h>
#include <gelf.h>
#include <libelf.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>

#include "coretest/board.h"

namespace coretest {

namespace {

struct ElfCloser {
    void operator()(Elf* e) const { elf_end(e); }
};
using ElfPtr = std::unique_ptr<Elf, ElfCloser>;

bool within(std::uint32_t addr, std::uint32_t size, std::uint32_t base, std::uint32_t limit) {
    const std::uint64_t end = std::uint64_t{addr} + size;
    return addr >= base && end <= std::uint64_t{base} + limit;
}

// A segment belongs in the ROM or in the RAM, by its virtual and by its physical address.
bool onBoard(std::uint32_t addr, std::uint32_t size) {
    return within(addr, size, kRomBase, kRomSize) || within(addr, size, kRamBase, kRamSize);
}

std::vector<char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(fmt::format("{}: cannot open the file: {}", path, std::strerror(errno)));
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw InputError(fmt::format("{}: cannot read the file", path));
    return bytes;
}

void checkHeader(const std::string& path, Elf* elf) {
    if (elf_kind(elf) != ELF_K_ELF) throw InputError(fmt::format("{}: not an ELF file", path));
    std::size_t identSize = 0;
    const char* ident = elf_getident(elf, &identSize);
    if (!ident || identSize < EI_NIDENT)
        throw InputError(fmt::format("{}: truncated ELF header", path));
    if (ident[EI_CLASS] != ELFCLASS32)
        throw InputError(fmt::format("{}: not ELF32 (class {}); expected a 32-bit MIPS executable",
                                     path, int{ident[EI_CLASS]}));
    if (ident[EI_DATA] != ELFDATA2LSB)
        throw InputError(
            fmt::format("{}: not little-endian; expected a little-endian MIPS executable", path));
    const Elf32_Ehdr* eh = elf32_getehdr(elf);
    if (!eh) throw InputError(fmt::format("{}: unreadable ELF header: {}", path, elf_errmsg(-1)));
    if (eh->e_machine != EM_MIPS)
        throw InputError(
            fmt::format("{}: machine {} is not MIPS ({})", path, eh->e_machine, EM_MIPS));
    if (eh->e_type != ET_EXEC)
        throw InputError(
            fmt::format("{}: ELF type {} is not an executable (ET_EXEC)", path, eh->e_type));
}

std::vector<Segment> readSegments(const std::string& path, Elf* elf, std::span<const char> file) {
    std::size_t count = 0;
    if (elf_getphdrnum(elf, &count) != 0)
        throw InputError(fmt::format("{}: unreadable program headers: {}", path, elf_errmsg(-1)));
    const Elf32_Phdr* ph = count ? elf32_getphdr(elf) : nullptr;
    if (count && !ph)
        throw InputError(fmt::format("{}: unreadable program headers: {}", path, elf_errmsg(-1)));
    std::vector<Segment> segments;
    for (std::size_t n = 0; n < count; ++n) {
        const Elf32_Phdr& p = ph[n];
        if (p.p_type != PT_LOAD) continue;
        if (std::uint64_t{p.p_offset} + p.p_filesz > file.size())
            throw InputError(fmt::format("{}: segment {} (file offset {:#x}, {:#x} bytes) extends "
                                         "beyond the end of the file "
                                         "({:#x} bytes)",
                                         path, n, p.p_offset, p.p_filesz, file.size()));
        if (p.p_memsz < p.p_filesz)
            throw InputError(
                fmt::format("{}: segment {} is smaller in memory ({:#x}) than in the file "
                            "({:#x})",
                            path, n, p.p_memsz, p.p_filesz));
        const auto* begin = reinterpret_cast<const std::uint8_t*>(file.data()) + p.p_offset;
        segments.push_back({.vaddr = p.p_vaddr,
                            .paddr = p.p_paddr,
                            .memSize = p.p_memsz,
                            .flags = p.p_flags,
                            .bytes = {begin, begin + p.p_filesz}});
    }
    return segments;
}

std::vector<Symbol> readSymbols(Elf* elf) {
    std::vector<Symbol> symbols;
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
        const Elf32_Shdr* sh = elf32_getshdr(scn);
        if (!sh || sh->sh_type != SHT_SYMTAB || sh->sh_entsize != sizeof(Elf32_Sym)) continue;
        const Elf_Data* data = elf_getdata(scn, nullptr);
        if (!data || !data->d_buf) continue;
        const auto* syms = static_cast<const Elf32_Sym*>(data->d_buf);
        for (std::size_t n = 1; n < data->d_size / sizeof(Elf32_Sym); ++n) {
            const Elf32_Sym& s = syms[n];
            if (ELF32_ST_TYPE(s.st_info) == STT_SECTION) continue;
            const char* name = elf_strptr(elf, sh->sh_link, s.st_name);
            symbols.push_back({.name = name ? name : "",
                               .value = s.st_value,
                               .size = s.st_size,
                               .binding = static_cast<std::uint8_t>(ELF32_ST_BIND(s.st_info)),
                               .type = static_cast<std::uint8_t>(ELF32_ST_TYPE(s.st_info)),
                               .defined = s.st_shndx != SHN_UNDEF});
        }
    }
    return symbols;
}

} // namespace

Image::Image(std::uint32_t entry, std::vector<Segment> segments, std::vector<Symbol> symbols,
             std::string name)
    : name_(std::move(name)), entry_(entry), segments_(std::move(segments)),
      symbols_(std::move(symbols)) {
    for (std::size_t n = 0; n < segments_.size(); ++n) {
        const Segment& s = segments_[n];
        if (s.bytes.size() > s.memSize)
            throw InputError(
                fmt::format("{}: segment {} holds more bytes than its size", name_, n));
        if (!onBoard(s.vaddr, s.memSize) || !onBoard(s.paddr, s.memSize))
            throw InputError(fmt::format("{}: segment {} (virtual {:#010x}, physical {:#010x}, "
                                         "{:#x} bytes) lies outside the "
                                         "board's memory (ROM {:#010x}+{:#x}, RAM {:#010x}+{:#x})",
                                         name_, n, s.vaddr, s.paddr, s.memSize, kRomBase, kRomSize,
                                         kRamBase, kRamSize));
    }
}

Image Image::load(const std::string& path) {
    std::vector<char> file = readFile(path);
    if (elf_version(EV_CURRENT) == EV_NONE)
        throw std::runtime_error(fmt::format("libelf: {}", elf_errmsg(-1)));
    ElfPtr elf(elf_memory(file.data(), file.size()));
    if (!elf) throw InputError(fmt::format("{}: not an ELF file: {}", path, elf_errmsg(-1)));
    checkHeader(path, elf.get());
    const Elf32_Ehdr* eh = elf32_getehdr(elf.get());
    return Image(eh->e_entry, readSegments(path, elf.get(), file), readSymbols(elf.get()), path);
}

const Symbol* Image::findSymbol(std::string_view name) const {
    for (const Symbol& s : symbols_)
        if (s.defined && s.name == name) return &s;
    return nullptr;
}

std::optional<AddressRange> Image::routine(std::string_view name) const {
    for (const Symbol& s : symbols_) {
        if (!s.defined || s.type != STT_FUNC) continue;
        const std::string_view n = s.name;
        if (n == name ||
            (n.size() == name.size() + 5 && n.starts_with(name) && n.ends_with("_test")))
            return AddressRange{s.value, s.value + s.size};
    }
    return std::nullopt;
}

const Symbol* Image::routineAt(std::uint32_t addr) const {
    for (const Symbol& s : symbols_)
        if (s.defined && s.type == STT_FUNC && addr >= s.value && addr - s.value < s.size)
            return &s;
    return nullptr;
}

} // namespace coretest
