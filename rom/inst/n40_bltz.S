# n40_bltz: tests bltz in 153 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 40, bltz
	routine_end
