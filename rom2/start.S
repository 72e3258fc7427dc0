# start: the boot unit of the second ROM at the reset address. Reset jump, the final idle loop
# (test_finish), the exception handler at the general exception vector, board initialisation
# (locate), the call sequence of the test routines 59 to 82 (inst_test), the verdict (test_end)
# and the pause between routines (wait_1s). The board, its addresses and the reports are those
# of the first ROM; the routine frame is the first ROM's (rom/inst/frame.inc, on the include path).
	.include "frame.inc"

# One step of inst_test: test routine N, then the pause.
	.macro	run_routine unit
	jal	\unit\()_test
	nop
	jal	wait_1s
	nop
	.endm

	.globl	_start
	.globl	start
	.type	_start, @object
	.type	start, @object
_start:
start:
	j	locate
	nop

	.org	0x100
test_finish:					# end of the run: idle for ever
	addiu	$t0, $t0, 1
	b	test_finish
	nop

# The exception handler (the vector with the boot vectors on). A case announces an exception it
# expects by writing its resume address to 0x80000410; the handler records Cause, EPC, BadVAddr
# and Status at 0x80000400 to 0x8000040c, withdraws the announcement and returns there with rfe
# in the delay slot of the jump. Only $k0 and $k1 change. Without an announcement the exception
# is unexpected: the run ends as failed.
	.org	0x380
exc_vector:
	lui	$k1, 0x8000			# the record's base
	mfc0	$k0, $13			# Cause
	nop
	sw	$k0, 0x400($k1)
	mfc0	$k0, $14			# EPC
	nop
	sw	$k0, 0x404($k1)
	mfc0	$k0, $8				# BadVAddr
	nop
	sw	$k0, 0x408($k1)
	mfc0	$k0, $12			# Status, KU/IE already pushed
	nop
	sw	$k0, 0x40c($k1)
	lw	$k0, 0x410($k1)			# the announced resume address
	nop
	beqz	$k0, exc_unexpected
	sw	$zero, 0x410($k1)		# an announcement holds for one exception
	jr	$k0
	rfe					# KU/IE popped as the jump goes

exc_unexpected:					# display: this routine, pass count unchanged
	sll	$t1, $s0, 24
	or	$t0, $t1, $s3
	sw	$t0, 0($s1)
	b	.Lfailed
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
	lui	$t0, 0x8000
	sw	$zero, 0x410($t0)		# no exception announced
	lui	$s4, 0				# load delay slots that saw the old value
	addiu	$s0, $zero, 58			# test number: the routines go on from 59

inst_test:					# the routines in run order, each followed by the pause
	run_routine n59_lb
	run_routine n60_lbu
	run_routine n61_lh
	run_routine n62_lhu
	run_routine n63_sb
	run_routine n64_sh
	run_routine n65_lwl
	run_routine n66_lwr
	run_routine n67_swl
	run_routine n68_swr
	run_routine n69_hz_alu
	run_routine n70_hz_shift
	run_routine n71_hz_load
	run_routine n72_hz_hilo
	run_routine n73_hz_link
	run_routine n74_hilo_dist
	run_routine n75_md_again
	run_routine n76_cp0
	run_routine n77_ov
	run_routine n78_syscall
	run_routine n79_break
	run_routine n80_adel
	run_routine n81_ades
	run_routine n82_ri

test_end:					# the verdict counts passed routines only
	lui	$t0, 0x8000
	sw	$s4, 0x414($t0)			# load delay slots that saw the old value, for a debugger
	addiu	$s0, $zero, 24			# 24 routines
	beq	$s0, $s3, .Lpassed
	nop
.Lfailed:
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
	lw	$t2, 0($t1)
	lui	$t0, 0
	bnez	$t2, .Lcount
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
