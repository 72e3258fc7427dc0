#pragma once
// Random images as the tests use them: built, loaded and run on the reference core.
#include <cstdint>
#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/random_program.h"
#include "coretest/run.h"

namespace coretest_test {

inline coretest::Image loadBytes(const std::vector<std::uint8_t>& bytes,
                                 const std::string& name = "random.elf") {
    return coretest::Image::fromBytes(std::vector<char>(bytes.begin(), bytes.end()), name);
}

inline coretest::RunResult runImage(const coretest::Image& image,
                                    coretest::RunOptions options = {}) {
    options.switchValue = 1;
    options.instructionLimit = 50'000'000;
    return coretest::run(image, options);
}

// The word of the image at a ROM address.
inline std::uint32_t wordAt(const coretest::Image& image, std::uint32_t address) {
    for (const auto& s : image.segments()) {
        const std::uint32_t off = address - s.vaddr;
        if (off < s.bytes.size() && off + 4 <= s.bytes.size())
            return s.bytes[off] | s.bytes[off + 1] << 8 | s.bytes[off + 2] << 16 |
                   static_cast<std::uint32_t>(s.bytes[off + 3]) << 24;
    }
    return 0;
}

} // namespace coretest_test
