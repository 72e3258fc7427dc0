#pragma once
// Assembles a test source with GNU as and the ROM's own templates (rom/inst on the include path)
// and returns the text words and the symbols.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace gen_test {

using coretest_test::readAll;
using coretest_test::ScratchFolder;

struct Assembly {
    std::vector<std::uint32_t> text;              // .text words, little-endian
    std::map<std::string, std::uint32_t> symbols; // label -> offset in its section
};

// Throws std::runtime_error carrying the assembler's messages when the source does not assemble.
inline Assembly assemble(const std::string& source) {
    const ScratchFolder folder("coretest-gen");
    const auto file = [&](const char* name) { return "'" + (folder.path() / name).string() + "'"; };
    { std::ofstream(folder.path() / "case.S") << source; }
    const std::string inc = std::string(CORETEST_SOURCE_DIR) + "/rom/inst";
    const std::string cmd = "mipsel-linux-gnu-as -EL -mips1 -I '" + inc + "' " + file("case.S") +
                            " -o " + file("case.o") + " 2>" + file("as.log") +
                            " && mipsel-linux-gnu-objcopy -O binary -j .text " + file("case.o") +
                            " " + file("case.bin") + " && mipsel-linux-gnu-nm --defined-only " +
                            file("case.o") + " >" + file("symbols.txt");
    if (std::system(cmd.c_str()) != 0)
        throw std::runtime_error("assembling failed:\n" + readAll(folder.path() / "as.log"));

    Assembly out;
    const std::string bin = readAll(folder.path() / "case.bin");
    for (std::size_t n = 0; n + 4 <= bin.size(); n += 4) {
        std::uint32_t w = 0;
        for (int b = 3; b >= 0; --b)
            w = (w << 8) | static_cast<unsigned char>(bin[n + b]);
        out.text.push_back(w);
    }
    std::ifstream symbols(folder.path() / "symbols.txt");
    std::string addr, kind, name;
    while (symbols >> addr >> kind >> name)
        out.symbols[name] = static_cast<std::uint32_t>(std::stoul(addr, nullptr, 16));
    return out;
}

} // namespace gen_test
