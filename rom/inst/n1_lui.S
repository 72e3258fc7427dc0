# n1_lui: tests lui in 192 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 1, lui
	routine_end
