# n64_sh: tests sh in 22 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "bytes.inc"

	routine_begin 64, sh
# every lane, the stored value's top bit 0 and 1, both displacement signs; the other bytes and the neighbour words unchanged
	st_case sh, 0x06823043, 0x8003bee8, 0x80034ce4, 0x7204, 0x07951d3c, 0x06821d3c                                          # case 1
	st_case sh, 0xe95409cd, 0x8002a128, 0x80022907, 0x7821, 0x84b80997, 0xe9540997                                          # case 2
	st_case sh, 0x911f2014, 0x8003274c, 0x80038a0f, -0x62c3, 0x6e154acf, 0x911f4acf                                         # case 3
	st_case sh, 0x5a4df7f7, 0x80025ddc, 0x8002bc0a, -0x5e2e, 0x9d493101, 0x5a4d3101                                         # case 4
	st_case sh, 0x997f23ae, 0x800240ac, 0x800208c1, 0x37eb, 0xec7285da, 0x997f85da                                          # case 5
	st_case sh, 0x009797a7, 0x800295d0, 0x80025b56, 0x3a7a, 0xf5e2a91c, 0x0097a91c                                          # case 6
	st_case sh, 0x8909952c, 0x80023e54, 0x80024857, -0xa03, 0x91d0a9b4, 0x8909a9b4                                          # case 7
	st_case sh, 0x8808e6ef, 0x8001e33c, 0x800247ec, -0x64b0, 0x1c30e6d8, 0x8808e6d8                                         # case 8
	st_case sh, 0x7fcc659d, 0x8003d0ac, 0x8003a07f, 0x302f, 0x0c006c87, 0x6c87659d                                          # case 9
	st_case sh, 0x193942df, 0x8002275c, 0x8001e9f0, 0x3d6e, 0xeb914a05, 0x4a0542df                                          # case 10
	st_case sh, 0x27cef973, 0x80011bd4, 0x80014730, -0x2b5a, 0xecc870c4, 0x70c4f973                                         # case 11
	st_case sh, 0x82d39a31, 0x8001be38, 0x8001f00f, -0x31d5, 0xbc1861cd, 0x61cd9a31                                         # case 12
	st_case sh, 0x16115e8b, 0x800393dc, 0x80036bf0, 0x27ee, 0x0f09ee54, 0xee545e8b                                          # case 13
	st_case sh, 0x7dbef5e1, 0x80017e44, 0x80014fae, 0x2e98, 0x28b4b059, 0xb059f5e1                                          # case 14
	st_case sh, 0x8c890f80, 0x8001cae4, 0x80022f09, -0x6423, 0x0159dd78, 0xdd780f80                                         # case 15
	st_case sh, 0x5daf954d, 0x8001a544, 0x8001f211, -0x4ccb, 0xeaa18cf4, 0x8cf4954d                                         # case 16

# the store in the delay slot of a taken branch
	st_slot sh, 0xc873c06d, 0x8003ee88, 0x8003da33, 0x1455, 0x5858cf09, 0xc873cf09                                          # case 17
	st_slot sh, 0xcb237140, 0x80019f3c, 0x800142b8, 0x5c86, 0xa7688389, 0x83897140                                          # case 18

# at once a load of the stored address and one of the other lane beside it
	st_load sh, lhu, 0xdd95d6ff, 0x8002c5d0, 0x8002a54a, 0x2086, 0xde8a14ae, 0xdd9514ae, 0x000014ae, 0x2088, 0x0000dd95     # case 19
	st_load sh, lhu, 0x234270ec, 0x8003fe14, 0x80045567, -0x5751, 0x48b6df6e, 0xdf6e70ec, 0x0000df6e, -0x5753, 0x000070ec   # case 20

# the word stored as 0 by sw over its complement first: the store then changes a word of zeros
	st_over sh, 0x00000000, 0x800386d4, 0x8003da48, -0x5374, 0xe5d243b4, 0x000043b4                                         # case 21
	st_over sh, 0x00000000, 0x80014d10, 0x8001b280, -0x656e, 0xb33a7b47, 0x7b470000                                         # case 22
	routine_end
