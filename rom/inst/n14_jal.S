# n14_jal: tests jal in 122 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 14, jal
	routine_end
