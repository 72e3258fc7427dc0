# n44_div: tests div in 122 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 44, div
	routine_end
