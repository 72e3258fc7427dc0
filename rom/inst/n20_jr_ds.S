# n20_jr_ds: tests the delay slot of jr in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "slot_probe.inc"
	.include "jump_slot.inc"

	routine_begin 20, jr_ds
# one probe per case, run in the delay slot and as reference
	jr_slot plain, lui, $t0, 0x8002                 # case 1
	jr_slot plain, addiu, $t1, $t0, -0x7edd         # case 2
	jr_slot plain, sw, $t1, -0x7120($t0)            # case 3
	jr_slot plain, lw, $t2, -0x7120($t0)            # case 4
	jr_slot plain, addu, $t3, $t1, $t2              # case 5
	jr_slot plain, or, $t4, $s1, $s2                # case 6
	jr_slot plain, slt, $t5, $s2, $s3               # case 7
	jr_slot plain, slti, $t6, $s2, -0x7fef          # case 8
	jr_slot plain, sltiu, $t7, $s2, -0x7fef         # case 9
	jr_slot plain, sltu, $t8, $s2, $s3              # case 10
	jr_slot plain, sll, $t1, $s2, 17                # case 11
	jr_slot plain, add, $t2, $t0, $s0               # case 12
	jr_slot plain, addi, $t3, $s0, -0x7ffe          # case 13
	jr_slot plain, sub, $t4, $t0, $s0               # case 14
	jr_slot plain, subu, $t5, $t0, $s0              # case 15
	jr_slot plain, and, $t6, $t0, $s0               # case 16
	jr_slot plain, andi, $t7, $s0, 0x8ff2           # case 17
	jr_slot plain, nor, $t8, $t0, $s0               # case 18
	jr_slot plain, ori, $t1, $s0, 0x8ff2            # case 19
	jr_slot plain, xor, $t2, $t0, $s0               # case 20
	jr_slot plain, xori, $t3, $s0, 0x8ff2           # case 21
	jr_slot plain, sllv, $t4, $t0, $s0              # case 22
	jr_slot plain, sra, $t5, $s0, 8                 # case 23
	jr_slot plain, srav, $t6, $t0, $s0              # case 24
	jr_slot plain, srl, $t7, $s0, 8                 # case 25
	jr_slot plain, srlv, $t8, $t0, $s0              # case 26
	routine_end
