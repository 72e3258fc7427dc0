# n72_hz_hilo: tests mfhi and mflo results read 1 to 3 instructions after they are written in 36 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "hazard.inc"

	routine_begin 72, hz_hilo
# mfhi feeding every consumer at distances 1, 2 and 3
	hz_case mfhi, rs, 1, 0x4bfe5ceb, 0x57a62c36       # case 1
	hz_case mfhi, rs, 2, 0x4b1d6c1b, 0xd3060dbe       # case 2
	hz_case mfhi, rs, 3, 0x584d2db1, 0xffeb6b1c       # case 3
	hz_case mfhi, rt, 1, 0xa6c58e4e, 0x183bb1e6       # case 4
	hz_case mfhi, rt, 2, 0xdd5ad4dd, 0x33115071       # case 5
	hz_case mfhi, rt, 3, 0x45993626, 0x71fa32d8       # case 6
	hz_case mfhi, store, 1, 0x4b0cad17, 0x330b045c    # case 7
	hz_case mfhi, store, 2, 0x0b6a3633, 0x3c1e9b68    # case 8
	hz_case mfhi, store, 3, 0x8754b3e3, 0x84166fd2    # case 9
	hz_case mfhi, base, 1, 0x80000568, 0x8b380699     # case 10
	hz_case mfhi, base, 2, 0x80000568, 0x3a26e4f3     # case 11
	hz_case mfhi, base, 3, 0x80000538, 0x8d530ff5     # case 12
	hz_case mfhi, branch, 1, 0xd3883b7d, 0x515b7fe3   # case 13
	hz_case mfhi, branch, 2, 0x85c81598, 0xc38bb171   # case 14
	hz_case mfhi, branch, 3, 0xc4287bef, 0x21c3b063   # case 15
	hz_case mfhi, jr, 1, 0x00000000, 0x9091a02d       # case 16
	hz_case mfhi, jr, 2, 0x00000000, 0xac0b4a7a       # case 17
	hz_case mfhi, jr, 3, 0x00000000, 0x612a232b       # case 18

# mflo feeding every consumer at distances 1, 2 and 3
	hz_case mflo, rs, 1, 0xd7ada60e, 0x1e95ee04       # case 19
	hz_case mflo, rs, 2, 0x597b33b0, 0xf281fadc       # case 20
	hz_case mflo, rs, 3, 0x7be53269, 0x835e90fc       # case 21
	hz_case mflo, rt, 1, 0x7866e059, 0xd672b55d       # case 22
	hz_case mflo, rt, 2, 0x168d61e7, 0xb784217d       # case 23
	hz_case mflo, rt, 3, 0xbd346312, 0x20d48cb4       # case 24
	hz_case mflo, store, 1, 0x0085e776, 0xab416938    # case 25
	hz_case mflo, store, 2, 0xc21b73a4, 0xa289f64c    # case 26
	hz_case mflo, store, 3, 0x568c1416, 0x963c2aee    # case 27
	hz_case mflo, base, 1, 0x80000538, 0xb68b3dd0     # case 28
	hz_case mflo, base, 2, 0x80000560, 0xe11259c1     # case 29
	hz_case mflo, base, 3, 0x80000510, 0xe66cee22     # case 30
	hz_case mflo, branch, 1, 0x475e6fc5, 0xb72b61ec   # case 31
	hz_case mflo, branch, 2, 0x09297b1c, 0xa3f8119a   # case 32
	hz_case mflo, branch, 3, 0x3f156536, 0x53219a3a   # case 33
	hz_case mflo, jr, 1, 0x00000000, 0x9a830484       # case 34
	hz_case mflo, jr, 2, 0x00000000, 0x74f6b4a6       # case 35
	hz_case mflo, jr, 3, 0x00000000, 0xee92ee96       # case 36
	routine_end
