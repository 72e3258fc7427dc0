#pragma once
// The routines of a ROM image and their cases: which routine, case and source line an address
// belongs to. Every tool names places in the ROM through this one map.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "coretest/display_word.h"
#include "coretest/image.h"
#include "coretest/line_table.h"

namespace coretest {

// One case of a routine: the instructions of one source line.
struct CaseSpan {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    int line = 0;
};

struct RoutineMap {
    int number = 0;                // place in the run order (N of nN_<mnemonic>_test)
    std::string name;              // "n8_slt_test"
    AddressRange range;            // entry to the nop after jr
    std::uint32_t reportBlock = 0; // the unit's inst_error
    std::string file; // source of the unit as its line records name it, "inst/n8_slt.S"
    std::vector<CaseSpan> cases;
};

// Where an address lies: routine, case (1-based; 0 outside every case) and source line.
struct CaseRef {
    const RoutineMap* routine = nullptr;
    int caseIndex = 0;
    int line = 0;
    std::string describe() const; // "case 3 of n8_slt_test (inst/n8_slt.S:12)"
};

// The routines of an image and their cases, from its function symbols, its `inst_error` labels and
// its line records. Without line records the routines are known but their cases are not.
class RomMap {
  public:
    RomMap(const Image& image, const LineTable* lines);
    static RomMap load(const Image& image); // reads the line records of the image's file

    const std::vector<RoutineMap>& routines() const { return routines_; } // run order
    // Its lowest to its highest routine number (the first ROM's when it has no routines).
    RoutineNumbers routineNumbers() const;
    const RoutineMap* routineAt(std::uint32_t pc) const;
    const RoutineMap* routineNamed(std::string_view name) const;
    CaseRef caseAt(std::uint32_t pc) const;
    // Case `caseIndex` (1-based) of the routine of that name; no routine or case 0 when absent.
    CaseRef caseOf(std::string_view routine, int caseIndex) const;
    std::vector<std::uint32_t> reportBlocks() const;
    std::uint32_t word(std::uint32_t address) const; // instruction word of the ROM (0 outside)

  private:
    std::vector<RoutineMap> routines_;
    std::vector<std::uint8_t> rom_;
};

// The registers that the instructions of the case at `pc` write before `pc`, in order of first
// write, with their values in `regs`: the operands and expectations the case has placed.
std::vector<std::pair<unsigned, std::uint32_t>>
caseRegisters(const RomMap& map, std::uint32_t pc, const std::array<std::uint32_t, 32>& regs);

// "t0=0x47974516 t1=0xb8fd4d1c": registers with their values, as the reports list them.
std::string describeRegisters(const std::vector<std::pair<unsigned, std::uint32_t>>& registers);

// A constant load of `reg`: lui, or addiu/ori from zero, or the ori of a lui/ori pair.
bool isConstantLoad(std::uint32_t word, unsigned reg);

// Each register written in [begin, end) with the word of its last writer, in order of first write.
std::vector<std::pair<unsigned, std::uint32_t>> lastWriters(const RomMap& map, std::uint32_t begin,
                                                            std::uint32_t end);

} // namespace coretest
