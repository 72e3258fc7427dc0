#pragma once
// The image's compile units and their line rows, as libdw reads them.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace romtest {

struct LineRow {
    std::uint32_t address = 0;
    int line = 0;
    std::string file;
    bool endSequence = false;
};

struct CompileUnit {
    std::uint64_t offset = 0; // of the unit header in .debug_info
    int version = 0;
    int addressSize = 0;
    std::uint64_t abbrevOffset = 0;
    int tag = 0;
    bool hasChildren = false;
    std::vector<std::pair<unsigned, unsigned>> attributes; // (DW_AT_*, DW_FORM_*) in DIE order
    std::uint64_t stmtList = 0;
    std::uint32_t lowPc = 0;
    std::uint32_t highPc = 0;
    std::string name;
    std::string compDir;
    std::string producer;
    unsigned language = 0;
    std::vector<LineRow> rows;
};

// Every compile unit of the ELF file at path, in .debug_info order; throws std::runtime_error
// when libdw cannot read them.
std::vector<CompileUnit> readCompileUnits(const std::string& path);

// The units of the built image, read once.
const std::vector<CompileUnit>& builtCompileUnits();

} // namespace romtest
