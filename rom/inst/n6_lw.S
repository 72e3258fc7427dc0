# n6_lw: tests lw in 64 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 6, lw
	routine_end
