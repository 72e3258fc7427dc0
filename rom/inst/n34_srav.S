# n34_srav: tests srav in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 34, srav
	routine_end
