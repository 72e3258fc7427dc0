# n41_bltzal: tests bltzal in 139 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 41, bltzal
	routine_end
