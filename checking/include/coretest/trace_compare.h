#pragma once
// A core's trace against the reference core's commit stream.
//
//   TraceChecker checker(image, map, options);      // options: switch, window, kinds, keep-going
//   for each record the core under test wrote:      // in program order, or within the window
//       if (!checker.feed(record, origin)) break;   // false: decided (or past the end mark)
//   const TraceComparison& c = checker.finish(end); // the trace ended: what it shows
//   std::cout << formatComparison(c, image, map, source);   // compare_report.h
//
// The checker runs the reference core (SteppedRun) only as far as the records fed need it;
// compareTrace() feeds it a whole trace. The reference core stops where the comparison is decided.
//
// A core whose every retirement is seen (a live checker in a simulation, lockstep with a second
// core) feeds whole instructions instead, with retire(): each is checked against the reference
// core's next instruction as a whole (its address, whether it raised an exception, its records),
// and the reference core runs one instruction at a time, so a switch the core reads takes effect
// where it reads it. Divergences, keep-going and the report are the same for both kinds of input.
//
// Records of one instruction may come in any order. Untagged traces may also be out of program
// order by `window` instructions (a store of a 5-stage core written before an older
// instruction's write-back; HI and LO from an iterative divider after younger instructions):
// a record may belong to any of the `window` instructions after the oldest one that still has
// records to come. A tagged trace comes sorted by its @SEQ numbers (trace_reader.h) and needs no
// window. A record that fits nowhere is classified: another value or unknown bits at the right
// place, a record missing from an instruction, an extra record, a record written early, control
// that went elsewhere after a branch, or a write from an unrelated address.
//
// With keepGoing > 1 the reference side resynchronises after a divergence at the entry of the next
// routine (and the user's side at its first record from that routine), so every routine's first
// divergence in a case is reported, up to keepGoing of them. Outside the cases (between the
// routines, their exits and report blocks) only the run's first divergence is reported (after a
// failed routine every pass count written there differs); the others are counted. What each side
// wrote while skipped carries over: a destination whose values then differ (the pass count) is
// compared with that difference from there on.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "coretest/reference_commits.h"
#include "coretest/rom_map.h"
#include "coretest/run.h"
#include "coretest/trace.h"
#include "coretest/trace_reader.h"

namespace coretest {

// The record kinds a comparison looks at ("gpr", "hilo", "mem", "exc", comma-separated).
struct RecordKinds {
    bool gpr = true, hilo = true, mem = true, exc = true;
    bool has(TraceRecord::Kind k) const;
    bool all() const { return gpr && hilo && mem && exc; }
    std::string describe() const; // "gpr,hilo"
    // Throws InputError for an unknown name.
    static RecordKinds parse(std::string_view text);
};

// A trace with physical pcs and addresses: the boot ROM at 0x1fc00000 (kseg1 0xbfc00000), RAM at
// 0x00000000 (kseg0 0x80000000); the board page stays at 0xfffff000.
bool looksPhysical(const TraceRecord& first);
std::uint32_t virtualAlias(std::uint32_t physical);

// One retired instruction of the reference core, with the records it wrote.
struct RetiredInstruction {
    std::uint32_t pc = 0;
    std::vector<TraceRecord> records;
};

struct Divergence {
    enum class Kind {
        Differs,   // the expected destination (or one of the same instruction) with another value
        Unknown,   // the expected destination with unknown bits
        Missing,   // an instruction's record never came; the core went on to younger ones
        Extra,     // a record the instruction does not write
        Early,     // a record of an instruction beyond the window
        Branch,    // the records went on where a branch or jump did not lead
        Elsewhere, // a record of an instruction the reference core did not retire near there
        EndsEarly, // the trace ended
        // Whole instructions (retire()):
        Control,      // the core retired another instruction than the reference core executes
        Trap,         // one of the two raised an exception, the other completed the instruction
        NeverRetired, // the core never retired the instruction, though younger ones retired
    };
    Kind kind = Kind::Differs;
    // The user's record (Differs...Elsewhere) and where it stands; EndsEarly: the last record.
    // Whole instructions: `record` is the instruction's number in checking order, `line` 0.
    std::uint64_t record = 0;
    std::uint64_t line = 0;
    std::optional<std::uint32_t> seq;
    std::optional<TraceRecord> expected, observed;
    std::uint32_t instruction = 0; // pc of the reference instruction the divergence is at
    std::uint32_t observedPc = 0;  // Control: the instruction the core retired instead
    bool coreTrapped = false;      // Trap: the core raised the exception (else the reference)
    std::string note; // how they part, where the checker's caller knows better (a lost write)
    // Missing: the records of the instruction the core did write; Extra: the records the
    // instruction writes on the reference core.
    std::vector<TraceRecord> wrote;
    std::uint64_t distance = 0;     // Early: instructions ahead; Extra: instructions back
    std::uint32_t branch = 0;       // Branch: the reference core's branch or jump
    std::uint32_t branchTarget = 0; // where it led on the reference core
    bool branchTaken = false;       // whether it was taken there
    CaseRef where;                  // case of `instruction`
    // Registers the case had placed before that instruction, with the reference core's values.
    std::vector<std::pair<unsigned, std::uint32_t>> caseRegisters;
    std::vector<RetiredInstruction> before;       // the instructions retired just before it
    std::optional<RetiredInstruction> lastAgreed; // EndsEarly: where the user's trace got to
    std::uint64_t matchedBefore = 0;              // records that agreed before it
};

// What one routine's records came to (keep-going runs).
struct RoutineTally {
    const RoutineMap* routine = nullptr;   // nullptr: outside the routines (boot and test sequence)
    std::uint64_t agreed = 0;              // records that agreed
    std::uint64_t skipped = 0;             // reference records skipped while resynchronising
    std::uint64_t divergences = 0;         // divergences found (and resynchronised after)
    std::optional<std::size_t> divergence; // its first divergence in TraceComparison::divergences
};

struct TraceComparison {
    enum class Outcome { Agree, Differs, EndsEarly, ReferenceStopped };
    Outcome outcome = Outcome::Agree;
    std::vector<Divergence> divergences;   // in trace order; at most keepGoing of them
    std::uint64_t expectedRecords = 0;     // records of the reference run (as far as it ran)
    bool expectedComplete = false;         // expectedRecords counts the run up to its end mark
    std::uint64_t matchedRecords = 0;      // records that agreed
    std::uint64_t checkedInstructions = 0; // whole instructions compared (retire())
    std::uint64_t skippedInstructions = 0; // ... skipped while resynchronising
    std::uint64_t divergenceCount = 0;     // divergences found, reported or only counted
    std::uint64_t extraRecords = 0;        // lines of the user's trace after the end mark
    bool extraCut = false;                 // ... not all counted (an overlong line)
    StopReason referenceStop = StopReason::Verdict; // ReferenceStopped: how the reference ran out
    std::uint64_t referenceInstructions = 0;
    std::string incompleteLine; // the user's cut last line
    std::uint64_t incompleteLineNumber = 0;
    bool compressedCut = false;         // the compressed stream was cut
    std::vector<RoutineTally> routines; // keep-going runs: every routine in run order, then outside

    const Divergence& first() const { return divergences.front(); }
};

struct CompareOptions {
    static constexpr std::size_t kDefaultWindow = 64; // untagged traces
    static constexpr std::size_t kMaxWindow = 4096;
    RunOptions run;            // switch, limit and faults of the reference run
    std::size_t context = 6;   // instructions shown before a divergence
    std::size_t window = 0;    // instructions a record may come early (at most kMaxWindow)
    RecordKinds kinds;         // the kinds compared; the others are dropped on both sides
    bool physical = false;     // the user's pcs and addresses are physical
    std::size_t keepGoing = 1; // divergences reported at most (one per routine after the first)
};

// One instruction the core under test retired, with everything it wrote.
struct ObservedInstruction {
    std::uint32_t pc = 0;
    std::optional<std::uint32_t> seq;
    bool trap = false;       // it raised an exception instead of completing
    bool retired = true;     // false: it never retired, though younger instructions did
    bool writesLost = false; // writes it announced never came (those that did are `records`)
    std::vector<TraceRecord> records; // in any order, at most one per destination kind
};

// How the user's trace ended.
struct TraceEnd {
    std::string incompleteLine;
    std::uint64_t incompleteLineNumber = 0;
    bool compressedCut = false;
    std::uint64_t afterEndMark = 0; // lines after the end mark not fed
    bool afterEndMarkCut = false;
};

class TraceChecker {
  public:
    TraceChecker(const Image& image, const RomMap& map, const CompareOptions& options);
    ~TraceChecker();
    TraceChecker(const TraceChecker&) = delete;
    TraceChecker& operator=(const TraceChecker&) = delete;

    // One record of the user's core. False once no more records are wanted: the comparison is
    // decided, or the reference core has written its end mark (later records are not compared).
    bool feed(const TraceRecord& record, const RecordOrigin& origin);
    // One whole instruction of the user's core, the next in program order. False as for feed().
    // Not to be mixed with feed() in one comparison.
    bool retire(const ObservedInstruction& instruction);
    bool pastEndMark() const;
    // Decided: no more records or instructions are compared.
    bool decided() const;
    // The comparison so far: divergences (a live checker reports each as it is found), records
    // that agreed, instructions compared; the routine table comes with finish().
    const TraceComparison& current() const;
    // The reference core's next instruction with its records, executed (whole instructions: what
    // the next retire() is compared with); nullopt when its run has ended or stopped.
    std::optional<RetiredInstruction> nextExpected();
    // The reference memory's word at an aligned address (ROM or RAM; 0 elsewhere), as it stands
    // before the reference core's next instruction.
    std::uint32_t memoryWord(std::uint32_t address) const;
    // The board as the reference run sees it; the switch a core read takes effect from the
    // reference core's next instruction.
    void setSwitch(std::uint32_t value);
    // The user's trace ended: decides what is left (a trace that ends early is measured against
    // the whole reference run) and returns the comparison.
    const TraceComparison& finish(const TraceEnd& end = {});

  private:
    // retire() of an instruction with physical addresses, or with kinds of records not compared.
    bool retireConverted(const ObservedInstruction& instruction);

    struct State;
    std::unique_ptr<State> state_;
};

// Feeds the whole trace to a TraceChecker. Throws InputError for a malformed line.
TraceComparison compareTrace(const Image& image, const RomMap& map, TraceReader& user,
                             const CompareOptions& options);

// The address of the instruction that loads SWITCH_REG in wait_1s, if the image has one.
std::optional<std::uint32_t> switchLoadAddress(const Image& image, const RomMap& map);
// The SWITCH_REG value the user's trace shows the core read first (the record of that load),
// looked for in the first `maxRecords` records, which stay in the reader for the comparison.
std::optional<std::uint32_t> switchReadIn(TraceReader& user, std::uint32_t loadAddress,
                                          bool physical = false,
                                          std::size_t maxRecords = 1'000'000);

} // namespace coretest
