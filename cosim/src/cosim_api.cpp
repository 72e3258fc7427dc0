// The C interface of the co-simulation library over Session.
#include <fmt/format.h>

#include <array>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "coretest_cosim.h"
#include "session.h"

// Never defined: a handle is a number (see Handles), not the address of a checker.
struct coretest_cosim;

namespace {

using coretest::cosim::Status;

constexpr std::uint32_t kKnownFlags = CORETEST_COSIM_KEEP_GOING | CORETEST_COSIM_PHYSICAL;
constexpr std::uint32_t kKnownWrites = CORETEST_COSIM_WRITES_GPR | CORETEST_COSIM_WRITES_HI |
                                       CORETEST_COSIM_WRITES_LO | CORETEST_COSIM_WRITES_MEM |
                                       CORETEST_COSIM_TRAP;

int fail(const std::string& what) {
    fmt::print(stderr, "coretest cosim: {}\n", what);
    std::fflush(stderr);
    return CORETEST_COSIM_ERROR;
}

// One open checker.
struct Checker {
    Checker(coretest::Image image, const coretest::cosim::SessionOptions& options)
        : session(std::move(image), options) {}
    coretest::cosim::Session session;
};

// The handles that are open. A C caller can hand back anything: a handle it closed already, a
// pointer from another library, garbage. So a handle is not the checker's address but a number
// that is never used twice in a process (a closed handle cannot come back as a new checker's),
// and nothing is ever read through it. The number holds a serial, never reused, above the slot
// of this one process-wide table where the checker stands: the only state the library shares
// between checkers. A testbench calls several times per retired instruction, so finding a
// checker takes no lock: one atomic load of the slot's handle, compared with the whole number.
// Opening and closing take the table's mutex, because testbenches may run simulations on several
// threads; a checker itself is used by one thread at a time, as the header says. Checkers opened
// while every slot is taken are kept in a map under the mutex.
class Handles {
  public:
    coretest_cosim* add(std::unique_ptr<Checker> checker) {
        const std::lock_guard lock(mutex_);
        const std::uintptr_t serial = ++serial_ << kSlotBits;
        if (free_.empty() && taken_ < kSlots) free_.push_back(taken_++);
        if (free_.empty()) {
            const std::uintptr_t handle = (serial | kOverflow) << 4;
            overflow_.emplace(handle, std::move(checker));
            return reinterpret_cast<coretest_cosim*>(handle);
        }
        const std::size_t slot = free_.back();
        free_.pop_back();
        const std::uintptr_t handle = (serial | slot) << 4; // aligned, never 0
        Slot& s = slots_[slot];
        s.checker.store(checker.get(), std::memory_order_relaxed);
        s.owned = std::move(checker);
        s.handle.store(handle, std::memory_order_release);
        return reinterpret_cast<coretest_cosim*>(handle);
    }
    // The checker of an open handle, taken out of the table; nullptr for any other handle.
    std::unique_ptr<Checker> remove(const coretest_cosim* h) {
        const auto handle = reinterpret_cast<std::uintptr_t>(h);
        const std::size_t slot = slotOf(handle);
        const std::lock_guard lock(mutex_);
        if (slot == kOverflow) {
            const auto it = overflow_.find(handle);
            if (it == overflow_.end()) return nullptr;
            std::unique_ptr<Checker> checker = std::move(it->second);
            overflow_.erase(it);
            return checker;
        }
        Slot& s = slots_[slot];
        if (s.handle.load(std::memory_order_relaxed) != handle) return nullptr;
        s.handle.store(0, std::memory_order_release);
        s.checker.store(nullptr, std::memory_order_relaxed);
        free_.push_back(slot);
        return std::move(s.owned);
    }
    Checker* find(const coretest_cosim* h) {
        const auto handle = reinterpret_cast<std::uintptr_t>(h);
        const std::size_t slot = slotOf(handle);
        if (slot != kOverflow) {
            const Slot& s = slots_[slot];
            return s.handle.load(std::memory_order_acquire) == handle
                       ? s.checker.load(std::memory_order_relaxed)
                       : nullptr;
        }
        const std::lock_guard lock(mutex_);
        const auto it = overflow_.find(handle);
        return it == overflow_.end() ? nullptr : it->second.get();
    }

  private:
    static constexpr unsigned kSlotBits = 10;
    static constexpr std::size_t kSlots = (std::size_t{1} << kSlotBits) - 1;
    static constexpr std::size_t kOverflow = kSlots; // the slot number of the map's handles

    static std::size_t slotOf(std::uintptr_t handle) { return (handle >> 4) & kSlots; }

    struct Slot {
        std::atomic<std::uintptr_t> handle{0}; // 0: free
        std::atomic<Checker*> checker{nullptr};
        std::unique_ptr<Checker> owned; // under the mutex
    };
    std::mutex mutex_;
    std::array<Slot, kSlots> slots_;
    std::size_t taken_ = 0; // slots used so far; those of closed checkers are in free_
    std::vector<std::size_t> free_;
    std::unordered_map<std::uintptr_t, std::unique_ptr<Checker>> overflow_;
    std::uintptr_t serial_ = 0;
};

Handles& handles() {
    static Handles* h = new Handles; // never destroyed: a close may come from a static destructor

    return *h;
}

// A bad handle is reported once per process: a testbench that keeps calling with a closed handle
// every cycle gets one line, and ERROR from every call.
int badHandle(const char* call, const coretest_cosim* cosim) {
    static std::atomic<bool> said{false};
    if (said.exchange(true)) return CORETEST_COSIM_ERROR;
    return fail(fmt::format(
        "{} called with {} (further calls with a bad handle return ERROR without a line)", call,
        cosim ? "a handle that is not open (closed already, or not from coretest_cosim_open)"
              : "a null handle (did coretest_cosim_open fail?)"));
}

// Runs one call on an open handle; a bad handle or an exception is misuse, reported on stderr.
template <class Call>
int guarded(const char* name, coretest_cosim* cosim, Call call) {
    Checker* checker = cosim ? handles().find(cosim) : nullptr;
    if (!checker) return badHandle(name, cosim);
    try {
        return static_cast<int>(call(checker->session));
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

} // namespace

extern "C" {

coretest_cosim* coretest_cosim_open(const char* elf_path, uint32_t switch_value, uint32_t flags,
                                    uint32_t verbosity) {
    if (!elf_path) {
        fail("coretest_cosim_open: no ELF image named");
        return nullptr;
    }
    if (flags & ~kKnownFlags) {
        fail(fmt::format("coretest_cosim_open: unknown flag bits 0x{:x} (1 keep-going, 2 physical)",
                         flags & ~kKnownFlags));
        return nullptr;
    }
    try {
        coretest::cosim::SessionOptions options;
        options.switchValue = switch_value;
        options.keepGoing = flags & CORETEST_COSIM_KEEP_GOING;
        options.physical = flags & CORETEST_COSIM_PHYSICAL;
        options.verbosity = verbosity;
        return handles().add(std::make_unique<Checker>(coretest::Image::load(elf_path), options));
    } catch (const std::exception& e) {
        fail(fmt::format("coretest_cosim_open: {}", e.what()));
        return nullptr;
    }
}

int coretest_cosim_retire(coretest_cosim* cosim, uint32_t seq, uint32_t pc, uint32_t insn,
                          uint32_t writes) {
    return guarded("coretest_cosim_retire", cosim, [&](auto& s) {
        if (writes & ~kKnownWrites)
            return s.refuse(fmt::format("instruction {} retired with unknown write bits 0x{:x}",
                                        seq, writes & ~kKnownWrites));
        return s.retire(seq, pc, insn, static_cast<std::uint8_t>(writes & 0xf),
                        (writes & CORETEST_COSIM_TRAP) != 0);
    });
}

int coretest_cosim_retire_exception(coretest_cosim* cosim, uint32_t seq, uint32_t pc, uint32_t insn,
                                    uint32_t writes, uint32_t exc_code, uint32_t epc,
                                    uint32_t badvaddr) {
    return guarded("coretest_cosim_retire_exception", cosim, [&](auto& s) {
        if (writes & ~kKnownWrites)
            return s.refuse(fmt::format("instruction {} retired with unknown write bits 0x{:x}",
                                        seq, writes & ~kKnownWrites));
        const coretest::cosim::Session::Exception exception{exc_code, epc, badvaddr};
        return s.retire(seq, pc, insn, static_cast<std::uint8_t>(writes & 0xf), true, &exception);
    });
}

int coretest_cosim_write_gpr(coretest_cosim* cosim, uint32_t seq, uint32_t reg, uint32_t value) {
    return guarded("coretest_cosim_write_gpr", cosim,
                   [&](auto& s) { return s.writeGpr(seq, reg, value); });
}

int coretest_cosim_write_hi(coretest_cosim* cosim, uint32_t seq, uint32_t value) {
    return guarded("coretest_cosim_write_hi", cosim,
                   [&](auto& s) { return s.writeHi(seq, value); });
}

int coretest_cosim_write_lo(coretest_cosim* cosim, uint32_t seq, uint32_t value) {
    return guarded("coretest_cosim_write_lo", cosim,
                   [&](auto& s) { return s.writeLo(seq, value); });
}

int coretest_cosim_write_mem(coretest_cosim* cosim, uint32_t seq, uint32_t address,
                             uint32_t byte_enables, uint32_t data) {
    return guarded("coretest_cosim_write_mem", cosim,
                   [&](auto& s) { return s.writeMemory(seq, address, byte_enables, data); });
}

int coretest_cosim_board_read(coretest_cosim* cosim, uint32_t address, uint32_t value) {
    return guarded("coretest_cosim_board_read", cosim,
                   [&](auto& s) { return s.boardRead(address, value); });
}

int coretest_cosim_finish(coretest_cosim* cosim) {
    return guarded("coretest_cosim_finish", cosim, [&](auto& s) { return s.finish(); });
}

uint64_t coretest_cosim_checked(const coretest_cosim* cosim) {
    Checker* checker = cosim ? handles().find(cosim) : nullptr;
    if (!checker) {
        badHandle("coretest_cosim_checked", cosim);
        return 0;
    }
    return checker->session.checked();
}

uint64_t coretest_cosim_divergences(const coretest_cosim* cosim) {
    Checker* checker = cosim ? handles().find(cosim) : nullptr;
    if (!checker) {
        badHandle("coretest_cosim_divergences", cosim);
        return 0;
    }
    return checker->session.divergences();
}

void coretest_cosim_close(coretest_cosim* cosim) {
    if (!cosim) return;
    // The checker is released outside the table's lock.
    if (!handles().remove(cosim)) badHandle("coretest_cosim_close", cosim);
}

} // extern "C"
