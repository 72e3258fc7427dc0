#include "elf_writer.h"

#include <dwarf.h>
#include <fmt/format.h>
#include <gelf.h>
#include <libelf.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace coretest::random {

namespace {

class Bytes {
  public:
    std::vector<std::uint8_t> bytes;
    void u8(unsigned v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
    void u16(unsigned v) {
        u8(v & 0xff);
        u8(v >> 8 & 0xff);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    void uleb(std::uint32_t v) {
        do {
            const unsigned byte = v & 0x7f;
            v >>= 7;
            u8(v ? byte | 0x80 : byte);
        } while (v);
    }
    void sleb(std::int32_t v) {
        for (;;) {
            const unsigned byte = static_cast<unsigned>(v) & 0x7f;
            v >>= 7; // arithmetic
            const bool done = (v == 0 && !(byte & 0x40)) || (v == -1 && (byte & 0x40));
            u8(done ? byte : byte | 0x80);
            if (done) return;
        }
    }
    void str(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        u8(0);
    }
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

// The line program's constants (DWARF version 2).
constexpr int kLineBase = -5;
constexpr unsigned kLineRange = 14;
constexpr unsigned kOpcodeBase = 13;

struct ElfCloser {
    void operator()(Elf* e) const { elf_end(e); }
};

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(fmt::format("writing the random image: {}: {}", what, elf_errmsg(-1)));
}

Elf_Scn* addSection(Elf* elf, std::uint32_t name, std::uint32_t type, std::uint32_t flags,
                    std::uint32_t addr, void* buffer, std::size_t size, std::uint32_t align,
                    Elf_Type dataType = ELF_T_BYTE) {
    Elf_Scn* scn = elf_newscn(elf);
    if (!scn) fail("elf_newscn");
    Elf_Data* data = elf_newdata(scn);
    if (!data) fail("elf_newdata");
    data->d_buf = buffer;
    data->d_size = size;
    data->d_type = dataType;
    data->d_align = align;
    data->d_version = EV_CURRENT;
    Elf32_Shdr* sh = elf32_getshdr(scn);
    sh->sh_name = name;
    sh->sh_type = type;
    sh->sh_flags = flags;
    sh->sh_addr = addr;
    sh->sh_addralign = align;
    return scn;
}

} // namespace

DwarfSections lineRecords(const ElfContent& c) {
    DwarfSections out;
    const std::uint32_t low = c.base;
    const std::uint32_t high = c.base + static_cast<std::uint32_t>(4 * c.words.size());

    Bytes abbrev;
    abbrev.uleb(1);
    abbrev.uleb(DW_TAG_compile_unit);
    abbrev.u8(DW_CHILDREN_no);
    for (const auto& [attr, form] : {std::pair{DW_AT_stmt_list, DW_FORM_data4},
                                     {DW_AT_low_pc, DW_FORM_addr},
                                     {DW_AT_high_pc, DW_FORM_addr},
                                     {DW_AT_name, DW_FORM_string},
                                     {DW_AT_comp_dir, DW_FORM_string},
                                     {DW_AT_producer, DW_FORM_string}}) {
        abbrev.uleb(attr);
        abbrev.uleb(form);
    }
    abbrev.u8(0);
    abbrev.u8(0);
    abbrev.u8(0);

    Bytes info;
    info.u32(0); // unit length, patched
    info.u16(2);
    info.u32(0); // abbreviations at 0
    info.u8(4);
    info.uleb(1);
    info.u32(0); // the line program at 0
    info.u32(low);
    info.u32(high);
    info.str(c.listingName);
    info.str(".");
    info.str("coretest random");
    info.patch32(0, static_cast<std::uint32_t>(info.bytes.size() - 4));

    Bytes line;
    line.u32(0); // unit length, patched
    line.u16(2);
    const std::size_t headerLengthAt = line.bytes.size();
    line.u32(0); // header length, patched
    line.u8(1);  // minimum instruction length
    line.u8(1);  // default is_stmt
    line.u8(static_cast<std::uint8_t>(kLineBase));
    line.u8(kLineRange);
    line.u8(kOpcodeBase);
    for (const unsigned n : {0, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 1})
        line.u8(n);
    line.u8(0); // no include directories
    line.str(c.listingName);
    line.uleb(0);
    line.uleb(0);
    line.uleb(0);
    line.u8(0);
    line.patch32(headerLengthAt,
                 static_cast<std::uint32_t>(line.bytes.size() - headerLengthAt - 4));
    line.u8(0); // DW_LNE_set_address
    line.uleb(5);
    line.u8(DW_LNE_set_address);
    line.u32(low);
    std::uint32_t address = low;
    int row = 1;
    for (const auto& [at, lineNo] : c.lines) {
        const std::uint32_t advance = at - address;
        const int delta = lineNo - row;
        const std::int64_t special =
            std::int64_t{delta - kLineBase} + std::int64_t{kLineRange} * advance + kOpcodeBase;
        if (delta >= kLineBase && delta < kLineBase + static_cast<int>(kLineRange) &&
            special <= 255) {
            line.u8(static_cast<unsigned>(special));
        } else {
            line.u8(DW_LNS_advance_line);
            line.sleb(delta);
            line.u8(DW_LNS_advance_pc);
            line.uleb(advance);
            line.u8(DW_LNS_copy);
        }
        address = at;
        row = lineNo;
    }
    line.u8(DW_LNS_advance_pc);
    line.uleb(high - address);
    line.u8(0);
    line.uleb(1);
    line.u8(DW_LNE_end_sequence);
    line.patch32(0, static_cast<std::uint32_t>(line.bytes.size() - 4));

    out.abbrev = std::move(abbrev.bytes);
    out.info = std::move(info.bytes);
    out.line = std::move(line.bytes);
    return out;
}

std::vector<std::uint8_t> writeElf(const ElfContent& c) {
    if (elf_version(EV_CURRENT) == EV_NONE) fail("elf_version");
    DwarfSections dwarf = lineRecords(c);

    // Section names.
    Bytes shstr;
    shstr.u8(0);
    const auto name = [&](const char* n) {
        const auto at = static_cast<std::uint32_t>(shstr.bytes.size());
        shstr.str(n);
        return at;
    };
    const std::uint32_t nText = name(".text"), nAbbrev = name(".debug_abbrev"),
                        nInfo = name(".debug_info"), nLine = name(".debug_line"),
                        nSymtab = name(".symtab"), nStrtab = name(".strtab"),
                        nShstrtab = name(".shstrtab");

    std::vector<std::uint8_t> text(4 * c.words.size());
    for (std::size_t i = 0; i < c.words.size(); ++i)
        for (int b = 0; b < 4; ++b)
            text[4 * i + b] = static_cast<std::uint8_t>(c.words[i] >> (8 * b));

    constexpr std::size_t kTextIndex = 1;
    Bytes strtab;
    strtab.u8(0);
    std::vector<Elf32_Sym> symbols(1);
    for (const auto& s : c.symbols) {
        Elf32_Sym sym{};
        sym.st_name = static_cast<std::uint32_t>(strtab.bytes.size());
        strtab.str(s.name);
        sym.st_value = s.value;
        sym.st_size = s.size;
        sym.st_info = ELF32_ST_INFO(STB_GLOBAL, s.type);
        sym.st_shndx = kTextIndex;
        symbols.push_back(sym);
    }

    // libelf writes to a file: an anonymous one in memory, read back.
    Fd file;
    file.fd = memfd_create("coretest-random", MFD_CLOEXEC);
    if (file.fd < 0) throw std::runtime_error("writing the random image: memfd_create failed");
    {
        std::unique_ptr<Elf, ElfCloser> elf(elf_begin(file.fd, ELF_C_WRITE, nullptr));
        if (!elf) fail("elf_begin");
        Elf32_Ehdr* eh = elf32_newehdr(elf.get());
        if (!eh) fail("elf32_newehdr");
        eh->e_ident[EI_DATA] = ELFDATA2LSB;
        eh->e_machine = EM_MIPS;
        eh->e_type = ET_EXEC;
        eh->e_version = EV_CURRENT;
        eh->e_entry = c.base;
        eh->e_flags = EF_MIPS_NOREORDER; // MIPS-I, no position-independent code
        Elf32_Phdr* ph = elf32_newphdr(elf.get(), 1);
        if (!ph) fail("elf32_newphdr");
        Elf_Scn* textScn = addSection(elf.get(), nText, SHT_PROGBITS, SHF_ALLOC | SHF_EXECINSTR,
                                      c.base, text.data(), text.size(), 4);
        addSection(elf.get(), nAbbrev, SHT_PROGBITS, 0, 0, dwarf.abbrev.data(), dwarf.abbrev.size(),
                   1);
        addSection(elf.get(), nInfo, SHT_PROGBITS, 0, 0, dwarf.info.data(), dwarf.info.size(), 1);
        addSection(elf.get(), nLine, SHT_PROGBITS, 0, 0, dwarf.line.data(), dwarf.line.size(), 1);
        Elf_Scn* symScn = addSection(elf.get(), nSymtab, SHT_SYMTAB, 0, 0, symbols.data(),
                                     symbols.size() * sizeof(Elf32_Sym), 4, ELF_T_SYM);
        Elf_Scn* strScn = addSection(elf.get(), nStrtab, SHT_STRTAB, 0, 0, strtab.bytes.data(),
                                     strtab.bytes.size(), 1);
        Elf_Scn* shstrScn = addSection(elf.get(), nShstrtab, SHT_STRTAB, 0, 0, shstr.bytes.data(),
                                       shstr.bytes.size(), 1);
        Elf32_Shdr* symSh = elf32_getshdr(symScn);
        symSh->sh_link = static_cast<std::uint32_t>(elf_ndxscn(strScn));
        symSh->sh_info = 1; // every symbol after the null one is global
        symSh->sh_entsize = sizeof(Elf32_Sym);
        eh->e_shstrndx = static_cast<std::uint16_t>(elf_ndxscn(shstrScn));
        if (elf_ndxscn(textScn) != kTextIndex) fail("section order");
        if (elf_update(elf.get(), ELF_C_NULL) < 0) fail("elf_update (layout)");
        const Elf32_Shdr* textSh = elf32_getshdr(textScn);
        ph->p_type = PT_LOAD;
        ph->p_offset = textSh->sh_offset;
        ph->p_vaddr = c.base;
        ph->p_paddr = c.base;
        ph->p_filesz = static_cast<std::uint32_t>(text.size());
        ph->p_memsz = static_cast<std::uint32_t>(text.size());
        ph->p_flags = PF_R | PF_X;
        ph->p_align = 4;
        elf_flagphdr(elf.get(), ELF_C_SET, ELF_F_DIRTY);
        if (elf_update(elf.get(), ELF_C_WRITE) < 0) fail("elf_update (write)");
    }
    const off_t size = lseek(file.fd, 0, SEEK_END);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (pread(file.fd, bytes.data(), bytes.size(), 0) != size)
        throw std::runtime_error("writing the random image: reading it back failed");
    return bytes;
}

} // namespace coretest::random
