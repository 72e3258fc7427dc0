#include "coretest/unicorn_core.h"

#include <fmt/format.h>
#include <unicorn/unicorn.h>

#include <array>
#include <cstring>
#include <stdexcept>

#include "coretest/idle_loops.h"
#include "coretest/instr.h"

namespace coretest {

namespace {

constexpr std::uint32_t kBoardPage = 0xfffff000;
constexpr std::uint32_t kPageSize = 0x1000;
// uc_emu_start stops when control reaches `until`; no instruction ever sits at an odd address.
constexpr std::uint64_t kNeverReached = 0xffffffffu;

void check(uc_err err, const char* what) {
    if (err != UC_ERR_OK)
        throw std::runtime_error(fmt::format("unicorn: {}: {}", what, uc_strerror(err)));
}

// QEMU's MIPS exception numbers, as the interrupt hook reports them.
std::optional<ExceptionCause> causeOf(std::uint32_t intno) {
    switch (intno) {
    case 12: return ExceptionCause::AddressLoad; // instruction fetch or load
    case 13: return ExceptionCause::AddressStore;
    case 17: return ExceptionCause::Syscall;
    case 18: return ExceptionCause::Break;
    case 20: return ExceptionCause::Reserved;
    case 21: return ExceptionCause::Overflow;
    default: return std::nullopt;
    }
}

// Bytes a data access of this operation covers; 0 for an operation that makes none.
unsigned accessSize(Op op) {
    switch (op) {
    case Op::Lb:
    case Op::Lbu:
    case Op::Sb: return 1;
    case Op::Lh:
    case Op::Lhu:
    case Op::Sh: return 2;
    case Op::Lw:
    case Op::Sw:
    case Op::Lwl:
    case Op::Lwr:
    case Op::Swl:
    case Op::Swr: return 4;
    default: return 0;
    }
}

bool isPartialWord(Op op) {
    return op == Op::Lwl || op == Op::Lwr || op == Op::Swl || op == Op::Swr;
}

// Whether anything on the board answers an aligned data access there (else a bus error).
bool answers(std::uint32_t addr, unsigned size) {
    if (addr - kRamBase < kRamSize || addr - kRomBase < kRomSize) return true;
    if (size != 4) return false;
    for (BoardReg r : {BoardReg::LedBank, BoardReg::LampA, BoardReg::LampB, BoardReg::Display,
                       BoardReg::EndMark, BoardReg::Switch})
        if (addr == static_cast<std::uint32_t>(r)) return true;
    return false;
}

// The instruction behind a data access and the instructions executed before it.
struct Position {
    std::uint32_t pc = 0;
    std::uint64_t before = 0;
};

struct Pending {
    ExceptionCause cause;
    std::uint32_t pc;
    std::uint32_t badAddress;
    std::uint64_t before;
};

struct StopPoint {
    std::uint32_t address;
    Hook::Stop kind;
    int arrivals = 0;
};

} // namespace

struct UnicornCore::Engine {
    Engine(Board& b, std::uint32_t entry, Tracking t, Observer* o)
        : board(b), tracking(t), observer(o), pc(entry) {}
    ~Engine() {
        if (clean) uc_context_free(clean);
        if (uc) uc_close(uc);
    }

    Board& board;
    Tracking tracking;
    Observer* observer;
    uc_engine* uc = nullptr;
    uc_context* clean = nullptr; // the state after reset: no branch pending
    std::uint32_t pc;            // where the engine starts or stopped
    std::uint64_t count = 0;     // instructions executed
    std::uint64_t limit = 0;

    // The block being executed.
    std::uint32_t blockStart = 0;
    std::uint32_t blockEnd = 0;
    std::uint64_t blockCount = 0; // instructions before it
    std::uint32_t previousEnd = 0;
    std::uint32_t lastBranch = 0;
    // Blocks tracking: the next instruction of the block that may access memory, and the
    // accesses still due from a partial-word instruction (the engine stores those a byte at a
    // time, and loads a byte before the word).
    std::uint32_t cursor = 0;
    unsigned partialLeft = 0;
    Position partialAt;

    // Instructions tracking: the executing instruction and what it addresses.
    Position current;
    bool misaligned = false;
    std::uint32_t effective = 0;
    std::uint32_t jumpTarget = 0;

    std::vector<StopPoint> stops;
    std::vector<std::uint32_t> watches;
    WatchCallback onWatch;
    StepCallback step;

    std::optional<Pending> pending;
    std::optional<ExceptionRecord> exception;
    Hook::Stop stoppedAt = Hook::Stop::None;
    bool inexact = false;
    bool halted = false; // the step callback or the instruction limit stopped the run
    bool timedOut = false;
    std::optional<std::uint32_t> unknownException;

    std::uint32_t reg(int id) const {
        std::uint32_t v = 0;
        uc_reg_read(uc, id, &v);
        return v;
    }
    std::uint32_t gpr(unsigned r) const { return r ? reg(UC_MIPS_REG_0 + static_cast<int>(r)) : 0; }

    std::uint32_t word(std::uint32_t addr) const {
        std::uint32_t w = 0;
        if (const std::uint32_t off = addr - kRomBase; off <= kRomSize - 4)
            std::memcpy(&w, &board.rom()[off], 4);
        else if (const std::uint32_t off = addr - kRamBase; off <= kRamSize - 4)
            std::memcpy(&w, &board.ram()[off], 4);
        return w;
    }

    CoreState state() const {
        CoreState s;
        for (unsigned r = 1; r < 32; ++r)
            s.regs[r] = gpr(r);
        s.hi = reg(UC_MIPS_REG_HI);
        s.lo = reg(UC_MIPS_REG_LO);
        s.pc = pc;
        s.npc = pc + 4;
        s.lastBranch = lastBranch;
        return s;
    }

    // Which instruction makes the data access the engine reports now.
    Position position() {
        if (tracking == Tracking::Instructions) return current;
        if (partialLeft) {
            --partialLeft;
            return partialAt;
        }
        for (std::uint32_t a = cursor; a < blockEnd; a += 4) {
            const Instr in = decode(word(a), a);
            if (!accessSize(in.op)) continue;
            cursor = a + 4;
            partialAt = {a, blockCount + (a - blockStart) / 4};
            if (in.op == Op::Swl || in.op == Op::Swr) {
                const unsigned byte = (gpr(in.rs) + in.imm) & 3;
                partialLeft = (in.op == Op::Swl ? byte + 1 : 4 - byte) - 1;
            } else if (in.op == Op::Lwl || in.op == Op::Lwr) {
                partialLeft = 1; // a byte read at the address, then the aligned word
            }
            return partialAt;
        }
        return {blockStart, blockCount};
    }

    void stopAt(std::uint32_t address) {
        pc = address;
        uc_emu_stop(uc);
    }

    // A data access that no device answers: exact only when instructions are tracked, where it
    // was caught before the engine performed it.
    void noDevice() {
        inexact = true;
        uc_emu_stop(uc);
    }

    std::uint32_t read(std::uint32_t addr, unsigned size) {
        const Position p = position();
        const auto v = board.read(addr, size, p.before);
        if (!v) noDevice();
        return v.value_or(0);
    }

    void write(std::uint32_t addr, unsigned size, std::uint32_t value) {
        const Position p = position();
        switch (board.write(addr, size, value, p.pc, p.before)) {
        case Board::WriteResult::Done:
            if (observer) observer->memoryWritten(p.pc, addr, size, value);
            break;
        case Board::WriteResult::RomRefused: break;
        case Board::WriteResult::NoDevice: noDevice(); break;
        }
    }

    void deliverWatch(std::uint32_t address, std::uint64_t before) {
        if (!onWatch) return;
        const std::uint32_t saved = pc;
        pc = address;
        const CoreState s = state();
        pc = saved;
        onWatch(WatchHit{address, s, before});
    }

    bool arrive(std::uint32_t address) {
        for (StopPoint& s : stops) {
            if (s.address != address || ++s.arrivals < 2) continue;
            stoppedAt = s.kind;
            stopAt(address);
            return true;
        }
        return false;
    }

    void onBlock(std::uint32_t address, std::uint32_t size) {
        // A block that does not continue the previous one was reached by the branch or jump
        // that ended it, in front of its delay slot.
        if (previousEnd && address != previousEnd) lastBranch = previousEnd - 8;
        previousEnd = address + size;
        if (tracking == Tracking::Blocks) {
            if (arrive(address)) return;
            if (count >= limit) {
                halted = true;
                return stopAt(address);
            }
        }
        blockStart = cursor = address;
        blockEnd = address + size;
        blockCount = count;
        partialLeft = 0;
        if (tracking == Tracking::Blocks) count += size / 4;
    }

    void onInstruction(std::uint32_t address) {
        if (arrive(address)) return;
        if (count >= limit) {
            halted = true;
            return stopAt(address);
        }
        for (std::uint32_t w : watches)
            if (w == address) deliverWatch(address, count);
        if (step && !step(address)) {
            halted = true;
            return stopAt(address);
        }
        current = {address, count++};
        const Instr in = decode(word(address), address);
        if (in.op == Op::Jr || in.op == Op::Jalr) jumpTarget = gpr(in.rs);
        misaligned = false;
        if (const unsigned size = accessSize(in.op)) {
            effective = gpr(in.rs) + in.imm;
            const std::uint32_t addr = isPartialWord(in.op) ? effective & ~3u : effective;
            misaligned = addr & (size - 1);
            if (!misaligned && !answers(addr, size)) {
                // The reference raises the bus error before anything is written or loaded.
                pending = Pending{ExceptionCause::BusData, address, addr, current.before};
                uc_emu_stop(uc);
            }
        }
    }

    void onInterrupt(std::uint32_t intno) {
        uc_emu_stop(uc);
        const auto cause = causeOf(intno);
        if (!cause) {
            unknownException = intno; // thrown once the engine has returned
            return;
        }
        if (tracking == Tracking::Blocks) {
            inexact = true;
            return;
        }
        if (*cause == ExceptionCause::AddressLoad && !misaligned) {
            // Not the last instruction's load: the fetch at the jump target was misaligned.
            pending = Pending{*cause, jumpTarget, jumpTarget, count};
            return;
        }
        const bool addressError =
            *cause == ExceptionCause::AddressLoad || *cause == ExceptionCause::AddressStore;
        pending = Pending{*cause, current.pc, addressError ? effective : 0, current.before};
    }

    void onUnmapped(uc_mem_type type, std::uint32_t address) {
        if (tracking == Tracking::Blocks) {
            inexact = true;
            return;
        }
        if (type == UC_MEM_FETCH_UNMAPPED)
            pending = Pending{ExceptionCause::BusFetch, address, address, count};
        else
            pending = Pending{ExceptionCause::BusData, current.pc, address, current.before};
    }

    // The exception entry the engine leaves out: the first exception is recorded, and the core
    // goes on at the vector with its registers and no branch pending.
    void enterVector() {
        const Pending p = *pending;
        pending.reset();
        if (!exception) {
            const bool delaySlot = hasDelaySlot(decode(word((p.pc - 4) & ~3u), p.pc - 4).op);
            exception = ExceptionRecord{p.cause, p.pc, p.badAddress, delaySlot, p.before, 0};
            if (observer) observer->exceptionTaken(*exception);
        }
        std::array<std::uint32_t, 33> values{};
        for (unsigned r = 1; r < 32; ++r)
            values[r] = gpr(r);
        values[0] = reg(UC_MIPS_REG_HI);
        values[32] = reg(UC_MIPS_REG_LO);
        check(uc_context_restore(uc, clean), "restoring the reset state");
        for (unsigned r = 1; r < 32; ++r)
            uc_reg_write(uc, UC_MIPS_REG_0 + static_cast<int>(r), &values[r]);
        uc_reg_write(uc, UC_MIPS_REG_HI, &values[0]);
        uc_reg_write(uc, UC_MIPS_REG_LO, &values[32]);
        pc = kExceptionVector;
        previousEnd = 0;
    }
};

namespace {

UnicornCore::Engine& engineOf(void* user) {
    return *static_cast<UnicornCore::Engine*>(user);
}

void blockHook(uc_engine*, std::uint64_t address, std::uint32_t size, void* user) {
    engineOf(user).onBlock(static_cast<std::uint32_t>(address), size);
}

void codeHook(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
    engineOf(user).onInstruction(static_cast<std::uint32_t>(address));
}

// Blocks tracking: one ranged hook per watched address.
void watchHook(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
    auto& e = engineOf(user);
    const auto a = static_cast<std::uint32_t>(address);
    e.deliverWatch(a, e.blockCount + (a - e.blockStart) / 4);
}

void interruptHook(uc_engine*, std::uint32_t intno, void* user) {
    engineOf(user).onInterrupt(intno);
}

bool unmappedHook(uc_engine*, uc_mem_type type, std::uint64_t address, int, std::int64_t,
                  void* user) {
    engineOf(user).onUnmapped(type, static_cast<std::uint32_t>(address));
    return false;
}

std::uint64_t ramRead(uc_engine*, std::uint64_t offset, unsigned size, void* user) {
    return engineOf(user).read(kRamBase + static_cast<std::uint32_t>(offset), size);
}
void ramWrite(uc_engine*, std::uint64_t offset, unsigned size, std::uint64_t value, void* user) {
    engineOf(user).write(kRamBase + static_cast<std::uint32_t>(offset), size,
                         static_cast<std::uint32_t>(value));
}
std::uint64_t boardRead(uc_engine*, std::uint64_t offset, unsigned size, void* user) {
    return engineOf(user).read(kBoardPage + static_cast<std::uint32_t>(offset), size);
}
void boardWrite(uc_engine*, std::uint64_t offset, unsigned size, std::uint64_t value, void* user) {
    engineOf(user).write(kBoardPage + static_cast<std::uint32_t>(offset), size,
                         static_cast<std::uint32_t>(value));
}

// Every data access, by the address the program used. The engine reaches RAM and ROM through
// the other segments of the address space too (kuseg, kseg1), where the board answers nothing.
// Data reads of the ROM come from the engine's copy; the board sees them all the same.
void dataAccess(uc_engine*, uc_mem_type type, std::uint64_t address, int size, std::int64_t,
                void* user) {
    auto& e = engineOf(user);
    const auto addr = static_cast<std::uint32_t>(address);
    if (!answers(addr, static_cast<unsigned>(size)))
        e.noDevice();
    else if (type == UC_MEM_READ && addr - kRomBase < kRomSize)
        e.board.read(addr, static_cast<unsigned>(size), e.position().before);
}

// The ROM is mapped without write permission: the board records the store, which is not done.
bool romWrite(uc_engine*, uc_mem_type, std::uint64_t address, int size, std::int64_t value,
              void* user) {
    engineOf(user).write(static_cast<std::uint32_t>(address), static_cast<unsigned>(size),
                         static_cast<std::uint32_t>(value));
    return true;
}

template <class F>
void addHook(uc_engine* uc, int type, F callback, void* user, std::uint64_t begin,
             std::uint64_t end) {
    uc_hook h;
    check(uc_hook_add(uc, &h, type, reinterpret_cast<void*>(callback), user, begin, end),
          "adding a hook");
}

} // namespace

UnicornCore::UnicornCore(Board& board, std::uint32_t entry, Tracking tracking, Observer* observer)
    : engine_(std::make_unique<Engine>(board, entry, tracking, observer)) {
    Engine& e = *engine_;
    check(
        uc_open(UC_ARCH_MIPS, static_cast<uc_mode>(UC_MODE_MIPS32 | UC_MODE_LITTLE_ENDIAN), &e.uc),
        "opening a MIPS32 engine");
    // The 4KEm's fixed-mapping MMU reaches the board registers in kseg2 without a TLB.
    check(uc_ctl_set_cpu_model(e.uc, UC_CPU_MIPS32_4KEM), "selecting the 4KEm model");
    check(uc_mem_map(e.uc, kRomBase, kRomSize, UC_PROT_READ | UC_PROT_EXEC), "mapping the ROM");
    check(uc_mem_write(e.uc, kRomBase, board.rom().data(), board.rom().size()), "loading the ROM");
    check(uc_mmio_map(e.uc, kRamBase, kRamSize, ramRead, &e, ramWrite, &e), "mapping the RAM");
    check(uc_mmio_map(e.uc, kBoardPage, kPageSize, boardRead, &e, boardWrite, &e),
          "mapping the board registers");
    void* user = &e;
    addHook(e.uc, UC_HOOK_BLOCK, blockHook, user, 1, 0);
    if (tracking == Tracking::Instructions) addHook(e.uc, UC_HOOK_CODE, codeHook, user, 1, 0);
    addHook(e.uc, UC_HOOK_INTR, interruptHook, user, 1, 0);
    addHook(e.uc, UC_HOOK_MEM_UNMAPPED, unmappedHook, user, 1, 0);
    addHook(e.uc, UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE, dataAccess, user, 1, 0);
    addHook(e.uc, UC_HOOK_MEM_WRITE_PROT, romWrite, user, kRomBase, kRomBase + kRomSize - 1);
    check(uc_context_alloc(e.uc, &e.clean), "allocating a context");
    check(uc_context_save(e.uc, e.clean), "saving the reset state");
}

UnicornCore::~UnicornCore() = default;

void UnicornCore::addStopPoint(std::uint32_t address, Hook::Stop kind) {
    engine_->stops.push_back({address, kind});
}

void UnicornCore::watch(const std::vector<std::uint32_t>& addresses, WatchCallback onWatch) {
    Engine& e = *engine_;
    e.watches = addresses;
    e.onWatch = std::move(onWatch);
    if (e.tracking == Tracking::Blocks)
        for (std::uint32_t a : addresses)
            addHook(e.uc, UC_HOOK_CODE, watchHook, &e, a, a);
}

void UnicornCore::onStep(StepCallback step) {
    engine_->step = std::move(step);
}

void UnicornCore::run(std::uint64_t instructionLimit, std::chrono::milliseconds timeLimit) {
    Engine& e = *engine_;
    e.limit = instructionLimit;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            e.timedOut = true;
            break;
        }
        const uc_err err =
            uc_emu_start(e.uc, e.pc, kNeverReached, static_cast<std::uint64_t>(left.count()), 0);
        if (e.unknownException)
            throw std::runtime_error(fmt::format(
                "unicorn raised exception {} that the board does not model", *e.unknownException));
        if (e.pending) {
            e.enterVector();
            continue;
        }
        if (e.stoppedAt != Hook::Stop::None || e.inexact || e.halted) break;
        check(err, "running");
        // The engine came back for none of our reasons: the time limit ran out.
        e.timedOut = true;
        e.pc = e.reg(UC_MIPS_REG_PC);
        break;
    }
}

CoreState UnicornCore::state() const {
    return engine_->state();
}
std::uint64_t UnicornCore::instructions() const {
    return engine_->count;
}
const std::optional<ExceptionRecord>& UnicornCore::exception() const {
    return engine_->exception;
}
Hook::Stop UnicornCore::stoppedAt() const {
    return engine_->stoppedAt;
}
bool UnicornCore::timedOut() const {
    return engine_->timedOut;
}
bool UnicornCore::needsInstructionTracking() const {
    return engine_->inexact;
}

namespace {

struct Arrival {
    std::uint32_t address;
    CoreState state;
    std::uint64_t instructions;
};

RunResult attempt(const Image& image, const RunOptions& options, UnicornCore::Tracking tracking,
                  std::chrono::milliseconds timeLimit, std::vector<Arrival>& arrivals,
                  bool& inexact) {
    Board board(image, options.switchValue);
    UnicornCore core(board, image.entry(), tracking);
    for (std::uint32_t a : finishPoints(image, decodeRom(board)))
        core.addStopPoint(a, Hook::Stop::Finish);
    core.addStopPoint(kExceptionVector, Hook::Stop::Vector);
    core.watch(options.watches, [&arrivals](const WatchHit& hit) {
        arrivals.push_back({hit.address, hit.state, hit.instructions});
    });
    core.run(options.instructionLimit, timeLimit);
    inexact = core.needsInstructionTracking();

    RunResult r;
    r.reason = stopReasonOf(core.stoppedAt(), board.state().endMarked(),
                            static_cast<bool>(core.exception()), board.eventLogFull());
    r.instructions = core.instructions();
    r.state = core.state();
    r.exception = core.exception();
    r.board = board.state();
    r.events = board.events();
    r.romWrites = board.romWrites();
    return r;
}

} // namespace

RunResult runOnUnicorn(const Image& image, const RunOptions& options,
                       std::chrono::milliseconds timeLimit) {
    if (!options.faults.empty())
        throw InputError("--fault: faults are injected into the reference core only; the "
                         "Unicorn core runs the image as it is (use --core reference)");
    if (options.observer || options.checker)
        throw InputError("observers and strict memory mode run on the reference core only");
    std::vector<Arrival> arrivals;
    bool inexact = false;
    RunResult r =
        attempt(image, options, UnicornCore::Tracking::Blocks, timeLimit, arrivals, inexact);
    if (inexact) {
        // An exception inside a block: run again, placing every instruction.
        arrivals.clear();
        r = attempt(image, options, UnicornCore::Tracking::Instructions, timeLimit, arrivals,
                    inexact);
    }
    if (options.onWatch)
        for (const Arrival& a : arrivals)
            options.onWatch(WatchHit{a.address, a.state, a.instructions});
    return r;
}

RunResult runOnUnicorn(const Image& image, const RunOptions& options) {
    return runOnUnicorn(image, options, kUnicornTimeLimit);
}

} // namespace coretest
