# n25_sltu: tests sltu in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 25, sltu
	routine_end
