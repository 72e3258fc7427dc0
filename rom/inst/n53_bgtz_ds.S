# n53_bgtz_ds: tests the delay slot of bgtz in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 53, bgtz_ds
	routine_end
