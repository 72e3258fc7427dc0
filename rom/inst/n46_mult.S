# n46_mult: tests mult in 159 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 46, mult
	routine_end
