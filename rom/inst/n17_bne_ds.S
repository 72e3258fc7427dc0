# n17_bne_ds: tests the delay slot of bne in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 17, bne_ds
	routine_end
