#pragma once
// The fixed code around the random blocks: the reset jump and the two idle loops at the ROM's
// places, the start (board boot pattern, RAM window and registers set to drawn values), the call
// at every checkpoint, the checker routine that folds the registers, HI, LO and the RAM window
// into a signature and compares it with the next expected one, the pass loop and the verdict.
#include <cstdint>
#include <string>
#include <vector>

#include "assembly.h"
#include "coretest/counted_units.h"
#include "rng.h"

namespace coretest::random {

// Labels that the image's symbols and the generator's run refer to.
inline constexpr const char* kMainLabel = "random_main";
inline constexpr const char* kFinishLabel = "test_finish";
inline constexpr const char* kPassLabel = "random_pass";
inline constexpr const char* kCheckLabel = "random_check";
inline constexpr const char* kCompareLabel = "random_compare";
inline constexpr const char* kExpectedLabel = "random_expected";
inline constexpr const char* kOptionsLabel = kRandomOptionsSymbol;

// Reset jump at 0, test_finish at 0x100, the exception handler at 0x380.
void emitVectors(Assembly& out);
// The start: board boot pattern, the RAM window, the pass count, the expected table's pointer,
// HI, LO and the random registers from `rng`.
// With `exceptions`, Status's KU/IE stack gets a pattern that shows every push and pop.
void emitStart(Assembly& out, Rng& rng, std::uint32_t loops, bool exceptions);
// The first instruction where the program resumes after an expected exception: kTemp, which the
// handler used for the jump back, holds the checker's address again (kSpacing instructions
// before the next checkpoint's call reads it).
void emitResume(Assembly& out);
// The call of checkpoint k (1 to 255) at the end of its block.
void emitCheckpointCall(Assembly& out, std::uint32_t k);
// The end of a pass: the next pass, or every checkpoint passed: display (n << 24) | n, lamps
// 1 and 1, the end mark.
void emitPassEnd(Assembly& out, std::uint32_t checkpoints);
// The checker. `recording`: the comparison is a no-op, for the reference core's run that
// collects the expected signatures (the code keeps its size and addresses).
void emitChecker(Assembly& out, bool recording);
// The expected signatures, one a checkpoint and pass in the order they run.
void emitExpected(Assembly& out, const std::vector<std::uint32_t>& signatures);
// A text as data words (NUL-terminated, zero-padded to a word).
void emitText(Assembly& out, const std::string& label, const std::string& text);

} // namespace coretest::random
