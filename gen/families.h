#pragma once
// One builder per case family: each fills a unit's includes, body lines, size and report.
#include "unit.h"

namespace casegen {

void buildLui(Unit& u);         // upper immediate
void buildAluReg(Unit& u);      // register-register ALU
void buildAluImm(Unit& u);      // immediate ALU
void buildShift(Unit& u);       // fixed and variable shifts
void buildMemory(Unit& u);      // lw / sw
void buildBranch(Unit& u);      // conditional branches, back-and-forth
void buildBranchLink(Unit& u);  // bltzal / bgezal
void buildJump(Unit& u);        // j, jal, jr, jalr
void buildBranchSlot(Unit& u);  // branch delay slots
void buildJumpSlot(Unit& u);    // jump delay slots
void buildMulDiv(Unit& u);      // mult, multu, div, divu
void buildHiLo(Unit& u);        // mfhi, mflo, mthi, mtlo

} // namespace casegen
