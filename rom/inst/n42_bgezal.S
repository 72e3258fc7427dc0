# n42_bgezal: tests bgezal in 146 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 42, bgezal
	routine_end
