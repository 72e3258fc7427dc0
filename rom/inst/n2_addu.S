# n2_addu: tests addu in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 2, addu
	routine_end
