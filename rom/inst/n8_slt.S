# n8_slt: tests slt in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 8, slt
	routine_end
