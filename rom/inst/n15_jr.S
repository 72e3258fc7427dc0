# n15_jr: tests jr in 142 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 15, jr
	routine_end
