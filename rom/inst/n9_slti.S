# n9_slti: tests slti in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 9, slti
	routine_end
