# n51_mtlo: tests mtlo in 60 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 51, mtlo
	routine_end
