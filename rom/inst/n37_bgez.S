# n37_bgez: tests bgez in 201 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 37, bgez
	routine_end
