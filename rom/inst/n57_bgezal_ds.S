# n57_bgezal_ds: tests the delay slot of bgezal in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 57, bgezal_ds
	routine_end
