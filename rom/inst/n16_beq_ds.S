# n16_beq_ds: tests the delay slot of beq in 26 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 16, beq_ds
	routine_end
