#include "coretest/lockstep.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "coretest/core.h"
#include "coretest/disassembler.h"
#include "coretest/unicorn_core.h"

namespace coretest {

namespace {

struct Write {
    std::uint32_t addr;
    unsigned size;
    std::uint32_t value;
    bool operator==(const Write&) const = default;
};

// The memory writes of the instruction being compared.
class WriteLog : public Observer {
  public:
    void memoryWritten(std::uint32_t, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override {
        writes.push_back({addr, size, value});
    }
    std::vector<Write> writes;
};

std::string hex(std::uint32_t v) {
    return fmt::format("0x{:08x}", v);
}

std::string listText(const std::vector<Write>& writes) {
    std::string out;
    for (const Write& w : writes)
        out += fmt::format("{}{}:{}={}", out.empty() ? "" : " ", hex(w.addr), w.size,
                           fmt::format("0x{:0{}x}", w.value, 2 * w.size));
    return out.empty() ? "none" : out;
}

std::set<std::uint32_t> wordsOf(const std::vector<Write>& writes) {
    std::set<std::uint32_t> words;
    for (const Write& w : writes)
        words.insert(w.addr & ~3u);
    return words;
}

std::uint32_t romWord(const Board& board, std::uint32_t addr) {
    std::uint32_t w = 0;
    if (const std::uint32_t off = addr - kRomBase; off <= kRomSize - 4)
        std::memcpy(&w, &board.rom()[off], 4);
    return w;
}

std::optional<std::uint32_t> ramWord(const Board& board, std::uint32_t addr) {
    const std::uint32_t off = addr - kRamBase;
    if (off > kRamSize - 4) return std::nullopt;
    std::uint32_t w;
    std::memcpy(&w, &board.ram()[off], 4);
    return w;
}

// The engine stores a partial word (swl, swr) a byte at a time where the reference writes the
// merged word: the same writes are then the same words changed to the same contents.
std::optional<std::string> compareWrites(const WriteLog& ref, const WriteLog& uni,
                                         const Board& refBoard, const Board& uniBoard) {
    if (ref.writes == uni.writes) return std::nullopt;
    const auto words = wordsOf(ref.writes);
    bool same = words == wordsOf(uni.writes);
    for (std::uint32_t w : words) {
        const auto a = ramWord(refBoard, w), b = ramWord(uniBoard, w);
        same = same && a && b && *a == *b;
    }
    if (same) return std::nullopt;
    return fmt::format("memory writes: reference {}, unicorn {}", listText(ref.writes),
                       listText(uni.writes));
}

std::optional<std::string> compareStates(const CoreState& ref, const CoreState& uni) {
    if (ref.pc != uni.pc)
        return fmt::format("next pc: reference {}, unicorn {}", hex(ref.pc), hex(uni.pc));
    for (unsigned r = 1; r < 32; ++r)
        if (ref.regs[r] != uni.regs[r])
            return fmt::format("register {}: reference {}, unicorn {}", registerName(r),
                               hex(ref.regs[r]), hex(uni.regs[r]));
    if (ref.hi != uni.hi)
        return fmt::format("HI: reference {}, unicorn {}", hex(ref.hi), hex(uni.hi));
    if (ref.lo != uni.lo)
        return fmt::format("LO: reference {}, unicorn {}", hex(ref.lo), hex(uni.lo));
    return std::nullopt;
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

} // namespace

std::string LockstepDifference::describe() const {
    return fmt::format("after instruction {} at {} ({}), {}: {}", instruction, hex(pc), disassembly,
                       where.describe(), what);
}

LockstepResult lockstep(const Image& image, const RomMap* map, std::uint32_t switchValue,
                        std::uint64_t instructionLimit) {
    Board refBoard(image, switchValue);
    Board uniBoard(image, switchValue);
    const std::vector<Instr> table = decodeRom(refBoard);
    WriteLog refWrites, uniWrites;
    Core<true> ref(refBoard, table, {}, &refWrites, nullptr, image.entry());
    UnicornCore uni(uniBoard, image.entry(), UnicornCore::Tracking::Instructions, &uniWrites);
    if (const Symbol* finish = image.findSymbol("test_finish"))
        uni.addStopPoint(finish->value, Hook::Stop::Finish);
    uni.addStopPoint(kExceptionVector, Hook::Stop::Vector);

    LockstepResult result;
    std::uint32_t last = image.entry(); // the instruction both cores execute next
    const auto differ = [&](std::string what) {
        LockstepDifference d;
        d.instruction = ref.instructions();
        d.pc = last;
        d.disassembly = disassemble(romWord(refBoard, last), last);
        if (map) d.where = map->caseAt(last);
        d.what = std::move(what);
        result.difference = std::move(d);
    };
    // Steps the reference over the instruction the engine has just executed and compares.
    const auto compareStep = [&](std::uint32_t next) {
        ref.run(ref.instructions() + 1);
        ++result.instructions;
        CoreState refState = ref.state();
        CoreState uniState = uni.state();
        uniState.pc = next;
        // The reference raises a fetch error only when it fetches; the engine has already
        // entered the vector for it.
        const auto& taken = uni.exception();
        if (taken && next == kExceptionVector && taken->pc == refState.pc &&
            taken->badAddress == refState.pc)
            refState.pc = kExceptionVector;
        auto what = compareStates(refState, uniState);
        if (!what) what = compareWrites(refWrites, uniWrites, refBoard, uniBoard);
        if (!what && ref.exception() && uni.exception() &&
            !sameException(ref.exception(), uni.exception()))
            what = fmt::format("exception: reference {}, unicorn {}",
                               exceptionText(ref.exception()), exceptionText(uni.exception()));
        refWrites.writes.clear();
        uniWrites.writes.clear();
        if (what) differ(*what);
        last = next;
        return !what;
    };
    bool first = true;
    uni.onStep([&](std::uint32_t pc) {
        if (std::exchange(first, false)) {
            last = pc;
            return true;
        }
        return compareStep(pc);
    });
    uni.run(instructionLimit, kUnicornTimeLimit);
    if (result.difference) return result;
    // The last instruction before the stop point has not been compared yet.
    if (!first) compareStep(uni.state().pc);
    if (result.difference) return result;
    if (!sameException(ref.exception(), uni.exception()))
        differ(fmt::format("exception: reference {}, unicorn {}", exceptionText(ref.exception()),
                           exceptionText(uni.exception())));
    else if (auto what = compareEvents(refBoard.events(), uniBoard.events()))
        differ(*what);
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
