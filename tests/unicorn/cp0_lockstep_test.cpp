// Lockstep where the engine's MIPS32 model is not the R3000: it stops with a note at the first
// coprocessor instruction, and at the first exception when a handler sits at the vector; with
// the idle loop at the vector an exception is compared as before.
#include <gtest/gtest.h>

#include <cstring>

#include "coretest/lockstep.h"
#include "coretest/run.h"
#include "program_image.h"

namespace coretest {
namespace {

using namespace testing::enc;

constexpr std::uint32_t kLimit = 100'000;
constexpr std::uint32_t kSyscall = 0x0000000c;

// The image with `words` written from `address` on.
Image patched(const Image& image, std::uint32_t address, const std::vector<std::uint32_t>& words) {
    std::vector<Segment> segments = image.segments();
    for (Segment& s : segments)
        for (std::size_t n = 0; n < words.size(); ++n)
            if (const std::uint32_t off = address + 4 * static_cast<std::uint32_t>(n) - s.vaddr;
                off + 4 <= s.bytes.size())
                std::memcpy(&s.bytes[off], &words[n], 4);
    return Image(image.entry(), segments, image.symbols(), image.name());
}

// A handler that returns past the faulting instruction: mfc0 k0, EPC; addiu k0, 4; jr k0; rfe.
const std::vector<std::uint32_t> kHandler{0x401a7000, 0x275a0004, 0x03400008, 0x42000010};

struct NoteCase {
    std::string_view name;
    std::uint32_t word; // the body's third instruction, after two comparable ones
    bool handler;       // a handler at the vector instead of the idle loop
    std::string_view note;
};

const NoteCase kNotes[] = {
    {"mfc0", 0x40086000, false,
     "not comparable: the coprocessor instruction mfc0 $t0, $12 at 0xbfc00408"},
    {"mtc0", 0x40886000, false,
     "not comparable: the coprocessor instruction mtc0 $t0, $12 at 0xbfc00408"},
    {"rfe", 0x42000010, false, "not comparable: the coprocessor instruction rfe at 0xbfc00408"},
    {"cop1", 0x46000000, false,
     "not comparable: the coprocessor instruction cop1 0x2000000 at 0xbfc00408"},
    {"reserved cop0 word", 0x42000001, false,
     "not comparable: the coprocessor instruction .word 0x42000001 at 0xbfc00408"},
    {"syscall into a handler", kSyscall, true,
     "not comparable: the syscall exception at 0xbfc00408"},
    {"mfc0 with a handler", 0x40086000, true,
     "not comparable: the coprocessor instruction mfc0 $t0, $12 at 0xbfc00408"},
};

class LockstepNotes : public ::testing::TestWithParam<NoteCase> {};

TEST_P(LockstepNotes, StopsBeforeWhatCannotBeCompared) {
    const NoteCase& c = GetParam();
    testing::ProgramBuilder b;
    b.load(8, 0x1234);
    ASSERT_EQ(b.emit(c.word), 0xbfc00408u);
    b.emit(addiu(9, 0, 1));
    b.finish();
    const Image image = c.handler ? patched(b.image(), kExceptionVector, kHandler) : b.image();
    const LockstepResult r = lockstep(image, nullptr, 1, kLimit);
    EXPECT_FALSE(r.difference) << r.difference->describe();
    ASSERT_TRUE(r.notComparable);
    EXPECT_EQ(*r.notComparable, c.note);
    EXPECT_EQ(r.reason, StopReason::InstructionLimit);
    // the reset branch, its slot, lui and ori
    EXPECT_EQ(r.instructions, 4u);
}

INSTANTIATE_TEST_SUITE_P(Cases, LockstepNotes, ::testing::ValuesIn(kNotes), [](const auto& info) {
    std::string n(info.param.name);
    for (char& ch : n)
        if (ch == ' ') ch = '_';
    return n;
});

TEST(LockstepNotes, AnExceptionAtTheIdleVectorIsComparedAsBefore) {
    testing::ProgramBuilder b;
    b.load(8, 0x1234);
    b.emit(kSyscall);
    b.finish();
    const LockstepResult r = lockstep(b.image(), nullptr, 1, kLimit);
    EXPECT_FALSE(r.difference) << r.difference->describe();
    EXPECT_FALSE(r.notComparable) << *r.notComparable;
    EXPECT_EQ(r.reason, StopReason::ExceptionIdle);
}

TEST(LockstepNotes, TheReferenceRunsTheHandlerToTheEnd) {
    testing::ProgramBuilder b;
    b.emit(kSyscall);
    b.emit(addiu(9, 0, 1));
    b.finish();
    const RunResult r =
        run(patched(b.image(), kExceptionVector, kHandler), {.instructionLimit = kLimit});
    EXPECT_EQ(r.reason, StopReason::Verdict) << stopReasonName(r.reason);
    EXPECT_EQ(r.state.regs[9], 1u);
    ASSERT_TRUE(r.exception);
    EXPECT_EQ(r.exception->cause, ExceptionCause::Syscall);
}

} // namespace
} // namespace coretest
