#include "coretest/trace_records.h"

#include <fmt/format.h>

namespace coretest {

namespace {

std::string badVAddrText(const TraceRecord& r) {
    return r.size & kBadVAddrUnknown ? "xxxxxxxx" : fmt::format("{:08x}", r.address);
}

// The Cause codes by name: the exception itself, and what it happened on.
struct CauseName {
    const char* name;
    const char* on;
};

CauseName causeOf(unsigned code) {
    switch (code) {
    case 0: return {"interrupt", ""};
    case 1: return {"TLB modification", ""};
    case 2: return {"TLB miss", " on load or fetch"};
    case 3: return {"TLB miss", " on store"};
    case 4: return {"address error", " on load or fetch"};
    case 5: return {"address error", " on store"};
    case 6: return {"bus error", " on fetch"};
    case 7: return {"bus error", " on load or store"};
    case 8: return {"syscall", ""};
    case 9: return {"breakpoint", ""};
    case 10: return {"reserved instruction", ""};
    case 11: return {"coprocessor unusable", ""};
    case 12: return {"overflow", ""};
    default: return {nullptr, ""};
    }
}

bool startsWithVowel(const char* word) {
    const char c = word[0];
    return c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u';
}

} // namespace

TraceRecord exceptionRecord(std::uint32_t pc, unsigned code, std::uint32_t epc,
                            std::optional<std::uint32_t> badVAddr) {
    return {.pc = pc,
            .kind = kExceptionKind,
            .reg = static_cast<std::uint8_t>(code & 31),
            .size = badVAddr ? kHasBadVAddr : std::uint8_t{0},
            .address = badVAddr.value_or(0),
            .value = epc};
}

std::string traceLine(const TraceRecord& r) {
    if (r.kind == TraceRecord::Kind::Memory && r.size == 3)
        return fmt::format("{:08x} m {:08x} {}", r.pc, r.address, hexDigits(r.value, r.unknown, 6));
    if (!isException(r)) return formatRecord(r);
    std::string out =
        fmt::format("{:08x} exc {:02} {}", r.pc, r.reg, hexDigits(r.value, r.unknown, 8));
    if (r.size & kHasBadVAddr) out += " " + badVAddrText(r);
    return out;
}

std::string exceptionName(unsigned code) {
    const CauseName c = causeOf(code);
    if (!c.name) return fmt::format("an exception of code {}", code);
    return fmt::format("{} {} exception{}", startsWithVowel(c.name) ? "an" : "a", c.name, c.on);
}

std::string exceptionRegisters(const TraceRecord& r) {
    std::string out = "with EPC " + hexDigits(r.value, r.unknown, 8);
    if (!r.unknown && r.value + 4 == r.pc) out += " (delay slot)";
    if (r.size & kHasBadVAddr) out += ", BadVAddr " + badVAddrText(r);
    return out;
}

std::string describeException(const TraceRecord& r) {
    return fmt::format("{} at {:08x} {}", exceptionName(r.reg), r.pc, exceptionRegisters(r));
}

std::string storeBytes(const TraceRecord& r) {
    const std::uint32_t word = r.address & ~3u;
    const unsigned first = r.address & 3, last = first + r.size - 1;
    if (r.size == 1)
        return fmt::format("byte 0x{:08x} (lane {} of the word at 0x{:08x})", r.address, first,
                           word);
    if (last > 3)
        return fmt::format("bytes 0x{:08x}-0x{:08x} (across the words at 0x{:08x} and "
                           "0x{:08x})",
                           r.address, r.address + r.size - 1, word, word + 4);
    return fmt::format("bytes 0x{:08x}-0x{:08x} (lanes {} to {} of the word at 0x{:08x})",
                       r.address, r.address + r.size - 1, first, last, word);
}

std::string explainTraceRecord(const TraceRecord& r) {
    if (isException(r)) {
        std::string name = exceptionName(r.reg);
        return fmt::format("{} (code {}) {}", name, r.reg, exceptionRegisters(r));
    }
    if (r.kind == TraceRecord::Kind::Memory && r.size == 3)
        return fmt::format("memory bytes 0x{:08x}-0x{:08x} = 0x{}", r.address, r.address + 2,
                           hexDigits(r.value, r.unknown, 6));
    return explainRecord(r);
}

} // namespace coretest
