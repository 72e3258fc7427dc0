// The C interface of the co-simulation library over Session.
#include <fmt/format.h>

#include <exception>
#include <memory>

#include "coretest_cosim.h"
#include "session.h"

struct coretest_cosim {
    coretest_cosim(coretest::Image image, const coretest::cosim::SessionOptions& options)
        : session(std::move(image), options) {}
    coretest::cosim::Session session;
};

namespace {

using coretest::cosim::Status;

int fail(const char* what) {
    fmt::print(stderr, "coretest cosim: {}\n", what);
    return CORETEST_COSIM_ERROR;
}

// Runs one call on a handle; a null handle or an exception is misuse, reported on stderr.
template <class Call>
int guarded(coretest_cosim* cosim, Call call) {
    if (!cosim) return fail("called with a null handle (did coretest_cosim_open fail?)");
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
    try {
        coretest::cosim::SessionOptions options;
        options.switchValue = switch_value;
        options.keepGoing = flags & CORETEST_COSIM_KEEP_GOING;
        options.physical = flags & CORETEST_COSIM_PHYSICAL;
        options.verbosity = verbosity;
        return std::make_unique<coretest_cosim>(coretest::Image::load(elf_path), options).release();
    } catch (const std::exception& e) {
        fail(e.what());
        return nullptr;
    }
}

int coretest_cosim_retire(coretest_cosim* cosim, uint32_t seq, uint32_t pc, uint32_t insn,
                          uint32_t writes) {
    return guarded(cosim, [&](auto& s) {
        return s.retire(seq, pc, insn, static_cast<std::uint8_t>(writes & 0xf),
                        (writes & CORETEST_COSIM_TRAP) != 0);
    });
}

int coretest_cosim_write_gpr(coretest_cosim* cosim, uint32_t seq, uint32_t reg, uint32_t value) {
    return guarded(cosim, [&](auto& s) { return s.writeGpr(seq, reg, value); });
}

int coretest_cosim_write_hi(coretest_cosim* cosim, uint32_t seq, uint32_t value) {
    return guarded(cosim, [&](auto& s) { return s.writeHi(seq, value); });
}

int coretest_cosim_write_lo(coretest_cosim* cosim, uint32_t seq, uint32_t value) {
    return guarded(cosim, [&](auto& s) { return s.writeLo(seq, value); });
}

int coretest_cosim_write_mem(coretest_cosim* cosim, uint32_t seq, uint32_t address,
                             uint32_t byte_enables, uint32_t data) {
    return guarded(cosim, [&](auto& s) { return s.writeMemory(seq, address, byte_enables, data); });
}

int coretest_cosim_board_read(coretest_cosim* cosim, uint32_t address, uint32_t value) {
    return guarded(cosim, [&](auto& s) { return s.boardRead(address, value); });
}

int coretest_cosim_finish(coretest_cosim* cosim) {
    return guarded(cosim, [&](auto& s) { return s.finish(); });
}

uint64_t coretest_cosim_checked(const coretest_cosim* cosim) {
    return cosim ? cosim->session.checked() : 0;
}

uint64_t coretest_cosim_divergences(const coretest_cosim* cosim) {
    return cosim ? cosim->session.divergences() : 0;
}

void coretest_cosim_close(coretest_cosim* cosim) {
    std::unique_ptr<coretest_cosim> owned(cosim);
}

} // extern "C"
