#pragma once
// Fault injection: named deviations of the core, each a replacement of instruction semantics
// (every instruction of some operations, or one instruction at an address) inside an address
// range, usually one routine. A run without faults executes the decoded table untouched.
#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "coretest/core.h"
#include "coretest/image.h"
#include "coretest/instr.h"

namespace coretest {

// The outcome the ROM must show when the fault is active in its scope.
enum class ExpectedKind {
    Unnoticed,     // the run passes 58/58 with a verdict
    Fails,         // verdict "failed"; `failures` lists every failing routine, in run order
    ExceptionIdle, // the run ends in the loop at the exception vector (StopReason::ExceptionIdle,
                   // or StrayIdle when no exception led there); `failures` holds the routine and
                   // case of the exception, if there is one
    IdleNoVerdict, // the core idles in test_finish without an end mark
};

struct ExpectedFailure {
    std::string_view routine; // "n1_lui_test"
    int caseIndex = 0;        // 1-based within the routine
    int comparison = 0; // 1-based ordinal of the branch to inst_error in the case; 0 = not stated
};

struct Expected {
    ExpectedKind kind = ExpectedKind::Unnoticed;
    std::vector<ExpectedFailure> failures;
};

// What the ROM shows when the fault acts on the whole core, as a faulty core would have it
// everywhere: how the run ends, where a user first sees it, and the board at the end. Left
// unrecorded, the fault's whole-core outcome comes from the recorded whole-core table.
struct WholeCoreExpected {
    bool recorded = false;
    ExpectedKind kind = ExpectedKind::Unnoticed;
    // Fails: the first routine that reports a failure, its case and comparison; ExceptionIdle:
    // where the exception was raised (no routine when outside every routine); otherwise empty.
    ExpectedFailure first{};
    std::uint32_t finalDisplay = 0; // the last word written to the display (0: none written)
    std::uint32_t lampA = 0, lampB = 0;
};

class FaultSite;

struct FaultDef {
    std::string_view name;
    std::string_view description;
    std::string_view scope; // routine the fault campaign confines it to; "" = whole ROM
    void (*install)(FaultSite&);
    Expected expected;             // in its scope
    WholeCoreExpected wholeCore{}; // unscoped; may be left to the recorded table
};

// A fault chosen for a run, confined to one routine ("" = the whole ROM).
struct FaultSelection {
    const FaultDef* fault = nullptr;
    std::string routine;
};

// One replacement that a fault installs.
struct FaultPatch {
    std::bitset<kOpCount> ops; // operations replaced within the range, or
    bool atAddress = false;    // only the instruction at `address`, if inside the range
    std::uint32_t address = 0;
    AddressRange range;
    Semantics semantics;
    int fault = 0; // index of the selection, for its scratch
};

// What an install function works with: the image, the selection's range, and the replacements.
class FaultSite {
  public:
    FaultSite(const Image& image, AddressRange range, int fault, std::vector<FaultPatch>& out)
        : image_(image), range_(range), fault_(fault), out_(out) {}

    const Image& image() const { return image_; }
    AddressRange range() const { return range_; }
    // Address of a symbol of the image; throws InputError when it has none of that name.
    std::uint32_t symbol(std::string_view name) const;

    // Every instruction of these operations inside the range executes `semantics` instead.
    template <class F>
    void replace(std::initializer_list<Op> ops, F semantics) {
        FaultPatch& p = add(Semantics::of(semantics));
        for (Op op : ops)
            p.ops.set(static_cast<std::size_t>(op));
    }
    template <class F>
    void replace(Op op, F semantics) {
        replace({op}, semantics);
    }
    // Only the instruction at `address` (when the range holds it).
    template <class F>
    void replaceAt(std::uint32_t address, F semantics) {
        FaultPatch& p = add(Semantics::of(semantics));
        p.atAddress = true;
        p.address = address;
    }

  private:
    FaultPatch& add(Semantics semantics) {
        FaultPatch& p = out_.emplace_back();
        p.range = range_;
        p.semantics = semantics;
        p.fault = fault_;
        return p;
    }

    const Image& image_;
    AddressRange range_;
    int fault_;
    std::vector<FaultPatch>& out_;
};

// The installed faults of one run.
class FaultSet {
  public:
    // Throws InputError when a selection names a routine the image does not have.
    FaultSet(const Image& image, std::span<const FaultSelection> selections);

    bool empty() const { return patches_.empty(); }
    const std::vector<FaultPatch>& patches() const { return patches_; }
    std::size_t faultCount() const { return faultCount_; }

  private:
    std::vector<FaultPatch> patches_;
    std::size_t faultCount_ = 0;
};

} // namespace coretest
