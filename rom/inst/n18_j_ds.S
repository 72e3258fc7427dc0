# n18_j_ds: tests the delay slot of j in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 18, j_ds
	routine_end
