# n35_srl: tests srl in 301 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 35, srl
	routine_end
