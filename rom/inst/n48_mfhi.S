# n48_mfhi: tests mfhi in 115 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 48, mfhi
	routine_end
