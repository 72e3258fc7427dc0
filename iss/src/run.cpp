#include "coretest/run.h"

#include <algorithm>
#include <limits>

#include "coretest/idle_loops.h"

namespace coretest {

const char* stopReasonName(StopReason reason) {
    switch (reason) {
    case StopReason::Verdict: return "verdict";
    case StopReason::IdleNoVerdict: return "idle without verdict";
    case StopReason::ExceptionIdle: return "exception idle";
    case StopReason::StrayIdle: return "idle at the exception vector without an exception";
    case StopReason::InstructionLimit: return "instruction limit";
    case StopReason::EventLogFull: return "board log full";
    }
    return "unknown";
}

StopReason stopReasonOf(Hook::Stop idleAt, bool endMarked, bool tookException, bool eventLogFull) {
    if (eventLogFull) return StopReason::EventLogFull;
    switch (idleAt) {
    case Hook::Stop::Finish: return endMarked ? StopReason::Verdict : StopReason::IdleNoVerdict;
    case Hook::Stop::Vector:
        return tookException ? StopReason::ExceptionIdle : StopReason::StrayIdle;
    case Hook::Stop::None: break;
    }
    return StopReason::InstructionLimit;
}

namespace {

// The decoded ROM with its hooks: fault replacements, watches and stop points.
class HookedRom {
  public:
    HookedRom(const Board& board, const FaultSet& faults)
        : table_(decodeRom(board)), scratch_(faults.faultCount()) {
        for (const FaultPatch& p : faults.patches()) {
            Hook replaced;
            replaced.replacement = &p.semantics;
            replaced.scratch = &scratch_[p.fault];
            const auto shared = newHook(replaced);
            const std::uint32_t begin = p.atAddress ? p.address : p.range.begin;
            const std::uint32_t end = p.atAddress ? p.address + 4 : p.range.end;
            for (std::uint32_t a = begin; a < end && a >= begin; a += 4) {
                Instr* in = entry(a);
                if (!in || !p.range.contains(a)) continue;
                if (p.atAddress || p.ops.test(static_cast<std::size_t>(in->op))) {
                    in->dispatch = Op::Hook;
                    in->hook = shared;
                }
            }
        }
    }

    // A hook of its own for the entry at addr (keeping any replacement it has); nullptr outside
    // the ROM.
    Hook* own(std::uint32_t addr) {
        Instr* in = entry(addr);
        if (!in) return nullptr;
        const Hook copy = in->dispatch == Op::Hook ? hooks_[in->hook] : Hook{};
        in->dispatch = Op::Hook;
        in->hook = newHook(copy);
        return &hooks_[in->hook];
    }

    std::span<const Instr> table() const { return table_; }
    std::span<Hook> hooks() { return hooks_; }

  private:
    Instr* entry(std::uint32_t addr) {
        const std::uint32_t off = addr - kRomBase;
        return off < table_.size() * 4 && (off & 3) == 0 ? &table_[off / 4] : nullptr;
    }
    std::uint16_t newHook(const Hook& h) {
        if (hooks_.size() > std::numeric_limits<std::uint16_t>::max())
            throw InputError("too many watches and faults for one run (at most 65536 hooks)");
        hooks_.push_back(h);
        return static_cast<std::uint16_t>(hooks_.size() - 1);
    }

    std::vector<Instr> table_;
    std::vector<FaultScratch> scratch_;
    std::vector<Hook> hooks_;
};

template <bool Observed>
RunResult execute(const Image& image, const RunOptions& o, Board& board, HookedRom& rom) {
    Core<Observed> core(board, rom.table(), rom.hooks(), o.observer, &o.onWatch, image.entry());
    core.run(o.instructionLimit);
    RunResult r;
    r.reason = stopReasonOf(core.stoppedAt(), board.state().endMarked(),
                            static_cast<bool>(core.exception()), board.eventLogFull());
    r.instructions = core.instructions();
    r.state = core.state();
    r.exception = core.exception();
    return r;
}

// The decoded ROM with the faults, watches and stop points of a run. Hooks are made in this order
// so that each entry's own hook carries everything set on it. The exception vector is a stop
// point only when it holds an idle loop; an image with a handler there runs it.
HookedRom hookedRom(const Image& image, const RunOptions& options, const Board& board,
                    const FaultSet& faults) {
    HookedRom rom(board, faults);
    for (std::uint32_t a : options.watches)
        if (Hook* h = rom.own(a)) h->watched = true;
    for (std::uint32_t a : finishPoints(image, rom.table()))
        if (Hook* h = rom.own(a)) h->stop = Hook::Stop::Finish;
    if (idleLoopAt(rom.table(), kExceptionVector))
        if (Hook* h = rom.own(kExceptionVector)) h->stop = Hook::Stop::Vector;
    return rom;
}

} // namespace

struct SteppedRun::State {
    State(const Image& image, const RunOptions& o)
        : faults(image, o.faults), board(image, o.switchValue),
          rom(hookedRom(image, o, board, faults)), limit(o.instructionLimit), onWatch(o.onWatch),
          core(board, rom.table(), rom.hooks(), o.observer, &onWatch, image.entry()) {}
    FaultSet faults;
    Board board;
    HookedRom rom;
    std::uint64_t limit;
    WatchCallback onWatch;
    Core<true> core;
};

SteppedRun::SteppedRun(const Image& image, const RunOptions& options) {
    if (options.core) throw InputError("a stepped run needs the reference core");
    if (!options.observer) throw InputError("a stepped run needs an observer");
    state_ = std::make_unique<State>(image, options);
    state_->board.setChecker(options.checker);
}

SteppedRun::~SteppedRun() = default;

bool SteppedRun::stopped() const {
    return state_->core.stoppedAt() != Hook::Stop::None || state_->board.eventLogFull() ||
           state_->core.instructions() >= state_->limit;
}

bool SteppedRun::advance(std::uint64_t instructions) {
    if (stopped()) return false;
    const std::uint64_t done = state_->core.instructions();
    state_->core.run(done + std::min(instructions, state_->limit - done));
    return !stopped();
}

std::uint64_t SteppedRun::instructions() const {
    return state_->core.instructions();
}

Board& SteppedRun::board() {
    return state_->board;
}

const Board& SteppedRun::board() const {
    return state_->board;
}

RunResult SteppedRun::result() const {
    const auto& core = state_->core;
    RunResult r;
    r.reason = stopReasonOf(core.stoppedAt(), state_->board.state().endMarked(),
                            static_cast<bool>(core.exception()), state_->board.eventLogFull());
    r.instructions = core.instructions();
    r.state = core.state();
    r.exception = core.exception();
    r.board = state_->board.state();
    r.events = state_->board.events();
    r.romWrites = state_->board.romWrites();
    return r;
}

RunResult run(const Image& image, const RunOptions& options) {
    if (options.core) return options.core(image, options);
    const FaultSet faults(image, options.faults);
    Board board(image, options.switchValue);
    board.setChecker(options.checker);
    HookedRom rom = hookedRom(image, options, board, faults);

    RunResult r = options.observer ? execute<true>(image, options, board, rom)
                                   : execute<false>(image, options, board, rom);
    r.board = board.state();
    r.events = board.events();
    r.romWrites = board.romWrites();
    return r;
}

} // namespace coretest
