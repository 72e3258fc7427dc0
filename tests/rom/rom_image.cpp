#include "rom_image.h"

#include <libelf.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "byte_reader.h"
#include "read_only_file.h"

namespace romtest {

namespace {

struct ElfCloser {
    void operator()(Elf* elf) const { elf_end(elf); }
};

std::runtime_error elfError(const std::string& path, const std::string& what) {
    return std::runtime_error(path + ": " + what + ": " + elf_errmsg(-1));
}

} // namespace

const RomImage& RomImage::built() {
    static const RomImage image(CORETEST_ROM_PATH);
    return image;
}

RomImage::RomImage(const std::string& path) : path_(path) {
    if (elf_version(EV_CURRENT) == EV_NONE) throw elfError(path, "libelf is unusable");
    const ReadOnlyFile file(path);
    if (file.fd() < 0)
        throw std::runtime_error(path + ": cannot open the ROM image (build the target rom)");
    const std::unique_ptr<Elf, ElfCloser> elf(elf_begin(file.fd(), ELF_C_READ, nullptr));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF) throw elfError(path, "not an ELF file");
    {
        std::ifstream in(path, std::ios::binary);
        fileBytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    if (!gelf_getehdr(elf.get(), &header_)) throw elfError(path, "no ELF header");
    std::size_t phnum = 0;
    elf_getphdrnum(elf.get(), &phnum);
    for (std::size_t i = 0; i < phnum; ++i) {
        GElf_Phdr phdr;
        if (!gelf_getphdr(elf.get(), static_cast<int>(i), &phdr))
            throw elfError(path, "unreadable program header");
        segments_.push_back(phdr);
    }

    std::size_t shstrndx = 0;
    if (elf_getshdrstrndx(elf.get(), &shstrndx) != 0) throw elfError(path, "no section names");
    for (Elf_Scn* scn = nullptr; (scn = elf_nextscn(elf.get(), scn)) != nullptr;) {
        Section s;
        s.index = elf_ndxscn(scn);
        gelf_getshdr(scn, &s.header);
        const char* name = elf_strptr(elf.get(), shstrndx, s.header.sh_name);
        s.name = name ? name : "";
        if (const Elf_Data* data = elf_rawdata(scn, nullptr); data && data->d_buf) {
            const auto* begin = static_cast<const std::uint8_t*>(data->d_buf);
            s.bytes.assign(begin, begin + data->d_size);
        }
        if (s.header.sh_type == SHT_SYMTAB) {
            Elf_Data* data = elf_getdata(scn, nullptr);
            const std::size_t count = s.header.sh_size / s.header.sh_entsize;
            for (std::size_t i = 0; i < count; ++i) {
                GElf_Sym sym;
                gelf_getsym(data, static_cast<int>(i), &sym);
                const char* symName = elf_strptr(elf.get(), s.header.sh_link, sym.st_name);
                symbols_.push_back(
                    {i, symName ? symName : "", static_cast<std::uint32_t>(sym.st_value),
                     static_cast<std::uint32_t>(sym.st_size),
                     static_cast<unsigned>(GELF_ST_BIND(sym.st_info)),
                     static_cast<unsigned>(GELF_ST_TYPE(sym.st_info)), sym.st_shndx});
            }
        }
        sections_.push_back(std::move(s));
    }
}

const Section& RomImage::section(std::string_view name) const {
    for (const auto& s : sections_)
        if (s.name == name) return s;
    throw std::out_of_range(path_ + ": no section " + std::string(name));
}

const Symbol& RomImage::symbol(std::string_view name) const {
    for (const auto& s : symbols_)
        if (s.name == name) return s;
    throw std::out_of_range(path_ + ": no symbol " + std::string(name));
}

std::uint32_t RomImage::textWord(std::uint32_t address) const {
    const Section& text = section(".text");
    const std::uint64_t offset = address - text.header.sh_addr;
    if (address < text.header.sh_addr || offset + 4 > text.bytes.size())
        throw std::out_of_range(path_ + ": address outside .text");
    return ByteReader(text.bytes, offset).u32();
}

std::uint32_t RomImage::textEnd() const {
    const Section& text = section(".text");
    return static_cast<std::uint32_t>(text.header.sh_addr + text.header.sh_size);
}

} // namespace romtest
