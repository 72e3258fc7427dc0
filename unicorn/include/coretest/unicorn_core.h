#pragma once
// A second, independent MIPS core: the Unicorn engine (QEMU's MIPS32 translator, 4KEm model with
// the fixed-mapping MMU) behind the same Board as the reference core. Every data access it makes
// reaches the board: RAM and the register block are device memory to the engine, data reads of
// the ROM and refused ROM stores are hooked. The engine does not vector exceptions itself, so
// this layer performs the entry: it records the exception and restarts the engine at the
// exception vector with a clean pipeline state.
//
// Two ways of tracking progress:
//  - Blocks: one callback per translated block counts instructions and finds the stop points;
//    the instruction behind a data access is found by scanning its block. Fast, but an
//    exception cannot be placed inside its block.
//  - Instructions: one callback before every instruction (lockstep), which also places every
//    exception exactly and turns an access that no device answers into a bus error before the
//    engine performs it.
// runOnUnicorn() runs by blocks and runs again by instructions when the first run met an
// exception.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "coretest/board.h"
#include "coretest/core.h"
#include "coretest/image.h"
#include "coretest/run.h"
#include "coretest/state.h"

namespace coretest {

class UnicornCore {
  public:
    enum class Tracking { Blocks, Instructions };
    // Called before each instruction (Instructions tracking) with everything before it done;
    // returning false stops the run there.
    using StepCallback = std::function<bool(std::uint32_t pc)>;

    // The board and the observer must outlive the core. The observer sees memory writes and
    // exceptions (the engine's register writes are not visible one by one).
    UnicornCore(Board& board, std::uint32_t entry, Tracking tracking, Observer* observer = nullptr);
    ~UnicornCore();
    UnicornCore(const UnicornCore&) = delete;
    UnicornCore& operator=(const UnicornCore&) = delete;

    // Arriving a second time at a stop point ends the run (after one turn of its idle loop).
    void addStopPoint(std::uint32_t address, Hook::Stop kind);
    // onWatch is called each time control arrives at one of these addresses.
    void watch(const std::vector<std::uint32_t>& addresses, WatchCallback onWatch);
    void onStep(StepCallback step);

    // Runs until a stop point, the instruction limit (checked at every block under Blocks
    // tracking), the time limit, or a step callback that returns false.
    void run(std::uint64_t instructionLimit, std::chrono::milliseconds timeLimit);

    CoreState state() const;
    std::uint64_t instructions() const;
    const std::optional<ExceptionRecord>& exception() const;
    Hook::Stop stoppedAt() const;
    bool timedOut() const;
    // Blocks tracking met an exception or an access without a device: the run is not exact.
    bool needsInstructionTracking() const;

    struct Engine;

  private:
    std::unique_ptr<Engine> engine_;
};

inline constexpr std::chrono::milliseconds kUnicornTimeLimit{120'000};

// One run of the image on the Unicorn core, from reset to idle, with the results a reference run
// gives. Faults, observers and strict memory mode are the reference core's (InputError).
// The image on the Unicorn core behind the board, as run() runs it on the reference core; a
// CoreRunner for RunOptions::core.
RunResult runOnUnicorn(const Image& image, const RunOptions& options);
RunResult runOnUnicorn(const Image& image, const RunOptions& options,
                       std::chrono::milliseconds timeLimit);

} // namespace coretest
