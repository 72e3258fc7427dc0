#include "coretest/rom_map.h"

#include <elf.h>
#include <fmt/format.h>

#include <algorithm>
#include <charconv>

#include "coretest/disassembler.h"
#include "coretest/memory_map.h"

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

} // namespace

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

RoutineNumbers RomMap::routineNumbers() const {
    if (routines_.empty()) return {};
    RoutineNumbers n{kMaxTestNumber, 0};
    for (const RoutineMap& r : routines_) {
        const unsigned number = static_cast<unsigned>(r.number);
        n.first = std::min(n.first, number);
        n.last = std::max(n.last, number);
    }
    return n;
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

} // namespace coretest
