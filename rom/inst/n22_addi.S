# n22_addi: tests addi in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 22, addi
	routine_end
