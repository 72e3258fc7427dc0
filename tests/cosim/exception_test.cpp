// The library on the second ROM's stream with exceptions and partial-word stores: a core that
// reports its exceptions (coretest_cosim_retire_exception) and one that only says it trapped both
// agree; a wrong, missing or unexpected exception and a store of other bytes are divergences
// named as what they are; a Cause code above 31 is misuse.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <functional>

#include "reference_stream.h"

namespace coretest::cosim_test {
namespace {

TEST(Exceptions, TheSecondRomAgreesWhetherTheCoreReportsItsExceptionsOrNot) {
    const auto& stream = secondRomStream();
    const auto reported = std::count_if(stream.begin(), stream.end(),
                                        [](const auto& i) { return i.exception.has_value(); });
    EXPECT_GT(reported, 50);
    for (const bool exceptions : {true, false}) {
        SCOPED_TRACE(exceptions ? "with exceptions" : "traps only");
        const FeedResult r = feed(stream, 0, {.exceptions = exceptions}, CORETEST_ROM2_PATH);
        EXPECT_EQ(r.firstStatus, CORETEST_COSIM_OK) << r.output;
        EXPECT_EQ(r.checked, stream.size());
        EXPECT_NE(r.output.find("verdict: pass, 24 of 24 routines passed"), std::string::npos)
            << r.output;
    }
}

// The first trap with that Cause code.
std::size_t firstTrap(const std::vector<StreamInstruction>& s, unsigned code) {
    return findInstruction(s, [&](const StreamInstruction& i) {
        return i.trap && i.exception && i.exception->code == code;
    });
}

struct Change {
    const char* name;
    std::function<std::size_t(std::vector<StreamInstruction>&)> change; // returns its index
    std::vector<std::string> shown;
};

const Change kChanges[] = {
    {"WrongCode",
     [](auto& s) {
         const std::size_t at = firstTrap(s, 9);
         s[at].exception->code = 8;
         return at;
     },
     {"your core took a syscall exception at", "; expected a breakpoint exception with EPC"}},
    {"WrongEpc",
     [](auto& s) {
         const std::size_t at = firstTrap(s, 12);
         s[at].exception->epc += 4;
         return at;
     },
     {"expected    ", " exc 12 ", "; expected an overflow exception with EPC"}},
    {"WrongBadVAddr",
     [](auto& s) {
         const std::size_t at = firstTrap(s, 4);
         s[at].exception->badVAddr ^= 2;
         return at;
     },
     {"; expected an address error exception on load or fetch with EPC"}},
    {"NotTaken",
     [](auto& s) {
         const std::size_t at = firstTrap(s, 8);
         s[at].trap = false;
         return at;
     },
     {"the reference core raises an exception; your core completed the instruction: expected a "
      "syscall exception with EPC"}},
    {"Unexpected",
     [](auto& s) {
         const std::size_t at = firstTrap(s, 12) - 1;
         s[at].trap = true;
         s[at].records.clear();
         s[at].exception = StreamInstruction::Exception{10, s[at].pc, 0};
         return at;
     },
     {"your core raised an exception; the reference core completes the instruction: your core took "
      "a reserved instruction exception at",
      ", expected no exception"}},
    // swl at offset 2 stores bytes 0 to 2; the core's enables 1111 store the whole word.
    {"OneLaneTooMany",
     [](auto& s) {
         const std::size_t at = findInstruction(s, [](const StreamInstruction& i) {
             return std::any_of(i.records.begin(), i.records.end(), [](const TraceRecord& r) {
                 return r.kind == TraceRecord::Kind::Memory && r.size == 3 && !(r.address & 3);
             });
         });
         for (auto& r : s[at].records)
             if (r.kind == TraceRecord::Kind::Memory) r.size = 4;
         return at;
     },
     {"(lanes 0 to 3 of the word at", "; the reference core stores bytes",
      "(lanes 0 to 2 of the word at"}},
};

class ExceptionChange : public testing::TestWithParam<Change> {};

TEST_P(ExceptionChange, StopsThereNamingIt) {
    const Change& c = GetParam();
    std::vector<StreamInstruction> stream = secondRomStream();
    const std::size_t at = c.change(stream);
    const FeedResult r = feed(stream, 0, {}, CORETEST_ROM2_PATH);
    EXPECT_EQ(r.firstStatus, CORETEST_COSIM_STOP) << r.output;
    EXPECT_EQ(r.firstSeq, stream[at].seq);
    EXPECT_NE(r.output.find(fmt::format("instruction {:08x}", stream[at].pc)), std::string::npos)
        << r.output;
    for (const auto& text : c.shown)
        EXPECT_NE(r.output.find(text), std::string::npos) << text << "\n" << r.output;
}

INSTANTIATE_TEST_SUITE_P(Changes, ExceptionChange, testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Exceptions, ACauseCodeAbove31IsMisuse) {
    testing::internal::CaptureStderr();
    coretest_cosim* cosim = coretest_cosim_open(CORETEST_ROM2_PATH, 1, 0, 0);
    ASSERT_NE(cosim, nullptr);
    EXPECT_EQ(coretest_cosim_retire_exception(cosim, 1, 0xbfc00000, 0, 0, 32, 0xbfc00000, 0),
              CORETEST_COSIM_ERROR);
    EXPECT_EQ(coretest_cosim_retire_exception(cosim, 1, 0xbfc00000, 0, 0x40, 12, 0xbfc00000, 0),
              CORETEST_COSIM_ERROR);
    coretest_cosim_close(cosim);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("instruction 1 retired with exception code 32; a Cause code is 0 to 31"),
              std::string::npos)
        << errors;
}

} // namespace
} // namespace coretest::cosim_test
