#pragma once
// The records a core's trace holds beyond the reference core's own commit stream (trace.h):
// stores of any 1 to 4 contiguous bytes, and exceptions.
//
//   bfc01300 m 80000101 aabbcc          swr at offset 1: the bytes 0x80000101-0x80000103
//   bfc0123c exc 12 bfc0123c            an overflow exception, EPC bfc0123c
//   bfc01240 exc 05 bfc0123c 80000001   an address error on store in a delay slot (EPC at the
//                                       branch), BadVAddr 0x80000001
//
// A store's address is its first byte's, its value the bytes from there up as one little-endian
// number, 2, 4, 6 or 8 digits for 1 to 4 bytes (word, halfword and byte records read as they
// always have). An exception record belongs to the instruction that raised it: PC, "exc", the
// Cause code in decimal (ExcCode, 00 to 31), the EPC the exception left and, for an address
// error (codes 04 and 05) and only then, BadVAddr.
//
// In the checker an exception record is a TraceRecord of a kind of its own, kExceptionKind, which
// the reference core's commit stream never makes: reg holds the code, value the EPC (unknown its
// unknown bits), address BadVAddr, and size the flags below.
#include <cstdint>
#include <optional>
#include <string>

#include "coretest/trace.h"

namespace coretest {

inline constexpr TraceRecord::Kind kExceptionKind = static_cast<TraceRecord::Kind>(4);
// size of an exception record: it carries BadVAddr; its BadVAddr had unknown digits.
inline constexpr std::uint8_t kHasBadVAddr = 1;
inline constexpr std::uint8_t kBadVAddrUnknown = 2;

inline bool isException(const TraceRecord& r) {
    return r.kind == kExceptionKind;
}
// The Cause codes that set BadVAddr: address error on load or fetch (4) and on store (5).
inline bool setsBadVAddr(unsigned code) {
    return code == 4 || code == 5;
}

TraceRecord exceptionRecord(std::uint32_t pc, unsigned code, std::uint32_t epc,
                            std::optional<std::uint32_t> badVAddr = std::nullopt);

// The trace line of any record (without @SEQ): "bfc0123c exc 12 bfc0123c", "... m 80000101 aabbcc".
std::string traceLine(const TraceRecord& r);
// What a record says, in words: "r9 ($t1) = 0x00000002", "memory bytes 0x80000101-0x80000103 =
// 0xaabbcc", "an overflow exception, EPC bfc0123c".
std::string explainTraceRecord(const TraceRecord& r);

// "an overflow exception", "an address error exception on store", "exception code 14".
std::string exceptionName(unsigned code);
// "an overflow exception at bfc0123c with EPC bfc0123c", with " (delay slot)" when the EPC is the
// branch before the instruction and ", BadVAddr 80000001" where it has one.
std::string describeException(const TraceRecord& r);
// "with EPC bfc01238 (delay slot), BadVAddr 80000001": the exception's registers.
std::string exceptionRegisters(const TraceRecord& r);

// The bytes a store record writes: "bytes 0x80000101-0x80000103 (lanes 1 to 3 of the word at
// 0x80000100)", "byte 0x80000102 (lane 2 ...)".
std::string storeBytes(const TraceRecord& r);

} // namespace coretest
