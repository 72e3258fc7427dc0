# n47_multu: tests multu in 142 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 47, multu
	routine_end
