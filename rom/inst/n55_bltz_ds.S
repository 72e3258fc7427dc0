# n55_bltz_ds: tests the delay slot of bltz in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "slot_probe.inc"
	.include "branch_slot.inc"

	routine_begin 55, bltz_ds
# one probe per case, run in the delay slot and as reference
	bltz_slot plain, lui, $t0, 0x8002               # case 1
	bltz_slot plain, addiu, $t1, $t0, -0x7edd       # case 2
	bltz_slot plain, sw, $t1, -0x7120($t0)          # case 3
	bltz_slot plain, lw, $t2, -0x7120($t0)          # case 4
	bltz_slot plain, addu, $t3, $t1, $t2            # case 5
	bltz_slot plain, or, $t4, $s1, $s2              # case 6
	bltz_slot plain, slt, $t5, $s2, $s3             # case 7
	bltz_slot plain, slti, $t6, $s2, -0x7fef        # case 8
	bltz_slot plain, sltiu, $t7, $s2, -0x7fef       # case 9
	bltz_slot plain, sltu, $t8, $s2, $s3            # case 10
	bltz_slot plain, sll, $t1, $s2, 17              # case 11
	bltz_slot plain, add, $t2, $t0, $s0             # case 12
	bltz_slot plain, addi, $t3, $s0, -0x7ffe        # case 13
	bltz_slot plain, sub, $t4, $t0, $s0             # case 14
	bltz_slot plain, subu, $t5, $t0, $s0            # case 15
	bltz_slot plain, and, $t6, $t0, $s0             # case 16
	bltz_slot plain, andi, $t7, $s0, 0x8ff2         # case 17
	bltz_slot plain, nor, $t8, $t0, $s0             # case 18
	bltz_slot plain, ori, $t1, $s0, 0x8ff2          # case 19
	bltz_slot plain, xor, $t2, $t0, $s0             # case 20
	bltz_slot plain, xori, $t3, $s0, 0x8ff2         # case 21
	bltz_slot plain, sllv, $t4, $t0, $s0            # case 22
	bltz_slot plain, sra, $t5, $s0, 8               # case 23
	bltz_slot plain, srav, $t6, $t0, $s0            # case 24
	bltz_slot plain, srl, $t7, $s0, 8               # case 25
	bltz_slot plain, srlv, $t8, $t0, $s0            # case 26

# operands of the multiply and divide probes (not cases)
	lui $t0, 0x8000
	ori $t1, $zero, 0x8000

# multiply and divide in the delay slot, read back from LO
	bltz_slot hilo, div, $zero, $t0, $t1            # case 27
	bltz_slot hilo, divu, $zero, $t0, $t1           # case 28
	bltz_slot hilo, mult, $t0, $t1                  # case 29
	bltz_slot hilo, multu, $t0, $t1                 # case 30

# HI and LO as the last multiply left them
	bltz_slot plain, mfhi, $t7                      # case 31
	bltz_slot plain, mflo, $t6                      # case 32
	routine_end
