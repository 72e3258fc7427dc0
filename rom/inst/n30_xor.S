# n30_xor: tests xor in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 30, xor
	routine_end
