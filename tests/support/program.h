#pragma once
// Small test programs assembled from MIPS source with the cross assembler at test time.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "coretest/image.h"
#include "coretest/run.h"

namespace coretest::testing {

// Layout: the reset entry branches to `body`; test_finish (an idle loop) follows it; the idle
// loop at the exception vector; then the body, which ends by branching to test_finish. `data`
// goes to RAM at 0x80000000 and is stored in the ROM behind the text, as in the real image.
std::string programSource(std::string_view body, std::string_view data = {});

// Assembles and links `source` as given; returns the path of the executable (in a fresh
// temporary folder). Throws std::runtime_error with the tools' messages on failure.
std::string buildElf(std::string_view source);

Image assemble(std::string_view body, std::string_view data = {});

// The executable the image tests take apart and change: a function symbol of its own,
// helper_test, and one RAM word, 0x11223344. Returns its path, as buildElf does.
std::string buildSampleElf();

// A file's bytes, and a file made of bytes.
std::vector<char> fileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<char>& bytes);

// Runs the program with a small instruction limit (test programs are short).
RunResult runProgram(std::string_view body, RunOptions options = {}, std::string_view data = {});

} // namespace coretest::testing
