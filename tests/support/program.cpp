#include "support/program.h"

#include <fmt/format.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace coretest::testing {

namespace {

// Text at the reset address; data in RAM, loaded from the ROM behind the text.
constexpr std::string_view kLinkScript = R"(ENTRY(_start)
SECTIONS {
  .text 0xbfc00000 : { *(.text) }
  .data 0x80000000 : AT(ADDR(.text) + SIZEOF(.text)) { *(.data) }
  /DISCARD/ : { *(.MIPS.abiflags) *(.reginfo) *(.gnu.attributes) *(.pdr) *(.mdebug*) }
}
)";

void writeFile(const std::string& path, std::string_view text) {
    std::ofstream(path) << text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

std::string programSource(std::string_view body, std::string_view data) {
    return fmt::format(R"(    .set noreorder
    .set nomacro
    .text
    .globl _start
_start:
    b body
    nop
test_finish:
    b test_finish
    nop
    .org 0x380
exception_idle:
    b exception_idle
    nop
body:
{}
    b test_finish
    nop
    .data
{}
)",
                       body, data);
}

std::string buildElf(std::string_view source) {
    std::string dir = (std::filesystem::temp_directory_path() / "coretest-core-XXXXXX").string();
    if (!mkdtemp(dir.data())) throw std::runtime_error("cannot make a temporary folder");
    writeFile(dir + "/p.S", source);
    writeFile(dir + "/p.ld", kLinkScript);
    const std::string cmd =
        fmt::format("cd {0} && mipsel-linux-gnu-as -EL -mips1 -o p.o p.S 2>log && "
                    "mipsel-linux-gnu-ld -EL -T p.ld -o p.elf p.o 2>>log",
                    dir);
    if (std::system(cmd.c_str()) != 0) {
        const std::string log = readFile(dir + "/log");
        std::filesystem::remove_all(dir);
        throw std::runtime_error("assembling the test program failed:\n" + log + "\n" +
                                 std::string(source));
    }
    return dir + "/p.elf";
}

Image assemble(std::string_view body, std::string_view data) {
    const std::filesystem::path elf = buildElf(programSource(body, data));
    Image image = Image::load(elf.string());
    std::filesystem::remove_all(elf.parent_path());
    return image;
}

RunResult runProgram(std::string_view body, RunOptions options, std::string_view data) {
    if (options.instructionLimit == RunOptions{}.instructionLimit)
        options.instructionLimit = 100000;
    return run(assemble(body, data), options);
}

std::string buildSampleElf() {
    constexpr std::string_view kFunction = R"(
    .globl helper_test
    .type helper_test, @function
helper_test:
    jr $ra
    nop
    .size helper_test, . - helper_test
)";
    return buildElf(programSource(kFunction, "d: .word 0x11223344"));
}

std::vector<char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace coretest::testing
