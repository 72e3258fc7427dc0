# n28_nor: tests nor in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 28, nor
	routine_end
