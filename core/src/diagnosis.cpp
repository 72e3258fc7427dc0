#include "coretest/diagnosis.h"

#include <elf.h>
#include <fmt/format.h>

#include <algorithm>
#include <charconv>

#include "coretest/disassembler.h"

namespace coretest {

namespace {

// "n8_slt_test" -> 8; 0 for any other name.
int routineNumber(std::string_view name) {
    if (name.size() < 8 || name[0] != 'n' || !name.ends_with("_test")) return 0;
    int n = 0;
    const auto [end, ec] = std::from_chars(name.data() + 1, name.data() + name.size(), n);
    if (ec != std::errc{} || *end != '_') return 0;
    return n;
}

// Setup lines (a group clear, a divisor load) are single instructions; every case template is
// at least five. The first row of a routine is its entry, the last its exit and report block.
constexpr std::uint32_t kShortestCaseBytes = 3 * 4;

std::vector<CaseSpan> casesOf(const LineTable& lines, const RoutineMap& r) {
    std::vector<CaseSpan> rows;
    for (const auto& row : lines.rows())
        if (r.range.contains(row.address)) rows.push_back({row.address, row.end, row.line});
    std::vector<CaseSpan> cases;
    if (rows.size() < 2) return cases;
    for (std::size_t i = 1; i + 1 < rows.size(); ++i)
        if (rows[i].end - rows[i].begin >= kShortestCaseBytes) cases.push_back(rows[i]);
    return cases;
}

// Destination register of an instruction word, if it writes one.
std::optional<unsigned> destination(std::uint32_t word) {
    const std::uint32_t op = word >> 26, fn = word & 0x3f;
    const unsigned rt = (word >> 16) & 31, rd = (word >> 11) & 31;
    if (word == 0) return std::nullopt;
    if (op == 0) {
        if (fn == 0x08 || fn == 0x0c || fn == 0x0d || fn == 0x11 || fn == 0x13 ||
            (fn >= 0x18 && fn <= 0x1b))
            return std::nullopt;
        return rd ? std::optional<unsigned>(rd) : std::nullopt;
    }
    if (op == 0x01) return (rt & 0x10) ? std::optional<unsigned>(31) : std::nullopt;
    if (op == 0x03) return 31u;
    if ((op >= 0x08 && op <= 0x0f) || (op >= 0x20 && op <= 0x26))
        return rt ? std::optional<unsigned>(rt) : std::nullopt;
    return std::nullopt;
}

// A constant load: lui, or addiu/ori from zero, or the ori of a lui/ori pair.
bool isConstantLoad(std::uint32_t word, unsigned reg) {
    const std::uint32_t op = word >> 26;
    const unsigned rs = (word >> 21) & 31, rt = (word >> 16) & 31;
    if (rt != reg) return false;
    if (op == 0x0f) return true;
    return (op == 0x09 || op == 0x0d) && (rs == 0 || rs == reg);
}

// Each register written in [begin, end) with the word of its last writer, in order of first write.
std::vector<std::pair<unsigned, std::uint32_t>> lastWriters(const RomMap& map, std::uint32_t begin,
                                                            std::uint32_t end) {
    std::vector<std::pair<unsigned, std::uint32_t>> out;
    for (std::uint32_t pc = begin; pc < end; pc += 4) {
        const std::uint32_t w = map.word(pc);
        const auto dst = destination(w);
        if (!dst) continue;
        auto it =
            std::find_if(out.begin(), out.end(), [&](const auto& p) { return p.first == *dst; });
        if (it == out.end())
            out.emplace_back(*dst, w);
        else
            it->second = w;
    }
    return out;
}

// Far more arrivals at report blocks than a run of 58 routines makes.
constexpr std::size_t kMaxReports = 100'000;

struct Arrival {
    std::uint32_t block;
    CoreState state;
    std::uint64_t instructions;
};

} // namespace

std::string CaseRef::describe() const {
    if (!routine) return "outside every routine";
    if (caseIndex == 0)
        return line ? fmt::format("the frame of {} ({}:{})", routine->name, routine->file, line)
                    : fmt::format("the frame of {} ({})", routine->name, routine->file);
    return fmt::format("case {} of {} ({}:{})", caseIndex, routine->name, routine->file, line);
}

RomMap::RomMap(const Image& image, const LineTable* lines) {
    rom_.assign(kRomSize, 0);
    for (const auto& seg : image.segments()) {
        const std::uint32_t off = seg.paddr - kRomBase;
        if (off >= kRomSize) continue;
        const std::size_t n = std::min<std::size_t>(seg.bytes.size(), kRomSize - off);
        std::copy_n(seg.bytes.begin(), n, rom_.begin() + off);
    }
    std::vector<std::uint32_t> blocks;
    for (const auto& sym : image.symbols())
        if (sym.name == "inst_error" && sym.defined) blocks.push_back(sym.value);
    for (const auto& sym : image.symbols()) {
        const int n = routineNumber(sym.name);
        if (n == 0 || sym.type != STT_FUNC || !sym.defined) continue;
        RoutineMap r;
        r.number = n;
        r.name = sym.name;
        r.range = {sym.value, sym.value + sym.size};
        for (std::uint32_t b : blocks)
            if (r.range.contains(b)) r.reportBlock = b;
        if (lines) {
            if (const LineRow* row = lines->rowAt(sym.value)) r.file = lines->unitOf(*row).path();
            r.cases = casesOf(*lines, r);
        }
        routines_.push_back(std::move(r));
    }
    std::sort(routines_.begin(), routines_.end(),
              [](const RoutineMap& a, const RoutineMap& b) { return a.number < b.number; });
}

RomMap RomMap::load(const Image& image) {
    try {
        const LineTable lines = LineTable::of(image);
        return RomMap(image, &lines);
    } catch (const InputError&) {
        return RomMap(image, nullptr);
    }
}

const RoutineMap* RomMap::routineAt(std::uint32_t pc) const {
    for (const auto& r : routines_)
        if (r.range.contains(pc)) return &r;
    return nullptr;
}

const RoutineMap* RomMap::routineNamed(std::string_view name) const {
    for (const auto& r : routines_)
        if (r.name == name || std::string_view(r.name).substr(0, r.name.size() - 5) == name)
            return &r;
    return nullptr;
}

CaseRef RomMap::caseAt(std::uint32_t pc) const {
    CaseRef ref;
    ref.routine = routineAt(pc);
    if (!ref.routine) return ref;
    const auto& cases = ref.routine->cases;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (pc >= cases[i].begin && pc < cases[i].end) {
            ref.caseIndex = static_cast<int>(i) + 1;
            ref.line = cases[i].line;
            return ref;
        }
    }
    return ref;
}

CaseRef RomMap::caseOf(std::string_view routine, int caseIndex) const {
    CaseRef ref;
    ref.routine = routineNamed(routine);
    if (!ref.routine || caseIndex < 1 ||
        static_cast<std::size_t>(caseIndex) > ref.routine->cases.size())
        return ref;
    ref.caseIndex = caseIndex;
    ref.line = ref.routine->cases[static_cast<std::size_t>(caseIndex) - 1].line;
    return ref;
}

std::vector<std::pair<unsigned, std::uint32_t>>
caseRegisters(const RomMap& map, std::uint32_t pc, const std::array<std::uint32_t, 32>& regs) {
    const CaseRef where = map.caseAt(pc);
    if (!where.caseIndex) return {};
    std::vector<std::pair<unsigned, std::uint32_t>> out;
    const auto begin = where.routine->cases[static_cast<std::size_t>(where.caseIndex) - 1].begin;
    for (const auto& [reg, word] : lastWriters(map, begin, pc))
        out.emplace_back(reg, regs[reg]);
    return out;
}

std::string describeRegisters(const std::vector<std::pair<unsigned, std::uint32_t>>& registers) {
    std::string out;
    for (const auto& [reg, value] : registers)
        out += fmt::format("{}{}=0x{:08x}", out.empty() ? "" : " ", registerName(reg), value);
    return out;
}

std::vector<std::uint32_t> RomMap::reportBlocks() const {
    std::vector<std::uint32_t> out;
    for (const auto& r : routines_)
        if (r.reportBlock) out.push_back(r.reportBlock);
    return out;
}

std::uint32_t RomMap::word(std::uint32_t address) const {
    const std::uint32_t off = address - kRomBase;
    if (off > kRomSize - 4) return 0;
    return static_cast<std::uint32_t>(rom_[off]) | static_cast<std::uint32_t>(rom_[off + 1]) << 8 |
           static_cast<std::uint32_t>(rom_[off + 2]) << 16 |
           static_cast<std::uint32_t>(rom_[off + 3]) << 24;
}

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

Observed observe(const Diagnosis& d) {
    Observed o;
    o.reason = d.run.reason;
    switch (d.run.reason) {
    case StopReason::Verdict:
        o.kind = d.verdictPassed() ? ExpectedKind::Unnoticed : ExpectedKind::Fails;
        for (const auto& r : d.routines)
            if (!r.passed)
                o.failures.push_back({r.name, r.failure ? r.failure->where.caseIndex : 0,
                                      r.failure ? r.failure->comparison.ordinal : 0});
        break;
    case StopReason::ExceptionIdle:
        o.kind = ExpectedKind::ExceptionIdle;
        if (d.exceptionAt && d.exceptionAt->routine)
            o.failures.push_back({d.exceptionAt->routine->name, d.exceptionAt->caseIndex, 0});
        break;
    case StopReason::StrayIdle: o.kind = ExpectedKind::ExceptionIdle; break; // no place to name
    case StopReason::IdleNoVerdict:
    case StopReason::InstructionLimit:
    case StopReason::EventLogFull: o.kind = ExpectedKind::IdleNoVerdict; break;
    }
    return o;
}

bool agrees(const Expected& expected, const Observed& observed) {
    if (expected.kind != observed.kind) return false;
    if (observed.reason == StopReason::InstructionLimit ||
        observed.reason == StopReason::EventLogFull)
        return false;
    if (expected.kind == ExpectedKind::Unnoticed || expected.kind == ExpectedKind::IdleNoVerdict)
        return true;
    if (expected.failures.size() != observed.failures.size()) return false;
    for (std::size_t i = 0; i < expected.failures.size(); ++i) {
        const auto& e = expected.failures[i];
        const auto& o = observed.failures[i];
        if (e.routine != o.routine || e.caseIndex != o.caseIndex) return false;
        if (e.comparison != 0 && e.comparison != o.comparison) return false;
    }
    return true;
}

namespace {

template <class F>
std::string joinFailures(const std::vector<F>& failures, bool withComparison) {
    std::string out;
    for (const auto& f : failures) {
        if (!out.empty()) out += "; ";
        out += fmt::format("{} case {}", f.routine, f.caseIndex);
        if (withComparison && f.comparison) out += fmt::format(" comparison {}", f.comparison);
    }
    return out;
}

} // namespace

std::string describe(const Expected& e) {
    switch (e.kind) {
    case ExpectedKind::Unnoticed: return "unnoticed";
    case ExpectedKind::Fails: return "fails " + joinFailures(e.failures, true);
    case ExpectedKind::ExceptionIdle:
        return e.failures.empty() ? "exception idle loop, reached without an exception"
                                  : "exception idle loop at " + joinFailures(e.failures, false);
    case ExpectedKind::IdleNoVerdict: return "idle without verdict";
    }
    return {};
}

std::string describe(const Observed& o) {
    switch (o.reason) {
    case StopReason::InstructionLimit: return "still running at the instruction limit";
    case StopReason::EventLogFull: return "stopped: the board's log of register accesses is full";
    default: break;
    }
    Expected e{o.kind, {}};
    std::string out = describe(e);
    if (!o.failures.empty()) {
        out = o.kind == ExpectedKind::Fails ? "fails " : "exception idle loop at ";
        out += joinFailures(o.failures, o.kind == ExpectedKind::Fails);
    }
    return out;
}

} // namespace coretest
