# n52_bgez_ds: tests the delay slot of bgez in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 52, bgez_ds
	routine_end
