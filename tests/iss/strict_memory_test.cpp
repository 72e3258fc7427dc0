// Strict memory mode on the reference core: the finished ROM keeps to its memory map, a fault
// that misaddresses is reported, and each rule of the checker holds for single accesses.
#include <gtest/gtest.h>

#include "coretest/fault.h"
#include "coretest/run.h"
#include "coretest/strict_memory.h"
#include "support/rom.h"

namespace coretest {
namespace {

using coretest_test::rom;

RunResult strictRun(StrictMemory& strict, std::vector<FaultSelection> faults = {}) {
    return run(
        rom(),
        {.switchValue = 1, .faults = std::move(faults), .observer = &strict, .checker = &strict});
}

TEST(StrictMemory, TheRomStaysInsideItsMemoryMap) {
    StrictMemory strict(rom());
    const RunResult r = strictRun(strict);
    EXPECT_EQ(r.reason, StopReason::Verdict);
    EXPECT_EQ(r.passCount(), 58u);
    for (const auto& v : strict.violations())
        ADD_FAILURE() << v.describe();
    EXPECT_EQ(strict.lowestRam(), 0x80018ee0u);
    EXPECT_EQ(strict.highestRamByte(), 0x8003fecbu);
}

// lw and sw that zero-extend their displacement: the long-offset cases then address 64 KiB
// higher, which the comparison of a case cannot see while the address is RAM.
const FaultDef kZeroExtended{"zero-extended-displacement",
                             "lw and sw zero-extend the 16-bit displacement",
                             "n6_lw_test",
                             [](FaultSite& site) {
                                 site.replace(Op::Lw, [](auto& c, const Instr& i) {
                                     if (auto v = c.load(c.rs(i) + (i.imm & 0xffff), 4))
                                         c.setRt(i, *v);
                                 });
                                 site.replace(Op::Sw, [](auto& c, const Instr& i) {
                                     c.store(c.rs(i) + (i.imm & 0xffff), 4, c.rt(i));
                                 });
                             },
                             {}};

TEST(StrictMemory, ReportsAFaultThatMisaddresses) {
    StrictMemory strict(rom());
    strictRun(strict, {{&kZeroExtended, "n6_lw_test"}});
    ASSERT_FALSE(strict.violations().empty());
    const MemoryViolation& first = strict.violations().front();
    EXPECT_EQ(first.routine, "n6_lw_test") << first.describe();
    EXPECT_EQ(first.access.kind, BoardAccess::Kind::Write) << first.describe();
    EXPECT_GE(first.access.address, kRamBase + kRamSize) << first.describe();
    EXPECT_EQ(first.reason, "outside the board's memory");
    const auto n6 = rom().routine("n6_lw_test");
    ASSERT_TRUE(n6);
    EXPECT_TRUE(n6->contains(first.pc));
}

// One access by an instruction of the given routine ("" = the boot unit at 0xbfc00010).
std::vector<MemoryViolation> check(BoardAccess::Kind kind, std::uint32_t address, unsigned size,
                                   std::string_view routine) {
    StrictMemory strict(rom());
    const std::uint32_t pc = routine.empty() ? kRomBase + 0x10 : rom().routine(routine)->begin;
    strict.checkAccess({kind, address, size, 41});
    strict.retired(pc, 42);
    return strict.violations();
}

struct Rule {
    BoardAccess::Kind kind;
    std::uint32_t address;
    unsigned size;
    std::string_view routine;
    const char* reason; // nullptr: allowed
};

constexpr auto R = BoardAccess::Kind::Read;
constexpr auto W = BoardAccess::Kind::Write;

TEST(StrictMemory, AppliesEachRuleToASingleAccess) {
    const Rule rules[] = {
        {R, 0x80018ee0, 4, "n16_beq_ds", nullptr},
        {W, 0x80018ee0, 4, "n58_jalr_ds", nullptr},
        {W, 0x80018ee0, 4, "n19_jal_ds", "outside the routine's scratch words"},
        {W, 0x80019ee0, 4, "n19_jal_ds", nullptr},
        {R, 0x80020120, 4, "n17_bne_ds", nullptr},
        {R, 0x80027120, 4, "n18_j_ds", nullptr},
        {R, 0x800212ac, 4, "n6_lw", nullptr},
        {R, 0x8003fec8, 4, "n6_lw", nullptr},
        {R, 0x8003fecc, 4, "n6_lw", "outside the routine's scratch words"},
        {R, 0x800212a8, 4, "n6_lw", "outside the routine's scratch words"},
        {W, 0x800242bc, 4, "n12_sw", nullptr},
        {W, 0x8003fba4, 4, "n12_sw", nullptr},
        {W, 0x8003fba8, 4, "n12_sw", "outside the routine's scratch words"},
        {W, 0x80030000, 4, "n7_or", "outside the routine's scratch words"},
        {W, 0x80030000, 2, "n6_lw", "not an aligned word"},
        {R, 0x80030001, 1, "n6_lw", "not an aligned word"},
        {R, 0x80040000, 4, "n6_lw", "outside the board's memory"},
        {R, 0x80000000, 4, "", nullptr},
        {W, 0x80000000, 4, "", "store to a word that is only ever loaded"},
        {R, 0x80000000, 4, "n6_lw", "outside the routine's scratch words"},
        {R, 0xbfc00100, 4, "", "data access to the ROM"},
        {W, 0xbfc00100, 4, "n12_sw", "data access to the ROM"},
        {R, 0xfffffff4, 4, "", nullptr},
        {W, 0xfffffff4, 4, "", "write to the switch input"},
        {W, 0xfffff010, 4, "n7_or", nullptr},
        {R, 0xfffff010, 4, "n7_or", "read of an output register"},
        {W, 0xfffffff0, 4, "", nullptr},
        {W, 0xfffff00c, 4, "", "unused board word"},
        {R, 0xfffff014, 4, "", "unused board word"},
    };
    for (const Rule& r : rules) {
        SCOPED_TRACE(::testing::Message() << std::hex << r.address << " by '" << r.routine << "'");
        const auto v = check(r.kind, r.address, r.size, r.routine);
        if (!r.reason) {
            EXPECT_TRUE(v.empty()) << v.front().describe();
            continue;
        }
        ASSERT_EQ(v.size(), 1u);
        EXPECT_EQ(v.front().reason, r.reason);
        EXPECT_EQ(v.front().access.address, r.address);
    }
}

// An access is judged when its instruction retires, so that its routine is known.
TEST(StrictMemory, NamesTheInstructionBehindAnAccess) {
    StrictMemory strict(rom());
    const std::uint32_t pc = rom().routine("n7_or")->begin + 8;
    strict.checkAccess({W, 0x80030000, 4, 99});
    EXPECT_TRUE(strict.violations().empty());
    strict.retired(pc, 100);
    ASSERT_EQ(strict.violations().size(), 1u);
    EXPECT_EQ(strict.violations().front().pc, pc);
    EXPECT_EQ(strict.violations().front().routine, "n7_or_test");
}

} // namespace
} // namespace coretest
