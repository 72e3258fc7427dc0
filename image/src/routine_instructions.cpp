#include "coretest/routine_instructions.h"

#include <algorithm>

#include "coretest/disassembler.h"
#include "coretest/display_word.h"

namespace coretest {

std::string testedMnemonic(const RoutineMap& routine) {
    std::string name = instructionUnderTest(routine.name);
    const std::string slotOf = "the delay slot of ";
    if (name.starts_with(slotOf)) name.erase(0, slotOf.size());
    return name;
}

std::vector<std::string> reliedOnInstructions(const RomMap& map, const RoutineMap& routine) {
    const std::string tested = testedMnemonic(routine);
    std::vector<std::string> found;
    for (std::uint32_t pc = routine.range.begin; pc < routine.range.end; pc += 4) {
        const std::string text = disassemble(map.word(pc), pc);
        const std::string mnemonic = text.substr(0, text.find(' '));
        if (mnemonic == tested || mnemonic == "nop") continue;
        if (std::find(found.begin(), found.end(), mnemonic) == found.end())
            found.push_back(mnemonic);
    }
    return found;
}

} // namespace coretest
