# n23_sub: tests sub in 245 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 23, sub
	routine_end
