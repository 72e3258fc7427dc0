# n17_bne_ds: tests the delay slot of bne in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "slot_probe.inc"
	.include "branch_slot.inc"

	routine_begin 17, bne_ds
# one probe per case, run in the delay slot and as reference
	bne_slot plain, lui, $a0, 0x8002                # case 1
	bne_slot plain, addiu, $a1, $a0, -0x7edd        # case 2
	bne_slot plain, sw, $a1, 0x120($a0)             # case 3
	bne_slot plain, lw, $a2, 0x120($a0)             # case 4
	bne_slot plain, addu, $a3, $a1, $a2             # case 5
	bne_slot plain, or, $t1, $s1, $s2               # case 6
	bne_slot plain, slt, $t2, $s2, $s3              # case 7
	bne_slot plain, slti, $t3, $s2, -0x7fef         # case 8
	bne_slot plain, sltiu, $t7, $s2, -0x7fef        # case 9
	bne_slot plain, sltu, $t8, $s2, $s3             # case 10
	bne_slot plain, sll, $t1, $s2, 17               # case 11
	bne_slot plain, add, $t2, $t0, $s0              # case 12
	bne_slot plain, addi, $t3, $s0, -0x7ffe         # case 13
	bne_slot plain, sub, $t4, $t0, $s0              # case 14
	bne_slot plain, subu, $t5, $t0, $s0             # case 15
	bne_slot plain, and, $t6, $t0, $s0              # case 16
	bne_slot plain, andi, $t7, $s0, 0x8ff2          # case 17
	bne_slot plain, nor, $t8, $t0, $s0              # case 18
	bne_slot plain, ori, $t1, $s0, 0x8ff2           # case 19
	bne_slot plain, xor, $t2, $t0, $s0              # case 20
	bne_slot plain, xori, $t3, $s0, 0x8ff2          # case 21
	bne_slot plain, sllv, $t4, $t0, $s0             # case 22
	bne_slot plain, sra, $t5, $s0, 8                # case 23
	bne_slot plain, srav, $t6, $t0, $s0             # case 24
	bne_slot plain, srl, $t7, $s0, 8                # case 25
	bne_slot plain, srlv, $t8, $t0, $s0             # case 26
	routine_end
