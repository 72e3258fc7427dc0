# start: the boot unit at the reset address. Reset jump, guard groups and idle loops, board
# initialisation (locate), the call sequence of the 58 test routines (inst_test), the verdict
# (test_end), the final idle loop (test_finish) and the pause between routines (wait_1s).
# Every address below the first routine is fixed; the .org lines hold the layout to it.
	.include "inst/frame.inc"

# Reached only by a core that runs on where it must not: falls through into the next idle loop.
	.macro	guard_group
	lui	$t0, 0x8000
	addiu	$t1, $t1, 1
	or	$t2, $t0, $zero
	addu	$t3, $t5, $t6
	lw	$t4, 0($t0)
	.endm

# One step of inst_test: test routine N, then the pause.
	.macro	run_routine unit
	jal	\unit\()_test
	nop
	jal	wait_1s
	nop
	.endm

# Entry hook of C code compiled to call it before main; this program has no C code, so it is
# declared for the symbol table and never defined.
	.globl	__main
	.type	__main, @object

	.globl	_start
	.globl	start
	.type	_start, @object
	.type	start, @object
_start:
start:
	j	locate
	nop
	guard_group
	.org	0x0ec
	guard_group

	.org	0x100
test_finish:					# end of the run: idle for ever
	addiu	$t0, $t0, 1
	b	test_finish
	nop
	guard_group

	.org	0x380				# general exception vector with the boot vectors on
1:	addiu	$t0, $t0, 1
	b	1b
	nop

locate:						# boot pattern on the board, run-wide registers
	li	$a0, 0xfffff008			# LAMP_B_REG
	li	$a1, 0xfffff004			# LAMP_A_REG
	li	$a2, 0xfffff000			# LED_BANK_REG
	li	$s1, 0xfffff010			# DISPLAY_REG, for the whole run
	li	$t1, 2				# lamp colour codes
	li	$t2, 1
	li	$t3, 0xffff			# all 16 LEDs
	lui	$s3, 0				# pass count
	sw	$t1, 0($a0)
	sw	$t2, 0($a1)
	sw	$t3, 0($a2)
	sw	$s3, 0($s1)			# display 0
	lui	$s0, 0				# test number

inst_test:					# the routines in run order, each followed by the pause
	run_routine n1_lui
	run_routine n2_addu
	run_routine n3_addiu
	run_routine n4_beq
	run_routine n5_bne
	run_routine n6_lw
	run_routine n7_or
	run_routine n8_slt
	run_routine n9_slti
	run_routine n10_sltiu
	run_routine n11_sll
	run_routine n12_sw
	run_routine n13_j
	run_routine n14_jal
	run_routine n15_jr
	run_routine n16_beq_ds
	run_routine n17_bne_ds
	run_routine n18_j_ds
	run_routine n19_jal_ds
	run_routine n20_jr_ds
	run_routine n21_add
	run_routine n22_addi
	run_routine n23_sub
	run_routine n24_subu
	run_routine n25_sltu
	run_routine n26_and
	run_routine n27_andi
	run_routine n28_nor
	run_routine n29_ori
	run_routine n30_xor
	run_routine n31_xori
	run_routine n32_sllv
	run_routine n33_sra
	run_routine n34_srav
	run_routine n35_srl
	run_routine n36_srlv
	run_routine n37_bgez
	run_routine n38_bgtz
	run_routine n39_blez
	run_routine n40_bltz
	run_routine n41_bltzal
	run_routine n42_bgezal
	run_routine n43_jalr
	run_routine n44_div
	run_routine n45_divu
	run_routine n46_mult
	run_routine n47_multu
	run_routine n48_mfhi
	run_routine n49_mflo
	run_routine n50_mthi
	run_routine n51_mtlo
	run_routine n52_bgez_ds
	run_routine n53_bgtz_ds
	run_routine n54_blez_ds
	run_routine n55_bltz_ds
	run_routine n56_bltzal_ds
	run_routine n57_bgezal_ds
	run_routine n58_jalr_ds

test_end:					# the verdict counts passed routines only
	addiu	$s0, $zero, 0x3a		# 58 routines
	beq	$s0, $s3, .Lpassed
	nop
	li	$a0, 0xfffff000			# failed: LEDs off, both lamps 2
	li	$a1, 0xfffff008
	li	$a2, 0xfffff004
	li	$t1, 2
	sw	$zero, 0($a0)
	sw	$t1, 0($a1)
	sw	$t1, 0($a2)
	b	.Lend_mark
	nop
.Lpassed:					# passed: LEDs stay on, both lamps 1
	li	$t1, 1
	li	$a0, 0xfffff008
	li	$a1, 0xfffff004
	sw	$t1, 0($a0)
	sw	$t1, 0($a1)
.Lend_mark:					# the last board write of the run
	li	$t1, 0xff
	li	$t0, 0xfffffff0			# END_MARK_REG
	sw	$t1, 0($t0)
	j	test_finish
	nop

wait_1s:					# pause: long with the switches at 0, short otherwise
	li	$t1, 0xfffffff4			# SWITCH_REG
	lui	$t0, 0
	lw	$t2, 0($t1)
	bnez	$t2, .Lcount			# the loaded value is used at once
	nop
	lui	$t0, 0x20			# 0x200000 more turns of the loop
.Lcount:
	addiu	$t0, $t0, 1
1:	addiu	$t0, $t0, -1
	bnez	$t0, 1b
	nop
	jr	$ra
	nop
.Lstart_end:

	unit_record start.S, ., _start, .Lstart_end
