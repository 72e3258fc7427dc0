#pragma once
// The reference core stepped one instruction at a time, each step returning what the
// instruction wrote, so that a core under simulation can be checked as it retires. The ROM is
// decoded once, when the image is opened; nothing hooks the table, so the reference core runs on
// through the idle loops exactly as a core under simulation does.
#include <cstdint>
#include <vector>

#include "coretest/board.h"
#include "coretest/core.h"
#include "coretest/image.h"
#include "coretest/trace.h"
#include "coretest/trace_compare.h"

namespace coretest::cosim {

// One executed instruction: its records in the order the reference core wrote them, and whether
// it raised an exception instead of completing.
struct ReferenceStep {
    RetiredInstruction retired;
    Op op = Op::Reserved; // of the instruction executed
    bool trap = false;
};

class ReferenceCore : private Observer {
  public:
    ReferenceCore(const Image& image, std::uint32_t switchValue);
    ReferenceCore(const ReferenceCore&) = delete;
    ReferenceCore& operator=(const ReferenceCore&) = delete;

    std::uint32_t pc() const { return core_.state().pc; }
    // Executes the instruction at pc(). A fetch that nothing answers (or a misaligned one)
    // raises its exception as a step of its own, at the fetched address.
    const ReferenceStep& step();
    const CoreState& state() const { return core_.state(); }
    // The state before the last step.
    const CoreState& before() const { return before_; }
    const BoardState& board() const { return board_.state(); }
    void setSwitch(std::uint32_t value) { board_.setSwitch(value); }
    // The RAM word at an aligned address (0 outside the RAM).
    std::uint32_t ramWord(std::uint32_t address) const;

    // The reference state takes another core's value (after a divergence).
    void setReg(unsigned reg, std::uint32_t value);
    void setHi(std::uint32_t value);
    void setLo(std::uint32_t value);
    void store(std::uint32_t address, unsigned size, std::uint32_t value);
    // Continues at pc (not in a delay slot).
    void moveTo(std::uint32_t pc);

  private:
    void regWritten(std::uint32_t pc, unsigned reg, std::uint32_t value) override;
    void hiWritten(std::uint32_t pc, std::uint32_t value) override;
    void loWritten(std::uint32_t pc, std::uint32_t value) override;
    void memoryWritten(std::uint32_t pc, std::uint32_t addr, unsigned size,
                       std::uint32_t value) override;
    void exceptionTaken(const ExceptionRecord& record) override;
    Op opAt(std::uint32_t pc) const;
    // Runs an adopting write without recording it as part of the step.
    template <class Write>
    void unrecorded(Write write);

    Board board_;
    std::vector<Instr> rom_;
    Core<true> core_;
    CoreState before_;
    ReferenceStep step_;
    bool raised_ = false;
};

} // namespace coretest::cosim
