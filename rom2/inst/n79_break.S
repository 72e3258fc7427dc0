# n79_break: tests the break exception in 10 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "except.inc"

	routine_begin 79, break
# break alone and in every delay slot
	trap_case none, break, 0x00000024, 0x0040001d, 0x00400034, 0x0040003d   # case 1
	trap_case none, break, 0x00000024, 0x00400028, 0x00400020, 0x00400028   # case 2
	trap_case beq, break, 0x80000024, 0x00400021, 0x00400004, 0x00400001    # case 3
	trap_case beq, break, 0x80000024, 0x00400010, 0x00400000, 0x00400000    # case 4
	trap_case bne, break, 0x80000024, 0x00400038, 0x00400020, 0x00400028    # case 5
	trap_case bne, break, 0x80000024, 0x00400014, 0x00400010, 0x00400014    # case 6
	trap_case j, break, 0x80000024, 0x00400004, 0x00400010, 0x00400014      # case 7
	trap_case j, break, 0x80000024, 0x0040002c, 0x00400030, 0x0040003c      # case 8
	trap_case jr, break, 0x80000024, 0x00400021, 0x00400004, 0x00400001     # case 9
	trap_case jr, break, 0x80000024, 0x00400004, 0x00400010, 0x00400014     # case 10
	routine_end
