#include "session.h"

#include <fmt/format.h>

#include <algorithm>

#include "core_writes.h"
#include "coretest/disassembler.h"
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

bool isEndMark(const TraceRecord& r) {
    return r.kind == TraceRecord::Kind::Memory &&
           r.address == static_cast<std::uint32_t>(BoardReg::EndMark) && r.value == kEndMarkValue;
}

} // namespace

Session::Session(Image image, const SessionOptions& options)
    : image_(std::move(image)), map_(RomMap::load(image_)), options_(options),
      ref_(image_, options.switchValue), ring_(options.context) {
    observed_.reserve(4);
}

Status Session::status(std::uint64_t divergencesBefore) const {
    if (stopped_) return Status::Stop;
    return divergences_ > divergencesBefore ? Status::Diverged : Status::Ok;
}

Status Session::misuse(const std::string& message) {
    fmt::print(options_.err, "coretest cosim: {}\n", message);
    std::fflush(options_.err);
    return Status::Error;
}

Status Session::retire(std::uint32_t seq, std::uint32_t pc, std::uint32_t insn, std::uint8_t writes,
                       bool trap) {
    if (stopped_ || ended_) return status(divergences_);
    Retirement* r = window_.at(seq);
    if (!r)
        return misuse(fmt::format("instruction {} retired, but instruction {} is the oldest "
                                  "unchecked one (a seq is retired once, at most {} ahead)",
                                  seq, window_.oldest(), RetirementWindow::kMaxSpan - 1));
    if (r->retired) return misuse(fmt::format("instruction {} retired twice", seq));
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
        misuse(fmt::format("a {} write{} for instruction {} arrived {}", writeName(kind),
                           reg < 0 ? "" : fmt::format(" of r{}", reg), seq,
                           seq - window_.oldest() >= RetirementWindow::kMaxSpan / 2
                               ? "after the instruction was checked without it"
                               : "too far ahead of the oldest unchecked instruction"));
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
    if (stopped_ || ended_) return status(divergences_);
    if (reg > 31) return misuse(fmt::format("register number {} is not 0 to 31", reg));
    Retirement* r = slotForWrite(seq, kGpr, static_cast<int>(reg));
    if (!r) return Status::Error;
    r->reg = static_cast<std::uint8_t>(reg);
    r->regValue = value;
    return drain();
}

Status Session::writeHi(std::uint32_t seq, std::uint32_t value) {
    if (stopped_ || ended_) return status(divergences_);
    Retirement* r = slotForWrite(seq, kHi);
    if (!r) return Status::Error;
    r->hi = value;
    return drain();
}

Status Session::writeLo(std::uint32_t seq, std::uint32_t value) {
    if (stopped_ || ended_) return status(divergences_);
    Retirement* r = slotForWrite(seq, kLo);
    if (!r) return Status::Error;
    r->lo = value;
    return drain();
}

Status Session::writeMemory(std::uint32_t seq, std::uint32_t address, std::uint32_t enables,
                            std::uint32_t data) {
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
    if (address != static_cast<std::uint32_t>(BoardReg::Switch))
        return misuse(fmt::format("0x{:08x} is no board input; the switch register is 0x{:08x}",
                                  address, static_cast<std::uint32_t>(BoardReg::Switch)));
    ref_.setSwitch(value);
    return Status::Ok;
}

Status Session::drain() {
    const std::uint64_t before = divergences_;
    while (!stopped_ && !ended_) {
        Retirement* r = window_.ready();
        if (!r) break;
        check(*r);
        window_.pop();
    }
    return status(before);
}

void Session::check(const Retirement& r) {
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
            diverged(r, pc, ref_.before(), o == observed_.end() ? "your core did not write it" : "",
                     e, o == observed_.end() ? std::nullopt : std::optional(*o));
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
    ++perRoutine_[routine ? routine->name : "(outside the routines)"];
    DivergenceReport report;
    report.ordinal = divergences_++;
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
    if (!options_.keepGoing) stopped_ = true;
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
    const auto pending = window_.pending();
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
    divergences_ += pending.empty() ? 0 : 1;
}

Status Session::finish() {
    if (!finished_) {
        finished_ = true;
        if (!stopped_ && !ended_) reportIncomplete();
        printSummary();
    }
    if (stopped_) return Status::Stop;
    return divergences_ ? Status::Diverged : Status::Ok;
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
        for (const auto& [name, count] : perRoutine_)
            list += fmt::format("{}{} {}", list.empty() ? "" : ", ", name, count);
        fmt::print(out, "coretest cosim: diverged in {} routine{}: {}\n", perRoutine_.size(),
                   perRoutine_.size() == 1 ? "" : "s", list);
    }
    std::fflush(out);
}

} // namespace coretest::cosim
