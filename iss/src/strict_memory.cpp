#include "coretest/strict_memory.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace coretest {

namespace {

// The RAM words the program uses, and who uses them.
struct Window {
    std::uint32_t first; // word addresses, inclusive
    std::uint32_t last;
    std::vector<std::string_view> owners; // routine names; "" is the boot unit
    bool loadsOnly;
};

const std::array<Window, 7>& windows() {
    static const std::array<Window, 7> table{{
        {0x80000000, 0x80000000, {""}, true}, // the guard groups' load, never executed
        {0x80018ee0,
         0x80018ee0,
         {"n16_beq_ds_test", "n20_jr_ds_test", "n52_bgez_ds_test", "n53_bgtz_ds_test",
          "n54_blez_ds_test", "n55_bltz_ds_test", "n56_bltzal_ds_test", "n57_bgezal_ds_test",
          "n58_jalr_ds_test"},
         false},
        {0x80019ee0, 0x80019ee0, {"n19_jal_ds_test"}, false},
        {0x80020120, 0x80020120, {"n17_bne_ds_test"}, false},
        {0x80027120, 0x80027120, {"n18_j_ds_test"}, false},
        {0x800212ac, 0x8003fec8, {"n6_lw_test"}, false},
        {0x800242bc, 0x8003fba4, {"n12_sw_test"}, false},
    }};
    return table;
}

std::string hex(std::uint32_t v) {
    return fmt::format("0x{:08x}", v);
}

} // namespace

std::string MemoryViolation::describe() const {
    return fmt::format("{} of {} byte{} at {} by the instruction at {} ({}): {}",
                       access.kind == BoardAccess::Kind::Read ? "read" : "write", access.size,
                       access.size == 1 ? "" : "s", hex(access.address), hex(pc),
                       routine.empty() ? "boot unit" : routine, reason);
}

StrictMemory::StrictMemory(const Image& image) : image_(image) {}

void StrictMemory::checkAccess(const BoardAccess& access) {
    pending_.push_back(access);
    if (access.address - kRamBase < kRamSize) {
        const std::uint32_t top = access.address + access.size - 1;
        lowest_ = std::min(lowest_.value_or(access.address), access.address);
        highest_ = std::max(highest_.value_or(top), top);
    }
}

void StrictMemory::retired(std::uint32_t pc, std::uint64_t count) {
    if (pending_.empty()) return;
    const Symbol* routine = image_.routineAt(pc);
    const std::string name = routine ? routine->name : "";
    for (const BoardAccess& a : pending_)
        if (a.instruction + 1 == count)
            if (auto reason = rule(a, name)) violations_.push_back({a, pc, name, *reason});
    pending_.clear();
}

std::optional<std::string> StrictMemory::rule(const BoardAccess& a,
                                              const std::string& routine) const {
    const bool read = a.kind == BoardAccess::Kind::Read;
    if (a.size != 4 || (a.address & 3)) return "not an aligned word";
    if (a.address - kRomBase < kRomSize) return "data access to the ROM";
    if (a.address >= 0xfffff000) {
        switch (static_cast<BoardReg>(a.address)) {
        case BoardReg::Switch:
            return read ? std::nullopt : std::optional<std::string>("write to the switch input");
        case BoardReg::LedBank:
        case BoardReg::LampA:
        case BoardReg::LampB:
        case BoardReg::Display:
        case BoardReg::EndMark:
            return read ? std::optional<std::string>("read of an output register") : std::nullopt;
        }
        return "unused board word";
    }
    if (a.address - kRamBase >= kRamSize) return "outside the board's memory";
    for (const Window& w : windows()) {
        if (a.address < w.first || a.address > w.last) continue;
        if (std::find(w.owners.begin(), w.owners.end(), routine) == w.owners.end()) continue;
        if (w.loadsOnly && !read) return "store to a word that is only ever loaded";
        return std::nullopt;
    }
    return "outside the routine's scratch words";
}

} // namespace coretest
