# n55_bltz_ds: tests the delay slot of bltz in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 55, bltz_ds
	routine_end
