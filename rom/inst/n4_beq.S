# n4_beq: tests beq in 104 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 4, beq
	routine_end
