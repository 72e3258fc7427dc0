// Coprocessor 0 and exception entry: the decoder's COP encodings, the state every exception
// leaves in EPC, Cause, BadVAddr and Status (in and out of delay slots), mfc0/mtc0/rfe, the
// coprocessor-unusable exception, and runs through a real handler at the vector.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <cctype>
#include <cstring>
#include <filesystem>

#include "coretest/idle_loops.h"
#include "support/program.h"

namespace coretest {
namespace {

std::string load(std::string_view reg, std::uint32_t v) {
    return fmt::format("    lui ${0}, {1:#x}\n    ori ${0}, ${0}, {2:#x}\n", reg, v >> 16,
                       v & 0xffff);
}

template <class Info>
std::string caseName(const Info& info) {
    std::string n(info.param.name);
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
}

// ---- Decoding ----

struct DecodeCase {
    std::string_view name;
    std::uint32_t word;
    Op op;
};

const DecodeCase kDecode[] = {
    {"mfc0 t0 Status", 0x40086000, Op::Mfc0},
    {"mfc0 v0 PRId", 0x40027800, Op::Mfc0},
    {"mtc0 t1 Cause", 0x40896800, Op::Mtc0},
    {"rfe", 0x42000010, Op::Rfe},
    {"mfc0 with low bits set", 0x40086001, Op::Reserved},
    {"mtc0 with sa set", 0x40896840, Op::Reserved},
    {"cfc0", 0x40486000, Op::Reserved},
    {"ctc0", 0x40c86000, Op::Reserved},
    {"tlbr", 0x42000001, Op::Reserved},
    {"tlbwi", 0x42000002, Op::Reserved},
    {"tlbp", 0x42000008, Op::Reserved},
    {"rfe with extra bits", 0x42000050, Op::Reserved},
    {"cop0 rs 16 other function", 0x42000018, Op::Reserved},
    {"cop1 add.s", 0x46000000, Op::Cop},
    {"cop1 mfc1", 0x44020000, Op::Cop},
    {"cop2", 0x48000000, Op::Cop},
    {"cop3", 0x4c000000, Op::Cop},
    {"lwc1", 0xc4820008, Op::Cop},
    {"lwc2", 0xc8820008, Op::Cop},
    {"lwc3", 0xcc820008, Op::Cop},
    {"swc1", 0xe4820008, Op::Cop},
    {"swc2", 0xe8820008, Op::Cop},
    {"swc3", 0xec820008, Op::Cop},
    {"lwc0 stays reserved", 0xc0820008, Op::Reserved},
    {"swc0 stays reserved", 0xe0820008, Op::Reserved},
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, CoprocessorEncodings) {
    const DecodeCase& c = GetParam();
    const Instr i = decode(c.word, 0xbfc00000);
    EXPECT_EQ(i.op, c.op) << opName(i.op);
    EXPECT_EQ(i.dispatch, c.op);
    EXPECT_EQ(i.rt, (c.word >> 16) & 31);
    EXPECT_EQ(i.rd, (c.word >> 11) & 31);
}

INSTANTIATE_TEST_SUITE_P(Cases, Decoding, ::testing::ValuesIn(kDecode),
                         [](const auto& info) { return caseName(info); });

TEST(Decoding, NamesAndCoprocessorNumbers) {
    EXPECT_EQ(opName(Op::Mfc0), "mfc0");
    EXPECT_EQ(opName(Op::Mtc0), "mtc0");
    EXPECT_EQ(opName(Op::Rfe), "rfe");
    EXPECT_EQ(opName(Op::Reserved), "reserved");
    EXPECT_FALSE(hasDelaySlot(Op::Rfe));
    EXPECT_EQ(copNumber(0x46000000), 1u);
    EXPECT_EQ(copNumber(0xe8820008), 2u);
    EXPECT_EQ(copNumber(0x4c000000), 3u);
}

// ---- Exception entry, stopped at the idle loop of the vector ----

constexpr std::uint32_t kUntouched = 0x0badf00d;
// Status before the faulting instruction: BEV, the KU/IE stack 11 11 01 (kernel, IEc set).
constexpr std::uint32_t kStatusBefore = 0x0040003d;
// After the entry's push: old = previous = 11 shifted out, previous = 01, current 00.
constexpr std::uint32_t kStatusPushed = 0x00400034;

struct EntryCase {
    std::string_view name;
    std::string_view code; // the faulting instruction carries the label "fault"
    std::uint32_t a0, a1;
    ExceptionCause cause;
    std::uint32_t badVAddr = 0; // 0: untouched (it is 0 after reset)
    bool delaySlot = false;
    std::uint32_t status = kStatusBefore;
    std::uint32_t pushed = kStatusPushed;
    unsigned ce = 0;
};

const EntryCase kEntries[] = {
    {"add overflows", "fault: add $v0, $a0, $a1", 0x7fffffff, 1, ExceptionCause::Overflow},
    {"addi overflows", "fault: addi $v0, $a0, -1", 0x80000000, 0, ExceptionCause::Overflow},
    {"sub overflows", "fault: sub $v0, $a0, $a1", 0x7fffffff, 0xffffffff, ExceptionCause::Overflow},
    {"add overflows into its source", "fault: add $v0, $v0, $a1", 0, 0x7fffffff,
     ExceptionCause::Overflow},
    {"lw misaligned", "fault: lw $v0, 2($a0)", 0x80000000, 0, ExceptionCause::AddressLoad,
     0x80000002},
    {"lh odd", "fault: lh $v0, -1($a0)", 0x80000010, 0, ExceptionCause::AddressLoad, 0x8000000f},
    {"lhu odd", "fault: lhu $v0, 1($a0)", 0x80000000, 0, ExceptionCause::AddressLoad, 0x80000001},
    {"sw misaligned", "fault: sw $a1, 3($a0)", 0x80000000, 0, ExceptionCause::AddressStore,
     0x80000003},
    {"sh odd", "fault: sh $a1, 1($a0)", 0x80000000, 0, ExceptionCause::AddressStore, 0x80000001},
    {"load from nothing", "fault: lw $v0, 0($a0)", 0x10000000, 0, ExceptionCause::BusData},
    {"store to nothing", "fault: sw $a1, 0($a0)", 0x10000000, 0, ExceptionCause::BusData},
    {"syscall", "fault: syscall", 0, 0, ExceptionCause::Syscall},
    {"break", "fault: break", 0, 0, ExceptionCause::Break},
    {"reserved opcode", "fault: .word 0xfc000000", 0, 0, ExceptionCause::Reserved},
    {"reserved cop0 encoding", "fault: .word 0x42000001", 0, 0, ExceptionCause::Reserved},
    {"cop1 in kernel mode", "fault: .word 0x46000000", 0, 0, ExceptionCause::CoprocessorUnusable, 0,
     false, kStatusBefore, kStatusPushed, 1},
    {"cop2", "fault: .word 0x48000000", 0, 0, ExceptionCause::CoprocessorUnusable, 0, false,
     kStatusBefore, kStatusPushed, 2},
    {"swc3", "fault: .word 0xec820008", 0, 0, ExceptionCause::CoprocessorUnusable, 0, false,
     kStatusBefore, kStatusPushed, 3},
    {"mfc0 in user mode", "fault: mfc0 $v0, $12", 0, 0, ExceptionCause::CoprocessorUnusable, 0,
     false, 0x00400002, 0x00400008},
    {"mtc0 in user mode", "fault: mtc0 $zero, $12", 0, 0, ExceptionCause::CoprocessorUnusable, 0,
     false, 0x0040000e, 0x00400038},
    {"rfe in user mode", "fault: rfe", 0, 0, ExceptionCause::CoprocessorUnusable, 0, false,
     0x0040003e, 0x00400038},
    {"cu1 does not open cop0 in user mode", "fault: mfc0 $v0, $12", 0, 0,
     ExceptionCause::CoprocessorUnusable, 0, false, 0x20400002, 0x20400008},
    // in delay slots
    {"add in a taken branch's slot", "beq $zero, $zero, 1f\nfault: add $v0, $a0, $a1\n1:",
     0x7fffffff, 1, ExceptionCause::Overflow, 0, true},
    {"addi in a not-taken branch's slot", "bne $zero, $zero, 1f\nfault: addi $v0, $a0, 1\n1:",
     0x7fffffff, 0, ExceptionCause::Overflow, 0, true},
    {"sub in a jump's slot", "j 1f\nfault: sub $v0, $a0, $a1\n1:", 0x80000000, 1,
     ExceptionCause::Overflow, 0, true},
    {"lw in a jal's slot", "jal 1f\nfault: lw $v0, 1($a0)\n1:", 0x80000000, 0,
     ExceptionCause::AddressLoad, 0x80000001, true},
    {"sh in a bltz's slot", "bltz $a1, 1f\nfault: sh $a1, 3($a0)\n1:", 0x80000000, 0xffffffff,
     ExceptionCause::AddressStore, 0x80000003, true},
    {"syscall in a bgez's slot", "bgez $zero, 1f\nfault: syscall\n1:", 0, 0,
     ExceptionCause::Syscall, 0, true},
    {"break in a bgtz's slot", "bgtz $zero, 1f\nfault: break\n1:", 0, 0, ExceptionCause::Break, 0,
     true},
    {"reserved in a jr's slot", "jr $a0\nfault: .word 0x00000001\n", 0xbfc00390, 0,
     ExceptionCause::Reserved, 0, true},
    {"store to nothing in a blez's slot", "blez $zero, 1f\nfault: sw $a1, 0($a0)\n1:", 0x10000000,
     0, ExceptionCause::BusData, 0, true},
    {"cop1 in a bne's slot", "bne $a0, $zero, 1f\nfault: .word 0x44020000\n1:", 1, 0,
     ExceptionCause::CoprocessorUnusable, 0, true, kStatusBefore, kStatusPushed, 1},
    {"mfc0 in user mode in a beq's slot", "beq $zero, $zero, 1f\nfault: mfc0 $v0, $13\n1:", 0, 0,
     ExceptionCause::CoprocessorUnusable, 0, true, 0x00400002, 0x00400008},
};

class Entry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(Entry, SetsEpcCauseBadVAddrAndPushesStatus) {
    const EntryCase& c = GetParam();
    const std::string body = load("a0", c.a0) + load("a1", c.a1) + load("v0", kUntouched) +
                             load("t0", c.status) + "    mtc0 $t0, $12\n    nop\n" +
                             std::string(c.code) + "\n    addiu $v1, $zero, 1 # not reached\n";
    const Image image = testing::assemble(body);
    const RunResult r = run(image, {.instructionLimit = 10000});
    ASSERT_EQ(r.reason, StopReason::ExceptionIdle) << stopReasonName(r.reason);
    const std::uint32_t fault = image.findSymbol("fault")->value;
    const std::uint32_t epc = c.delaySlot ? fault - 4 : fault;
    const std::uint32_t cause =
        (c.delaySlot ? 0x80000000u : 0) | (c.ce << 28) | (static_cast<std::uint32_t>(c.cause) << 2);
    EXPECT_EQ(r.state.cp0.epc, epc);
    EXPECT_EQ(r.state.cp0.cause, cause);
    EXPECT_EQ(r.state.cp0.badVAddr, c.badVAddr);
    EXPECT_EQ(r.state.cp0.status, c.pushed);
    EXPECT_EQ(r.state.regs[2], kUntouched) << "the faulting instruction wrote its destination";
    EXPECT_EQ(r.state.regs[3], 0u);
    ASSERT_TRUE(r.exception);
    EXPECT_EQ(r.exception->cause, c.cause) << causeName(r.exception->cause);
    EXPECT_EQ(r.exception->pc, fault);
    EXPECT_EQ(r.exception->delaySlot, c.delaySlot);
    EXPECT_EQ(r.exception->coprocessor, c.ce);
    EXPECT_EQ(r.pc(), kExceptionVector);
}

INSTANTIATE_TEST_SUITE_P(Cases, Entry, ::testing::ValuesIn(kEntries),
                         [](const auto& info) { return caseName(info); });

// A fetch that faults: EPC is the fetched address, outside any delay slot; BadVAddr only for the
// misaligned one.
struct FetchEntryCase {
    std::string_view name;
    std::uint32_t target;
    ExceptionCause cause;
    std::uint32_t badVAddr;
};

class FetchEntry : public ::testing::TestWithParam<FetchEntryCase> {};

TEST_P(FetchEntry, EpcIsTheTarget) {
    const FetchEntryCase& c = GetParam();
    const RunResult r = testing::runProgram(load("a0", c.target) + "    jr $a0\n    nop\n");
    ASSERT_EQ(r.reason, StopReason::ExceptionIdle) << stopReasonName(r.reason);
    EXPECT_EQ(r.state.cp0.epc, c.target);
    EXPECT_EQ(r.state.cp0.cause, static_cast<std::uint32_t>(c.cause) << 2);
    EXPECT_EQ(r.state.cp0.badVAddr, c.badVAddr);
    EXPECT_FALSE(r.exception->delaySlot);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FetchEntry,
    ::testing::Values(
        // bfc00006 - 4 lands on `b body` at the reset entry: a misaligned pc is never a slot
        FetchEntryCase{"misaligned after a branch word", 0xbfc00006, ExceptionCause::AddressLoad,
                       0xbfc00006},
        FetchEntryCase{"misaligned in RAM", 0x80000101, ExceptionCause::AddressLoad, 0x80000101},
        FetchEntryCase{"unmapped", 0x00400000, ExceptionCause::BusFetch, 0}),
    [](const auto& info) { return caseName(info); });

// ---- mfc0, mtc0, rfe ----

struct Cp0Case {
    std::string_view name;
    std::string_view code; // leaves its result in v0
    std::uint32_t t0;      // an operand
    std::uint32_t v0;
};

const Cp0Case kCp0[] = {
    // reset values
    {"reset BadVAddr", "mfc0 $v0, $8", 0, 0},
    {"reset Status", "mfc0 $v0, $12", 0, 0x00400000},
    {"reset Cause", "mfc0 $v0, $13", 0, 0},
    {"reset EPC", "mfc0 $v0, $14", 0, 0},
    {"PRId", "mfc0 $v0, $15", 0, 0x230},
    {"unimplemented 0 reads 0", "mfc0 $v0, $0", 0, 0},
    {"unimplemented 9 reads 0", "mfc0 $v0, $9", 0, 0},
    {"unimplemented 31 reads 0", "mfc0 $v0, $31", 0, 0},
    // what mtc0 writes
    {"Status all ones", "mtc0 $t0, $12\nmfc0 $v0, $12", 0xffffffff, 0xf040ff3f},
    {"Status reserved bits", "mtc0 $t0, $12\nmfc0 $v0, $12", 0x0fbf00c0, 0},
    {"Status IM and stack", "mtc0 $t0, $12\nmfc0 $v0, $12", 0x0000a519, 0x0000a519},
    {"Status BEV and CU", "mtc0 $t0, $12\nmfc0 $v0, $12", 0x50400000, 0x50400000},
    {"Cause all ones", "mtc0 $t0, $13\nmfc0 $v0, $13", 0xffffffff, 0x300},
    {"Cause software bits", "mtc0 $t0, $13\nmfc0 $v0, $13", 0x00000100, 0x100},
    {"Cause code and BD not written", "mtc0 $t0, $13\nmfc0 $v0, $13", 0xb000fc7c, 0},
    {"EPC read-only", "mtc0 $t0, $14\nmfc0 $v0, $14", 0x12345678, 0},
    {"BadVAddr read-only", "mtc0 $t0, $8\nmfc0 $v0, $8", 0x12345678, 0},
    {"PRId read-only", "mtc0 $t0, $15\nmfc0 $v0, $15", 0x12345678, 0x230},
    {"unimplemented ignores writes", "mtc0 $t0, $3\nmfc0 $v0, $3", 0xffffffff, 0},
    {"mfc0 to zero", "mfc0 $zero, $15\naddu $v0, $zero, $zero", 0, 0},
    // rfe: current <- previous, previous <- old, old stays
    {"rfe pops", "mtc0 $t0, $12\nrfe\nmfc0 $v0, $12", 0x00400024, 0x00400029},
    {"rfe keeps old", "mtc0 $t0, $12\nrfe\nmfc0 $v0, $12", 0x00400030, 0x0040003c},
    {"rfe twice", "mtc0 $t0, $12\nrfe\nrfe\nmfc0 $v0, $12", 0x10400030, 0x1040003f},
    {"rfe keeps the rest", "mtc0 $t0, $12\nrfe\nmfc0 $v0, $12", 0xf040ff0c, 0xf040ff03},
    // user mode with CU0 set may use coprocessor 0
    {"user mode with CU0", "mtc0 $t0, $12\nmfc0 $v0, $15", 0x10400002, 0x230},
    // coprocessor 1 usable: no coprocessor answers, nothing happens
    {"cop1 with CU1 set", "mtc0 $t0, $12\n.word 0x44020000\nmfc0 $v0, $13", 0x20400000, 0},
    {"lwc2 with CU2 set", "mtc0 $t0, $12\n.word 0xc8820008\nmfc0 $v0, $13", 0x40400000, 0},
};

class Cp0Instructions : public ::testing::TestWithParam<Cp0Case> {};

TEST_P(Cp0Instructions, ReadWritePop) {
    const Cp0Case& c = GetParam();
    const RunResult r =
        testing::runProgram(load("t0", c.t0) + load("v0", kUntouched) + std::string(c.code));
    ASSERT_EQ(r.reason, StopReason::IdleNoVerdict) << stopReasonName(r.reason);
    EXPECT_FALSE(r.exception);
    EXPECT_EQ(r.state.regs[2], c.v0);
    EXPECT_EQ(r.state.regs[0], 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, Cp0Instructions, ::testing::ValuesIn(kCp0),
                         [](const auto& info) { return caseName(info); });

// ---- Runs through a handler at the vector ----

// The handler saves Cause, EPC, BadVAddr and Status at s6 (16 bytes a record), counts in s5 and
// returns to s7 with rfe in the jump's delay slot. The body starts with s6 at 0x80000100.
std::string handlerSource(std::string_view body, std::string_view data = {}) {
    return fmt::format(R"(    .set noreorder
    .set nomacro
    .text
    .globl _start
_start:
    b body
    nop
test_finish:
    b test_finish
    nop
    .org 0x380
handler:
    mfc0 $k0, $13
    sw $k0, 0($s6)
    mfc0 $k0, $14
    sw $k0, 4($s6)
    mfc0 $k0, $8
    sw $k0, 8($s6)
    mfc0 $k0, $12
    sw $k0, 12($s6)
    addiu $s6, $s6, 16
    addiu $s5, $s5, 1
    jr $s7
    rfe
body:
    lui $s6, 0x8000
    ori $s6, $s6, 0x100
{}
    b test_finish
    nop
    .data
    .space 0x80
ram_vector:
{}
)",
                       body, data);
}

// Sets s7 to the address of `label` (the handler's way back).
std::string resumeAt(std::string_view label) {
    return fmt::format("    lui $s7, %hi({0})\n    addiu $s7, $s7, %lo({0})\n", label);
}

class Exceptions : public Observer {
  public:
    void exceptionTaken(const ExceptionRecord& e) override { seen.push_back(e); }
    std::vector<ExceptionRecord> seen;
};

struct HandledRun {
    RunResult result;
    std::vector<ExceptionRecord> seen;
    std::vector<std::uint32_t> records; // Cause, EPC, BadVAddr, Status per exception
    Image image;
};

HandledRun runHandled(std::string_view body, std::string_view data = {}) {
    const std::filesystem::path elf = testing::buildElf(handlerSource(body, data));
    HandledRun h{.image = Image::load(elf.string())};
    std::filesystem::remove_all(elf.parent_path());
    Exceptions observer;
    SteppedRun run(h.image, {.instructionLimit = 10000, .observer = &observer});
    while (run.advance(1000)) {
    }
    h.result = run.result();
    h.seen = observer.seen;
    const auto ram = run.board().ram();
    for (std::size_t n = 0; n < h.seen.size(); ++n)
        for (std::size_t k = 0; k < 4; ++k) {
            std::uint32_t w;
            std::memcpy(&w, &ram[0x100 + 16 * n + 4 * k], 4);
            h.records.push_back(w);
        }
    return h;
}

TEST(Handler, IsNoStopPoint) {
    const std::filesystem::path elf = testing::buildElf(handlerSource(""));
    const Image withHandler = Image::load(elf.string());
    std::filesystem::remove_all(elf.parent_path());
    const Image withIdle = testing::assemble("");
    const Board a(withHandler, 0), b(withIdle, 0);
    EXPECT_FALSE(idleLoopAt(decodeRom(a), kExceptionVector));
    EXPECT_TRUE(idleLoopAt(decodeRom(b), kExceptionVector));
    EXPECT_FALSE(idleLoopAt(decodeRom(b), kExceptionVector + 4)) << "the loop starts before it";
}

TEST(Handler, RunsEveryExceptionAndTheObserverSeesEach) {
    const HandledRun h =
        runHandled(load("a0", 0x7fffffff) + load("v0", kUntouched) + load("t0", 0x0040000c) +
                   "    mtc0 $t0, $12\n" + resumeAt("r1") + "f1: syscall\nr1:\n" + resumeAt("r2") +
                   "f2: add $v0, $a0, $a0\nr2:\n" + resumeAt("r3") +
                   "    beq $zero, $zero, r3\nf3: lw $v1, 1($s6)\nr3:\n" + resumeAt("r4") +
                   "f4: break\nr4:\n" + "    mfc0 $t1, $12\n");
    EXPECT_EQ(h.result.reason, StopReason::IdleNoVerdict) << stopReasonName(h.result.reason);
    ASSERT_EQ(h.seen.size(), 4u);
    ASSERT_TRUE(h.result.exception);
    EXPECT_EQ(h.result.exception->cause, ExceptionCause::Syscall) << "the run's first";
    const auto at = [&](const char* label) { return h.image.findSymbol(label)->value; };
    const ExceptionCause causes[] = {ExceptionCause::Syscall, ExceptionCause::Overflow,
                                     ExceptionCause::AddressLoad, ExceptionCause::Break};
    const std::uint32_t pcs[] = {at("f1"), at("f2"), at("f3"), at("f4")};
    for (std::size_t n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(h.seen[n].cause, causes[n]);
        EXPECT_EQ(h.seen[n].pc, pcs[n]);
        const std::uint32_t cause = (n == 2 ? 0x80000000u : 0) | static_cast<unsigned>(causes[n])
                                                                     << 2;
        EXPECT_EQ(h.records[4 * n], cause);
        EXPECT_EQ(h.records[4 * n + 1], n == 2 ? pcs[n] - 4 : pcs[n]);
        // BadVAddr keeps the misaligned address after the load that set it
        EXPECT_EQ(h.records[4 * n + 2], n >= 2 ? 0x80000121u : 0u);
        // Status 00 11 00 pushed to 11 00 00; rfe pops to 11 11 00, pushed again to 11 00 00
        EXPECT_EQ(h.records[4 * n + 3], 0x00400030u);
    }
    EXPECT_EQ(h.result.state.regs[2], kUntouched) << "add wrote its destination";
    EXPECT_EQ(h.result.state.regs[9], 0x0040003cu) << "Status after the last rfe";
    EXPECT_EQ(h.result.state.regs[21], 4u) << "handler entries";
}

TEST(Handler, BevClearVectorsToRam) {
    // The RAM vector at 0x80000080 returns past the syscall and leaves a mark in v1.
    const HandledRun h = runHandled("    mtc0 $zero, $12\nf1: syscall\n    addiu $v0, $v1, 1\n",
                                    R"(
    mfc0 $k0, $14
    addiu $k0, $k0, 4
    addiu $v1, $zero, 7
    jr $k0
    rfe
)");
    EXPECT_EQ(h.result.reason, StopReason::IdleNoVerdict) << stopReasonName(h.result.reason);
    ASSERT_EQ(h.seen.size(), 1u);
    EXPECT_EQ(h.image.findSymbol("ram_vector")->value, cp0::kRamExceptionVector);
    EXPECT_EQ(h.result.state.regs[21], 0u) << "the ROM vector ran";
    EXPECT_EQ(h.result.state.regs[2], 8u);
    EXPECT_EQ(h.result.state.cp0.epc, h.image.findSymbol("f1")->value);
}

} // namespace
} // namespace coretest
