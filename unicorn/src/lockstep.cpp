#include "coretest/lockstep.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "coretest/compare_report.h"
#include "coretest/core.h"
#include "coretest/disassembler.h"
#include "coretest/idle_loops.h"
#include "coretest/trace_compare.h"
#include "coretest/unicorn_core.h"

namespace coretest {

namespace {

std::string hex(std::uint32_t v) {
    return fmt::format("0x{:08x}", v);
}

std::string exceptionText(const std::optional<ExceptionRecord>& x) {
    if (!x) return "none";
    return fmt::format("{} at {}{}, address {}", causeName(x->cause), hex(x->pc),
                       x->delaySlot ? " (delay slot)" : "", hex(x->badAddress));
}

bool sameException(const std::optional<ExceptionRecord>& a,
                   const std::optional<ExceptionRecord>& b) {
    if (!a || !b) return !a && !b;
    return a->cause == b->cause && a->pc == b->pc && a->badAddress == b->badAddress &&
           a->delaySlot == b->delaySlot && a->instruction == b->instruction;
}

std::string eventText(const std::vector<BoardEvent>& events, std::size_t i) {
    if (i >= events.size()) return "none";
    const BoardEvent& e = events[i];
    return fmt::format("{} {} {} before instruction {}",
                       e.kind == BoardEvent::Kind::Read ? "read" : "write",
                       hex(static_cast<std::uint32_t>(e.reg)), hex(e.value), e.instruction);
}

std::optional<std::string> compareEvents(const std::vector<BoardEvent>& ref,
                                         const std::vector<BoardEvent>& uni) {
    const auto [a, b] = std::mismatch(ref.begin(), ref.end(), uni.begin(), uni.end());
    if (a == ref.end() && b == uni.end()) return std::nullopt;
    const auto i = static_cast<std::size_t>(a - ref.begin());
    return fmt::format("board event {}: reference {}, unicorn {}", i + 1, eventText(ref, i),
                       eventText(uni, i));
}

// What the engine does in one instruction that registers do not show: its memory writes and the
// exception it raises.
class StepLog : public Observer {
  public:
    void memoryWritten(std::uint32_t, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override {
        writes.push_back({.pc = 0,
                          .kind = TraceRecord::Kind::Memory,
                          .size = static_cast<std::uint8_t>(size),
                          .address = addr,
                          .value = value});
    }
    void exceptionTaken(const ExceptionRecord& e) override { exception = e; }
    void clear() {
        writes.clear();
        exception.reset();
    }
    std::vector<TraceRecord> writes;
    std::optional<ExceptionRecord> exception;
};

std::optional<std::uint32_t> ramValue(const Board& board, std::uint32_t addr, unsigned size) {
    const std::uint32_t off = addr - kRamBase;
    if (off >= kRamSize || kRamSize - off < size) return std::nullopt;
    std::uint32_t v = 0;
    std::memcpy(&v, &board.ram()[off], size);
    return v;
}

bool covers(const TraceRecord& e, const TraceRecord& w) {
    return e.kind == TraceRecord::Kind::Memory && w.address - e.address < e.size;
}

// What the engine's instruction at pc wrote, in the terms of the reference core's records:
// every destination the reference core wrote, with the engine's value there, and whatever else
// the engine changed. The engine stores a partial word (swl, swr) a byte at a time where the
// reference core records the merged word: the word then holds the same contents.
std::vector<TraceRecord> engineRecords(std::uint32_t pc, const std::vector<TraceRecord>& expected,
                                       const CoreState& before, const CoreState& after,
                                       const StepLog& log, const Board& board) {
    std::vector<TraceRecord> out;
    const auto add = [&](TraceRecord r) {
        r.pc = pc;
        out.push_back(r);
    };
    for (const TraceRecord& e : expected) {
        switch (e.kind) {
        case TraceRecord::Kind::Reg:
            add({.kind = e.kind, .reg = e.reg, .value = after.regs[e.reg]});
            break;
        case TraceRecord::Kind::Hi: add({.kind = e.kind, .value = after.hi}); break;
        case TraceRecord::Kind::Lo: add({.kind = e.kind, .value = after.lo}); break;
        case TraceRecord::Kind::Memory: {
            const auto same = std::find_if(log.writes.begin(), log.writes.end(), [&](auto& w) {
                return w.address == e.address && w.size == e.size;
            });
            if (same != log.writes.end())
                add(*same);
            else if (std::any_of(log.writes.begin(), log.writes.end(),
                                 [&](auto& w) { return covers(e, w); }))
                if (const auto v = ramValue(board, e.address, e.size))
                    add({.kind = e.kind, .size = e.size, .address = e.address, .value = *v});
            break;
        }
        }
    }
    const auto expects = [&](TraceRecord::Kind kind, unsigned reg = 0) {
        return std::any_of(expected.begin(), expected.end(), [&](const TraceRecord& e) {
            return e.kind == kind && (kind != TraceRecord::Kind::Reg || e.reg == reg);
        });
    };
    for (unsigned r = 1; r < 32; ++r)
        if (after.regs[r] != before.regs[r] && !expects(TraceRecord::Kind::Reg, r))
            add({.kind = TraceRecord::Kind::Reg,
                 .reg = static_cast<std::uint8_t>(r),
                 .value = after.regs[r]});
    if (after.hi != before.hi && !expects(TraceRecord::Kind::Hi))
        add({.kind = TraceRecord::Kind::Hi, .value = after.hi});
    if (after.lo != before.lo && !expects(TraceRecord::Kind::Lo))
        add({.kind = TraceRecord::Kind::Lo, .value = after.lo});
    for (const TraceRecord& w : log.writes)
        if (std::none_of(expected.begin(), expected.end(), [&](auto& e) { return covers(e, w); }))
            add(w);
    return out;
}

// The report of a divergence as one line, from the report `coretest compare` prints.
std::string oneLine(const Divergence& d, const Image& image, const RomMap& map) {
    const std::string text = formatDivergence(d, image, map, {.byInstruction = true});
    std::string out;
    std::size_t at = text.find('\n') + 1;
    at = text.find('\n', at) + 1; // the place, which the difference names on its own
    at = text.find('\n', at) + 1; // and the instruction
    for (std::size_t end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        if (line.starts_with("  the case's registers") ||
            line.starts_with("  the instructions before"))
            break;
        line.erase(0, line.find_first_not_of(' '));
        out += (out.empty() ? "" : "; ") + line;
    }
    return out;
}

} // namespace

std::string LockstepDifference::describe() const {
    return fmt::format("after instruction {} at {} ({}), {}: {}", instruction, hex(pc), disassembly,
                       where.describe(), what);
}

LockstepResult lockstep(const Image& image, const RomMap* map, std::uint32_t switchValue,
                        std::uint64_t instructionLimit) {
    const RomMap ownMap(image, nullptr);
    const RomMap& names = map ? *map : ownMap;
    CompareOptions options;
    options.run.switchValue = switchValue;
    options.run.instructionLimit = instructionLimit;
    TraceChecker checker(image, names, options);

    Board uniBoard(image, switchValue);
    StepLog log;
    UnicornCore uni(uniBoard, image.entry(), UnicornCore::Tracking::Instructions, &log);
    if (const Symbol* finish = image.findSymbol("test_finish"))
        uni.addStopPoint(finish->value, Hook::Stop::Finish);
    const bool idleVector = idleLoopAt(decodeRom(uniBoard), kExceptionVector);
    if (idleVector) uni.addStopPoint(kExceptionVector, Hook::Stop::Vector);

    LockstepResult result;
    const auto notComparable = [&](std::string what, std::uint32_t pc) {
        result.notComparable = fmt::format("not comparable: {} at {}", what, hex(pc));
        return false;
    };
    // Coprocessor instructions (COP0 to COP3, LWCz, SWCz) mean another thing to the engine.
    const auto coprocessorAt = [&](std::uint32_t pc) {
        const std::uint32_t word =
            pc - kRomBase < kRomSize ? names.word(pc) : ramValue(uniBoard, pc, 4).value_or(0);
        if (pc % 4 != 0 || (word >> 26 != 0x10 && decode(word, pc).op != Op::Cop)) return false;
        return !notComparable(fmt::format("the coprocessor instruction {}", disassemble(word, pc)),
                              pc);
    };
    const auto differ = [&](std::uint32_t pc, std::string what) {
        LockstepDifference d;
        d.instruction = result.instructions;
        d.pc = pc;
        d.disassembly = disassemble(names.word(pc), pc);
        if (map) d.where = map->caseAt(pc);
        d.what = std::move(what);
        result.difference = std::move(d);
    };
    bool comparing = true; // until the end mark, or the reference run stops
    // One instruction of the engine, at pc, with the state before it, against the reference.
    const auto compareOne = [&](std::uint32_t pc, const CoreState& before, bool fetchFault) {
        ++result.instructions;
        if (!comparing) return true;
        const auto expected = checker.nextExpected();
        if (!expected) {
            comparing = false;
            return true;
        }
        ObservedInstruction o;
        o.pc = pc;
        o.trap = log.exception && log.exception->pc == pc;
        if (!fetchFault)
            o.records = engineRecords(pc, expected->records, before, uni.state(), log, uniBoard);
        comparing = checker.retire(o);
        const TraceComparison& c = checker.current();
        if (c.divergences.empty()) return true;
        differ(pc, oneLine(c.divergences.front(), image, names));
        return false;
    };
    bool first = true;
    std::uint32_t last = image.entry(); // the instruction the engine executes next
    CoreState before = uni.state();
    const auto step = [&](std::uint32_t next) {
        // A fetch that nothing answers (or a misaligned one) is an instruction of its own, which
        // the engine has already turned into the entry of the vector.
        const bool fetchFault = log.exception && next == kExceptionVector &&
                                log.exception->badAddress == log.exception->pc &&
                                log.exception->pc != last;
        const std::optional<ExceptionRecord> fault = fetchFault ? log.exception : std::nullopt;
        if (fetchFault) log.exception.reset();
        bool go = compareOne(last, before, false);
        if (go && fault) {
            log.clear();
            log.exception = fault;
            go = compareOne(fault->pc, uni.state(), true);
        }
        log.clear();
        before = uni.state();
        last = next;
        return go;
    };
    uni.onStep([&](std::uint32_t pc) {
        if (std::exchange(first, false)) {
            last = pc;
            before = uni.state();
            return !coprocessorAt(pc);
        }
        // A handler at the vector does what the engine's MIPS32 exceptions cannot show.
        if (!idleVector && log.exception)
            return notComparable(fmt::format("the {} exception", causeName(log.exception->cause)),
                                 log.exception->pc);
        return step(pc) && !coprocessorAt(pc);
    });
    uni.run(instructionLimit, kUnicornTimeLimit);
    if (result.difference || result.notComparable) return result;
    // The last instruction before the stop point has not been compared yet.
    if (!first) step(uni.state().pc);
    if (result.difference) return result;
    const RunResult ref =
        run(image, {.switchValue = switchValue, .instructionLimit = result.instructions});
    if (!sameException(ref.exception, uni.exception()))
        differ(last, fmt::format("exception: reference {}, unicorn {}",
                                 exceptionText(ref.exception), exceptionText(uni.exception())));
    else if (auto what = compareEvents(ref.events, uniBoard.events()))
        differ(last, *what);
    switch (uni.stoppedAt()) {
    case Hook::Stop::Finish:
        result.reason =
            uniBoard.state().endMarked() ? StopReason::Verdict : StopReason::IdleNoVerdict;
        break;
    case Hook::Stop::Vector:
        result.reason = uni.exception() ? StopReason::ExceptionIdle : StopReason::StrayIdle;
        break;
    case Hook::Stop::None: result.reason = StopReason::InstructionLimit; break;
    }
    return result;
}

} // namespace coretest
