#include "coretest/strict_memory.h"

#include <fmt/format.h>

#include <elf.h>

#include <algorithm>
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

} // namespace

// What one ROM may do with memory.
struct StrictMemoryRules {
    std::vector<Window> windows;
    bool subWord;      // bytes and halfwords at their own alignment, besides aligned words
    bool ownCodeLoads; // a routine may load the words of its own code
};

namespace {

// The first ROM: aligned words only, the delay-slot routines' words, the load and store tests'
// windows and the boot unit's guard word.
const StrictMemoryRules& firstRomRules() {
    static const StrictMemoryRules rules{
        {
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
        },
        false,
        false};
    return rules;
}

// The second ROM (rom2/README.md): the exception handler's record at 0x80000400 (Cause, EPC,
// BadVAddr, Status, the announced resume address), which the handler in the boot unit writes and
// the exception cases arm and read; the count of old values seen in load delay slots, stored once
// by test_end; the hazard cases' words; and the memory cases' words, drawn from 0x80010000 to
// 0x8003ffec with a neighbour word on either side. The misaligned loads of n80_adel_test fault
// before they reach memory; n81_ades_test clears the words its faulting stores would touch.
// hz_link loads the instruction word at a link address, in its own code.
const StrictMemoryRules& secondRomRules() {
    static const StrictMemoryRules rules{
        {
            {0x80000400,
             0x80000410,
             {"", "n77_ov_test", "n78_syscall_test", "n79_break_test", "n80_adel_test",
              "n81_ades_test", "n82_ri_test"},
             false},
            {0x80000414, 0x80000414, {""}, false},
            {0x80000500,
             0x800005fc,
             {"n69_hz_alu_test", "n70_hz_shift_test", "n71_hz_load_test", "n72_hz_hilo_test",
              "n73_hz_link_test"},
             false},
            {0x8000fffc,
             0x8003fff4,
             {"n59_lb_test", "n60_lbu_test", "n61_lh_test", "n62_lhu_test", "n63_sb_test",
              "n64_sh_test", "n65_lwl_test", "n66_lwr_test", "n67_swl_test", "n68_swr_test",
              "n81_ades_test"},
             false},
        },
        true,
        true};
    return rules;
}

// The number N of a routine symbol "nN_<name>_test", or 0.
unsigned routineNumber(std::string_view name) {
    if (!name.starts_with('n') || !name.ends_with("_test")) return 0;
    unsigned n = 0;
    std::size_t i = 1;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && n < 1000; ++i)
        n = n * 10 + static_cast<unsigned>(name[i] - '0');
    return i > 1 && i < name.size() && name[i] == '_' ? n : 0;
}

// The second ROM's rules for an image whose routines are all numbered after the first ROM's 58
// (a random image numbers its checkpoint blocks from 1, as the first ROM does).
const StrictMemoryRules& rulesFor(const Image& image) {
    unsigned lowest = 0;
    for (const Symbol& s : image.symbols())
        if (const unsigned n = s.defined && s.type == STT_FUNC ? routineNumber(s.name) : 0)
            lowest = lowest ? std::min(lowest, n) : n;
    return lowest > 58 ? secondRomRules() : firstRomRules();
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

StrictMemory::StrictMemory(const Image& image) : image_(image), rules_(&rulesFor(image)) {}

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
    if (!rules_->subWord && (a.size != 4 || (a.address & 3))) return "not an aligned word";
    if (rules_->subWord && ((a.size != 1 && a.size != 2 && a.size != 4) || a.address % a.size))
        return "not aligned to its size";
    if (a.address - kRomBase < kRomSize) {
        if (rules_->ownCodeLoads && read && !routine.empty())
            if (const auto own = image_.routine(routine); own && own->contains(a.address))
                return std::nullopt;
        return "data access to the ROM";
    }
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
    const std::uint32_t word = a.address & ~3u;
    for (const Window& w : rules_->windows) {
        if (word < w.first || word > w.last) continue;
        if (std::find(w.owners.begin(), w.owners.end(), routine) == w.owners.end()) continue;
        if (w.loadsOnly && !read) return "store to a word that is only ever loaded";
        return std::nullopt;
    }
    return "outside the routine's scratch words";
}

} // namespace coretest
