#include "coretest/line_table.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <fmt/format.h>
#include <libelf.h>

#include <algorithm>
#include <stdexcept>

#include "coretest/image.h"

namespace coretest {

namespace {

std::string attrString(Dwarf_Die* die, int name) {
    Dwarf_Attribute attr;
    if (!dwarf_attr(die, name, &attr)) return {};
    const char* s = dwarf_formstring(&attr);
    return s ? s : "";
}

} // namespace

std::string LineUnit::path() const {
    if (compDir.empty() || compDir == ".") return name;
    return compDir + "/" + name;
}

LineTable LineTable::load(const std::string& elfPath) {
    const std::vector<char> file = readImageFile(elfPath);
    return fromBytes(file, elfPath);
}

LineTable LineTable::of(const Image& image) {
    return fromBytes(image.fileBytes(), image.name());
}

LineTable LineTable::fromBytes(std::span<const char> file, const std::string& elfPath) {
    if (elf_version(EV_CURRENT) == EV_NONE)
        throw std::runtime_error(fmt::format("libelf: {}", elf_errmsg(-1)));
    // libelf takes a writable buffer (it may convert in place): give it a copy.
    std::vector<char> bytes(file.begin(), file.end());
    struct Session {
        Elf* elf = nullptr;
        Dwarf* dw = nullptr;
        ~Session() {
            if (dw) dwarf_end(dw);
            if (elf) elf_end(elf);
        }
    } s;
    s.elf = elf_memory(bytes.data(), bytes.size());
    if (s.elf) s.dw = dwarf_begin_elf(s.elf, DWARF_C_READ, nullptr);
    if (!s.dw)
        throw InputError(fmt::format("{}: no line records (no DWARF debugging data)", elfPath));

    LineTable table;
    Dwarf_Off off = 0, next = 0;
    size_t headerSize = 0;
    while (dwarf_nextcu(s.dw, off, &next, &headerSize, nullptr, nullptr, nullptr) == 0) {
        Dwarf_Die cu;
        if (!dwarf_offdie(s.dw, off + headerSize, &cu)) break;
        off = next;
        LineUnit unit;
        unit.name = attrString(&cu, DW_AT_name);
        unit.compDir = attrString(&cu, DW_AT_comp_dir);
        Dwarf_Addr low = 0, high = 0;
        if (dwarf_lowpc(&cu, &low) == 0) unit.lowPc = static_cast<std::uint32_t>(low);
        if (dwarf_highpc(&cu, &high) == 0) unit.highPc = static_cast<std::uint32_t>(high);
        Dwarf_Lines* lines = nullptr;
        size_t count = 0;
        if (dwarf_getsrclines(&cu, &lines, &count) != 0) continue;
        const int unitIndex = static_cast<int>(table.units_.size());
        table.units_.push_back(unit);
        constexpr size_t kNone = static_cast<size_t>(-1);
        size_t pending = kNone; // index of the row still waiting for its end address
        for (size_t i = 0; i < count; ++i) {
            Dwarf_Line* l = dwarf_onesrcline(lines, i);
            Dwarf_Addr addr = 0;
            int lineNo = 0;
            bool endSeq = false;
            dwarf_lineaddr(l, &addr);
            dwarf_lineno(l, &lineNo);
            dwarf_lineendsequence(l, &endSeq);
            const auto a = static_cast<std::uint32_t>(addr);
            if (pending != kNone) table.rows_[pending].end = a;
            if (endSeq) {
                pending = kNone;
                continue;
            }
            if (pending != kNone && table.rows_[pending].address == a) {
                table.rows_[pending].line = lineNo; // a later row at the same address replaces it
                continue;
            }
            pending = table.rows_.size();
            table.rows_.push_back({a, a, lineNo, unitIndex});
        }
    }
    if (table.rows_.empty())
        throw InputError(fmt::format("{}: the file has no line records", elfPath));
    std::stable_sort(table.rows_.begin(), table.rows_.end(),
                     [](const LineRow& a, const LineRow& b) { return a.address < b.address; });
    return table;
}

const LineRow* LineTable::rowAt(std::uint32_t addr) const {
    auto it = std::upper_bound(rows_.begin(), rows_.end(), addr,
                               [](std::uint32_t a, const LineRow& r) { return a < r.address; });
    if (it == rows_.begin()) return nullptr;
    --it;
    return addr < it->end ? &*it : nullptr;
}

} // namespace coretest
