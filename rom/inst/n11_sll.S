# n11_sll: tests sll in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 11, sll
	routine_end
