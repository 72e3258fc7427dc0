# n43_jalr: tests jalr in 140 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 43, jalr
	routine_end
