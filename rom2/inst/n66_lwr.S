# n66_lwr: tests lwr in 20 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "bytes.inc"
	.include "partial.inc"

	routine_begin 66, lwr
# every alignment: the loaded bytes merged with the register's old contents
	pw_load lwr, 0x4d49426a, 0x8003c2c4, 0x80042d0d, -0x6a49, 0x0909c5ef, 0x4d49426a                                  # case 1
	pw_load lwr, 0xc4ded63b, 0x80017d20, 0x80012e74, 0x4eac, 0x8a8e59fb, 0xc4ded63b                                   # case 2
	pw_load lwr, 0x618d777d, 0x80026bd4, 0x80022027, 0x4bad, 0xbde8649c, 0x618d777d                                   # case 3
	pw_load lwr, 0xf9259626, 0x80034a74, 0x8002fefb, 0x4b7a, 0x88b429bf, 0x88f92596                                   # case 4
	pw_load lwr, 0xf44c7df9, 0x8003c598, 0x80043c19, -0x7680, 0xf1dedd51, 0xf1f44c7d                                  # case 5
	pw_load lwr, 0xa4070a4e, 0x800268d0, 0x8002a99a, -0x40c9, 0x61845b62, 0x61a4070a                                  # case 6
	pw_load lwr, 0x0dd12c2b, 0x8003ec10, 0x8003d977, 0x129b, 0x303de224, 0x303d0dd1                                   # case 7
	pw_load lwr, 0x58929975, 0x80036d10, 0x80033823, 0x34ef, 0x4cfd776d, 0x4cfd5892                                   # case 8
	pw_load lwr, 0x746ea32d, 0x8001b7b4, 0x8001c971, -0x11bb, 0xdae98113, 0xdae9746e                                  # case 9
	pw_load lwr, 0x4eab4898, 0x8002ade8, 0x80030b41, -0x5d56, 0xa5b33343, 0xa5b3334e                                  # case 10
	pw_load lwr, 0xa9b531f2, 0x80035aac, 0x80037750, -0x1ca1, 0xda6586bc, 0xda6586a9                                  # case 11
	pw_load lwr, 0xd1e97f94, 0x8002e9b0, 0x80031af0, -0x313d, 0x1ff9bd8d, 0x1ff9bdd1                                  # case 12

# the word at every alignment: lwl, then at once lwr into the same register
	pw_pair_load lwl, lwr, 0xbf9887f6, 0x0c37b50e, 0x800367e4, 0x8003bb50, -0x5369, -0x536c, 0x40647199, 0xbf9887f6   # case 13
	pw_pair_load lwl, lwr, 0xf4f41cc7, 0xcb1b23a6, 0x8002a5dc, 0x80028401, 0x21de, 0x21db, 0x91ecac5a, 0xf4f41cc7     # case 14
	pw_pair_load lwl, lwr, 0xf3951d29, 0x2d985c11, 0x80013fe8, 0x8001bcfa, -0x7d0e, -0x7d11, 0x033279a9, 0x11f3951d   # case 15
	pw_pair_load lwl, lwr, 0xcf1c76fe, 0x6b2b98e2, 0x8002c7ac, 0x80025aef, 0x6cc1, 0x6cbe, 0x34a46d9f, 0xe2cf1c76     # case 16
	pw_pair_load lwl, lwr, 0x17402c05, 0xcaf013a4, 0x8002c0a8, 0x8002844e, 0x3c5f, 0x3c5c, 0x116c1c48, 0x13a41740     # case 17
	pw_pair_load lwl, lwr, 0x794642e0, 0x75c9af58, 0x80032234, 0x8003724f, -0x5016, -0x5019, 0xa6342fff, 0xaf587946   # case 18
	pw_pair_load lwl, lwr, 0xe11f4c5a, 0x9c8693c1, 0x800133dc, 0x8000cecc, 0x6516, 0x6513, 0x9389641f, 0x8693c1e1     # case 19
	pw_pair_load lwl, lwr, 0xc7d57e8c, 0x8ec61e93, 0x8003d184, 0x80044ddb, -0x7c51, -0x7c54, 0x3975a978, 0xc61e93c7   # case 20
	routine_end
