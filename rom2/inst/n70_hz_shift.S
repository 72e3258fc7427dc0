# n70_hz_shift: tests shift results read 1 to 3 instructions after they are written in 42 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "hazard.inc"

	routine_begin 70, hz_shift
# shift feeding every consumer at distances 1, 2 and 3
	hz_case shift, rs, 1, 0x9c685ce0, 0x0935569f         # case 1
	hz_case shift, rs, 1, 0x00998624, 0xe04edadc         # case 2
	hz_case shift, rs, 2, 0xc1f480d0, 0xd890c7de         # case 3
	hz_case shift, rs, 2, 0x160b08bc, 0x0200a125         # case 4
	hz_case shift, rs, 3, 0x10446e8c, 0xfcfe75dd         # case 5
	hz_case shift, rs, 3, 0x2a06bc94, 0x1b1810a1         # case 6
	hz_case shift, rt, 1, 0xa04defe0, 0xd11245d0         # case 7
	hz_case shift, rt, 1, 0x5c90ad74, 0xb026853d         # case 8
	hz_case shift, rt, 2, 0xb4f97184, 0xd846c2c4         # case 9
	hz_case shift, rt, 2, 0x19db1848, 0xab555d63         # case 10
	hz_case shift, rt, 3, 0xaf8ad24c, 0x243cca91         # case 11
	hz_case shift, rt, 3, 0x82144828, 0x74dfaa2c         # case 12
	hz_case shift, store, 1, 0xa118fc64, 0x2a2d5049      # case 13
	hz_case shift, store, 1, 0xfafa7034, 0xc8d561dd      # case 14
	hz_case shift, store, 2, 0x215a0f98, 0xce5abb4a      # case 15
	hz_case shift, store, 2, 0x89172728, 0xaf555fac      # case 16
	hz_case shift, store, 3, 0x585e42b0, 0x77c66691      # case 17
	hz_case shift, store, 3, 0xba81f2ec, 0x9a63b301      # case 18
	hz_case shift, base, 1, 0x80000510, 0x8de98a03       # case 19
	hz_case shift, base, 1, 0x80000550, 0x3087c2d4       # case 20
	hz_case shift, base, 2, 0x80000560, 0x2996a3c2       # case 21
	hz_case shift, base, 2, 0x80000550, 0x58eda120       # case 22
	hz_case shift, base, 3, 0x80000568, 0xa63c177c       # case 23
	hz_case shift, base, 3, 0x80000500, 0x5623ee3d       # case 24
	hz_case shift, branch, 1, 0x87fe934c, 0x4b92c223     # case 25
	hz_case shift, branch, 1, 0xaec21320, 0x3b115642     # case 26
	hz_case shift, branch, 2, 0x4ff36c5c, 0x953c3e94     # case 27
	hz_case shift, branch, 2, 0x4aa836c0, 0x4e2b1bd5     # case 28
	hz_case shift, branch, 3, 0x14e6aa84, 0x31d244e2     # case 29
	hz_case shift, branch, 3, 0x2d85b100, 0x0b4c932e     # case 30
	hz_case shift, jr, 1, 0x00000000, 0x03b69099         # case 31
	hz_case shift, jr, 1, 0x00000000, 0x440aefba         # case 32
	hz_case shift, jr, 2, 0x00000000, 0x17feed9f         # case 33
	hz_case shift, jr, 2, 0x00000000, 0x145779d9         # case 34
	hz_case shift, jr, 3, 0x00000000, 0xee5d4e64         # case 35
	hz_case shift, jr, 3, 0x00000000, 0xef894cf5         # case 36

# sllv, srlv and srav by an amount register with bits above 4 set
	hz_vshift sllv, 0xa1531640, 0x00000030, 0x16400000   # case 37
	hz_vshift sllv, 0xd78062ce, 0xfffffff6, 0xb3800000   # case 38
	hz_vshift srlv, 0xfcf15a8f, 0x00000023, 0x1f9e2b51   # case 39
	hz_vshift srlv, 0x8b928e30, 0xffffffe9, 0x0045c947   # case 40
	hz_vshift srav, 0x90dd6eec, 0x0000003b, 0xfffffff2   # case 41
	hz_vshift srav, 0x9e4e7161, 0xfffffffc, 0xfffffff9   # case 42
	routine_end
