#pragma once
// The reference core's own retirement stream of the ROM's short run, in the terms of the
// retirement interface, and a testbench stand-in that feeds a stream to the co-simulation
// library through its C interface.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "coretest/image.h"
#include "coretest/trace.h"
#include "coretest_cosim.h"

namespace coretest::cosim_test {

// An instruction as the reference core retires it, in a core's terms: a swl or swr store as the
// bytes it writes, a trap with the exception a core with coprocessor 0 reports.
struct StreamInstruction {
    struct Exception {
        std::uint32_t code = 0; // Cause.ExcCode
        std::uint32_t epc = 0;
        std::uint32_t badVAddr = 0; // address errors only, else 0
    };
    std::uint32_t seq = 0;
    std::uint32_t pc = 0;
    std::uint32_t insn = 0;
    std::vector<TraceRecord> records;
    bool trap = false;
    std::uint32_t announcedAlso = 0;    // announced writes beyond the records (that never arrive)
    bool retires = true;                // false: its writes arrive, its retirement never does
    std::optional<Exception> exception; // with trap
};

// Every instruction of the image's run (switch 1) up to the end-mark store.
std::vector<StreamInstruction> recordStream(const char* path);
// The same for the ROM's short run (built once).
const std::vector<StreamInstruction>& referenceStream();
// The same for the second ROM, whose exceptions retire as traps, each with its exception.
const std::vector<StreamInstruction>& secondRomStream();

// The first instruction of the stream that satisfies `pick`.
std::size_t findInstruction(const std::vector<StreamInstruction>& stream,
                            const std::function<bool(const StreamInstruction&)>& pick);
// Whether the instruction writes a record of that kind.
bool writes(const StreamInstruction& i, TraceRecord::Kind kind);
// The addresses of a routine in the ROM.
AddressRange routineRange(const std::string& name);

// How a testbench delivers a stream.
struct Delivery {
    // HI and LO of a multiply or divide arrive this many instructions after its retirement.
    std::size_t lateHiLo = 0;
    // A store arrives before the retirement of the instruction before it.
    bool earlyStores = false;
    // A trap comes with its exception (coretest_cosim_retire_exception), as from a core with
    // coprocessor 0; false: only CORETEST_COSIM_TRAP, as from a core without one.
    bool exceptions = true;
};

struct FeedResult {
    int firstStatus = CORETEST_COSIM_OK; // the first status other than OK (OK when none)
    std::uint32_t firstSeq = 0;          // the seq of the call that returned it
    int finishStatus = CORETEST_COSIM_OK;
    std::uint64_t checked = 0;
    std::uint64_t skipped = 0; // skipped after divergences, as the summary says
    std::uint64_t divergences = 0;
    std::string output; // what the library printed
    std::string errors; // what it printed on standard error
};

// Feeds the stream to an open checker up to the first STOP or ERROR; `result` gets the first
// status other than OK and its seq.
void deliverAll(coretest_cosim* cosim, const std::vector<StreamInstruction>& stream,
                const Delivery& delivery, FeedResult& result);

// Opens the library on the built ROM (switch 1), or on `image`, feeds the stream, finishes and
// closes.
FeedResult feed(const std::vector<StreamInstruction>& stream, std::uint32_t flags,
                const Delivery& delivery = {}, const char* image = CORETEST_ROM_PATH);

} // namespace coretest::cosim_test
