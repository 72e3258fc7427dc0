#pragma once
// Two runs of one image that must end alike: the stop, the count, the registers, HI, LO, the
// pc and the last taken branch, the board and its log, the writes to ROM and the exception.
#include <gtest/gtest.h>

#include <string>

#include "coretest/run.h"

namespace coretest_test {

inline void expectSameRun(const coretest::RunResult& a, const coretest::RunResult& b,
                          const std::string& what = "") {
    SCOPED_TRACE(what);
    EXPECT_EQ(a.reason, b.reason) << coretest::stopReasonName(a.reason) << " against "
                                  << coretest::stopReasonName(b.reason);
    EXPECT_EQ(a.instructions, b.instructions);
    EXPECT_EQ(a.state.regs, b.state.regs);
    EXPECT_EQ(a.state.hi, b.state.hi);
    EXPECT_EQ(a.state.lo, b.state.lo);
    EXPECT_EQ(a.state.pc, b.state.pc);
    EXPECT_EQ(a.state.npc, b.state.npc);
    EXPECT_EQ(a.state.lastBranch, b.state.lastBranch);
    EXPECT_EQ(a.board, b.board);
    EXPECT_TRUE(a.events == b.events)
        << "board logs differ: " << a.events.size() << " against " << b.events.size() << " events";
    EXPECT_TRUE(a.romWrites == b.romWrites);
    ASSERT_EQ(a.exception.has_value(), b.exception.has_value());
    if (a.exception) {
        EXPECT_EQ(a.exception->cause, b.exception->cause);
        EXPECT_EQ(a.exception->pc, b.exception->pc);
        EXPECT_EQ(a.exception->badAddress, b.exception->badAddress);
        EXPECT_EQ(a.exception->delaySlot, b.exception->delaySlot);
        EXPECT_EQ(a.exception->instruction, b.exception->instruction);
    }
}

} // namespace coretest_test
