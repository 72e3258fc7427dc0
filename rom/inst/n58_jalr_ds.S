# n58_jalr_ds: tests the delay slot of jalr in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 58, jalr_ds
	routine_end
