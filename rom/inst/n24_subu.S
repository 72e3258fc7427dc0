# n24_subu: tests subu in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 24, subu
	routine_end
