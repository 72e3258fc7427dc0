# n20_jr_ds: tests the delay slot of jr in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 20, jr_ds
	routine_end
