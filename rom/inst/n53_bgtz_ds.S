# n53_bgtz_ds: tests the delay slot of bgtz in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "slot_probe.inc"
	.include "branch_slot.inc"

	routine_begin 53, bgtz_ds
# one probe per case, run in the delay slot and as reference
	bgtz_slot plain, lui, $t0, 0x8002               # case 1
	bgtz_slot plain, addiu, $t1, $t0, -0x7edd       # case 2
	bgtz_slot plain, sw, $t1, -0x7120($t0)          # case 3
	bgtz_slot plain, lw, $t2, -0x7120($t0)          # case 4
	bgtz_slot plain, addu, $t3, $t1, $t2            # case 5
	bgtz_slot plain, or, $t4, $s1, $s2              # case 6
	bgtz_slot plain, slt, $t5, $s2, $s3             # case 7
	bgtz_slot plain, slti, $t6, $s2, -0x7fef        # case 8
	bgtz_slot plain, sltiu, $t7, $s2, -0x7fef       # case 9
	bgtz_slot plain, sltu, $t8, $s2, $s3            # case 10
	bgtz_slot plain, sll, $t1, $s2, 17              # case 11
	bgtz_slot plain, add, $t2, $t0, $s0             # case 12
	bgtz_slot plain, addi, $t3, $s0, -0x7ffe        # case 13
	bgtz_slot plain, sub, $t4, $t0, $s0             # case 14
	bgtz_slot plain, subu, $t5, $t0, $s0            # case 15
	bgtz_slot plain, and, $t6, $t0, $s0             # case 16
	bgtz_slot plain, andi, $t7, $s0, 0x8ff2         # case 17
	bgtz_slot plain, nor, $t8, $t0, $s0             # case 18
	bgtz_slot plain, ori, $t1, $s0, 0x8ff2          # case 19
	bgtz_slot plain, xor, $t2, $t0, $s0             # case 20
	bgtz_slot plain, xori, $t3, $s0, 0x8ff2         # case 21
	bgtz_slot plain, sllv, $t4, $t0, $s0            # case 22
	bgtz_slot plain, sra, $t5, $s0, 8               # case 23
	bgtz_slot plain, srav, $t6, $t0, $s0            # case 24
	bgtz_slot plain, srl, $t7, $s0, 8               # case 25
	bgtz_slot plain, srlv, $t8, $t0, $s0            # case 26

# operands of the multiply and divide probes (not cases)
	lui $t0, 0x8000
	ori $t1, $zero, 0x8000

# multiply and divide in the delay slot, read back from LO
	bgtz_slot hilo, div, $zero, $t0, $t1            # case 27
	bgtz_slot hilo, divu, $zero, $t0, $t1           # case 28
	bgtz_slot hilo, mult, $t0, $t1                  # case 29
	bgtz_slot hilo, multu, $t0, $t1                 # case 30

# HI and LO as the last multiply left them
	bgtz_slot plain, mfhi, $t7                      # case 31
	bgtz_slot plain, mflo, $t6                      # case 32
	routine_end
