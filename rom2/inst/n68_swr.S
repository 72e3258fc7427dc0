# n68_swr: tests swr in 20 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "bytes.inc"
	.include "partial.inc"

	routine_begin 68, swr
# every alignment: the stored bytes merged into the word, neighbours unchanged
	pw_store swr, 0x9611f7a6, 0x80029198, 0x8002b06e, -0x1ed6, 0xa2e284cf, 0xa2e284cf                                              # case 1
	pw_store swr, 0x546183a1, 0x80023d44, 0x800217fc, 0x2548, 0x11344295, 0x11344295                                               # case 2
	pw_store swr, 0xb67a880b, 0x8002bf50, 0x8002cdb0, -0xe60, 0xc0dcb942, 0xc0dcb942                                               # case 3
	pw_store swr, 0x595d2f9b, 0x80029f80, 0x8002961f, 0x962, 0xf2c8449e, 0xc8449e9b                                                # case 4
	pw_store swr, 0xb9abd24f, 0x80019300, 0x80017279, 0x2088, 0xa10c709b, 0x0c709b4f                                               # case 5
	pw_store swr, 0x6ebebe42, 0x80017200, 0x80019202, -0x2001, 0xef6ed931, 0x6ed93142                                              # case 6
	pw_store swr, 0x160fe988, 0x8002da50, 0x80031b96, -0x4144, 0xa06a7907, 0x7907e988                                              # case 7
	pw_store swr, 0xbd4f915f, 0x800345e4, 0x8002fe65, 0x4781, 0x0d6116ed, 0x16ed915f                                               # case 8
	pw_store swr, 0x05a4378d, 0x80011588, 0x800144b8, -0x2f2e, 0x241de10e, 0xe10e378d                                              # case 9
	pw_store swr, 0x10a61b0a, 0x80016150, 0x80015f56, 0x1fd, 0x04ee9c86, 0x86a61b0a                                                # case 10
	pw_store swr, 0x88debf1f, 0x8002a154, 0x80028b69, 0x15ee, 0x918874e8, 0xe8debf1f                                               # case 11
	pw_store swr, 0x7a1b2f00, 0x800138d8, 0x80013e87, -0x5ac, 0x032631e0, 0xe01b2f00                                               # case 12

# the word at every alignment: swl, then at once swr
	pw_pair_store swl, swr, 0x17901b4d, 0x44bfa575, 0x80019b1c, 0x8001d7c6, -0x3ca7, -0x3caa, 0x7adab976, 0x7adab976, 0x44bfa575   # case 13
	pw_pair_store swl, swr, 0x81719e5e, 0xf5fef64d, 0x8001f4d4, 0x8001943b, 0x609c, 0x6099, 0x491ba506, 0x491ba506, 0xf5fef64d     # case 14
	pw_pair_store swl, swr, 0xc4eaa0f4, 0xf0b0c151, 0x8003eeb0, 0x800465e4, -0x7730, -0x7733, 0x8cbd8731, 0xbd8731f4, 0xf0b0c18c   # case 15
	pw_pair_store swl, swr, 0x9bb6a1ce, 0xd5713b45, 0x8001e394, 0x8002071d, -0x2385, -0x2388, 0xfb2f1b20, 0x2f1b20ce, 0xd5713bfb   # case 16
	pw_pair_store swl, swr, 0x48d45cad, 0x7939eb24, 0x8002ccec, 0x800278d1, 0x5420, 0x541d, 0x4f10eb91, 0xeb915cad, 0x79394f10     # case 17
	pw_pair_store swl, swr, 0x8695f01e, 0x01914ee5, 0x80023a34, 0x80028c99, -0x5260, -0x5263, 0x9ac263c1, 0x63c1f01e, 0x01919ac2   # case 18
	pw_pair_store swl, swr, 0xeef975f5, 0x0b058014, 0x80023efc, 0x80026b77, -0x2c75, -0x2c78, 0xac8a1c81, 0x81f975f5, 0x0bac8a1c   # case 19
	pw_pair_store swl, swr, 0x39f32840, 0x0c7d158e, 0x8002ab94, 0x8002b348, -0x7ae, -0x7b1, 0xd671ea52, 0x52f32840, 0x0cd671ea     # case 20
	routine_end
