#include "compile_units.h"

#include <dwarf.h>
#include <elfutils/libdw.h>

#include <memory>
#include <stdexcept>

#include "read_only_file.h"

namespace romtest {

namespace {

struct DwarfCloser {
    void operator()(Dwarf* dwarf) const { dwarf_end(dwarf); }
};

std::runtime_error dwarfError(const std::string& path, const std::string& what) {
    return std::runtime_error(path + ": " + what + ": " + dwarf_errmsg(-1));
}

std::string stringAttr(Dwarf_Die* die, unsigned name) {
    Dwarf_Attribute attr;
    const char* s = dwarf_formstring(dwarf_attr(die, name, &attr));
    return s ? s : "";
}

std::uint64_t unsignedAttr(Dwarf_Die* die, unsigned name) {
    Dwarf_Attribute attr;
    Dwarf_Word value = 0;
    dwarf_formudata(dwarf_attr(die, name, &attr), &value);
    return value;
}

std::uint32_t addressAttr(Dwarf_Die* die, unsigned name) {
    Dwarf_Attribute attr;
    Dwarf_Addr value = 0;
    dwarf_formaddr(dwarf_attr(die, name, &attr), &value);
    return static_cast<std::uint32_t>(value);
}

int collectAttribute(Dwarf_Attribute* attr, void* arg) {
    static_cast<CompileUnit*>(arg)->attributes.emplace_back(dwarf_whatattr(attr),
                                                            dwarf_whatform(attr));
    return DWARF_CB_OK;
}

std::vector<LineRow> lineRows(Dwarf_Die* die) {
    std::vector<LineRow> rows;
    Dwarf_Lines* lines = nullptr;
    std::size_t count = 0;
    if (dwarf_getsrclines(die, &lines, &count) != 0) return rows;
    for (std::size_t i = 0; i < count; ++i) {
        Dwarf_Line* line = dwarf_onesrcline(lines, i);
        LineRow row;
        Dwarf_Addr address = 0;
        dwarf_lineaddr(line, &address);
        row.address = static_cast<std::uint32_t>(address);
        dwarf_lineno(line, &row.line);
        const char* file = dwarf_linesrc(line, nullptr, nullptr);
        row.file = file ? file : "";
        bool end = false;
        dwarf_lineendsequence(line, &end);
        row.endSequence = end;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

std::vector<CompileUnit> readCompileUnits(const std::string& path) {
    const ReadOnlyFile file(path);
    if (file.fd() < 0) throw std::runtime_error(path + ": cannot open the ROM image");
    const std::unique_ptr<Dwarf, DwarfCloser> dwarf(dwarf_begin(file.fd(), DWARF_C_READ));
    if (!dwarf) throw dwarfError(path, "no DWARF records");

    std::vector<CompileUnit> units;
    Dwarf_Off offset = 0, next = 0;
    std::size_t headerSize = 0;
    Dwarf_Half version = 0;
    Dwarf_Off abbrevOffset = 0;
    std::uint8_t addressSize = 0, offsetSize = 0;
    while (dwarf_next_unit(dwarf.get(), offset, &next, &headerSize, &version, &abbrevOffset,
                           &addressSize, &offsetSize, nullptr, nullptr) == 0) {
        CompileUnit unit;
        unit.offset = offset;
        unit.version = version;
        unit.addressSize = addressSize;
        unit.abbrevOffset = abbrevOffset;
        Dwarf_Die die;
        if (!dwarf_offdie(dwarf.get(), offset + headerSize, &die))
            throw dwarfError(path, "unreadable compile unit");
        unit.tag = dwarf_tag(&die);
        unit.hasChildren = dwarf_haschildren(&die) > 0;
        dwarf_getattrs(&die, collectAttribute, &unit, 0);
        unit.stmtList = unsignedAttr(&die, DW_AT_stmt_list);
        unit.lowPc = addressAttr(&die, DW_AT_low_pc);
        unit.highPc = addressAttr(&die, DW_AT_high_pc);
        unit.name = stringAttr(&die, DW_AT_name);
        unit.compDir = stringAttr(&die, DW_AT_comp_dir);
        unit.producer = stringAttr(&die, DW_AT_producer);
        unit.language = static_cast<unsigned>(unsignedAttr(&die, DW_AT_language));
        unit.rows = lineRows(&die);
        units.push_back(std::move(unit));
        offset = next;
    }
    return units;
}

const std::vector<CompileUnit>& builtCompileUnits() {
    static const std::vector<CompileUnit> units = readCompileUnits(CORETEST_ROM_PATH);
    return units;
}

} // namespace romtest
