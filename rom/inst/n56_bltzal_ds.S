# n56_bltzal_ds: tests the delay slot of bltzal in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 56, bltzal_ds
	routine_end
