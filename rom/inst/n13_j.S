# n13_j: tests j in 121 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 13, j
	routine_end
