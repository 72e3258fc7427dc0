# n31_xori: tests xori in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 31, xori
	routine_end
