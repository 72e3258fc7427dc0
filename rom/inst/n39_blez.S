# n39_blez: tests blez in 201 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 39, blez
	routine_end
