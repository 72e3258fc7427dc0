#pragma once
// The case families of the second ROM (routines 59 on): each fills a unit's includes, title and
// body lines, one case per line.
#include "unit.h"

namespace casegen {

void buildByteLoad(Unit& u);     // lb, lbu, lh, lhu
void buildByteStore(Unit& u);    // sb, sh
void buildPartialLoad(Unit& u);  // lwl, lwr
void buildPartialStore(Unit& u); // swl, swr
void buildHazard(Unit& u);       // hz_alu, hz_shift, hz_load, hz_hilo, hz_link
void buildHiLoDistance(Unit& u); // mfhi/mflo 0 to 40 instructions after each HI/LO writer
void buildMulDivAgain(Unit& u);  // a multiply or divide while another is in progress
void buildCp0(Unit& u);          // mfc0, mtc0, rfe
void buildOverflow(Unit& u);     // add, addi, sub overflow exceptions
void buildTrap(Unit& u);         // syscall, break
void buildAddressLoad(Unit& u);  // address errors on loads and jump targets
void buildAddressStore(Unit& u); // address errors on stores
void buildReserved(Unit& u);     // reserved instructions

} // namespace casegen
