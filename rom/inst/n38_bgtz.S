# n38_bgtz: tests bgtz in 201 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 38, bgtz
	routine_end
