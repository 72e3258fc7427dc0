# n49_mflo: tests mflo in 115 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 49, mflo
	routine_end
