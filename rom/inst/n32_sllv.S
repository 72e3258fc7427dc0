# n32_sllv: tests sllv in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 32, sllv
	routine_end
