# n19_jal_ds: tests the delay slot of jal in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "slot_probe.inc"
	.include "jump_slot.inc"

	routine_begin 19, jal_ds
# one probe per case, run in the delay slot and as reference
	jal_slot plain, lui, $a3, 0x8002                # case 1
	jal_slot plain, addiu, $a2, $a3, -0x7edd        # case 2
	jal_slot plain, sw, $a2, -0x6120($a3)           # case 3
	jal_slot plain, lw, $a1, -0x6120($a3)           # case 4
	jal_slot plain, addu, $a0, $a2, $a1             # case 5
	jal_slot plain, or, $t4, $s1, $s2               # case 6
	jal_slot plain, slt, $t5, $s2, $s3              # case 7
	jal_slot plain, slti, $t6, $s2, -0x7fef         # case 8
	jal_slot plain, sltiu, $t7, $s2, -0x7fef        # case 9
	jal_slot plain, sltu, $t8, $s2, $s3             # case 10
	jal_slot plain, sll, $t1, $s2, 17               # case 11
	jal_slot plain, add, $t2, $t0, $s0              # case 12
	jal_slot plain, addi, $t3, $s0, -0x7ffe         # case 13
	jal_slot plain, sub, $t4, $t0, $s0              # case 14
	jal_slot plain, subu, $t5, $t0, $s0             # case 15
	jal_slot plain, and, $t6, $t0, $s0              # case 16
	jal_slot plain, andi, $t7, $s0, 0x8ff2          # case 17
	jal_slot plain, nor, $t8, $t0, $s0              # case 18
	jal_slot plain, ori, $t1, $s0, 0x8ff2           # case 19
	jal_slot plain, xor, $t2, $t0, $s0              # case 20
	jal_slot plain, xori, $t3, $s0, 0x8ff2          # case 21
	jal_slot plain, sllv, $t4, $t0, $s0             # case 22
	jal_slot plain, sra, $t5, $s0, 8                # case 23
	jal_slot plain, srav, $t6, $t0, $s0             # case 24
	jal_slot plain, srl, $t7, $s0, 8                # case 25
	jal_slot plain, srlv, $t8, $t0, $s0             # case 26
	routine_end $s7
