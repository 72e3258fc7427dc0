# n33_sra: tests sra in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 33, sra
	routine_end
