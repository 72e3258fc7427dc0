#pragma once
// The delay-slot routines of the branches and of the jumps, as the tests expect the generator
// to write them: what both families share (number, macro, probe count, case lengths, data word,
// first probes) and what each adds (the branch forms, guards and result register; the jump and
// its register).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "slot_probes.h"
#include "slot_test_support.h"

namespace slot_test {

using namespace casegen::slot;

// A branch instruction's fields: primary opcode, rs, and rt (the REGIMM sub-opcode for opcode 1).
struct BranchForm {
    unsigned op, rs, rt;
    bool matches(Word w) const { return w.op() == op && w.rs() == rs && w.rt() == rt; }
};

inline constexpr unsigned kBeq = 4, kBne = 5, kBlez = 6, kBgtz = 7, kRegimm = 1;
inline constexpr unsigned kBltz = 0, kBgez = 1, kBltzal = 16, kBgezal = 17;

struct BranchRoutine : Routine {
    bool links;
    BranchForm untaken, taken;
    std::vector<std::pair<unsigned, std::uint32_t>> guards;
    unsigned result; // register the taken branch's slot writes
};

// The data word of every branch routine but bne.
inline constexpr std::uint32_t kBranchDataWord = 0x80018ee0;

inline const std::vector<BranchRoutine>& branchRoutines() {
    static const std::vector<BranchRoutine> kTable{
        {{16, "beq_slot", 26, 12, 0, true, kBranchDataWord, {}},
         false,
         {kBeq, s5, zero},
         {kBeq, s5, s5},
         {{s5, 1}},
         s7},
        {{17,
          "bne_slot",
          26,
          12,
          0,
          false,
          0x80020120,
          {"lui $a0, 0x8002", "addiu $a1, $a0, -0x7edd", "sw $a1, 0x120($a0)", "lw $a2, 0x120($a0)",
           "addu $a3, $a1, $a2", "or $t1, $s1, $s2", "slt $t2, $s2, $s3",
           "slti $t3, $s2, -0x7fef"}},
         false,
         {kBne, s5, s5},
         {kBne, s5, zero},
         {{s5, 1}},
         s7},
        {{52, "bgez_slot", 32, 12, 19, true, kBranchDataWord, {}},
         false,
         {kRegimm, a0, kBgez},
         {kRegimm, zero, kBgez},
         {{a0, 0x80000000}},
         s7},
        {{53, "bgtz_slot", 32, 14, 21, true, kBranchDataWord, {}},
         false,
         {kBgtz, a0, 0},
         {kBgtz, a1, 0},
         {{a0, 0x80000000}, {a1, 0x7fffffff}},
         s7},
        {{54, "blez_slot", 32, 13, 20, true, kBranchDataWord, {}},
         false,
         {kBlez, a0, 0},
         {kBlez, zero, 0},
         {{a0, 0x7fffffff}},
         s7},
        {{55, "bltz_slot", 32, 14, 21, true, kBranchDataWord, {}},
         false,
         {kRegimm, a1, kBltz},
         {kRegimm, a0, kBltz},
         {{a0, 0x80000000}, {a1, 0x7fffffff}},
         s7},
        {{56, "bltzal_slot", 32, 16, 23, true, kBranchDataWord, {}},
         true,
         {kRegimm, a1, kBltzal},
         {kRegimm, a0, kBltzal},
         {{a0, 0x80000000}, {a1, 0x7fffffff}},
         s5},
        {{57, "bgezal_slot", 32, 14, 21, true, kBranchDataWord, {}},
         true,
         {kRegimm, a0, kBgezal},
         {kRegimm, zero, kBgezal},
         {{a0, 0x80000000}},
         s5},
    };
    return kTable;
}

enum class Jump { J, Jal, Jr, Jalr };

struct JumpRoutine : Routine {
    Jump jump;
    unsigned jumpReg; // zero for j and jal
};

inline bool links(const JumpRoutine& r) {
    return r.jump == Jump::Jal || r.jump == Jump::Jalr;
}

inline const std::vector<JumpRoutine>& jumpRoutines() {
    static const std::vector<JumpRoutine> kTable{
        {{18,
          "j_slot",
          26,
          7,
          0,
          true,
          0x80027120,
          {"lui $t0, 0x8002", "addiu $t1, $t0, -0x7edd", "sw $t1, 0x7120($t0)",
           "lw $t2, 0x7120($t0)", "addu $t3, $t1, $t2", "or $t9, $s1, $s2", "slt $t8, $s2, $s3",
           "slti $t7, $s2, -0x7fef"}},
         Jump::J,
         zero},
        {{19,
          "jal_slot",
          26,
          9,
          0,
          false,
          0x80019ee0,
          {"lui $a3, 0x8002", "addiu $a2, $a3, -0x7edd", "sw $a2, -0x6120($a3)",
           "lw $a1, -0x6120($a3)", "addu $a0, $a2, $a1"}},
         Jump::Jal,
         zero},
        {{20, "jr_slot", 26, 9, 0, true, 0x80018ee0, {}}, Jump::Jr, s5},
        {{58, "jalr_slot", 32, 11, 16, true, 0x80018ee0, {}}, Jump::Jalr, a0},
    };
    return kTable;
}

inline bool isTheJump(const JumpRoutine& r, Word w) {
    switch (r.jump) {
    case Jump::J: return w.op() == 2;
    case Jump::Jal: return w.op() == 3;
    case Jump::Jr: return w.op() == 0 && w.funct() == 8 && w.rs() == r.jumpReg;
    case Jump::Jalr: return w.op() == 0 && w.funct() == 9 && w.rs() == r.jumpReg && w.rd() == ra;
    }
    return false;
}

// Every delay-slot routine, with whether its cases keep ra in s7.
struct AnyRoutine {
    const Routine& routine;
    bool links;
};

inline std::vector<AnyRoutine> allRoutines() {
    std::vector<AnyRoutine> all;
    for (const auto& r : branchRoutines())
        all.push_back({r, r.links});
    for (const auto& r : jumpRoutines())
        all.push_back({r, links(r)});
    return all;
}

} // namespace slot_test
