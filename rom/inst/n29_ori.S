# n29_ori: tests ori in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 29, ori
	routine_end
