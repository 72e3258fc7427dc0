#pragma once
// One run of an image on the reference core and board, from reset to the point where the core
// idles (or the instruction limit).
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "coretest/board.h"
#include "coretest/core.h"
#include "coretest/fault.h"
#include "coretest/image.h"
#include "coretest/state.h"

namespace coretest {

enum class StopReason {
    Verdict,          // END_MARK_REG received 0xff and the core idles in test_finish
    IdleNoVerdict,    // the core idles in test_finish without an end mark
    ExceptionIdle,    // the core idles in the loop at the exception vector after an exception
    StrayIdle,        // the core idles in that loop without having taken an exception
    InstructionLimit, // still running after the limit
    EventLogFull,     // stopped when the board's log of register accesses reached its cap
};
const char* stopReasonName(StopReason reason); // "verdict", "idle without verdict", ...

// How a run ended, from the stop point its core idles at (none: still running), whether the
// board holds the end mark, whether the core took an exception and whether the board's log is
// full (Board::eventLogFull).
StopReason stopReasonOf(Hook::Stop idleAt, bool endMarked, bool tookException,
                        bool eventLogFull = false);

struct RunOptions;
struct RunResult;
// Another core that runs an image behind the same board in place of the reference core: the
// Unicorn library's runOnUnicorn, where it is built.
using CoreRunner = RunResult (*)(const Image& image, const RunOptions& options);

struct RunOptions {
    CoreRunner core = nullptr; // nullptr: the reference core
    std::uint32_t switchValue = 0;
    std::uint64_t instructionLimit = 1'000'000'000;
    std::vector<FaultSelection> faults{};
    Observer* observer = nullptr;
    AccessChecker* checker = nullptr; // strict memory mode (reference core only)
    // onWatch is called each time control arrives at one of these addresses (ROM only).
    std::vector<std::uint32_t> watches{};
    WatchCallback onWatch{};
};

struct RunResult {
    StopReason reason = StopReason::InstructionLimit;
    std::uint64_t instructions = 0;
    CoreState state; // registers, HI, LO, pc and the last taken branch at the stop
    BoardState board;
    std::vector<BoardEvent> events;
    std::vector<RomWriteFault> romWrites;
    std::optional<ExceptionRecord> exception;

    std::uint32_t pc() const { return state.pc; }
    // The fields of the last result word on the display.
    unsigned testNumber() const { return board.display >> 24; }
    unsigned passCount() const { return board.display & 0xffffff; }
};

// A core idles once it reaches the same stop point (test_finish or the exception vector) a
// second time, i.e. after one turn of the idle loop. Throws InputError for a fault selection
// naming a routine the image lacks.
RunResult run(const Image& image, const RunOptions& options = {});

// A run on the reference core that goes on in steps, for a checker that compares the core's
// writes with another core's as they come: each advance() executes up to that many more
// instructions, telling options.observer (required) of every write and retirement. The run stops,
// as run() does, when the core idles or reaches options.instructionLimit.
class SteppedRun {
  public:
    SteppedRun(const Image& image, const RunOptions& options);
    ~SteppedRun();
    SteppedRun(const SteppedRun&) = delete;
    SteppedRun& operator=(const SteppedRun&) = delete;

    // Executes up to `instructions` more; false once the run has stopped.
    bool advance(std::uint64_t instructions);
    bool stopped() const;
    std::uint64_t instructions() const;
    RunResult result() const; // how the run stands (its reason is InstructionLimit until idle)
    // The board of the run: its memory as it stands, and the switch a core under test read.
    Board& board();
    const Board& board() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace coretest
