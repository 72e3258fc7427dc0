# n3_addiu: tests addiu in 123 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 3, addiu
	routine_end
