#pragma once
// Random MIPS-I programs that check themselves on the board: blocks of random user instructions
// with checkpoints that compare the core's state with values the reference core computed when the
// image was generated.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace coretest {
class Image;
}

namespace coretest::random {

// How far apart a value's producer and its consumer are drawn, in instructions.
enum class Distance {
    Near,    // mostly 1 to 3: forwarding paths and interlocks
    Uniform, // 1 to 8, evenly
    Far,     // mostly 4 and beyond: values through the register file
};

struct RandomOptions {
    std::uint64_t seed = 1;
    std::uint32_t instructions = 20000;  // random instructions in the image (not counting checks)
    std::uint32_t checkpointEvery = 100; // a checkpoint after this many random instructions
    std::uint32_t loops = 1;             // how many times the program's blocks run
    bool interlocked = false;            // may read a loaded register in the next instruction
    Distance distance = Distance::Near;  // the dependency-distance distribution
    std::uint32_t memoryPercent = 25;    // share of loads and stores among the instructions
    std::uint32_t branchPercent = 10;    // share of branches, jumps and calls
    std::uint32_t multiplyPercent = 8;   // share of mult/div and HI/LO moves
    // Share of drawn points that take an expected exception (syscall, break, an overflowing
    // add/addi/sub, a misaligned lw/lh/sw/sh), some in a branch's delay slot; 0: none at all.
    std::uint32_t exceptionPercent = 1;
    // The listing's file name that the line records give ("" : random-<seed>.lst); `coretest
    // random -o FILE.elf` names it FILE.lst, the file it writes next to the image.
    std::string listingName;
};

// The limits the options must respect (a larger image does not fit the boot ROM's window).
inline constexpr std::uint32_t kMaxInstructions = 60000;
inline constexpr std::uint32_t kMaxCheckpoints = 255;
inline constexpr std::uint32_t kMaxLoops = 10000;
// The expected signatures of every pass are stored: at most this many checkpoints times loops.
inline constexpr std::uint32_t kMaxCheckpointRuns = 32768;
inline constexpr std::uint32_t kMaxExceptionPercent = 20;

// The number of checkpoints n in one pass (the display shows (n << 24) | n at the end).
// Throws coretest::InputError for options out of range.
std::uint32_t checkpointCount(const RandomOptions& options);

// The ELF image of the program, byte for byte the same for the same options on any machine.
// Throws coretest::InputError (image/include/coretest/input_error.h) for options out of range.
std::vector<std::uint8_t> buildRandomImage(const RandomOptions& options);

// The listing that goes next to the image (the file the line records name).
std::string randomListing(const RandomOptions& options);

// Both at once (one generation instead of two).
struct RandomProgram {
    std::vector<std::uint8_t> image;
    std::string listing;
    std::uint32_t checkpoints = 0;
};
RandomProgram buildRandomProgram(const RandomOptions& options);

// The options as the image stores them ("seed=7 instructions=20000 ..."), in the data object
// `random_options`; nullopt for an image that holds none (the ROM).
std::string optionsText(const RandomOptions& options);
std::optional<std::string> storedOptions(const Image& image);

// The distribution's name as options take it ("near", "uniform", "far"), and back; the parser
// throws coretest::InputError for an unknown name.
std::string_view distanceName(Distance distance);
Distance parseDistance(std::string_view name);

} // namespace coretest::random
