# n54_blez_ds: tests the delay slot of blez in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 54, blez_ds
	routine_end
