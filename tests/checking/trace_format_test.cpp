// Trace lines as a testbench writes them: every record kind reads back as written, the lenient
// spellings a testbench may use are accepted, and each malformed line is refused with its line
// number.
#include <gtest/gtest.h>

#include <sstream>

#include "coretest/trace_reader.h"
#include "trace_text.h"

namespace coretest {
namespace {

using coretest_test::readAll;
using Kind = TraceRecord::Kind;

struct Written {
    TraceRecord record;
    const char* line;
};

const Written kWritten[] = {
    {{.pc = 0xbfc00390, .kind = Kind::Reg, .reg = 9, .value = 2}, "bfc00390 r09 00000002"},
    {{.pc = 0xbfc61a24, .kind = Kind::Reg, .reg = 31, .value = 0xbfc61a2c},
     "bfc61a24 r31 bfc61a2c"},
    {{.pc = 0xbfc12aa8, .kind = Kind::Hi, .value = 0xffffffff}, "bfc12aa8 hi ffffffff"},
    {{.pc = 0xbfc12aa8, .kind = Kind::Lo, .value = 0x80000000}, "bfc12aa8 lo 80000000"},
    {{.pc = 0xbfc00398, .kind = Kind::Memory, .size = 4, .address = 0xfffff008, .value = 2},
     "bfc00398 m fffff008 00000002"},
    {{.pc = 0x80000010, .kind = Kind::Memory, .size = 2, .address = 0x80000102, .value = 0xbeef},
     "80000010 m 80000102 beef"},
    {{.pc = 0x80000014, .kind = Kind::Memory, .size = 1, .address = 0x80000103, .value = 0x7f},
     "80000014 m 80000103 7f"},
};

TEST(TraceFormat, EveryKindIsWrittenAsDocumentedAndReadsBack) {
    for (const auto& w : kWritten) {
        EXPECT_EQ(formatRecord(w.record), w.line);
        const auto back = readAll(std::string(w.line) + "\n");
        ASSERT_EQ(back.size(), 1u) << w.line;
        EXPECT_EQ(back[0], w.record) << w.line;
    }
}

TEST(TraceFormat, TestbenchSpellingsAreAccepted) {
    const TraceRecord reg{.pc = 0xbfc00390, .kind = Kind::Reg, .reg = 9, .value = 2};
    const TraceRecord hi{.pc = 0xbfc00390, .kind = Kind::Hi, .value = 0xabcdef01};
    const TraceRecord mem{
        .pc = 0xbfc00398, .kind = Kind::Memory, .size = 4, .address = 0xfffff008, .value = 2};
    const struct {
        const char* line;
        TraceRecord record;
    } cases[] = {
        {"BFC00390 R09 00000002", reg},     // %H
        {"  bfc00390\tr9   2  ", reg},      // free spacing, short register and value
        {"0xbfc00390 r09 0x00000002", reg}, // with 0x
        {"bfc00390 HI ABCDEF01", hi},
        {"bfc00398 M fffff008 00000002", mem},
        // The fixed layout of a long trace, with what only the general reader takes.
        {"bfc00390 r09 00000002 # ok", reg},
        {"bfc00390 hi abcdef01", hi},
        {"bfc00390 hi ABCDEF01", hi},
    };
    for (const auto& c : cases) {
        const auto back = readAll(std::string(c.line) + "\n");
        ASSERT_EQ(back.size(), 1u) << c.line;
        EXPECT_EQ(back[0], c.record) << c.line;
    }
}

TEST(TraceFormat, CommentsBlankLinesAndZeroRegisterWritesAreSkipped) {
    std::istringstream in("# reference\n\n// from the testbench\nbfc00390 r00 00000005\n"
                          "bfc00394 r09 00000002\n");
    TraceReader reader(in, "t.trace");
    const auto r = reader.next();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->reg, 9);
    EXPECT_EQ(reader.records(), 1u);
    EXPECT_EQ(reader.line(), 5);
    EXPECT_FALSE(reader.next());
}

struct Malformed {
    const char* line;
    const char* problem; // the error names this
};

const Malformed kMalformed[] = {
    {"bfc00390 r32 00000002", "register number 32"},
    {"bfc00390 r09", "too few fields"},
    {"bfc00390 r09 00000002 00000003", "4 fields"},
    {"bfc0039g r09 00000002", "'bfc0039g' is not a hexadecimal address"},
    {"bfc00390 x9 00000002", "'x9' is not rNN"},
    {"bfc00390 r 00000002", "'r' is not rNN"},
    {"bfc00390 r09 123456789", "not a hexadecimal value"},
    {"bfc00390 hi", "too few fields"},
    {"bfc00398 m fffff008", "3 fields where 'm' takes 4"},
    {"bfc00398 m fffff008 123", "8, 4 or 2 digits"},
    {"bfc00398 m fffff0z8 00000002", "'fffff0z8' is not a hexadecimal address"},
    // The fixed layout with one field wrong.
    {"bfc00390 r3a 00000002", "'r3a' is not rNN"},
    {"bfc00390 r99 00000002", "register number 99"},
    {"bfc0039x r09 00000002", "'bfc0039x' is not a hexadecimal address"},
    {"bfc00390 hx 00000002", "'hx' is not rNN"},
    {"@12 bfc0039g r09 00000002", "'bfc0039g' is not a hexadecimal address"},
    {"@99999999999 bfc00390 r09 00000002", "not a program-order number"},
};

TEST(TraceFormat, MalformedLineIsRefusedWithItsLineNumber) {
    for (const auto& m : kMalformed)
        coretest_test::expectRefusedAtLine3(m.line, m.problem, "# note");
}

TEST(TraceFormat, ExplanationNamesTheRegisterOrTheMemoryUnit) {
    EXPECT_EQ(explainRecord(kWritten[0].record), "r9 ($t1) = 0x00000002");
    EXPECT_EQ(explainRecord(kWritten[2].record), "HI = 0xffffffff");
    EXPECT_EQ(explainRecord(kWritten[4].record), "memory word at 0xfffff008 = 0x00000002");
    EXPECT_EQ(explainRecord(kWritten[6].record), "memory byte at 0x80000103 = 0x7f");
}

} // namespace
} // namespace coretest
