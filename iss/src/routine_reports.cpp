#include "coretest/routine_reports.h"

#include <fmt/format.h>

#include <utility>

#include "coretest/disassembler.h"

namespace coretest {

namespace {

// Far more arrivals at report blocks than a run of 58 routines makes.
constexpr std::size_t kMaxReports = 100'000;

struct Arrival {
    std::uint32_t block;
    CoreState state;
    std::uint64_t instructions;
};

} // namespace

std::string CaseFailure::describe() const {
    if (comparison.guard)
        return fmt::format("{} at 0x{:08x}: control reached the case's fall-through guard",
                           comparison.text, comparison.pc);
    return fmt::format("{} at 0x{:08x}: expected ${}=0x{:08x}, got ${}=0x{:08x}", comparison.text,
                       comparison.pc, registerName(comparison.expected), expectedValue,
                       registerName(comparison.got), gotValue);
}

Diagnosis diagnose(const Image& image, const RomMap& map, RunOptions options) {
    std::vector<Arrival> arrivals;
    options.watches = map.reportBlocks();
    Diagnosis d;
    // A core that loops through a report block arrives there without end: keep the first ones.
    options.onWatch = [&arrivals, &d](const WatchHit& hit) {
        if (arrivals.size() < kMaxReports)
            arrivals.push_back({hit.address, hit.state, hit.instructions});
        else
            ++d.reportsDropped;
    };
    d.run = run(image, options);

    // Each arrival at a report block is followed by that routine's write of its result word.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> displays;
    for (const auto& e : d.run.events)
        if (e.kind == BoardEvent::Kind::Write && e.reg == BoardReg::Display)
            displays.emplace_back(e.instruction, e.value);
    auto next = displays.begin(); // arrivals and display writes are both in run order
    for (const auto& a : arrivals) {
        const RoutineMap* r = map.routineAt(a.block);
        if (!r) continue;
        RoutineReport rep;
        rep.number = r->number;
        rep.name = r->name;
        while (next != displays.end() && next->first < a.instructions)
            ++next;
        if (next != displays.end()) rep.resultWord = next->second;
        const std::uint32_t branchPc = a.state.lastBranch;
        const bool failed =
            r->range.contains(branchPc) && staticTarget(map.word(branchPc), branchPc) == a.block;
        rep.passed = !failed;
        if (failed) {
            CaseFailure f;
            f.where = map.caseAt(branchPc);
            const std::uint32_t word = map.word(branchPc);
            f.comparison.pc = branchPc;
            f.comparison.text = disassemble(word, branchPc);
            f.comparison.guard = (word >> 16) == 0x1000; // beq zero, zero: the `b` form
            f.comparison.got = (word >> 21) & 31;
            f.comparison.expected = (word >> 16) & 31;
            std::uint32_t begin =
                f.where.caseIndex ? r->cases[static_cast<std::size_t>(f.where.caseIndex) - 1].begin
                                  : branchPc;
            for (std::uint32_t pc = begin; pc < branchPc; pc += 4)
                if (staticTarget(map.word(pc), pc) == a.block) ++f.comparison.ordinal;
            ++f.comparison.ordinal;
            const auto lastWriter = lastWriters(map, begin, branchPc);
            // The compared register last written by a constant load holds the expectation.
            for (const auto& [reg, w] : lastWriter)
                if (reg == f.comparison.got && isConstantLoad(w, reg))
                    std::swap(f.comparison.got, f.comparison.expected);
            for (const auto& [reg, w] : lastWriter)
                f.registers.emplace_back(reg, a.state.regs[reg]);
            f.gotValue = a.state.regs[f.comparison.got];
            f.expectedValue = a.state.regs[f.comparison.expected];
            rep.failure = std::move(f);
        }
        d.routines.push_back(std::move(rep));
    }
    if (d.run.exception) d.exceptionAt = map.caseAt(d.run.exception->pc);
    return d;
}

} // namespace coretest
