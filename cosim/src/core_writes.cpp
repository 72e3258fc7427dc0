#include "core_writes.h"

#include "coretest/board.h"
#include "coretest/trace_records.h"

namespace coretest::cosim {

void storeRecords(std::uint32_t pc, std::uint32_t address, std::uint8_t enables, std::uint32_t data,
                  std::vector<TraceRecord>& out) {
    for (unsigned lane = 0; lane < 4;) {
        if (!(enables & (1u << lane))) {
            ++lane;
            continue;
        }
        unsigned size = 0;
        while (lane + size < 4 && (enables & (1u << (lane + size))))
            ++size;
        const std::uint32_t mask = size == 4 ? 0xffffffffu : (1u << (8 * size)) - 1;
        out.push_back({.pc = pc,
                       .kind = TraceRecord::Kind::Memory,
                       .size = static_cast<std::uint8_t>(size),
                       .address = (address & ~3u) + lane,
                       .value = (data >> (8 * lane)) & mask});
        lane += size;
    }
}

void coreRecords(const Retirement& r, bool physical, std::vector<TraceRecord>& out) {
    out.clear();
    const std::uint32_t pc = referenceAddress(r.pc, physical);
    if ((r.arrived & kGpr) && r.reg != 0)
        out.push_back(
            {.pc = pc, .kind = TraceRecord::Kind::Reg, .reg = r.reg, .value = r.regValue});
    if (r.arrived & kLo) out.push_back({.pc = pc, .kind = TraceRecord::Kind::Lo, .value = r.lo});
    if (r.arrived & kHi) out.push_back({.pc = pc, .kind = TraceRecord::Kind::Hi, .value = r.hi});
    if (r.arrived & kMem) {
        const std::uint32_t address = referenceAddress(r.memAddress, physical);
        if (address - kRomBase >= kRomSize) storeRecords(pc, address, r.memEnables, r.memData, out);
    }
    if (r.trap && r.exception)
        out.push_back(exceptionRecord(pc, r.excCode, referenceAddress(r.epc, physical),
                                      setsBadVAddr(r.excCode)
                                          ? std::optional(referenceAddress(r.badVAddr, physical))
                                          : std::nullopt));
}

} // namespace coretest::cosim
