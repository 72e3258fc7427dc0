#include "session.h"

#include <fmt/format.h>

#include <algorithm>
#include <limits>

#include "core_writes.h"
#include "coretest/compare_report.h"
#include "coretest/counted_units.h"
#include "coretest/disassembler.h"
#include "coretest/line_table.h"
#include "coretest/trace_records.h"

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

CompareOptions checkerOptions(const SessionOptions& options) {
    CompareOptions c;
    c.run.switchValue = options.switchValue;
    c.run.instructionLimit = std::numeric_limits<std::uint64_t>::max();
    c.context = options.context;
    c.keepGoing = options.keepGoing ? std::numeric_limits<std::size_t>::max() : 1;
    return c;
}

} // namespace

Session::Session(Image image, const SessionOptions& options)
    : image_(std::move(image)), map_(mapWithLines(image_)), options_(options),
      checker_(image_, map_, checkerOptions(options)), comparison_(checker_.current()),
      coreBoard_(image_, options.switchValue) {}

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
                       bool trap, const Exception* exception) {
    if (auto s = afterFinish("a retirement", seq)) return *s;
    if (exception && exception->code > 31) return refuseException(seq, exception->code);
    if (!checking()) return status(divergences_);
    Retirement* r = window_.at(seq, [&](Retirement& slot) { slot.start(seq); });
    if (!r || r->retired) return refuseRetirement(seq, r != nullptr);
    // Younger than the youngest so far, modulo 2^32 (seq may wrap).
    if (!anyRetired_ || static_cast<std::int32_t>(seq - newestRetired_) > 0) newestRetired_ = seq;
    anyRetired_ = true;
    r->retired = true;
    r->pc = pc;
    r->insn = insn;
    r->announced = writes & kAllWrites;
    r->trap = trap || exception;
    r->exception = exception != nullptr;
    if (exception) {
        r->excCode = static_cast<std::uint8_t>(exception->code);
        r->epc = exception->epc;
        r->badVAddr = exception->badVAddr;
    }
    return drain();
}

// The misuse of a retirement, out of the way of the calls that are not.
Status Session::refuseException(std::uint32_t seq, std::uint32_t code) {
    return misuse(fmt::format("instruction {} retired with exception code {}; a Cause code is "
                              "0 to 31",
                              seq, code));
}

Status Session::refuseRetirement(std::uint32_t seq, bool twice) {
    if (twice) return misuse(fmt::format("instruction {} retired twice", seq));
    return misuse(seq - window_.oldest() < kHalfRange
                      ? fmt::format("instruction {} retired {} ahead of instruction {}, the oldest "
                                    "unchecked one (at most {} ahead)",
                                    seq, seq - window_.oldest(), window_.oldest(), kMaxSpan - 1)
                      : fmt::format("instruction {} retired after it was checked or given up (the "
                                    "oldest unchecked one is {}; a seq is retired once)",
                                    seq, window_.oldest()));
}

Retirement* Session::slotForWrite(std::uint32_t seq, WriteKind kind, int reg) {
    Retirement* r = window_.at(seq, [&](Retirement& slot) { slot.start(seq); });
    if (!r || (r->arrived & kind)) {
        refuseWrite(seq, kind, reg, r != nullptr);
        return nullptr;
    }
    r->arrived |= kind;
    return r;
}

void Session::refuseWrite(std::uint32_t seq, WriteKind kind, int reg, bool second) {
    if (second) {
        misuse(fmt::format("a second {} write for instruction {}", writeName(kind), seq));
        return;
    }
    const std::uint32_t ahead = seq - window_.oldest();
    misuse(fmt::format("a {} write{} for instruction {} arrived {}", writeName(kind),
                       reg < 0 ? "" : fmt::format(" of r{}", reg), seq,
                       ahead < kHalfRange
                           ? fmt::format("{} ahead of instruction {}, the oldest unchecked "
                                         "one (at most {} ahead)",
                                         ahead, window_.oldest(), kMaxSpan - 1)
                           : fmt::format("after the instruction was checked or given up "
                                         "(the oldest unchecked one is {})",
                                         window_.oldest())));
}

Status Session::writeGpr(std::uint32_t seq, std::uint32_t reg, std::uint32_t value) {
    if (auto s = afterFinish("a general-register write", seq)) return *s;
    if (!checking()) return status(divergences_);
    if (reg > 31) return misuse(fmt::format("register number {} is not 0 to 31", reg));
    Retirement* r = slotForWrite(seq, kGpr, static_cast<int>(reg));
    if (!r) return Status::Error;
    r->reg = static_cast<std::uint8_t>(reg);
    r->regValue = value;
    return afterWrite(*r);
}

Status Session::writeHi(std::uint32_t seq, std::uint32_t value) {
    if (auto s = afterFinish("a HI write", seq)) return *s;
    if (!checking()) return status(divergences_);
    Retirement* r = slotForWrite(seq, kHi);
    if (!r) return Status::Error;
    r->hi = value;
    return afterWrite(*r);
}

Status Session::writeLo(std::uint32_t seq, std::uint32_t value) {
    if (auto s = afterFinish("a LO write", seq)) return *s;
    if (!checking()) return status(divergences_);
    Retirement* r = slotForWrite(seq, kLo);
    if (!r) return Status::Error;
    r->lo = value;
    return afterWrite(*r);
}

Status Session::writeMemory(std::uint32_t seq, std::uint32_t address, std::uint32_t enables,
                            std::uint32_t data) {
    if (auto s = afterFinish("a store", seq)) return *s;
    if (!checking()) return status(divergences_);
    if (enables == 0 || enables > 0xf)
        return misuse(fmt::format("byte enables 0x{:x} of a store are not 1 to 4 bits", enables));
    Retirement* r = slotForWrite(seq, kMem);
    if (!r) return Status::Error;
    r->memAddress = address & ~3u;
    r->memEnables = static_cast<std::uint8_t>(enables);
    r->memData = data;
    return afterWrite(*r);
}

Status Session::boardRead(std::uint32_t address, std::uint32_t value) {
    if (finished_) return misuse("a board read after coretest_cosim_finish");
    if (address != static_cast<std::uint32_t>(BoardReg::Switch))
        return misuse(fmt::format("0x{:08x} is no board input; the switch register is 0x{:08x}",
                                  address, static_cast<std::uint32_t>(BoardReg::Switch)));
    checker_.setSwitch(value);
    return Status::Ok;
}

Status Session::afterWrite(const Retirement& r) {
    // Only a write that completes the oldest instruction lets the checker go on: whether an
    // instruction is overdue changes with retirements alone.
    return r.seq == window_.oldest() && r.complete() ? drain() : status(divergences_);
}

Status Session::drain() {
    const std::uint64_t before = divergences_;
    while (checking()) {
        Retirement* r = window_.oldestSlot();
        if (r && r->complete())
            check(*r);
        else if (!overdue())
            break;
        else if (r && r->retired)
            check(*r, static_cast<std::uint8_t>(r->announced & ~r->arrived));
        else
            neverRetired(r);
        window_.pop();
    }
    return status(before);
}

bool Session::overdue() const {
    const std::uint32_t behind = newestRetired_ - window_.oldest();
    return anyRetired_ && behind >= kLateLimit && behind < kHalfRange;
}

void Session::neverRetired(const Retirement* r) {
    ObservedInstruction o;
    o.seq = window_.oldest();
    o.retired = false;
    compare(o, 0,
            fmt::format("instruction {} never retired{}, though {} younger instructions did",
                        window_.oldest(),
                        r && r->arrived
                            ? fmt::format(" (its {} writes arrived)", announcedText(r->arrived))
                            : "",
                        newestRetired_ - window_.oldest()));
}

void Session::check(const Retirement& r, std::uint8_t lost) {
    ObservedInstruction& o = observed_; // its storage is kept from one instruction to the next
    o.pc = referenceAddress(r.pc, options_.physical);
    o.seq = r.seq;
    o.trap = r.trap;
    o.retired = true;
    o.writesLost = lost != 0;
    if (!r.arrived && !r.trap) { // about a third of the instructions
        o.records.clear();
    } else {
        coreRecords(r, options_.physical, o.records);
        if (r.arrived & kMem)
            for (const TraceRecord& rec : o.records)
                if (rec.kind == TraceRecord::Kind::Memory && rec.size != 3 &&
                    rec.address >= static_cast<std::uint32_t>(BoardReg::LedBank))
                    coreBoard_.write(rec.address, rec.size, rec.value, rec.pc, handed_);
    }
    if (lost) [[unlikely]]
        compareLost(o, lost);
    else
        compare(o, 0, {});
    if (options_.verbosity > 0) narrate(o.pc, o.records);
}

void Session::compareLost(const ObservedInstruction& o, std::uint8_t lost) {
    compare(o, lost,
            fmt::format("at instruction {} that never came ({} younger instructions retired "
                        "after it)",
                        *o.seq, newestRetired_ - *o.seq));
}

void Session::compare(const ObservedInstruction& o, std::uint8_t lost, std::string_view lostText) {
    ++handed_;
    const TraceComparison& c = comparison_;
    const std::uint64_t found = c.divergenceCount;
    // False once the checker is decided or past the reference core's end mark.
    const bool more = checker_.retire(o);
    if (c.divergenceCount != found || reported_ != c.divergences.size()) [[unlikely]]
        diverged(found, lost, lostText);
    checking_ = !stopped_ && more;
}

void Session::diverged(std::uint64_t found, std::uint8_t lost, std::string_view lostText) {
    const TraceComparison& c = comparison_;
    divergences_ += c.divergenceCount - found;
    if (c.divergenceCount > found && !options_.keepGoing) stopped_ = true;
    while (reported_ < c.divergences.size())
        report(c.divergences[reported_++], lost, lostText);
}

void Session::report(Divergence d, std::uint8_t lost, std::string_view lostText) {
    // What the checker cannot know: how long the core was waited for.
    if (d.kind == Divergence::Kind::NeverRetired) {
        d.note.assign(lostText);
    } else if (!lostText.empty() && d.kind == Divergence::Kind::Missing) {
        d.note = d.expected ? fmt::format("your core announced {} {}", announcedWrite(*d.expected),
                                          lostText)
                            : fmt::format("your core announced {} writes {}; the reference core "
                                          "makes none",
                                          announcedText(lost), lostText);
    }
    const std::uint64_t ordinal = reported_ - 1;
    const ReportStyle style{.byInstruction = true};
    if (ordinal < kFullReports) {
        fmt::print(options_.out, "coretest cosim: {}",
                   formatDivergence(d, image_, map_, style, ordinal));
        if (ordinal + 1 == kFullReports)
            fmt::print(options_.out,
                       "coretest cosim: {} divergences shown in full; from here on each gets one "
                       "line (the table at the end)\n",
                       kFullReports);
    } else {
        const std::string text = formatDivergence(d, image_, map_, style, ordinal);
        fmt::print(options_.out, "coretest cosim: {}: {}\n", text.substr(0, text.find('\n')),
                   placeOf(image_, map_, d.instruction));
    }
    std::fflush(options_.out);
}

void Session::narrate(std::uint32_t pc, const std::vector<TraceRecord>& records) {
    for (const TraceRecord& r : records)
        if (r.kind == TraceRecord::Kind::Memory &&
            r.address == static_cast<std::uint32_t>(BoardReg::Display)) {
            const auto* routine = map_.routineAt(pc);
            fmt::print(options_.out,
                       "coretest cosim: display 0x{:08x}: routine {} ({}), {} passed\n", r.value,
                       r.value >> 24, routine ? routine->name : "?", r.value & 0xffffff);
        }
    if (options_.verbosity > 1) {
        std::string text;
        for (const TraceRecord& r : records)
            text += (text.empty() ? "" : ", ") + explainTraceRecord(r);
        fmt::print(options_.out, "coretest cosim: {:>10} {:08x}  {:<28} {}\n", handed_, pc,
                   disassemble(checker_.memoryWord(pc), pc), text);
    }
}

void Session::reportIncomplete() {
    constexpr std::size_t kShown = 8;
    std::vector<const Retirement*> pending;
    std::size_t waiting = 0; // complete, but behind an incomplete one
    window_.forEach([&](std::uint32_t, const Retirement& r) {
        if (r.complete())
            ++waiting;
        else
            pending.push_back(&r);
    });
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
    if (checking()) reportIncomplete();
    printSummary();
    if (misuses_ > 1) {
        fmt::print(options_.err,
                   "coretest cosim: {} more calls were refused as misuse after the "
                   "first (not printed)\n",
                   misuses_ - 1);
        std::fflush(options_.err);
    }
    finishStatus_ = stopped_ ? Status::Stop : divergences_ ? Status::Diverged : Status::Ok;
    return finishStatus_;
}

void Session::printSummary() {
    std::FILE* out = options_.out;
    const TraceComparison& c = checker_.finish();
    const BoardState& b = coreBoard_.state();
    fmt::print(out, "coretest cosim: {} instructions checked{}{}, ", c.checkedInstructions,
               ended() ? " up to the end mark" : "",
               c.skippedInstructions
                   ? fmt::format(" ({} skipped after divergences)", c.skippedInstructions)
                   : "");
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
                   "coretest cosim: verdict: {}, {} of {} {} passed (LED bank 0x{:04x}, "
                   "lamp A {}, lamp B {})\n",
                   b.lampA == 1 && b.lampB == 1 ? "pass" : "FAIL", b.display & 0xffffff,
                   map_.routines().size(), countedUnits(image_), b.ledBank, b.lampA, b.lampB);
    std::string routines;
    std::size_t diverged = 0;
    for (const RoutineTally& t : c.routines)
        if (t.divergences) {
            routines +=
                fmt::format("{}{} {}", routines.empty() ? "" : ", ",
                            t.routine ? t.routine->name : "(between routines)", t.divergences);
            ++diverged;
        }
    if (diverged)
        fmt::print(out, "coretest cosim: diverged in {} routine{}: {}\n", diverged,
                   diverged == 1 ? "" : "s", routines);
    if (options_.keepGoing && divergences_ > 0) {
        const std::string table = formatRoutineTable(c, {.byInstruction = true});
        for (std::size_t at = 0; at < table.size();) {
            const std::size_t end = table.find('\n', at);
            fmt::print(out, "coretest cosim: {}\n", table.substr(at, end - at));
            at = end + 1;
        }
    }
    if (misuses_)
        fmt::print(out, "coretest cosim: {} call{} refused as misuse (see standard error)\n",
                   misuses_, misuses_ == 1 ? "" : "s");
    std::fflush(out);
}

} // namespace coretest::cosim
