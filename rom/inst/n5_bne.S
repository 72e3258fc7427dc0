# n5_bne: tests bne in 153 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 5, bne
	routine_end
