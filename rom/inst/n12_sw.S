# n12_sw: tests sw in 69 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"

	routine_begin 12, sw
	routine_end
