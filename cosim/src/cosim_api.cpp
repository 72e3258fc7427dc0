// The C interface of the co-simulation library over Session.
#include <fmt/format.h>

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "coretest_cosim.h"
#include "session.h"

struct coretest_cosim {
    coretest_cosim(coretest::Image image, const coretest::cosim::SessionOptions& options)
        : session(std::move(image), options) {}
    coretest::cosim::Session session;
};

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

// The handles that are open. A C caller can hand back any pointer: one it closed already, one
// from another library, garbage. Only a lookup that never dereferences it can tell, so the open
// handles are kept in this one process-wide set (the only state the library shares between
// handles), under a mutex because testbenches may run several simulations on threads. The lock is
// held for the lookup only; a handle itself is used by one thread at a time, as the header says.
class Handles {
  public:
    void add(const coretest_cosim* h) {
        const std::lock_guard lock(mutex_);
        open_.insert(h);
    }
    bool remove(const coretest_cosim* h) {
        const std::lock_guard lock(mutex_);
        return open_.erase(h) != 0;
    }
    bool isOpen(const coretest_cosim* h) {
        const std::lock_guard lock(mutex_);
        return open_.contains(h);
    }

  private:
    std::mutex mutex_;
    std::unordered_set<const coretest_cosim*> open_;
};

Handles& handles() {
    static Handles h; // never destroyed before a late close from a static destructor
    return h;
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
    if (!cosim || !handles().isOpen(cosim)) return badHandle(name, cosim);
    try {
        return static_cast<int>(call(cosim->session));
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
        auto cosim = std::make_unique<coretest_cosim>(coretest::Image::load(elf_path), options);
        handles().add(cosim.get());
        return cosim.release();
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

int coretest_cosim_write_gpr(coretest_cosim* cosim, uint32_t seq, uint32_t reg, uint32_t value) {
    return guarded("coretest_cosim_write_gpr", cosim,
                   [&](auto& s) { return s.writeGpr(seq, reg, value); });
}

int coretest_cosim_write_hi(coretest_cosim* cosim, uint32_t seq, uint32_t value) {
    return guarded("coretest_cosim_write_hi", cosim, [&](auto& s) { return s.writeHi(seq, value); });
}

int coretest_cosim_write_lo(coretest_cosim* cosim, uint32_t seq, uint32_t value) {
    return guarded("coretest_cosim_write_lo", cosim, [&](auto& s) { return s.writeLo(seq, value); });
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
    if (!cosim || !handles().isOpen(cosim)) return badHandle("coretest_cosim_checked", cosim), 0;
    return cosim->session.checked();
}

uint64_t coretest_cosim_divergences(const coretest_cosim* cosim) {
    if (!cosim || !handles().isOpen(cosim))
        return badHandle("coretest_cosim_divergences", cosim), 0;
    return cosim->session.divergences();
}

void coretest_cosim_close(coretest_cosim* cosim) {
    if (!cosim) return;
    if (!handles().remove(cosim)) {
        badHandle("coretest_cosim_close", cosim);
        return;
    }
    delete cosim;
}

} // extern "C"
