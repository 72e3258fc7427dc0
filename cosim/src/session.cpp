#include "session.h"

#include <fmt/format.h>

#include <algorithm>

#include "core_writes.h"
#include "coretest/disassembler.h"
#include "coretest/line_table.h"
#include "divergence_report.h"

namespace coretest::cosim {

namespace {

const char* writeName(WriteKind kind) {
    switch (kind) {
    case kGpr: return "general-register";
    case kHi: return "HI";
    case kLo: return "LO";
    case kMem: return "store";
    }
    return "";
}

std::string announcedText(std::uint8_t kinds) {
    std::string out;
    for (WriteKind k : {kGpr, kHi, kLo, kMem})
        if (kinds & k) out += fmt::format("{}{}", out.empty() ? "" : ", ", writeName(k));
    return out;
}

WriteKind writeKindOf(TraceRecord::Kind kind) {
    switch (kind) {
    case TraceRecord::Kind::Reg: return kGpr;
    case TraceRecord::Kind::Hi: return kHi;
    case TraceRecord::Kind::Lo: return kLo;
    case TraceRecord::Kind::Memory: return kMem;
    }
    return kGpr;
}

// The routines and cases of the image from its line records; without them a report could not
// name a case or line, so the image is refused.
RomMap mapWithLines(const Image& image) {
    const LineTable lines = LineTable::of(image);
    return RomMap(image, &lines);
}

// "a write of r4", "a write of HI", "a store".
std::string announcedWrite(const TraceRecord& e) {
    switch (e.kind) {
    case TraceRecord::Kind::Reg: return fmt::format("a write of r{}", e.reg);
    case TraceRecord::Kind::Hi: return "a write of HI";
    case TraceRecord::Kind::Lo: return "a write of LO";
    case TraceRecord::Kind::Memory: return "a store";
    }
    return {};
}

constexpr std::uint32_t kHalfRange = std::uint32_t{1} << 31;

bool isEndMark(const TraceRecord& r) {
    return r.kind == TraceRecord::Kind::Memory &&
           r.address == static_cast<std::uint32_t>(BoardReg::EndMark) && r.value == kEndMarkValue;
}

} // namespace

Session::Session(Image image, const SessionOptions& options)
    : image_(std::move(image)), map_(mapWithLines(image_)), options_(options),
      ref_(image_, options.switchValue), ring_(options.context) {
    observed_.reserve(4);
}

Status Session::status(std::uint64_t divergencesBefore) const {
    if (stopped_) return Status::Stop;
    return divergences_ > divergencesBefore ? Status::Diverged : Status::Ok;
}

Status Session::misuse(const std::string& message) {
    // One line, then a count: a testbench that goes on misusing the library every cycle must not
    // bury its log (the count comes with the summary).
    if (misuses_++ == 0) {
        fmt::print(options_.err, "coretest cosim: {} (later misuse is counted, not printed)\n",
                   message);
        std::fflush(options_.err);
    }
    return Status::Error;
}

std::optional<Status> Session::afterFinish(const char* what, std::uint32_t seq) {
    if (!finished_) return std::nullopt;
    return misuse(fmt::format("{} for instruction {} after coretest_cosim_finish", what, seq));
}

Status Session::retire(std::uint32_t seq, std::uint32_t pc, std::uint32_t insn, std::uint8_t writes,
                       bool trap) {
    if (auto s = afterFinish("a retirement", seq)) return *s;
    if (stopped_ || ended_) return status(divergences_);
    Retirement* r = window_.at(seq);
    if (!r)
        return misuse(
            seq - window_.oldest() < kHalfRange
                ? fmt::format("instruction {} retired {} ahead of instruction {}, the oldest "
                              "unchecked one (at most {} ahead)",
                              seq, seq - window_.oldest(), window_.oldest(),
                              RetirementWindow::kMaxSpan - 1)
                : fmt::format("instruction {} retired after it was checked or given up (the "
                              "oldest unchecked one is {}; a seq is retired once)",
                              seq, window_.oldest()));
    if (r->retired) return misuse(fmt::format("instruction {} retired twice", seq));
    // Younger than the youngest so far, modulo 2^32 (seq may wrap).
    if (!anyRetired_ || static_cast<std::int32_t>(seq - newestRetired_) > 0) newestRetired_ = seq;
    anyRetired_ = true;
    r->retired = true;
    r->pc = pc;
    r->insn = insn;
    r->announced = writes & kAllWrites;
    r->trap = trap;
    return drain();
}

Retirement* Session::slotForWrite(std::uint32_t seq, WriteKind kind, int reg) {
    Retirement* r = window_.at(seq);
    if (!r) {
        const std::uint32_t ahead = seq - window_.oldest();
        misuse(fmt::format("a {} write{} for instruction {} arrived {}", writeName(kind),
                           reg < 0 ? "" : fmt::format(" of r{}", reg), seq,
                           ahead < kHalfRange
                               ? fmt::format("{} ahead of instruction {}, the oldest unchecked "
                                             "one (at most {} ahead)",
                                             ahead, window_.oldest(),
                                             RetirementWindow::kMaxSpan - 1)
                               : fmt::format("after the instruction was checked or given up "
                                             "(the oldest unchecked one is {})",
                                             window_.oldest())));
        return nullptr;
    }
    if (r->arrived & kind) {
        misuse(fmt::format("a second {} write for instruction {}", writeName(kind), seq));
        return nullptr;
    }
    r->arrived |= kind;
    return r;
}

Status Session::writeGpr(std::uint32_t seq, std::uint32_t reg, std::uint32_t value) {
    if (auto s = afterFinish("a general-register write", seq)) return *s;
    if (stopped_ || ended_) return status(divergences_);
    if (reg > 31) return misuse(fmt::format("register number {} is not 0 to 31", reg));
    Retirement* r = slotForWrite(seq, kGpr, static_cast<int>(reg));
    if (!r) return Status::Error;
    r->reg = static_cast<std::uint8_t>(reg);
    r->regValue = value;
    return drain();
}

Status Session::writeHi(std::uint32_t seq, std::uint32_t value) {
    if (auto s = afterFinish("a HI write", seq)) return *s;
    if (stopped_ || ended_) return status(divergences_);
    Retirement* r = slotForWrite(seq, kHi);
    if (!r) return Status::Error;
    r->hi = value;
    return drain();
}

Status Session::writeLo(std::uint32_t seq, std::uint32_t value) {
    if (auto s = afterFinish("a LO write", seq)) return *s;
    if (stopped_ || ended_) return status(divergences_);
    Retirement* r = slotForWrite(seq, kLo);
    if (!r) return Status::Error;
    r->lo = value;
    return drain();
}

Status Session::writeMemory(std::uint32_t seq, std::uint32_t address, std::uint32_t enables,
                            std::uint32_t data) {
    if (auto s = afterFinish("a store", seq)) return *s;
    if (stopped_ || ended_) return status(divergences_);
    if (enables == 0 || enables > 0xf)
        return misuse(fmt::format("byte enables 0x{:x} of a store are not 1 to 4 bits", enables));
    Retirement* r = slotForWrite(seq, kMem);
    if (!r) return Status::Error;
    r->memAddress = address & ~3u;
    r->memEnables = static_cast<std::uint8_t>(enables);
    r->memData = data;
    return drain();
}

Status Session::boardRead(std::uint32_t address, std::uint32_t value) {
    if (finished_) return misuse("a board read after coretest_cosim_finish");
    if (address != static_cast<std::uint32_t>(BoardReg::Switch))
        return misuse(fmt::format("0x{:08x} is no board input; the switch register is 0x{:08x}",
                                  address, static_cast<std::uint32_t>(BoardReg::Switch)));
    ref_.setSwitch(value);
    return Status::Ok;
}

Status Session::drain() {
    const std::uint64_t before = divergences_;
    while (!stopped_ && !ended_) {
        if (Retirement* r = window_.ready())
            check(*r);
        else if (!overdue())
            break;
        else if (Retirement* o = window_.oldestSlot(); o && o->retired)
            check(*o, static_cast<std::uint8_t>(o->announced & ~o->arrived));
        else
            neverRetired(o);
        window_.pop();
    }
    return status(before);
}

bool Session::overdue() const {
    const std::uint32_t behind = newestRetired_ - window_.oldest();
    return anyRetired_ && behind >= kLateLimit && behind < kHalfRange;
}

void Session::neverRetired(const Retirement* r) {
    Retirement missing;
    missing.seq = window_.oldest();
    diverged(missing, ref_.pc(), ref_.state(),
             fmt::format("instruction {} never retired{}, though {} younger instructions did; "
                         "the reference core executes {:08x} there",
                         missing.seq,
                         r && r->arrived ? fmt::format(" (its {} writes arrived)",
                                                       announcedText(r->arrived))
                                         : "",
                         newestRetired_ - missing.seq, ref_.pc()),
             std::nullopt, std::nullopt);
    followCorePc_ = true; // keep-going: on with the core's next instruction
}

void Session::check(const Retirement& r, std::uint8_t lost) {
    const std::uint32_t pc = referenceAddress(r.pc, options_.physical);
    if (pc != ref_.pc()) {
        if (!followCorePc_) {
            diverged(r, ref_.pc(), ref_.state(),
                     fmt::format("your core retired {:08x}, the reference core executes {:08x}", pc,
                                 ref_.pc()),
                     std::nullopt, std::nullopt);
            if (stopped_) {
                ++checked_;
                return;
            }
        }
        ref_.moveTo(pc);
    }
    followCorePc_ = false;
    const ReferenceStep& step = ref_.step();
    const std::uint32_t storedWord =
        r.arrived & kMem ? ref_.ramWord(referenceAddress(r.memAddress, options_.physical)) : 0;
    coreRecords(r, options_.physical, step.op, storedWord, observed_);

    const std::vector<TraceRecord>& expected = step.retired.records;
    bool differs = false;
    if (r.trap != step.trap) {
        differs = true;
        diverged(r, pc, ref_.before(),
                 r.trap ? "your core raised an exception; the reference core completes the "
                          "instruction"
                        : "the reference core raises an exception; your core completed the "
                          "instruction",
                 expected.empty() ? std::nullopt : std::optional(expected.front()),
                 observed_.empty() ? std::nullopt : std::optional(observed_.front()));
    } else {
        for (const TraceRecord& e : expected) {
            const auto o = std::find_if(observed_.begin(), observed_.end(),
                                        [&](const TraceRecord& x) { return x.kind == e.kind; });
            if (o != observed_.end() && *o == e) {
                ++matched_; // counted as it agrees, as compare counts records one by one
                continue;
            }
            differs = true;
            std::string what;
            if (o == observed_.end())
                what = lost & writeKindOf(e.kind)
                           ? fmt::format("your core announced {} at instruction {} that never "
                                         "came ({} younger instructions retired after it)",
                                         announcedWrite(e), r.seq, newestRetired_ - r.seq)
                           : "your core did not write it";
            diverged(r, pc, ref_.before(), what, e,
                     o == observed_.end() ? std::nullopt : std::optional(*o));
            break;
        }
        for (const TraceRecord& o : observed_) {
            if (differs) break;
            if (std::none_of(expected.begin(), expected.end(),
                             [&](const TraceRecord& e) { return e.kind == o.kind; })) {
                differs = true;
                diverged(r, pc, ref_.before(), "the reference core does not write it", std::nullopt,
                         o);
            }
        }
        if (!differs && lost) {
            // The core announced a write the reference core does not make, and it never came.
            differs = true;
            diverged(r, pc, ref_.before(),
                     fmt::format("your core announced {} writes at instruction {} that never "
                                 "came ({} younger instructions retired after it); the reference "
                                 "core makes none",
                                 announcedText(lost), r.seq, newestRetired_ - r.seq),
                     std::nullopt, std::nullopt);
        }
    }
    remember(step.retired);
    ++checked_;
    if (stopped_) return;
    if (differs) adopt(expected, step.trap, r.trap);
    const std::vector<TraceRecord>& done = differs ? observed_ : expected;
    if (options_.verbosity > 0) narrate({pc, done});
    ended_ = std::any_of(done.begin(), done.end(), isEndMark);
}

void Session::diverged(const Retirement& r, std::uint32_t pc, const CoreState& state,
                       const std::string& what, const std::optional<TraceRecord>& expected,
                       const std::optional<TraceRecord>& observed) {
    const RoutineMap* routine = map_.routineAt(pc);
    RoutineTally& tally = perRoutine_[routine ? routine->name : "(outside the routines)"];
    const std::uint64_t ordinal = divergences_++;
    if (!options_.keepGoing) stopped_ = true;
    const bool full = ordinal < kFullReports;
    if (++tally.count == 1) {
        tally.firstInstruction = checked_ + 1;
        tally.firstSeq = r.seq;
        const CaseRef where = map_.caseAt(pc);
        tally.first = fmt::format(
            "{:08x} {}{}: {}", pc, disassemble(map_.word(pc), pc),
            where.caseIndex ? fmt::format(" (case {}, line {})", where.caseIndex, where.line) : "",
            !what.empty() ? what
            : expected && observed
                ? fmt::format("expected {}, observed {}", explainRecord(*expected),
                              explainRecord(*observed))
                : "");
        if (!full)
            fmt::print(options_.out, "coretest cosim: divergence {} at instruction {} (@{}), the "
                                     "first in {}: {}\n",
                       ordinal + 1, checked_ + 1, r.seq,
                       routine ? routine->name : "the code between the routines", tally.first);
    }
    if (!full) return;
    DivergenceReport report;
    report.ordinal = ordinal;
    report.checkedBefore = checked_;
    report.what = what;
    Divergence& d = report.divergence;
    d.kind = expected && observed && what.empty() ? Divergence::Kind::Differs
             : expected                           ? Divergence::Kind::Missing
             : observed                           ? Divergence::Kind::Extra
                                                  : Divergence::Kind::Elsewhere;
    d.seq = r.seq;
    d.expected = expected;
    d.observed = observed;
    d.instruction = pc;
    d.where = map_.caseAt(pc);
    d.caseRegisters = caseRegisters(map_, pc, state.regs);
    d.matchedBefore = matched_;
    const std::size_t n = std::min<std::uint64_t>(ringNext_, ring_.size());
    for (std::size_t k = n; k > 0; --k)
        d.before.push_back(ring_[(ringNext_ - k) % ring_.size()]);
    fmt::print(options_.out, "coretest cosim: {}", formatReport(report, image_, map_));
    std::fflush(options_.out);
    if (ordinal + 1 == kFullReports)
        fmt::print(options_.out,
                   "coretest cosim: {} divergences shown in full; from here on the first in each "
                   "routine gets one line and the rest are counted (the table at the end)\n",
                   kFullReports);
}

void Session::adopt(std::vector<TraceRecord> expected, bool referenceTrapped, bool coreTrapped) {
    // Undo what the reference core wrote and the core did not; a store cannot be undone, its
    // bytes stay in the reference memory.
    const CoreState before = ref_.before();
    for (const TraceRecord& e : expected) {
        if (e.kind == TraceRecord::Kind::Reg) ref_.setReg(e.reg, before.regs[e.reg]);
        if (e.kind == TraceRecord::Kind::Hi) ref_.setHi(before.hi);
        if (e.kind == TraceRecord::Kind::Lo) ref_.setLo(before.lo);
    }
    for (const TraceRecord& o : observed_) {
        switch (o.kind) {
        case TraceRecord::Kind::Reg: ref_.setReg(o.reg, o.value); break;
        case TraceRecord::Kind::Hi: ref_.setHi(o.value); break;
        case TraceRecord::Kind::Lo: ref_.setLo(o.value); break;
        case TraceRecord::Kind::Memory: ref_.store(o.address, o.size, o.value); break;
        }
    }
    if (coreTrapped && !referenceTrapped) ref_.moveTo(kExceptionVector);
    followCorePc_ = true;
}

void Session::remember(const RetiredInstruction& retired) {
    if (ring_.empty()) return;
    RetiredInstruction& slot = ring_[ringNext_ % ring_.size()];
    slot.pc = retired.pc;
    slot.records.assign(retired.records.begin(), retired.records.end());
    ++ringNext_;
}

void Session::narrate(const RetiredInstruction& retired) {
    for (const TraceRecord& r : retired.records)
        if (r.kind == TraceRecord::Kind::Memory &&
            r.address == static_cast<std::uint32_t>(BoardReg::Display)) {
            const auto* routine = map_.routineAt(retired.pc);
            fmt::print(options_.out,
                       "coretest cosim: display 0x{:08x}: routine {} ({}), {} passed\n", r.value,
                       r.value >> 24, routine ? routine->name : "?", r.value & 0xffffff);
        }
    if (options_.verbosity > 1) {
        std::string records;
        for (const TraceRecord& r : retired.records)
            records += (records.empty() ? "" : ", ") + explainRecord(r);
        fmt::print(options_.out, "coretest cosim: {:>10} {:08x}  {:<28} {}\n", checked_, retired.pc,
                   disassemble(map_.word(retired.pc), retired.pc), records);
    }
}

void Session::reportIncomplete() {
    constexpr std::size_t kShown = 8;
    std::vector<const Retirement*> pending;
    std::size_t waiting = 0; // complete, but behind an incomplete one
    for (const Retirement* r : window_.pending())
        if (r->complete())
            ++waiting;
        else
            pending.push_back(r);
    for (std::size_t i = 0; i < pending.size() && i < kShown; ++i) {
        const Retirement& r = *pending[i];
        if (r.retired)
            fmt::print(options_.out,
                       "coretest cosim: instruction {} at {:08x} retired announcing {} writes; "
                       "the {} never arrived\n",
                       r.seq, r.pc, announcedText(r.announced),
                       announcedText(r.announced & ~r.arrived));
        else
            fmt::print(options_.out,
                       "coretest cosim: {} writes for instruction {} arrived; it never retired\n",
                       announcedText(r.arrived), r.seq);
    }
    if (pending.size() > kShown)
        fmt::print(options_.out, "coretest cosim: ... and {} more unfinished instructions\n",
                   pending.size() - kShown);
    if (waiting)
        fmt::print(options_.out,
                   "coretest cosim: {} complete instruction{} waited behind them, unchecked\n",
                   waiting, waiting == 1 ? "" : "s");
    divergences_ += pending.empty() ? 0 : 1;
}

Status Session::finish() {
    if (finished_) return finishStatus_;
    finished_ = true;
    if (!stopped_ && !ended_) reportIncomplete();
    printSummary();
    if (misuses_ > 1) {
        fmt::print(options_.err, "coretest cosim: {} more calls were refused as misuse after the "
                                 "first (not printed)\n",
                   misuses_ - 1);
        std::fflush(options_.err);
    }
    finishStatus_ = stopped_ ? Status::Stop : divergences_ ? Status::Diverged : Status::Ok;
    return finishStatus_;
}

void Session::printSummary() {
    std::FILE* out = options_.out;
    const BoardState& b = ref_.board();
    fmt::print(out, "coretest cosim: {} instructions checked{}, ", checked_,
               ended_ ? " up to the end mark" : "");
    if (divergences_ == 0)
        fmt::print(out, "no divergence\n");
    else
        fmt::print(out, "{} divergence{}{}\n", divergences_, divergences_ == 1 ? "" : "s",
                   stopped_ ? " (stopped at the first)" : "");
    if (stopped_)
        fmt::print(out,
                   "coretest cosim: verdict: none, the simulation stopped at the divergence\n");
    else if (!b.endMarked())
        fmt::print(out, "coretest cosim: verdict: none, no end mark (display 0x{:08x})\n",
                   b.display);
    else
        fmt::print(out,
                   "coretest cosim: verdict: {}, {} of 58 routines passed (LED bank 0x{:04x}, lamp "
                   "A {}, lamp B {})\n",
                   b.lampA == 1 && b.lampB == 1 ? "pass" : "FAIL", b.display & 0xffffff, b.ledBank,
                   b.lampA, b.lampB);
    if (!perRoutine_.empty()) {
        std::string list;
        for (const auto& [name, tally] : perRoutine_)
            list += fmt::format("{}{} {}", list.empty() ? "" : ", ", name, tally.count);
        fmt::print(out, "coretest cosim: diverged in {} routine{}: {}\n", perRoutine_.size(),
                   perRoutine_.size() == 1 ? "" : "s", list);
    }
    if (divergences_ > kFullReports) printRoutineTable();
    if (misuses_)
        fmt::print(out, "coretest cosim: {} call{} refused as misuse (see standard error)\n",
                   misuses_, misuses_ == 1 ? "" : "s");
    std::fflush(out);
}

void Session::printRoutineTable() {
    // In run order, as the summary of `coretest compare --keep-going` lists them.
    std::vector<std::pair<const std::string*, const RoutineTally*>> rows;
    for (const auto& [name, tally] : perRoutine_)
        rows.emplace_back(&name, &tally);
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.second->firstInstruction < b.second->firstInstruction; });
    fmt::print(options_.out, "coretest cosim: {:<24} {:>11} {:>12}  {}\n", "ROUTINE", "DIVERGENCES",
               "FIRST AT", "FIRST DIVERGENCE");
    for (const auto& [name, tally] : rows)
        fmt::print(options_.out, "coretest cosim: {:<24} {:>11} {:>12}  {}\n", *name, tally->count,
                   tally->firstInstruction, tally->first);
}

} // namespace coretest::cosim
