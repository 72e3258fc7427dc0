#include "coretest/trace_compare.h"

#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <unordered_map>
#include <utility>

#include "coretest/board.h"
#include "coretest/image.h"
#include "coretest/trace_records.h"

namespace coretest {

bool RecordKinds::has(TraceRecord::Kind k) const {
    if (k == kExceptionKind) return exc;
    switch (k) {
    case TraceRecord::Kind::Reg: return gpr;
    case TraceRecord::Kind::Hi:
    case TraceRecord::Kind::Lo: return hilo;
    case TraceRecord::Kind::Memory: return mem;
    }
    return false;
}

std::string RecordKinds::describe() const {
    std::string out;
    for (const auto& [on, name] :
         {std::pair{gpr, "gpr"}, {hilo, "hilo"}, {mem, "mem"}, {exc, "exc"}})
        if (on) out += (out.empty() ? "" : ",") + std::string(name);
    return out;
}

RecordKinds RecordKinds::parse(std::string_view text) {
    RecordKinds k{false, false, false, false};
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        if (name == "gpr")
            k.gpr = true;
        else if (name == "hilo")
            k.hilo = true;
        else if (name == "mem")
            k.mem = true;
        else if (name == "exc")
            k.exc = true;
        else
            throw InputError(fmt::format("--only: '{}' is no record kind; give gpr, hilo, mem and "
                                         "exc, comma-separated",
                                         name));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    if (!k.gpr && !k.hilo && !k.mem && !k.exc)
        throw InputError("--only: give gpr, hilo, mem or exc");
    return k;
}

namespace {

constexpr std::uint32_t kPhysicalRom = 0x1fc00000;

} // namespace

bool looksPhysical(const TraceRecord& first) {
    return first.pc - kPhysicalRom < 0x00400000;
}

std::uint32_t virtualAlias(std::uint32_t physical) {
    if (physical >= 0x20000000) return physical;
    return physical + (physical >= kPhysicalRom ? 0xa0000000 : 0x80000000);
}

namespace {

constexpr std::uint64_t kStep = 256;       // reference instructions run at a time
constexpr std::uint64_t kLookahead = 4096; // instructions searched past the window to name a record
constexpr std::size_t kHistory = 64;       // retired instructions kept for context and branches
constexpr std::uint32_t kPathBytes = 256;  // how far a path after a branch is looked along
constexpr int kBranchesSearched = 4;       // branches and jumps looked back at

// A queue that keeps its slots (and their vectors' storage) for reuse.
template <class T>
class Ring {
  public:
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T& operator[](std::size_t i) { return slots_[(head_ + i) & mask_]; }
    const T& operator[](std::size_t i) const { return slots_[(head_ + i) & mask_]; }
    T& front() { return (*this)[0]; }
    T& back() { return (*this)[count_ - 1]; }
    T& pushBack() {
        if (count_ == capacity_) grow();
        ++count_;
        return back();
    }
    // The slot the next pushBack() returns, as it stands (what it held when it was last used).
    T& staging() {
        if (count_ == capacity_) grow();
        return slots_[(head_ + count_) & mask_];
    }
    void popFront() {
        head_ = (head_ + 1) & mask_;
        --count_;
    }

  private:
    void grow() {
        std::vector<T> bigger(std::max<std::size_t>(16, 2 * slots_.size()));
        for (std::size_t i = 0; i < count_; ++i)
            bigger[i] = std::move((*this)[i]);
        slots_.swap(bigger);
        capacity_ = slots_.size();
        mask_ = capacity_ - 1;
        head_ = 0;
    }
    std::vector<T> slots_; // a power of two of them
    std::size_t capacity_ = 0, mask_ = 0;
    std::size_t head_ = 0, count_ = 0;
};

std::uint64_t maskOf(std::size_t n) {
    return n >= 64 ? ~0ull : (1ull << n) - 1;
}

// One instruction the reference core retired, with its records and which of them have come.
struct Pending {
    std::uint64_t index = 0; // retirement number, from 1
    std::uint32_t pc = 0;
    std::vector<TraceRecord> records;
    std::uint64_t matched = 0; // bit i: records[i] came (or is of a kind not compared)
    std::uint64_t waived = 0;  // bit i: records[i] is an exception the user's core does not report
    bool trap = false;         // it raised an exception instead of completing
    bool complete() const { return matched == maskOf(records.size()); }
    bool has(std::size_t i) const { return (matched >> i) & 1; }
    const TraceRecord* firstDue() const {
        for (std::size_t i = 0; i < records.size(); ++i)
            if (!has(i)) return &records[i];
        return nullptr;
    }
};

// The reference core's commit stream into the queue of instructions still to be matched.
class Reference : public ReferenceCommits {
  public:
    Reference(Ring<Pending>& ahead, RecordKinds kinds)
        : ahead_(ahead), kinds_(kinds), allKinds_(kinds.all()) {
        collectInto(ahead_.staging().records);
    }
    std::uint64_t compared() const { return compared_; } // records of the compared kinds
    void countOnly() { countOnly_ = true; }

    // Exception records count only for a core that reports its exceptions: until the user's
    // trace shows one, each is taken as matched (waived) as it comes. compareExceptions() ends
    // that, for the instructions still queued too.
    void compareExceptions() {
        if (!waiveExceptions_) return;
        waiveExceptions_ = false;
        for (std::size_t k = 0; k < ahead_.size(); ++k) {
            Pending& p = ahead_[k];
            compared_ += static_cast<std::size_t>(std::popcount(p.waived));
            p.matched &= ~p.waived;
            p.waived = 0;
        }
    }
    bool exceptionsCompared() const { return !waiveExceptions_; }

  protected:
    // An instruction that raised an exception retires with its exception record (and whatever
    // it wrote before raising it); a failed fetch is an instruction of its own.
    void instruction(std::uint32_t pc, const std::vector<TraceRecord>& records,
                     bool trap) override {
        std::uint64_t skipped = 0, waived = 0;
        if (allKinds_ && !waiveExceptions_) {
            compared_ += records.size(); // every record is compared
        } else {
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (!kinds_.has(records[i].kind))
                    skipped |= 1ull << i;
                else if (waiveExceptions_ && isException(records[i]))
                    waived |= 1ull << i;
                else
                    ++compared_;
            }
        }
        if (countOnly_) return;
        Pending& p = ahead_.pushBack(); // the slot the records were collected in
        p.index = ++pushed_;
        p.pc = pc;
        p.matched = skipped | waived;
        p.waived = waived;
        p.trap = trap;
        collectInto(ahead_.staging().records); // the next instruction's records go to its slot
    }

  private:
    Ring<Pending>& ahead_;
    RecordKinds kinds_;
    bool allKinds_;
    std::uint64_t compared_ = 0;
    std::uint64_t pushed_ = 0;
    bool countOnly_ = false;
    bool waiveExceptions_ = true;
};

// A destination without its instruction: the register, HI, LO or memory address.
std::uint64_t destinationKey(const TraceRecord& r) {
    const std::uint64_t kind = static_cast<std::uint64_t>(r.kind) << 32;
    switch (r.kind) {
    case TraceRecord::Kind::Reg: return kind | r.reg;
    case TraceRecord::Kind::Memory: return kind | r.address;
    default: return kind;
    }
}

bool isEndMark(const TraceRecord& r) {
    return r.kind == TraceRecord::Kind::Memory &&
           r.address == static_cast<std::uint32_t>(BoardReg::EndMark) && r.value == kEndMarkValue;
}

// A branch or jump's static target; nullopt for another instruction, 0 for a register jump.
std::optional<std::uint32_t> controlTarget(std::uint32_t word, std::uint32_t pc) {
    const std::uint32_t op = word >> 26, rt = (word >> 16) & 31, funct = word & 63;
    const auto relative = [&] {
        return pc + 4 + (static_cast<std::uint32_t>(static_cast<std::int16_t>(word & 0xffff)) << 2);
    };
    if (op == 0 && (funct == 8 || funct == 9)) return 0u;
    if (op == 1 && (rt == 0 || rt == 1 || rt == 16 || rt == 17)) return relative();
    if (op == 2 || op == 3) return ((pc + 4) & 0xf0000000) | ((word & 0x03ffffff) << 2);
    if (op >= 4 && op <= 7) return relative();
    return std::nullopt;
}

bool onPath(std::uint32_t pc, std::uint32_t start) {
    return pc - start < kPathBytes;
}

// A record of a core that presents physical addresses, in the reference core's terms: its pc, a
// store's address, an exception's EPC and BadVAddr.
void toVirtual(TraceRecord& r) {
    r.pc = virtualAlias(r.pc);
    if (r.kind == TraceRecord::Kind::Memory) r.address = virtualAlias(r.address);
    if (isException(r)) {
        r.value = virtualAlias(r.value);
        if (r.size & kHasBadVAddr) r.address = virtualAlias(r.address);
    }
}

} // namespace

struct TraceChecker::State {
    State(const Image& i, const RomMap& m, const CompareOptions& o)
        : image(i), map(m), options(o), reference(ahead, o.kinds), run(i,
                                                                       [&] {
                                                                           RunOptions r = o.run;
                                                                           r.observer = &reference;
                                                                           return r;
                                                                       }()),
          tallies(m.routines().size() + 1) {
        for (std::size_t k = 0; k < m.routines().size(); ++k)
            tallies[k].routine = &m.routines()[k];
        reference.setBoard(&run.board());
    }

    const Image& image;
    const RomMap& map;
    CompareOptions options;
    Ring<Pending> ahead; // retired by the reference core, not yet matched in full
    Reference reference;
    SteppedRun run;
    Ring<RetiredInstruction> history; // the last kHistory instructions matched in full
    std::array<std::uint32_t, 32> regs{};
    // The last instruction with records that has left the history.
    std::optional<RetiredInstruction> lastWithRecords;
    TraceComparison result;
    RecordOrigin last; // of the last record fed
    bool done = false, pastEnd = false;
    bool wholeInstructions = false; // fed by retire(): the reference core runs one at a time
    // Instructions are compared as they come: virtual addresses, every kind of record.
    const bool plainInstructions = !options.physical && options.kinds.all();
    ObservedInstruction observed;         // the instruction retire() checks
    const RoutineMap* resyncTo = nullptr; // the user's records are skipped until this routine
    // While resynchronising: the last value each side wrote to each destination it skipped.
    std::unordered_map<std::uint64_t, std::uint32_t> skippedUser, skippedReference;
    // After it: destinations whose values differ by a known amount (a pass count one lower after
    // a failed routine), with that amount; records that differ by it are consequences.
    std::unordered_map<std::uint64_t, std::uint32_t> carried;
    std::vector<RoutineTally> tallies;
    std::size_t cachedTally = 0;
    std::uint32_t cachedFrom = 0, cachedSpan = 0; // addresses where cachedTally holds

    // ---- The reference side ----

    // Runs the reference core until it has retired instruction `index` (0: any new one).
    bool refill(std::uint64_t index) {
        while (ahead.empty() || ahead.back().index < index) {
            const std::size_t before = ahead.size();
            if (reference.ended() || !run.advance(wholeInstructions ? 1 : kStep))
                if (ahead.size() == before) return !ahead.empty() && index == 0;
            if (index == 0 && ahead.size() > before) return true;
        }
        return true;
    }

    // The tally of the routine at pc (the last one: outside the routines). Runs stay in one
    // routine, or in the code between them (a pause loop), for long: the last answer is kept
    // with the addresses it holds for.
    RoutineTally& tallyOf(std::uint32_t pc) {
        if (pc - cachedFrom < cachedSpan) return tallies[cachedTally];
        cachedTally = tallies.size() - 1;
        std::uint32_t from = 0, to = 0xffffffff; // the gap between routines that holds pc
        for (std::size_t k = 0; k + 1 < tallies.size(); ++k) {
            const AddressRange& r = tallies[k].routine->range;
            if (r.contains(pc)) {
                cachedTally = k;
                from = r.begin;
                to = r.end;
                break;
            }
            if (r.end <= pc) from = std::max(from, r.end);
            if (r.begin > pc) to = std::min(to, r.begin);
        }
        cachedFrom = from;
        cachedSpan = to - from;
        return tallies[cachedTally];
    }

    void retireFront() {
        Pending& p = ahead.front();
        if (history.size() == kHistory) {
            // The oldest leaves; the last with records is kept for a trace that ends early.
            RetiredInstruction& oldest = history.front();
            if (!oldest.records.empty() && !wholeInstructions) {
                if (!lastWithRecords) lastWithRecords.emplace();
                lastWithRecords->pc = oldest.pc;
                lastWithRecords->records.swap(oldest.records);
            }
            history.popFront();
        }
        RetiredInstruction& h = history.pushBack();
        h.pc = p.pc;
        h.records.swap(p.records); // p's slot is reused with the storage history let go
        for (const auto& r : h.records)
            if (r.kind == TraceRecord::Kind::Reg) regs[r.reg] = r.value;
        ahead.popFront();
    }

    // Makes ahead.front() the oldest instruction with records still to come; false when the
    // reference core has none left (its end mark, or it stopped).
    bool settle() {
        for (;;) {
            while (!ahead.empty() && ahead.front().complete())
                retireFront();
            if (!ahead.empty()) return true;
            if (!refill(0)) return false;
        }
    }

    void match(Pending& p, std::size_t i) {
        p.matched |= 1ull << i;
        ++result.matchedRecords;
        ++tallyOf(p.pc).agreed;
    }
    // All the records of an instruction none of whose records has come yet.
    void matchAll(Pending& p) {
        const std::size_t n = p.records.size();
        if (n == 0) return;
        p.matched = maskOf(n);
        result.matchedRecords += n;
        tallyOf(p.pc).agreed += n;
    }

    // ---- Matching ----

    // A younger instance of a destination never overtakes an older one that is still due.
    bool olderDue(const TraceRecord& r, std::size_t k) {
        for (std::size_t j = 0; j < k; ++j)
            for (std::size_t i = 0; i < ahead[j].records.size(); ++i)
                if (!ahead[j].has(i) && sameDestination(ahead[j].records[i], r)) return true;
        return false;
    }

    bool matchInWindow(const TraceRecord& r) {
        const std::uint64_t limit = ahead.front().index + options.window;
        refill(limit);
        for (std::size_t k = 0; k < ahead.size() && ahead[k].index <= limit; ++k) {
            Pending& p = ahead[k];
            for (std::size_t i = 0; i < p.records.size(); ++i)
                if (!p.has(i) && p.records[i] == r) {
                    if (k > 0 && olderDue(r, k)) return false;
                    match(p, i);
                    return true;
                }
        }
        return false;
    }

    // ---- Naming a record that fits nowhere ----

    void fillContext(Divergence& d, std::size_t k) {
        d.where = map.caseAt(d.instruction);
        auto regsThere = regs;
        for (std::size_t j = 0; j < k; ++j)
            for (const auto& r : ahead[j].records)
                if (r.kind == TraceRecord::Kind::Reg) regsThere[r.reg] = r.value;
        d.caseRegisters = caseRegisters(map, d.instruction, regsThere);
        std::vector<RetiredInstruction> before;
        for (std::size_t j = 0; j < history.size(); ++j)
            before.push_back(history[j]);
        for (std::size_t j = 0; j < k; ++j)
            before.push_back({ahead[j].pc, ahead[j].records});
        const std::size_t n = std::min(options.context, before.size());
        d.before.assign(before.end() - static_cast<std::ptrdiff_t>(n), before.end());
        d.matchedBefore = result.matchedRecords;
    }

    Divergence atFront(Divergence::Kind kind) {
        Divergence d;
        d.kind = kind;
        d.instruction = ahead.front().pc;
        if (const TraceRecord* e = ahead.front().firstDue()) d.expected = *e;
        fillContext(d, 0);
        return d;
    }

    Divergence classify(const TraceRecord& r) {
        const std::uint64_t limit = ahead.front().index + options.window;
        // The destination (or another of the same kind) of an instruction due at that address.
        std::optional<std::pair<std::size_t, std::size_t>> sameKind;
        for (std::size_t k = 0; k < ahead.size() && ahead[k].index <= limit; ++k)
            for (std::size_t i = 0; i < ahead[k].records.size(); ++i) {
                const TraceRecord& e = ahead[k].records[i];
                if (ahead[k].has(i) || e.pc != r.pc || e.kind != r.kind) continue;
                if (sameDestination(e, r)) {
                    sameKind = {k, i};
                    k = ahead.size();
                    break;
                }
                if (!sameKind) sameKind = {k, i};
            }
        if (sameKind) {
            const auto [k, i] = *sameKind;
            Divergence d;
            d.kind = r.unknown && sameDestination(ahead[k].records[i], r)
                         ? Divergence::Kind::Unknown
                         : Divergence::Kind::Differs;
            d.instruction = ahead[k].pc;
            d.expected = ahead[k].records[i];
            fillContext(d, k);
            return d;
        }
        // An instruction due in the window that writes no more of this kind.
        for (std::size_t k = 0; k < ahead.size() && ahead[k].index <= limit; ++k)
            if (ahead[k].pc == r.pc) {
                Divergence d = atFront(Divergence::Kind::Extra);
                d.wrote = ahead[k].records;
                return d;
            }
        if (auto d = branchMissed(r)) return *d;
        if (auto d = younger(r, true)) return *d;
        // An instruction that has had all its records already. One that trapped on the reference
        // core is where the divergence is: the user's core completed it.
        for (std::size_t j = history.size(); j > 0; --j)
            if (history[j - 1].pc == r.pc) {
                Divergence d = atFront(Divergence::Kind::Extra);
                d.wrote = history[j - 1].records;
                d.distance = history.size() - j + 1;
                const auto e = std::find_if(d.wrote.begin(), d.wrote.end(), isException);
                if (e != d.wrote.end() && !isException(r)) {
                    d.instruction = r.pc;
                    d.where = map.caseAt(r.pc);
                    d.expected = *e;
                    d.caseRegisters.clear(); // those were the front's
                    d.before.assign(d.before.begin(),
                                    d.before.end() - std::min<std::ptrdiff_t>(
                                                         static_cast<std::ptrdiff_t>(d.distance),
                                                         std::ssize(d.before)));
                }
                return d;
            }
        if (auto d = younger(r, false)) return *d;
        return atFront(Divergence::Kind::Elsewhere);
    }

    // A younger instruction's record (`exact`, or its destination) past the window: the older
    // one's never came, or this one is early.
    std::optional<Divergence> younger(const TraceRecord& r, bool exact) {
        const std::uint64_t limit = ahead.front().index + options.window;
        refill(limit + kLookahead);
        for (std::size_t k = 1; k < ahead.size(); ++k) {
            const Pending& p = ahead[k];
            const bool found = std::any_of(p.records.begin(), p.records.end(), [&](auto& e) {
                return exact ? e == r : sameDestination(e, r);
            });
            if (!found || p.index <= limit) continue;
            bool dueBetween = false;
            for (std::size_t j = 1; j < k; ++j)
                dueBetween = dueBetween || !ahead[j].complete();
            const Pending& front = ahead.front();
            if (front.matched != 0 || !dueBetween) {
                Divergence d = atFront(Divergence::Kind::Missing);
                for (std::size_t i = 0; i < front.records.size(); ++i)
                    if (front.has(i)) d.wrote.push_back(front.records[i]);
                return d;
            }
            Divergence d = atFront(Divergence::Kind::Early);
            d.distance = p.index - front.index;
            return d;
        }
        return std::nullopt;
    }

    // The last branch or jump before the record due, when the record lies on its other path.
    std::optional<Divergence> branchMissed(const TraceRecord& r) {
        std::vector<std::uint32_t> pcs;
        for (std::size_t j = 0; j < history.size(); ++j)
            pcs.push_back(history[j].pc);
        pcs.push_back(ahead.front().pc);
        int seen = 0;
        for (std::size_t j = pcs.size(); j-- > 2;) {
            const std::uint32_t b = pcs[j - 2];
            const auto target = controlTarget(map.word(b), b);
            if (!target || pcs[j - 1] != b + 4) continue;
            const std::uint32_t next = pcs[j];
            const bool taken = next != b + 8;
            // A register jump's other path is unknown.
            const bool otherPath = *target != 0 && onPath(r.pc, taken ? b + 8 : *target);
            if (!otherPath) {
                if (++seen == kBranchesSearched) return std::nullopt;
                continue;
            }
            Divergence d = atFront(Divergence::Kind::Branch);
            d.branch = b;
            d.branchTaken = taken;
            d.branchTarget = taken ? next : *target;
            return d;
        }
        return std::nullopt;
    }

    // ---- After a divergence ----

    void diverge(Divergence d, const std::optional<TraceRecord>& r) {
        d.record = last.record;
        d.line = last.line;
        d.seq = last.seq;
        d.observed = r;
        RoutineTally& t = tallyOf(d.instruction);
        ++t.divergences;
        ++result.divergenceCount;
        // Outside the cases (between the routines, a routine's exit and report block) a failed
        // routine shows in every later pass count: only a run's first divergence is reported there.
        if (!d.where.caseIndex && !result.divergences.empty()) return;
        if (!t.divergence) t.divergence = result.divergences.size();
        result.divergences.push_back(std::move(d));
        if (result.divergences.size() >= options.keepGoing) done = true;
    }

    // Skips the reference run to the entry of the next routine it enters after the one where it
    // diverged (or, outside the routines, the next one it enters), and the user's records to
    // their first record there. False when the reference run ends first.
    bool resync() {
        const RoutineMap* from = tallies[cachedTally].routine;
        for (;;) {
            if (ahead.empty() && !refill(0)) return false;
            Pending& p = ahead.front();
            RoutineTally& t = tallyOf(p.pc);
            // A trace resumes at the routine's first record, whole instructions at its entry.
            if (t.routine && t.routine != from && (wholeInstructions || !p.records.empty())) {
                resyncTo = t.routine;
                return true;
            }
            t.skipped += p.records.size() - static_cast<std::size_t>(std::popcount(p.matched));
            for (const auto& e : p.records)
                if (!isException(e)) skippedReference[destinationKey(e)] = e.value;
            p.matched = maskOf(p.records.size());
            retireFront();
        }
    }

    // ---- Feeding ----

    // One record; false when the comparison wants no more.
    bool feed(TraceRecord r) {
        // The user's core reports its exceptions: from here on they are compared.
        if (isException(r)) reference.compareExceptions();
        for (;;) {
            if (resyncTo) {
                if (!resyncTo->range.contains(r.pc)) {
                    if (!isException(r)) skippedUser[destinationKey(r)] = r.value;
                    return true;
                }
                carryDifferences();
            }
            if (!settle()) {
                if (reference.ended()) {
                    pastEnd = true;
                    ++result.extraRecords;
                } else {
                    done = true;
                }
                return false;
            }
            Pending& f = ahead.front();
            for (std::size_t i = 0; i < f.records.size(); ++i)
                if (!f.has(i) && f.records[i] == r) {
                    match(f, i);
                    return afterMatch(r);
                }
            if (matchInWindow(r) || matchCarried(r)) return afterMatch(r);
            diverge(classify(r), r);
            if (done) return false;
            if (!resync()) {
                done = true;
                return false;
            }
        }
    }

    // ---- Whole instructions ----

    // One instruction of the user's core against the reference core's next one; false when the
    // comparison wants no more.
    bool retire(const ObservedInstruction& o) {
        wholeInstructions = true;
        reference.compareExceptions(); // each instruction says whether it reports its exception
        last = {.record = last.record + 1, .line = 0, .seq = o.seq};
        if (resyncTo) {
            if (!o.retired || !resyncTo->range.contains(o.pc)) {
                for (const TraceRecord& r : o.records)
                    if (!isException(r)) skippedUser[destinationKey(r)] = r.value;
                ++result.skippedInstructions;
                return true;
            }
            carryDifferences();
        }
        if (ahead.empty() && !refill(0)) {
            if (reference.ended())
                pastEnd = true;
            else
                done = true;
            return false;
        }
        ++result.checkedInstructions;
        // Most instructions: the same address, an exception on both sides or on neither, and the
        // records as the reference core wrote them, in its order.
        Pending& f = ahead.front();
        if (o.retired && o.pc == f.pc && o.trap == f.trap && f.matched == 0 && !o.writesLost &&
            f.records == o.records)
            matchAll(f);
        else if (auto d = checkWhole(o)) {
            diverge(std::move(d->first), d->second);
            if (done) return false;
            if (!resync()) {
                done = true;
                return false;
            }
            return true;
        }
        retireFront();
        if (ahead.empty() && reference.ended()) pastEnd = true;
        return !pastEnd;
    }

    // Whether the observed record agrees with the expected one, directly or by the difference
    // its destination carries since a resynchronisation.
    bool agrees(const TraceRecord& e, const TraceRecord& r) const {
        if (e == r) return true;
        if (carried.empty() || r.unknown || !sameDestination(e, r)) return false;
        const auto delta = carried.find(destinationKey(r));
        return delta != carried.end() && r.value - e.value == delta->second;
    }

    // The first way the instruction parts from the reference core's next one, with the record
    // of the user's core it shows, if any. Records that agree before it are counted.
    std::optional<std::pair<Divergence, std::optional<TraceRecord>>>
    checkWhole(const ObservedInstruction& o) {
        Pending& f = ahead.front();
        const auto first = [](const std::vector<TraceRecord>& records) {
            return records.empty() ? std::nullopt : std::optional(records.front());
        };
        if (!o.retired) return std::pair{atFront(Divergence::Kind::NeverRetired), std::nullopt};
        if (o.pc != f.pc) {
            Divergence d = atFront(Divergence::Kind::Control);
            d.observedPc = o.pc;
            return std::pair{std::move(d), first(o.records)};
        }
        const auto exceptionOf = [](const std::vector<TraceRecord>& records) {
            const auto e = std::find_if(records.begin(), records.end(), isException);
            return e == records.end() ? std::nullopt : std::optional(*e);
        };
        if (o.trap != f.trap) {
            Divergence d = atFront(Divergence::Kind::Trap);
            d.coreTrapped = o.trap;
            if (f.trap) d.expected = exceptionOf(f.records);
            const auto observedException = exceptionOf(o.records);
            return std::pair{std::move(d),
                             observedException ? observedException : first(o.records)};
        }
        std::uint32_t used = 0; // observed records accounted for
        for (std::size_t i = 0; i < f.records.size(); ++i) {
            if (f.has(i)) continue;
            const TraceRecord& e = f.records[i];
            std::size_t k = 0;
            while (k < o.records.size() && (((used >> k) & 1) || o.records[k].kind != e.kind))
                ++k;
            if (k < o.records.size() && agrees(e, o.records[k])) {
                used |= 1u << k;
                match(f, i);
                continue;
            }
            // A core that does not report its exceptions (no coprocessor 0): that it trapped is
            // all there is to compare.
            if (k == o.records.size() && isException(e) && o.trap) {
                f.matched |= 1ull << i;
                continue;
            }
            Divergence d = atFront(Divergence::Kind::Missing);
            d.expected = e;
            if (k == o.records.size()) return std::pair{std::move(d), std::nullopt};
            const TraceRecord& r = o.records[k];
            d.kind = r.unknown && sameDestination(e, r) ? Divergence::Kind::Unknown
                                                        : Divergence::Kind::Differs;
            return std::pair{std::move(d), r};
        }
        for (std::size_t k = 0; k < o.records.size(); ++k)
            if (!((used >> k) & 1)) {
                Divergence d = atFront(Divergence::Kind::Extra);
                d.expected.reset();
                d.wrote = f.records;
                return std::pair{std::move(d), o.records[k]};
            }
        if (o.writesLost) { // writes the reference core does not make, and they never came
            Divergence d = atFront(Divergence::Kind::Missing);
            d.expected.reset();
            return std::pair{std::move(d), std::nullopt};
        }
        return std::nullopt;
    }

    void carryDifferences() {
        resyncTo = nullptr;
        for (const auto& [key, value] : skippedUser)
            if (const auto e = skippedReference.find(key); e != skippedReference.end())
                carried[key] = value - e->second;
        skippedUser.clear();
        skippedReference.clear();
    }

    // A record due in the window that differs by its destination's carried difference.
    bool matchCarried(const TraceRecord& r) {
        if (carried.empty() || r.unknown) return false;
        const auto delta = carried.find(destinationKey(r));
        if (delta == carried.end()) return false;
        const std::uint64_t limit = ahead.front().index + options.window;
        for (std::size_t k = 0; k < ahead.size() && ahead[k].index <= limit; ++k)
            for (std::size_t i = 0; i < ahead[k].records.size(); ++i) {
                const TraceRecord& e = ahead[k].records[i];
                if (!ahead[k].has(i) && sameDestination(e, r) &&
                    r.value - e.value == delta->second) {
                    match(ahead[k], i);
                    return true;
                }
            }
        return false;
    }

    bool afterMatch(const TraceRecord& r) {
        if (isEndMark(r) && !settle() && reference.ended()) pastEnd = true;
        return !pastEnd;
    }

    void finish(const TraceEnd& end) {
        result.incompleteLine = end.incompleteLine;
        result.incompleteLineNumber = end.incompleteLineNumber;
        result.compressedCut = end.compressedCut;
        result.extraRecords += end.afterEndMark;
        result.extraCut = end.afterEndMarkCut;
        // A simulation may end anywhere; a trace that ends before the end mark is a divergence.
        if (!wholeInstructions && !done && !pastEnd && settle()) {
            Divergence d = atFront(Divergence::Kind::EndsEarly);
            d.record = last.record;
            d.line = last.line;
            d.seq = last.seq;
            d.lastAgreed = lastWithRecords;
            for (std::size_t j = history.size(); j > 0; --j)
                if (!history[j - 1].records.empty()) {
                    d.lastAgreed = history[j - 1];
                    break;
                }
            result.divergences.push_back(std::move(d));
        }
        const bool endsEarly = !result.divergences.empty() &&
                               result.divergences.front().kind == Divergence::Kind::EndsEarly;
        if (endsEarly) { // measure the whole reference run
            reference.countOnly();
            while (!reference.ended() && run.advance(1 << 20)) {
            }
        }
        result.expectedRecords = reference.compared();
        result.expectedComplete = reference.ended();
        result.referenceInstructions = run.instructions();
        if (result.divergences.empty())
            result.outcome = reference.ended() ? TraceComparison::Outcome::Agree
                                               : TraceComparison::Outcome::ReferenceStopped;
        else
            result.outcome =
                endsEarly ? TraceComparison::Outcome::EndsEarly : TraceComparison::Outcome::Differs;
        if (!reference.ended()) result.referenceStop = run.result().reason;
        if (options.keepGoing > 1 || wholeInstructions) result.routines = tallies;
    }
};

TraceChecker::TraceChecker(const Image& image, const RomMap& map, const CompareOptions& options) {
    if (options.window > CompareOptions::kMaxWindow)
        throw InputError(fmt::format("--window {}: at most {} instructions", options.window,
                                     CompareOptions::kMaxWindow));
    state_ = std::make_unique<State>(image, map, options);
}

TraceChecker::~TraceChecker() = default;

bool TraceChecker::feed(const TraceRecord& record, const RecordOrigin& origin) {
    State& s = *state_;
    if (s.done) return false;
    if (s.pastEnd) {
        ++s.result.extraRecords;
        return false;
    }
    TraceRecord r = record;
    if (s.options.physical) toVirtual(r);
    if (!s.options.kinds.has(r.kind)) return true;
    s.last = origin;
    return s.feed(r);
}

bool TraceChecker::retire(const ObservedInstruction& instruction) {
    State& s = *state_;
    if (s.done) return false;
    if (s.pastEnd) return false;
    if (s.plainInstructions && instruction.records.size() <= 32) return s.retire(instruction);
    return retireConverted(instruction);
}

bool TraceChecker::retireConverted(const ObservedInstruction& instruction) {
    State& s = *state_;
    ObservedInstruction& o = s.observed; // its storage is kept from one instruction to the next
    o.pc = instruction.pc;
    o.seq = instruction.seq;
    o.trap = instruction.trap;
    o.retired = instruction.retired;
    o.writesLost = instruction.writesLost;
    o.records.assign(instruction.records.begin(), instruction.records.end());
    if (s.options.physical) {
        o.pc = virtualAlias(o.pc);
        for (TraceRecord& r : o.records)
            toVirtual(r);
    }
    std::erase_if(o.records, [&](const TraceRecord& r) { return !s.options.kinds.has(r.kind); });
    if (o.records.size() > 32) o.records.resize(32); // one per destination kind is all there is
    return s.retire(o);
}

bool TraceChecker::pastEndMark() const {
    return state_->pastEnd;
}

bool TraceChecker::decided() const {
    return state_->done;
}

const TraceComparison& TraceChecker::current() const {
    return state_->result;
}

std::optional<RetiredInstruction> TraceChecker::nextExpected() {
    State& s = *state_;
    s.wholeInstructions = true;
    s.reference.compareExceptions();
    if (s.done || s.pastEnd || (s.ahead.empty() && !s.refill(0))) return std::nullopt;
    const Pending& p = s.ahead.front();
    return RetiredInstruction{p.pc, p.records};
}

std::uint32_t TraceChecker::memoryWord(std::uint32_t address) const {
    const Board& board = state_->run.board();
    std::uint32_t word = 0;
    const auto read = [&](std::span<const std::uint8_t> bytes, std::uint32_t offset) {
        if (offset < bytes.size() && bytes.size() - offset >= 4 && (offset & 3) == 0)
            std::memcpy(&word, &bytes[offset], 4);
    };
    read(board.rom(), address - kRomBase);
    read(board.ram(), address - kRamBase);
    return word;
}

void TraceChecker::setSwitch(std::uint32_t value) {
    state_->run.board().setSwitch(value);
}

const TraceComparison& TraceChecker::finish(const TraceEnd& end) {
    state_->finish(end);
    return state_->result;
}

TraceComparison compareTrace(const Image& image, const RomMap& map, TraceReader& user,
                             const CompareOptions& options) {
    TraceChecker checker(image, map, options);
    bool more = true;
    while (more) {
        const auto r = user.next();
        if (!r) break;
        more = checker.feed(*r, user.origin());
    }
    TraceEnd end;
    if (checker.pastEndMark()) {
        const TraceReader::Rest rest = user.skipRest();
        end.afterEndMark = rest.lines;
        end.afterEndMarkCut = rest.stoppedEarly;
    } else if (more) {
        end.incompleteLine = user.incompleteLine();
        end.incompleteLineNumber = user.incompleteLineNumber();
        end.compressedCut = user.streamCut();
    }
    return checker.finish(end);
}

std::optional<std::uint32_t> switchLoadAddress(const Image& image, const RomMap& map) {
    const Symbol* wait = image.findSymbol("wait_1s");
    if (!wait) return std::nullopt;
    constexpr std::uint32_t kLw = 0x23, kSearched = 8;
    for (std::uint32_t pc = wait->value; pc < wait->value + 4 * kSearched; pc += 4)
        if (map.word(pc) >> 26 == kLw) return pc;
    return std::nullopt;
}

std::optional<std::uint32_t> switchReadIn(TraceReader& user, std::uint32_t loadAddress,
                                          bool physical, std::size_t maxRecords) {
    for (std::size_t i = 0; i < maxRecords; ++i) {
        const UserRecord* u = user.peek(i);
        if (!u) break;
        const std::uint32_t pc = physical ? virtualAlias(u->record.pc) : u->record.pc;
        if (pc == loadAddress && u->record.kind == TraceRecord::Kind::Reg) return u->record.value;
    }
    return std::nullopt;
}

} // namespace coretest
