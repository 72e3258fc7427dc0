# n50_mthi: tests mthi in 107 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 50, mthi
	routine_end
