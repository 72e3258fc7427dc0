# n77_ov: tests the overflow exception in 30 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "except.inc"

	routine_begin 77, ov
# add overflows: alone and in every delay slot, destination kept
	ov_case none, add, $v0, 0x20fc5fc5, 0x747edb00, 0x00000030, 0x0040002c, 0x00400030, 0x0040003c   # case 1
	ov_case none, add, $t0, 0x61006885, 0x5e2c934c, 0x00000030, 0x00400015, 0x00400014, 0x00400015   # case 2
	ov_case beq, add, $v0, 0x484806d9, 0x4aecfcad, 0x80000030, 0x00400008, 0x00400020, 0x00400028    # case 3
	ov_case beq, add, $t0, 0xcd799ec4, 0x9d5d26e8, 0x80000030, 0x0040000d, 0x00400034, 0x0040003d    # case 4
	ov_case bne, add, $v0, 0x7cccd168, 0x171487ab, 0x80000030, 0x00400030, 0x00400000, 0x00400000    # case 5
	ov_case bne, add, $t0, 0x7247a466, 0x1f63b4e3, 0x80000030, 0x00400015, 0x00400014, 0x00400015    # case 6
	ov_case j, add, $v0, 0xb721a3c6, 0x90b6b294, 0x80000030, 0x00400018, 0x00400020, 0x00400028      # case 7
	ov_case j, add, $t0, 0xe8f3e767, 0x8ea1f8cc, 0x80000030, 0x00400039, 0x00400024, 0x00400029      # case 8
	ov_case jr, add, $v0, 0xe61a3d66, 0x976fb916, 0x80000030, 0x00400009, 0x00400024, 0x00400029     # case 9
	ov_case jr, add, $t0, 0x42097d1c, 0x4f1e66bb, 0x80000030, 0x00400025, 0x00400014, 0x00400015     # case 10

# addi overflows: alone and in every delay slot, destination kept
	ov_case none, addi, $v0, 0x800030b8, -28587, 0x00000030, 0x00400029, 0x00400024, 0x00400029      # case 11
	ov_case none, addi, $t0, 0x80003756, -22253, 0x00000030, 0x00400025, 0x00400014, 0x00400015      # case 12
	ov_case beq, addi, $v0, 0x80000da4, -16120, 0x80000030, 0x00400011, 0x00400004, 0x00400001       # case 13
	ov_case beq, addi, $t0, 0x7ffff171, 17809, 0x80000030, 0x0040002d, 0x00400034, 0x0040003d        # case 14
	ov_case bne, addi, $v0, 0x8000059f, -4055, 0x80000030, 0x00400025, 0x00400014, 0x00400015        # case 15
	ov_case bne, addi, $t0, 0x80005ec1, -25176, 0x80000030, 0x00400038, 0x00400020, 0x00400028       # case 16
	ov_case j, addi, $v0, 0x800005b1, -26001, 0x80000030, 0x0040000d, 0x00400034, 0x0040003d         # case 17
	ov_case j, addi, $t0, 0x7fffb593, 24048, 0x80000030, 0x00400031, 0x00400004, 0x00400001          # case 18
	ov_case jr, addi, $v0, 0x800061ac, -30387, 0x80000030, 0x00400005, 0x00400014, 0x00400015        # case 19
	ov_case jr, addi, $t0, 0x8000312c, -15302, 0x80000030, 0x00400001, 0x00400004, 0x00400001        # case 20

# sub overflows: alone and in every delay slot, destination kept
	ov_case none, sub, $v0, 0xbe522713, 0x7ad71c27, 0x00000030, 0x0040001d, 0x00400034, 0x0040003d   # case 21
	ov_case none, sub, $t0, 0x78e82529, 0xadd7bb76, 0x00000030, 0x0040001c, 0x00400030, 0x0040003c   # case 22
	ov_case beq, sub, $v0, 0x6b0e5dbc, 0x9783a5d5, 0x80000030, 0x0040003d, 0x00400034, 0x0040003d    # case 23
	ov_case beq, sub, $t0, 0x8953a231, 0x3ce0d2de, 0x80000030, 0x00400030, 0x00400000, 0x00400000    # case 24
	ov_case bne, sub, $v0, 0xa93cf9a0, 0x7d4a8fa1, 0x80000030, 0x00400025, 0x00400014, 0x00400015    # case 25
	ov_case bne, sub, $t0, 0x7be5d78a, 0xa11c5e73, 0x80000030, 0x00400028, 0x00400020, 0x00400028    # case 26
	ov_case j, sub, $v0, 0xd8afeae1, 0x5ac56906, 0x80000030, 0x00400001, 0x00400004, 0x00400001      # case 27
	ov_case j, sub, $t0, 0x6aa8a902, 0x9bb9da8d, 0x80000030, 0x00400014, 0x00400010, 0x00400014      # case 28
	ov_case jr, sub, $v0, 0x3b25d04e, 0x99cd1cd3, 0x80000030, 0x00400010, 0x00400000, 0x00400000     # case 29
	ov_case jr, sub, $t0, 0x8aed72ce, 0x2bdcf2af, 0x80000030, 0x00400025, 0x00400014, 0x00400015     # case 30
	routine_end
