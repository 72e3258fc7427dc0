# n78_syscall: tests the syscall exception in 10 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "except.inc"

	routine_begin 78, syscall
# syscall alone and in every delay slot
	trap_case none, syscall, 0x00000020, 0x00400020, 0x00400000, 0x00400000   # case 1
	trap_case none, syscall, 0x00000020, 0x00400031, 0x00400004, 0x00400001   # case 2
	trap_case beq, syscall, 0x80000020, 0x0040001c, 0x00400030, 0x0040003c    # case 3
	trap_case beq, syscall, 0x80000020, 0x0040000d, 0x00400034, 0x0040003d    # case 4
	trap_case bne, syscall, 0x80000020, 0x00400028, 0x00400020, 0x00400028    # case 5
	trap_case bne, syscall, 0x80000020, 0x00400011, 0x00400004, 0x00400001    # case 6
	trap_case j, syscall, 0x80000020, 0x0040002c, 0x00400030, 0x0040003c      # case 7
	trap_case j, syscall, 0x80000020, 0x00400025, 0x00400014, 0x00400015      # case 8
	trap_case jr, syscall, 0x80000020, 0x00400000, 0x00400000, 0x00400000     # case 9
	trap_case jr, syscall, 0x80000020, 0x00400011, 0x00400004, 0x00400001     # case 10
	routine_end
