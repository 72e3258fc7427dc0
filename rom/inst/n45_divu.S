# n45_divu: tests divu in 178 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 45, divu
	routine_end
