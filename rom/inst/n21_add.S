# n21_add: tests add in 250 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 21, add
	routine_end
