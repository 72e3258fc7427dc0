# n71_hz_load: tests loaded words read 1 to 3 instructions after they are written in 32 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "hazard.inc"

	routine_begin 71, hz_load
# load feeding every consumer at distances 1, 2 and 3
	hz_case load, rs, 1, 0x1a87fc35, 0x3e4fc1be       # case 1
	hz_case load, rs, 1, 0x58fc4c24, 0x4a3d434d       # case 2
	hz_case load, rs, 2, 0x198210fe, 0x5aa1fda8       # case 3
	hz_case load, rs, 2, 0x1bb099c5, 0xdec81cab       # case 4
	hz_case load, rs, 3, 0x295ab205, 0xf1106222       # case 5
	hz_case load, rs, 3, 0x6faded49, 0xb3c94a14       # case 6
	hz_case load, rt, 1, 0xc08cd1e4, 0x1a0348e1       # case 7
	hz_case load, rt, 1, 0x47179a91, 0xcb594931       # case 8
	hz_case load, rt, 2, 0x47bb7335, 0x16756767       # case 9
	hz_case load, rt, 2, 0x5d4fe120, 0x75afe397       # case 10
	hz_case load, rt, 3, 0xc11976b6, 0x8f02e223       # case 11
	hz_case load, rt, 3, 0x7b67c3b1, 0xdfe5fdcf       # case 12
	hz_case load, store, 1, 0x29b74500, 0x0f83b5bc    # case 13
	hz_case load, store, 1, 0xb4883627, 0xa7c03e36    # case 14
	hz_case load, store, 2, 0x17ee29e1, 0x7f9279ee    # case 15
	hz_case load, store, 2, 0x521e3ee8, 0x873c573b    # case 16
	hz_case load, store, 3, 0x20aec8a8, 0xf307b900    # case 17
	hz_case load, store, 3, 0x761dd1b6, 0xb9a52c1e    # case 18
	hz_case load, base, 1, 0x80000548, 0x0b79db0e     # case 19
	hz_case load, base, 1, 0x80000568, 0xd693f0a6     # case 20
	hz_case load, base, 2, 0x80000560, 0xc3655223     # case 21
	hz_case load, base, 2, 0x80000550, 0xb749996b     # case 22
	hz_case load, base, 3, 0x80000508, 0xad5f90a4     # case 23
	hz_case load, base, 3, 0x80000548, 0x5441e43c     # case 24
	hz_case load, branch, 2, 0x92404563, 0x853a47c4   # case 25
	hz_case load, branch, 2, 0x79b001bd, 0xe8056c18   # case 26
	hz_case load, branch, 3, 0x32e96c1b, 0x719b6f32   # case 27
	hz_case load, branch, 3, 0x6a2df7cf, 0x9192fe08   # case 28
	hz_case load, jr, 2, 0x00000000, 0xd6a29679       # case 29
	hz_case load, jr, 2, 0x00000000, 0x45ec78be       # case 30
	hz_case load, jr, 3, 0x00000000, 0x0732d327       # case 31
	hz_case load, jr, 3, 0x00000000, 0x347a62bf       # case 32
	routine_end
