#include "coretest/image.h"

#include <fmt/format.h>
#include <gelf.h>
#include <libelf.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <span>

#include "coretest/memory_map.h"

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

bool onBoard(std::uint32_t addr, std::uint32_t size) {
    return within(addr, size, kRomBase, kRomSize) || within(addr, size, kRamBase, kRamSize);
}

InputError tooLarge(const std::string& path) {
    return InputError(fmt::format("{}: larger than the {} MiB an image file may have", path,
                                  kMaxImageFileBytes >> 20));
}

// A segment belongs in the ROM or in the RAM, by its virtual and by its physical address.
void checkPlace(const std::string& name, std::size_t n, const Segment& s) {
    if (!onBoard(s.vaddr, s.memSize) || !onBoard(s.paddr, s.memSize))
        throw InputError(fmt::format("{}: segment {} (virtual {:#010x}, physical {:#010x}, "
                                     "{:#x} bytes) lies outside the "
                                     "board's memory (ROM {:#010x}+{:#x}, RAM {:#010x}+{:#x})",
                                     name, n, s.vaddr, s.paddr, s.memSize, kRomBase, kRomSize,
                                     kRamBase, kRamSize));
}

// Two segments at the same physical or the same virtual bytes would make the memory's contents
// depend on the order of loading.
void checkOverlaps(const std::string& name, const std::vector<Segment>& segments) {
    for (const bool physical : {true, false}) {
        std::vector<std::size_t> order(segments.size());
        for (std::size_t n = 0; n < order.size(); ++n)
            order[n] = n;
        const auto at = [&](std::size_t n) {
            return physical ? segments[n].paddr : segments[n].vaddr;
        };
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return at(a) < at(b); });
        for (std::size_t k = 1; k < order.size(); ++k) {
            const std::size_t a = order[k - 1], b = order[k];
            if (segments[a].memSize == 0 || segments[b].memSize == 0) continue;
            if (std::uint64_t{at(a)} + segments[a].memSize > at(b))
                throw InputError(fmt::format(
                    "{}: segments {} and {} overlap at {} address {:#010x}", name, std::min(a, b),
                    std::max(a, b), physical ? "physical" : "virtual", at(b)));
        }
    }
}

const char* fileKind(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "a special file";
}

InputError unreadable(const std::string& path, const char* what) {
    return InputError(fmt::format("{}: {}: {}", path, what, std::strerror(errno)));
}

void requireRegular(const std::string& path, const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        throw InputError(fmt::format("{}: {}, not a regular file; an image is read from a file",
                                     path, fileKind(st.st_mode)));
    if (static_cast<std::uint64_t>(st.st_size) > kMaxImageFileBytes) throw tooLarge(path);
}

struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

void checkIdent(const std::string& path, std::span<const char> file) {
    static constexpr char kMagic[] = {ELFMAG0, ELFMAG1, ELFMAG2, ELFMAG3};
    if (file.empty()) throw InputError(fmt::format("{}: not an ELF file: the file is empty", path));
    if (file.size() < sizeof kMagic || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0)
        throw InputError(fmt::format(
            "{}: not an ELF file: it does not start with the ELF magic bytes 7f 45 4c 46", path));
    if (file.size() < sizeof(Elf32_Ehdr))
        throw InputError(fmt::format("{}: truncated ELF header: {} bytes, an ELF32 header has {}",
                                     path, file.size(), sizeof(Elf32_Ehdr)));
}

GElf_Ehdr checkHeader(const std::string& path, Elf* elf) {
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
    GElf_Ehdr eh;
    if (!gelf_getehdr(elf, &eh))
        throw InputError(fmt::format("{}: unreadable ELF header: {}", path, elf_errmsg(-1)));
    if (eh.e_machine != EM_MIPS)
        throw InputError(
            fmt::format("{}: machine {} is not MIPS ({})", path, eh.e_machine, EM_MIPS));
    if (eh.e_type != ET_EXEC)
        throw InputError(
            fmt::format("{}: ELF type {} is not an executable (ET_EXEC)", path, eh.e_type));
    return eh;
}

// Program headers are copied out of the file (gelf), never referenced in place: a file may put
// them at any offset, aligned or not.
std::vector<Segment> readSegments(const std::string& path, Elf* elf, std::span<const char> file) {
    std::size_t count = 0;
    if (elf_getphdrnum(elf, &count) != 0)
        throw InputError(fmt::format("{}: unreadable program headers: {}", path, elf_errmsg(-1)));
    struct Placed {
        Segment segment;
        std::size_t offset;
        std::size_t fileSize;
    };
    std::vector<Placed> placed;
    for (std::size_t n = 0; n < count; ++n) {
        GElf_Phdr p;
        if (!gelf_getphdr(elf, static_cast<int>(n), &p))
            throw InputError(
                fmt::format("{}: unreadable program header {}: {}", path, n, elf_errmsg(-1)));
        if (p.p_type != PT_LOAD) continue;
        if (p.p_offset + p.p_filesz > file.size())
            throw InputError(fmt::format("{}: segment {} (file offset {:#x}, {:#x} bytes) extends "
                                         "beyond the end of the file ({:#x} bytes)",
                                         path, n, p.p_offset, p.p_filesz, file.size()));
        if (p.p_memsz < p.p_filesz)
            throw InputError(
                fmt::format("{}: segment {} is smaller in memory ({:#x}) than in the file "
                            "({:#x})",
                            path, n, p.p_memsz, p.p_filesz));
        Segment s{.vaddr = static_cast<std::uint32_t>(p.p_vaddr),
                  .paddr = static_cast<std::uint32_t>(p.p_paddr),
                  .memSize = static_cast<std::uint32_t>(p.p_memsz),
                  .flags = p.p_flags,
                  .bytes = {}};
        checkPlace(path, n, s);
        placed.push_back({std::move(s), static_cast<std::size_t>(p.p_offset),
                          static_cast<std::size_t>(p.p_filesz)});
    }
    if (placed.empty())
        throw InputError(
            fmt::format("{}: no loadable segment (PT_LOAD): the image holds no program", path));
    std::vector<Segment> segments;
    for (auto& p : placed)
        segments.push_back(std::move(p.segment));
    // Checked before any bytes are copied: segments that may not overlap cannot add up to more
    // than the board's memory, whatever the file claims.
    checkOverlaps(path, segments);
    for (std::size_t n = 0; n < segments.size(); ++n) {
        const auto* begin = reinterpret_cast<const std::uint8_t*>(file.data()) + placed[n].offset;
        segments[n].bytes.assign(begin, begin + placed[n].fileSize);
    }
    return segments;
}

std::vector<Symbol> readSymbols(Elf* elf) {
    std::vector<Symbol> symbols;
    for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
        GElf_Shdr sh;
        if (!gelf_getshdr(scn, &sh) || sh.sh_type != SHT_SYMTAB ||
            sh.sh_entsize != sizeof(Elf32_Sym))
            continue;
        Elf_Data* data = elf_getdata(scn, nullptr);
        if (!data || !data->d_buf) continue;
        const auto count = static_cast<int>(
            std::min<std::size_t>(data->d_size / sizeof(Elf32_Sym), kMaxImageFileBytes));
        for (int n = 1; n < count; ++n) {
            GElf_Sym s;
            if (!gelf_getsym(data, n, &s)) break;
            if (GELF_ST_TYPE(s.st_info) == STT_SECTION) continue;
            const char* name = elf_strptr(elf, sh.sh_link, s.st_name);
            symbols.push_back({.name = name ? name : "",
                               .value = static_cast<std::uint32_t>(s.st_value),
                               .size = static_cast<std::uint32_t>(s.st_size),
                               .binding = static_cast<std::uint8_t>(GELF_ST_BIND(s.st_info)),
                               .type = static_cast<std::uint8_t>(GELF_ST_TYPE(s.st_info)),
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
        checkPlace(name_, n, s);
    }
    checkOverlaps(name_, segments_);
    if (entry_ - kRomBase >= kRomSize || entry_ % 4 != 0)
        throw InputError(fmt::format("{}: entry point {:#010x} is not a word of the ROM "
                                     "({:#010x}+{:#x}), where a core starts",
                                     name_, entry_, kRomBase, kRomSize));
}

std::vector<char> readImageFile(const std::string& path) {
    // stat first: opening a pipe without a writer would wait for one.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) throw unreadable(path, "cannot open the file");
    requireRegular(path, st);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) throw unreadable(path, "cannot open the file");
    const FdCloser closer{fd};
    if (::fstat(fd, &st) != 0) throw unreadable(path, "cannot read the file");
    requireRegular(path, st); // the name may have been replaced between stat and open
    // The size from fstat is a hint only (files in /proc claim 0 bytes): read to the end, at
    // most one byte past the cap.
    std::vector<char> bytes(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (bytes.size() > kMaxImageFileBytes) throw tooLarge(path);
            bytes.resize(std::min(bytes.size() * 2, kMaxImageFileBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw unreadable(path, "cannot read the file");
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    if (have > kMaxImageFileBytes) throw tooLarge(path);
    bytes.resize(have);
    return bytes;
}

Image Image::load(const std::string& path) {
    return fromBytes(readImageFile(path), path);
}

Image Image::fromBytes(std::vector<char> bytes, const std::string& name) {
    auto file = std::make_shared<std::vector<char>>(std::move(bytes));
    checkIdent(name, *file);
    if (elf_version(EV_CURRENT) == EV_NONE)
        throw std::runtime_error(fmt::format("libelf: {}", elf_errmsg(-1)));
    ElfPtr elf(elf_memory(file->data(), file->size()));
    if (!elf) throw InputError(fmt::format("{}: not an ELF file: {}", name, elf_errmsg(-1)));
    const GElf_Ehdr eh = checkHeader(name, elf.get());
    Image image(static_cast<std::uint32_t>(eh.e_entry), readSegments(name, elf.get(), *file),
                readSymbols(elf.get()), name);
    image.file_ = std::move(file);
    return image;
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
