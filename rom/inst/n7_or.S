# n7_or: tests or in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 7, or
	routine_end
