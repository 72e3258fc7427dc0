# n57_bgezal_ds: tests the delay slot of bgezal in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "slot_probe.inc"
	.include "branch_slot.inc"

	routine_begin 57, bgezal_ds
# one probe per case, run in the delay slot and as reference
	bgezal_slot plain, lui, $t0, 0x8002             # case 1
	bgezal_slot plain, addiu, $t1, $t0, -0x7edd     # case 2
	bgezal_slot plain, sw, $t1, -0x7120($t0)        # case 3
	bgezal_slot plain, lw, $t2, -0x7120($t0)        # case 4
	bgezal_slot plain, addu, $t3, $t1, $t2          # case 5
	bgezal_slot plain, or, $t4, $s1, $s2            # case 6
	bgezal_slot plain, slt, $t5, $s2, $s3           # case 7
	bgezal_slot plain, slti, $t6, $s2, -0x7fef      # case 8
	bgezal_slot plain, sltiu, $t7, $s2, -0x7fef     # case 9
	bgezal_slot plain, sltu, $t8, $s2, $s3          # case 10
	bgezal_slot plain, sll, $t1, $s2, 17            # case 11
	bgezal_slot plain, add, $t2, $t0, $s0           # case 12
	bgezal_slot plain, addi, $t3, $s0, -0x7ffe      # case 13
	bgezal_slot plain, sub, $t4, $t0, $s0           # case 14
	bgezal_slot plain, subu, $t5, $t0, $s0          # case 15
	bgezal_slot plain, and, $t6, $t0, $s0           # case 16
	bgezal_slot plain, andi, $t7, $s0, 0x8ff2       # case 17
	bgezal_slot plain, nor, $t8, $t0, $s0           # case 18
	bgezal_slot plain, ori, $t1, $s0, 0x8ff2        # case 19
	bgezal_slot plain, xor, $t2, $t0, $s0           # case 20
	bgezal_slot plain, xori, $t3, $s0, 0x8ff2       # case 21
	bgezal_slot plain, sllv, $t4, $t0, $s0          # case 22
	bgezal_slot plain, sra, $t5, $s0, 8             # case 23
	bgezal_slot plain, srav, $t6, $t0, $s0          # case 24
	bgezal_slot plain, srl, $t7, $s0, 8             # case 25
	bgezal_slot plain, srlv, $t8, $t0, $s0          # case 26

# operands of the multiply and divide probes (not cases)
	lui $t0, 0x8000
	ori $t1, $zero, 0x8000

# multiply and divide in the delay slot, read back from LO
	bgezal_slot hilo, div, $zero, $t0, $t1          # case 27
	bgezal_slot hilo, divu, $zero, $t0, $t1         # case 28
	bgezal_slot hilo, mult, $t0, $t1                # case 29
	bgezal_slot hilo, multu, $t0, $t1               # case 30

# HI and LO as the last multiply left them
	bgezal_slot plain, mfhi, $t7                    # case 31
	bgezal_slot plain, mflo, $t6                    # case 32
	routine_end $s7
