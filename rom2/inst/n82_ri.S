# n82_ri: tests the reserved instruction exception in 10 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "except.inc"

	routine_begin 82, ri
# reserved instruction words alone and in every delay slot
	ri_case none, 0xfc000000, 0x00000028, 0x00400000, 0x00400000, 0x00400000   # case 1
	ri_case none, 0x7c000000, 0x00000028, 0x00400029, 0x00400024, 0x00400029   # case 2
	ri_case beq, 0x00000001, 0x80000028, 0x00400035, 0x00400014, 0x00400015    # case 3
	ri_case beq, 0x0000000e, 0x80000028, 0x00400034, 0x00400010, 0x00400014    # case 4
	ri_case bne, 0x04050000, 0x80000028, 0x00400024, 0x00400010, 0x00400014    # case 5
	ri_case bne, 0xfc000000, 0x80000028, 0x00400021, 0x00400004, 0x00400001    # case 6
	ri_case j, 0x7c000000, 0x80000028, 0x0040000c, 0x00400030, 0x0040003c      # case 7
	ri_case j, 0x00000001, 0x80000028, 0x00400015, 0x00400014, 0x00400015      # case 8
	ri_case jr, 0x0000000e, 0x80000028, 0x00400020, 0x00400000, 0x00400000     # case 9
	ri_case jr, 0x04050000, 0x80000028, 0x00400008, 0x00400020, 0x00400028     # case 10
	routine_end
