# n27_andi: tests andi in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 27, andi
	routine_end
