# n19_jal_ds: tests the delay slot of jal in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 19, jal_ds
	routine_end
