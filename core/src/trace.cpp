#include "coretest/trace.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <istream>
#include <ostream>
#include <string_view>

#include "coretest/disassembler.h"

namespace coretest {

namespace {

constexpr std::string_view kAccepted =
    "expected 'ADDRESS rNN VALUE', 'ADDRESS hi VALUE', 'ADDRESS lo VALUE' or 'ADDRESS m "
    "ADDRESS VALUE' (hexadecimal, register number 00 to 31)";

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// Up to 8 hexadecimal digits, with or without 0x.
std::optional<std::uint32_t> hexField(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.empty() || text.size() > 8) return std::nullopt;
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string shortened(std::string_view line) {
    constexpr std::size_t kShown = 60;
    return line.size() <= kShown ? std::string(line) : std::string(line.substr(0, kShown)) + "...";
}

// The record a trace line holds, or what is wrong with it.
struct Parsed {
    std::optional<TraceRecord> record;
    std::string problem;
};

Parsed parseFields(const std::vector<std::string_view>& f) {
    const auto pc = hexField(f[0]);
    if (!pc) return {{}, fmt::format("'{}' is not a hexadecimal address", f[0])};
    if (f.size() < 3) return {{}, "too few fields"};
    TraceRecord r;
    r.pc = *pc;
    const std::string what = lower(f[1]);
    const std::size_t wanted = what == "m" ? 4 : 3;
    if (f.size() != wanted)
        return {{}, fmt::format("{} fields where '{}' takes {}", f.size(), what, wanted)};
    const auto value = hexField(f.back());
    if (!value) return {{}, fmt::format("'{}' is not a hexadecimal value", f.back())};
    r.value = *value;
    if (what == "hi" || what == "lo") {
        r.kind = what == "hi" ? TraceRecord::Kind::Hi : TraceRecord::Kind::Lo;
    } else if (what == "m") {
        const auto address = hexField(f[2]);
        if (!address) return {{}, fmt::format("'{}' is not a hexadecimal address", f[2])};
        std::string_view digits = f[3];
        if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
        if (digits.size() != 2 && digits.size() != 4 && digits.size() != 8)
            return {{}, "a memory value has 8, 4 or 2 digits (word, halfword or byte)"};
        r.kind = TraceRecord::Kind::Memory;
        r.address = *address;
        r.size = static_cast<std::uint8_t>(digits.size() / 2);
    } else {
        unsigned reg = 32;
        const std::string_view num = std::string_view(what).substr(1);
        const auto [end, ec] = std::from_chars(num.data(), num.data() + num.size(), reg);
        if (what[0] != 'r' || num.empty() || ec != std::errc{} || end != num.data() + num.size())
            return {{}, fmt::format("'{}' is not rNN, hi, lo or m", f[1])};
        if (reg > 31) return {{}, fmt::format("register number {} is not 00 to 31", reg)};
        r.kind = TraceRecord::Kind::Reg;
        r.reg = static_cast<std::uint8_t>(reg);
    }
    return {r, {}};
}

} // namespace

std::string formatRecord(const TraceRecord& r) {
    switch (r.kind) {
    case TraceRecord::Kind::Reg: return fmt::format("{:08x} r{:02} {:08x}", r.pc, r.reg, r.value);
    case TraceRecord::Kind::Hi: return fmt::format("{:08x} hi {:08x}", r.pc, r.value);
    case TraceRecord::Kind::Lo: return fmt::format("{:08x} lo {:08x}", r.pc, r.value);
    case TraceRecord::Kind::Memory:
        return fmt::format("{:08x} m {:08x} {:0{}x}", r.pc, r.address, r.value, 2 * r.size);
    }
    return {};
}

std::string explainRecord(const TraceRecord& r) {
    switch (r.kind) {
    case TraceRecord::Kind::Reg:
        return fmt::format("r{} (${}) = 0x{:08x}", r.reg, registerName(r.reg), r.value);
    case TraceRecord::Kind::Hi: return fmt::format("HI = 0x{:08x}", r.value);
    case TraceRecord::Kind::Lo: return fmt::format("LO = 0x{:08x}", r.value);
    case TraceRecord::Kind::Memory: {
        const char* unit = r.size == 4 ? "word" : r.size == 2 ? "halfword" : "byte";
        return fmt::format("memory {} at 0x{:08x} = 0x{:0{}x}", unit, r.address, r.value,
                           2 * r.size);
    }
    }
    return {};
}

TraceReader::TraceReader(std::istream& in, std::string source)
    : in_(in), source_(std::move(source)) {}

std::optional<TraceRecord> TraceReader::next() {
    std::string text;
    while (std::getline(in_, text)) {
        ++line_;
        const auto f = fields(text);
        if (f.empty() || f[0].starts_with("#") || f[0].starts_with("//")) continue;
        const Parsed p = parseFields(f);
        if (!p.record)
            throw InputError(fmt::format("{}:{}: '{}' is not a trace record: {}; {}", source_,
                                         line_, shortened(text), p.problem, kAccepted));
        if (p.record->kind == TraceRecord::Kind::Reg && p.record->reg == 0) continue;
        ++records_;
        return p.record;
    }
    return std::nullopt;
}

void CommitStream::add(const TraceRecord& r) {
    if (!ended_) pending_.push_back(r);
}

void CommitStream::regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) {
    add({.pc = pc,
         .kind = TraceRecord::Kind::Reg,
         .reg = static_cast<std::uint8_t>(reg),
         .value = value});
}

void CommitStream::hiWritten(std::uint32_t pc, std::uint32_t value) {
    add({.pc = pc, .kind = TraceRecord::Kind::Hi, .value = value});
}

void CommitStream::loWritten(std::uint32_t pc, std::uint32_t value) {
    add({.pc = pc, .kind = TraceRecord::Kind::Lo, .value = value});
}

void CommitStream::memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                                 std::uint32_t value) {
    add({.pc = pc,
         .kind = TraceRecord::Kind::Memory,
         .size = static_cast<std::uint8_t>(size),
         .address = addr,
         .value = value});
    if (addr == static_cast<std::uint32_t>(BoardReg::EndMark) && value == kEndMarkValue)
        endMarkPending_ = true;
}

void CommitStream::retired(std::uint32_t pc, std::uint64_t /*count*/) {
    if (ended_) return;
    ++instructions_;
    records_ += pending_.size();
    committed(pc, pending_);
    pending_.clear();
    ended_ = endMarkPending_;
}

void TraceWriter::committed(std::uint32_t /*pc*/, const std::vector<TraceRecord>& records) {
    for (const auto& r : records) {
        buffer_ += formatRecord(r);
        buffer_ += '\n';
    }
    if (buffer_.size() > 1 << 16) finish();
}

void TraceWriter::finish() {
    out_ << buffer_;
    buffer_.clear();
    out_.flush();
}

namespace {

// Compares the reference core's records with the user's as the instructions retire.
class TraceComparer : public CommitStream {
  public:
    TraceComparer(const RomMap& map, TraceReader& user, std::size_t context)
        : map_(map), user_(user), ring_(context) {}

    bool decided() const { return decided_; }
    TraceComparison& result() { return result_; }

    // The user's records after the end of the reference run (they are not compared).
    void countRest() {
        while (user_.next())
            ++result_.extraRecords;
    }

  protected:
    void committed(std::uint32_t pc, const std::vector<TraceRecord>& records) override {
        if (decided_) return;
        observed_.clear();
        lines_.clear();
        for (std::size_t i = 0; i < records.size(); ++i) {
            auto r = user_.next();
            if (!r) return endsEarly(pc, records, i);
            observed_.push_back(*r);
            lines_.push_back(user_.line());
        }
        if (!std::is_permutation(records.begin(), records.end(), observed_.begin())) {
            std::size_t i = 0;
            while (records[i] == observed_[i])
                ++i;
            return differs(pc, records, i);
        }
        result_.matchedRecords += records.size();
        for (const auto& r : records)
            if (r.kind == TraceRecord::Kind::Reg) regs_[r.reg] = r.value;
        remember(pc, records);
    }

  private:
    void remember(std::uint32_t pc, const std::vector<TraceRecord>& records) {
        if (!records.empty()) {
            lastWithRecords_.pc = pc;
            lastWithRecords_.records.assign(records.begin(), records.end());
        }
        if (ring_.empty()) return;
        RetiredInstruction& slot = ring_[next_ % ring_.size()];
        slot.pc = pc;
        slot.records.assign(records.begin(), records.end());
        ++next_;
    }

    void fillContext(std::uint32_t pc) {
        result_.where = map_.caseAt(pc);
        result_.caseRegisters = caseRegisters(map_, pc, regs_);
        const std::size_t n = std::min<std::uint64_t>(next_, ring_.size());
        for (std::size_t k = n; k > 0; --k)
            result_.before.push_back(ring_[(next_ - k) % ring_.size()]);
    }

    void differs(std::uint32_t pc, const std::vector<TraceRecord>& records, std::size_t i) {
        decided_ = true;
        result_.outcome = TraceComparison::Outcome::Differs;
        result_.matchedRecords += i;
        result_.record = user_.records() - (observed_.size() - 1 - i);
        result_.line = lines_[i];
        result_.expected = records[i];
        result_.observed = observed_[i];
        fillContext(pc);
    }

    void endsEarly(std::uint32_t pc, const std::vector<TraceRecord>& records, std::size_t i) {
        decided_ = true;
        result_.outcome = TraceComparison::Outcome::EndsEarly;
        result_.matchedRecords += i;
        result_.record = user_.records();
        result_.line = user_.line();
        result_.expected = records[i];
        if (lastWithRecords_.pc) result_.lastAgreed = lastWithRecords_;
        fillContext(pc);
    }

    const RomMap& map_;
    TraceReader& user_;
    std::vector<RetiredInstruction> ring_;
    std::uint64_t next_ = 0;
    RetiredInstruction lastWithRecords_;
    std::vector<TraceRecord> observed_; // the user's records for the current instruction
    std::vector<int> lines_;            // and their lines
    std::array<std::uint32_t, 32> regs_{};
    bool decided_ = false;
    TraceComparison result_;
};

} // namespace

TraceComparison compareTrace(const Image& image, const RomMap& map, TraceReader& user,
                             const CompareOptions& options) {
    TraceComparer comparer(map, user, options.context);
    RunOptions run = options.run;
    run.observer = &comparer;
    coretest::run(image, run);
    if (!comparer.decided()) comparer.countRest();
    TraceComparison result = std::move(comparer.result());
    result.expectedRecords = comparer.records();
    return result;
}

std::optional<std::uint32_t> switchLoadAddress(const Image& image, const RomMap& map) {
    const Symbol* wait = image.findSymbol("wait_1s");
    if (!wait) return std::nullopt;
    constexpr std::uint32_t kLw = 0x23, kSearched = 8;
    for (std::uint32_t pc = wait->value; pc < wait->value + 4 * kSearched; pc += 4)
        if (map.word(pc) >> 26 == kLw) return pc;
    return std::nullopt;
}

std::optional<std::uint32_t> switchReadIn(TraceReader& user, std::uint32_t loadAddress) {
    while (const auto r = user.next())
        if (r->pc == loadAddress && r->kind == TraceRecord::Kind::Reg) return r->value;
    return std::nullopt;
}

} // namespace coretest
