# n10_sltiu: tests sltiu in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 10, sltiu
	routine_end
