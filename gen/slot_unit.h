#pragma once
// Writes a delay-slot routine's unit from its probe list and its case template: the lines (one
// template invocation per probe, the setup lines as they are), the body size, and the counted
// properties, which the chain model computes from the same lines.
#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "slot_chain.h"
#include "unit.h"

namespace casegen::slot {

struct SlotRoutine {
    int number;
    std::string_view macro;   // the routine's template macro in the family's .inc
    std::string_view include; // that .inc
    CaseModel model;
    int probes;             // 26 or 32
    std::uint32_t dataWord; // the RAM word the store and load probes use
    int plainWords;         // instructions of a case whose probe has a result register
    int mulDivWords;        // instructions of a multiply/divide case
};

inline constexpr std::string_view kSlotProbeInclude = "slot_probe.inc";

inline std::string caseLine(const SlotRoutine& r, const SlotLine& line) {
    const std::string_view kind = isMulDiv(line.probe) ? "hilo" : "plain";
    const std::string call = fmt::format("{} {}, {}", r.macro, kind, probeArguments(line.probe));
    return fmt::format("{:<48}# case {}", call, line.number);
}

inline bool isRunWide(int reg) {
    return reg >= s0 && reg <= s3;
}

// Registers the case templates themselves write besides the probe's substituted operand.
inline std::vector<int> templateWrites(const CaseModel& m) {
    std::vector<int> regs{s6};
    for (const auto& g : m.guards)
        regs.push_back(g.first);
    if (m.order == CaseModel::Order::Branches) regs.push_back(m.result);
    if (m.links) regs.insert(regs.end(), {s7, ra});
    if (m.jumpReg != zero) regs.push_back(m.jumpReg);
    regs.insert(regs.end(), {v0, v1});
    return regs;
}

inline void fillSlotUnit(Unit& u, const SlotRoutine& r) {
    const std::vector<SlotLine> lines = probeLines(r.number, r.probes);
    u.includes = {std::string(kSlotProbeInclude), std::string(r.include)};
    // ra may hold a link address on a failure path; s7 holds the return address on every path.
    if (r.model.links) u.returnReg = "$s7";

    int cases = 0, mulDivCases = 0, setup = 0;
    std::string_view group;
    for (const auto& line : lines) {
        std::string_view heading;
        if (!line.isCase())
            heading = "operands of the multiply and divide probes (not cases)";
        else if (isMulDiv(line.probe))
            heading = "multiply and divide in the delay slot, read back from LO";
        else if (line.number > kShortList + 4)
            heading = "HI and LO as the last multiply left them";
        else
            heading = "one probe per case, run in the delay slot and as reference";
        if (heading != group) {
            if (!u.lines.empty()) u.lines.emplace_back();
            u.lines.push_back(fmt::format("# {}", heading));
            group = heading;
        }
        if (!line.isCase()) {
            u.lines.push_back(render(line.probe));
            u.bodyWords += 1;
            ++setup;
            continue;
        }
        u.lines.push_back(caseLine(r, line));
        ++cases;
        if (isMulDiv(line.probe)) ++mulDivCases;
        u.bodyWords += isMulDiv(line.probe) ? r.mulDivWords : r.plainWords;
    }

    const bool longList = r.probes == kLongList;
    u.properties.push_back(countProperty("cases", r.probes, cases));
    u.properties.push_back(countProperty("multiply/divide cases", longList ? 4 : 0, mulDivCases));
    u.properties.push_back(countProperty("setup lines before probe 27", longList ? 2 : 0, setup));

    const ChainOutcome chain = runChainForEveryPassCount(lines, r.model, r.number);
    u.properties.push_back(
        flagProperty("delay-slot results equal the reference for every pass count", chain.agrees));
    u.properties.push_back(
        flagProperty("no probe traps or divides without a defined result", !chain.traps));
    u.properties.push_back(
        flagProperty("every register a probe reads is set before", !chain.readsUnset));
    u.properties.push_back(
        flagProperty("every load reads a word the routine stored first", !chain.readsUnwritten));
    const std::uint32_t word = chain.dataWords.size() == 1 ? *chain.dataWords.begin() : 0;
    u.properties.push_back({"data word of the store and load probes", hex32(r.dataWord),
                            hex32(word), chain.dataWords.size() == 1 && word == r.dataWord});
    if (longList) {
        // A jump register's value is the check step's address, somewhere in the ROM.
        const bool romClobber = r.model.jumpReg != zero && r.model.loClobber == r.model.jumpReg;
        const auto isClobber = [&](std::uint32_t lo) {
            if (romClobber) return lo >= kRomBase && lo < kRomEnd;
            return std::find(chain.loClobbers.begin(), chain.loClobbers.end(), lo) !=
                   chain.loClobbers.end();
        };
        u.properties.push_back(flagProperty(
            "LO clobber differs from every expected LO",
            !chain.expectedLo.empty() &&
                std::none_of(chain.expectedLo.begin(), chain.expectedLo.end(), isClobber)));
    }

    const std::vector<int> writes = templateWrites(r.model);
    bool keepsFrame = true, keepsSaved = true;
    for (const auto& line : lines) {
        const int d = isMulDiv(line.probe) ? zero : line.probe.dest;
        if (isRunWide(d) || d == ra) keepsFrame = false;
        if (line.isCase() && std::find(writes.begin(), writes.end(), d) != writes.end() &&
            line.probe.op != Op::Sw)
            keepsSaved = false;
    }
    u.properties.push_back(flagProperty("no probe writes s0-s3 or ra", keepsFrame));
    u.properties.push_back(
        flagProperty("no probe writes a register of its case template", keepsSaved));
}

} // namespace casegen::slot
