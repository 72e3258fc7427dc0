# n36_srlv: tests srlv in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 36, srlv
	routine_end
