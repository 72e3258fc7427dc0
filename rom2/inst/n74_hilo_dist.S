# n74_hilo_dist: tests mfhi and mflo at every distance in 252 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "timing.inc"

	routine_begin 74, hilo_dist
# mult, then mfhi and mflo after 0 to 40 other instructions
	hilo_after mult, 0x284f5959, 0xde22b70f, 0, 0xfaaaed7f, 0x2156db37     # case 1
	hilo_after mult, 0xcffc30cf, 0xdad96d4a, 1, 0x06f7c907, 0x25253ed6     # case 2
	hilo_after mult, 0x3a13b579, 0xad6fcde5, 2, 0xed44f96b, 0x306a3a3d     # case 3
	hilo_after mult, 0xcf9847a6, 0xc05e4bd0, 3, 0x0c0819ab, 0x17abd8e0     # case 4
	hilo_after mult, 0x5491d32e, 0xf638557e, 4, 0xfcc4e9e4, 0x70f436a4     # case 5
	hilo_after mult, 0x3ab02c28, 0x5e5038bc, 5, 0x159f1446, 0x1f892d60     # case 6
	hilo_after mult, 0xdfa1c260, 0xcedfde28, 6, 0x063619da, 0xc9759f00     # case 7
	hilo_after mult, 0xa60025b8, 0xe8657e99, 7, 0x084c4e03, 0xea3f1af8     # case 8
	hilo_after mult, 0x589eee3a, 0x2a7bbd85, 8, 0x0eb4e90d, 0x5a509622     # case 9
	hilo_after mult, 0x4f5b530d, 0x357f8124, 9, 0x10956e88, 0x12243ad4     # case 10
	hilo_after mult, 0x53e2129f, 0x04a4d229, 10, 0x018589fb, 0x4c576977    # case 11
	hilo_after mult, 0xcbde584e, 0x28cbb7cb, 11, 0xf7b141ae, 0xd049c7da    # case 12
	hilo_after mult, 0x74149bd4, 0x2744f3a2, 12, 0x11ce67af, 0xb544d828    # case 13
	hilo_after mult, 0xe65f1556, 0x57194548, 13, 0xf747c899, 0xbae42e30    # case 14
	hilo_after mult, 0xc6396b50, 0x3b6578e5, 14, 0xf298551a, 0x023a7e90    # case 15
	hilo_after mult, 0x3a0a68a3, 0x9d967cc6, 15, 0xe9b017ec, 0x353de212    # case 16
	hilo_after mult, 0xfbf5c75e, 0x333b5da9, 16, 0xff3106e2, 0x4b57c30e    # case 17
	hilo_after mult, 0x6f105518, 0x69cbc674, 17, 0x2de61af3, 0x473f1ee0    # case 18
	hilo_after mult, 0xa343f752, 0x990d4791, 18, 0x254ad804, 0xe440d372    # case 19
	hilo_after mult, 0xdade5701, 0x3b7a75ae, 19, 0xf75f7af1, 0x125c97ae    # case 20
	hilo_after mult, 0xe600e285, 0x5f6acf33, 20, 0xf64f7b62, 0xaf68ab7f    # case 21
	hilo_after mult, 0x179212e8, 0x20fc9495, 21, 0x030983d5, 0xc7532108    # case 22
	hilo_after mult, 0xae59fef5, 0x22d41793, 22, 0xf4e44ede, 0xe07969af    # case 23
	hilo_after mult, 0xd75e1ca9, 0xba7eec9e, 23, 0x0b081eed, 0x93af7c4e    # case 24
	hilo_after mult, 0x4e39e195, 0xc1cb520d, 24, 0xecfde274, 0xb9592e91    # case 25
	hilo_after mult, 0xfd7a78a7, 0x83c1734f, 25, 0x01394b48, 0xa7e54089    # case 26
	hilo_after mult, 0x04bcbcaf, 0x384d1f99, 26, 0x010ab6a0, 0xb848f597    # case 27
	hilo_after mult, 0x5826a2cb, 0x6f1d45b7, 27, 0x2642d4f7, 0xe37e161d    # case 28
	hilo_after mult, 0x3ca10311, 0x570cc373, 28, 0x149dbde0, 0xcd7653a3    # case 29
	hilo_after mult, 0xef489f01, 0xfe227fee, 29, 0x001f2e0c, 0x988751ee    # case 30
	hilo_after mult, 0xf59c7802, 0x3ff66357, 30, 0xfd6781db, 0xca818eae    # case 31
	hilo_after mult, 0xa39b0ccb, 0x238dabe6, 31, 0xf32b111b, 0x5ba81762    # case 32
	hilo_after mult, 0x7c486859, 0x2e6260e7, 32, 0x1684c583, 0x3c89884f    # case 33
	hilo_after mult, 0x3aecd493, 0x199f681e, 33, 0x05e5d1d1, 0x8069a13a    # case 34
	hilo_after mult, 0x3198ae99, 0xf156e135, 34, 0xfd28e2b1, 0x26769ead    # case 35
	hilo_after mult, 0xf8f37938, 0xc8a7cae8, 35, 0x01861eb9, 0x8dd40ac0    # case 36
	hilo_after mult, 0x538af901, 0x410ffdea, 36, 0x153b813a, 0x8d2c97ea    # case 37
	hilo_after mult, 0x55bd9e19, 0xafd74fad, 37, 0xe5271de9, 0x52ec8de5    # case 38
	hilo_after mult, 0xa2338efc, 0x94e548a8, 38, 0x273e3d2d, 0x8978b560    # case 39
	hilo_after mult, 0x2cca32cd, 0x480140c4, 39, 0x0c991668, 0xb24f24f4    # case 40
	hilo_after mult, 0xdd189636, 0x7854ec91, 40, 0xef97f239, 0x7f1edc96    # case 41

# multu, then mfhi and mflo after 0 to 40 other instructions
	hilo_after multu, 0x87555fff, 0xb7f6494a, 0, 0x61403a67, 0xff1776b6    # case 42
	hilo_after multu, 0xf9d51111, 0x1ef4d3ea, 1, 0x1e35e5e3, 0x3c069c8a    # case 43
	hilo_after multu, 0xcc2dfc1b, 0x07a8656a, 2, 0x061b90f4, 0xde390a2e    # case 44
	hilo_after multu, 0xf7182992, 0xdda4fe5a, 3, 0xd5ef1cde, 0x83457954    # case 45
	hilo_after multu, 0x0838680f, 0x334d16e8, 4, 0x01a5b66e, 0x95929798    # case 46
	hilo_after multu, 0x20ea87f5, 0x86056f4f, 5, 0x113b760e, 0xbf1c2f9b    # case 47
	hilo_after multu, 0x6e203544, 0x690142b0, 6, 0x2d2bc0a9, 0x1d2426c0    # case 48
	hilo_after multu, 0xdb065955, 0x77862e3f, 7, 0x6642c06a, 0x501b41eb    # case 49
	hilo_after multu, 0xf40fc7d1, 0x86211206, 8, 0x7fdfc9ce, 0xfc5c60e6    # case 50
	hilo_after multu, 0x03e26b5d, 0x6d160821, 9, 0x01a7bd4b, 0x6688befd    # case 51
	hilo_after multu, 0xdff24e3a, 0x3a1b241f, 10, 0x32d4a3e0, 0x9575a106   # case 52
	hilo_after multu, 0x66bae94f, 0x7fa2f581, 11, 0x33381e8a, 0x7a762bcf   # case 53
	hilo_after multu, 0x356d3974, 0xa2e2c032, 12, 0x21fe70e4, 0x7ad438a8   # case 54
	hilo_after multu, 0x6b5d6bdb, 0x7dca0b3c, 13, 0x34c15a17, 0x3755b054   # case 55
	hilo_after multu, 0x0fabe35a, 0x7493807d, 14, 0x0722ea95, 0xed4902f2   # case 56
	hilo_after multu, 0x5975cb88, 0xc5e216d1, 15, 0x4526a796, 0x7eb8da08   # case 57
	hilo_after multu, 0x051e039a, 0x7d916ffa, 16, 0x02828fff, 0x3f194a64   # case 58
	hilo_after multu, 0x043f4269, 0xc16e112e, 17, 0x03358488, 0xa8e4e7de   # case 59
	hilo_after multu, 0x776fab0f, 0x776a3d3d, 18, 0x37b67952, 0xde945593   # case 60
	hilo_after multu, 0x3e271f39, 0xb7020304, 19, 0x2c6e745b, 0x6b6c27e4   # case 61
	hilo_after multu, 0x85e547e0, 0xf40c33ed, 20, 0x7fa4ea69, 0x81152a60   # case 62
	hilo_after multu, 0x83f10ef5, 0x2b264b18, 21, 0x163d39ff, 0x5d592df8   # case 63
	hilo_after multu, 0x33fdd9da, 0xbc0e2ca1, 22, 0x26314cee, 0x56037a1a   # case 64
	hilo_after multu, 0x88da96ae, 0xa24e67e6, 23, 0x56c43d7e, 0xec076254   # case 65
	hilo_after multu, 0x826b7e15, 0x6e232051, 24, 0x381c1555, 0xf6a484a5   # case 66
	hilo_after multu, 0x62f05e5f, 0xe8f2b5e4, 25, 0x5a07a30b, 0x5e9b379c   # case 67
	hilo_after multu, 0x02ca430f, 0xb26c5727, 26, 0x01f1d0e7, 0xe1ee5049   # case 68
	hilo_after multu, 0x850ed3b9, 0x81ecf054, 27, 0x43879f44, 0xf6e6e8b4   # case 69
	hilo_after multu, 0x47fb64fd, 0x1eab66ef, 28, 0x089fa7b3, 0x78ef1633   # case 70
	hilo_after multu, 0xafb3d8a6, 0x36799fc0, 29, 0x25636958, 0xe4e79680   # case 71
	hilo_after multu, 0x251e1562, 0xd9a30b1c, 30, 0x1f8e23e4, 0x099b8cb8   # case 72
	hilo_after multu, 0x986c97d8, 0x63f754e7, 31, 0x3b85420c, 0x3537e3e8   # case 73
	hilo_after multu, 0x74baf144, 0x40583570, 32, 0x1d56f4f1, 0xb51ca1c0   # case 74
	hilo_after multu, 0x33d32e76, 0xba28a4df, 33, 0x25afaa21, 0x6d2910ca   # case 75
	hilo_after multu, 0x7177878d, 0x7e6f3c12, 34, 0x380a222b, 0x2a4f93ea   # case 76
	hilo_after multu, 0xe3a1e35f, 0x73ab5ede, 35, 0x66da1aa1, 0x65550e62   # case 77
	hilo_after multu, 0x48dcf3a9, 0xc7da5734, 36, 0x38e1e661, 0xc099ed54   # case 78
	hilo_after multu, 0xde9f447f, 0x01350fdd, 37, 0x010cc409, 0x31cc92a3   # case 79
	hilo_after multu, 0x79b198c8, 0xbe507c59, 38, 0x5a781200, 0x833efd88   # case 80
	hilo_after multu, 0x899ccacd, 0xdc43a549, 39, 0x76671b2a, 0x8c12f575   # case 81
	hilo_after multu, 0xea674051, 0xcfac6815, 40, 0xbe2759ad, 0xe2052ea5   # case 82

# div, then mfhi and mflo after 0 to 40 other instructions
	hilo_after div, 0x6c27f284, 0x00001489, 0, 0x00000f2b, 0x00054451      # case 83
	hilo_after div, 0xbb59e441, 0x00000460, 1, 0xfffffe41, 0xfff04f10      # case 84
	hilo_after div, 0xaf93fd32, 0x0022a44a, 2, 0xfff530e6, 0xfffffdae      # case 85
	hilo_after div, 0x4edd14e6, 0x000856be, 3, 0x0000c210, 0x00000975      # case 86
	hilo_after div, 0x3b75108f, 0x0001758b, 4, 0x0000a5da, 0x000028bf      # case 87
	hilo_after div, 0x4eb9298f, 0x05673820, 5, 0x031417cf, 0x0000000e      # case 88
	hilo_after div, 0x058f68be, 0x0000341f, 6, 0x00000e2d, 0x00001b4f      # case 89
	hilo_after div, 0x6e55fa0a, 0x00011d25, 7, 0x00011304, 0x0000630e      # case 90
	hilo_after div, 0xcc86941b, 0x000002c9, 8, 0xfffffd90, 0xffed84b3      # case 91
	hilo_after div, 0x8e88271e, 0x0000025f, 9, 0xffffff0c, 0xffd0252e      # case 92
	hilo_after div, 0x0491fb5d, 0x00010998, 10, 0x0000bf35, 0x00000467     # case 93
	hilo_after div, 0x0541f257, 0x0001e392, 11, 0x00010447, 0x000002c8     # case 94
	hilo_after div, 0x757c211c, 0x0000035f, 12, 0x00000201, 0x0022d9c5     # case 95
	hilo_after div, 0x1f5547e6, 0x0000703a, 13, 0x0000267c, 0x00004779     # case 96
	hilo_after div, 0x46d8783c, 0x00000677, 14, 0x000001d2, 0x000af566     # case 97
	hilo_after div, 0xff592306, 0x00000137, 15, 0xffffff5c, 0xffff76a6     # case 98
	hilo_after div, 0xaa22e3ff, 0x0005ca60, 16, 0xffffbb7f, 0xfffff12c     # case 99
	hilo_after div, 0xa43aae2c, 0x3ebc1caf, 17, 0xe2f6cadb, 0xffffffff     # case 100
	hilo_after div, 0x6e40dea8, 0x000616e2, 18, 0x000090d2, 0x0000121b     # case 101
	hilo_after div, 0xdb631432, 0x003947d9, 19, 0xffdbd35d, 0xffffff5d     # case 102
	hilo_after div, 0x4fffa5ce, 0x02e5ea1c, 20, 0x01bff4da, 0x0000001b     # case 103
	hilo_after div, 0xdcce9487, 0x063bf62d, 21, 0xfbfa6368, 0xfffffffb     # case 104
	hilo_after div, 0xc482829d, 0x00000264, 22, 0xffffff01, 0xffe71d7f     # case 105
	hilo_after div, 0xa9e6becd, 0x00104289, 23, 0xfff6e9f0, 0xfffffab5     # case 106
	hilo_after div, 0xac83f584, 0xbb76d3b9, 24, 0xf10d21cb, 0x00000001     # case 107
	hilo_after div, 0xd2baac2b, 0x000dd117, 25, 0xfff51d75, 0xfffffcba     # case 108
	hilo_after div, 0x76fcce93, 0x00000005, 26, 0x00000003, 0x17cc2950     # case 109
	hilo_after div, 0x83e695be, 0x06e45a96, 27, 0xfff4f44a, 0xffffffee     # case 110
	hilo_after div, 0xa2f9484a, 0x0000221a, 28, 0xffffe53a, 0xfffd45a8     # case 111
	hilo_after div, 0x973a87f0, 0x00001dd0, 29, 0xffffffb0, 0xfffc7c54     # case 112
	hilo_after div, 0x6dd4f8c2, 0x00003310, 30, 0x00001592, 0x000226a3     # case 113
	hilo_after div, 0x5b165a2e, 0x0001aafb, 31, 0x0001373a, 0x0000369c     # case 114
	hilo_after div, 0x80211bb0, 0x000010ed, 32, 0xfffff73e, 0xfff871fa     # case 115
	hilo_after div, 0xf1f25f26, 0x03dfdf98, 33, 0xfd91fdee, 0xfffffffd     # case 116
	hilo_after div, 0x375c0c1d, 0x0002cf1c, 34, 0x00008951, 0x000013b5     # case 117
	hilo_after div, 0xe5782652, 0x0007aaef, 35, 0xfffa128d, 0xfffffc8b     # case 118
	hilo_after div, 0x8ea6c1cf, 0x0000002b, 36, 0xffffffea, 0xfd5d2e2f     # case 119
	hilo_after div, 0x4d340e46, 0x00f84fe1, 37, 0x009367d7, 0x0000004f     # case 120
	hilo_after div, 0xec814178, 0x00008116, 38, 0xffffbcfe, 0xffffd957     # case 121
	hilo_after div, 0xd06e00f3, 0x014b304e, 39, 0xff00cbeb, 0xffffffdc     # case 122
	hilo_after div, 0x4fda1456, 0x0d87193d, 40, 0x0c369625, 0x00000005     # case 123

# divu, then mfhi and mflo after 0 to 40 other instructions
	hilo_after divu, 0xeffe092c, 0x000cb633, 0, 0x00025059, 0x000012e1     # case 124
	hilo_after divu, 0x996c2824, 0x000007e7, 1, 0x000006d4, 0x00136a30     # case 125
	hilo_after divu, 0xdbc8dc58, 0x00078a6f, 2, 0x0003474d, 0x00001d25     # case 126
	hilo_after divu, 0x7cb27a00, 0xcacb6ca8, 3, 0x7cb27a00, 0x00000000     # case 127
	hilo_after divu, 0xf0d67cf2, 0x017e7146, 4, 0x00513fec, 0x000000a1     # case 128
	hilo_after divu, 0x606d777b, 0x00001d14, 5, 0x000011cf, 0x000350ef     # case 129
	hilo_after divu, 0xfe1a0330, 0x0084e8a8, 6, 0x00399a48, 0x000001e9     # case 130
	hilo_after divu, 0x2f7a5fa1, 0x0e4f7e64, 7, 0x048be475, 0x00000003     # case 131
	hilo_after divu, 0xd0c8c229, 0x00aef65f, 8, 0x00553afa, 0x00000131     # case 132
	hilo_after divu, 0xaf513887, 0x00000036, 9, 0x00000015, 0x033f223b     # case 133
	hilo_after divu, 0xdd93297b, 0x002df88b, 10, 0x00291400, 0x000004d1    # case 134
	hilo_after divu, 0xd91241f5, 0x0000012e, 11, 0x00000117, 0x00b801e9    # case 135
	hilo_after divu, 0x66823e94, 0x308f6276, 12, 0x056379a8, 0x00000002    # case 136
	hilo_after divu, 0xf70d1b8f, 0x00000170, 13, 0x0000010f, 0x00abdc98    # case 137
	hilo_after divu, 0xd9ea3c05, 0x00013f15, 14, 0x0000798c, 0x0000aed5    # case 138
	hilo_after divu, 0x334e5e8d, 0x00002701, 15, 0x00001bcf, 0x000150be    # case 139
	hilo_after divu, 0xa0443184, 0x0000001a, 16, 0x0000000e, 0x062a01e7    # case 140
	hilo_after divu, 0xf2d86990, 0x00001b9f, 17, 0x00000512, 0x0008cac2    # case 141
	hilo_after divu, 0x2746507a, 0x0002df6c, 18, 0x00029756, 0x00000dab    # case 142
	hilo_after divu, 0x29f4760f, 0xac00447d, 19, 0x29f4760f, 0x00000000    # case 143
	hilo_after divu, 0x87b2443e, 0x00be8062, 20, 0x0042fe92, 0x000000b6    # case 144
	hilo_after divu, 0x429f0d1e, 0x000003b3, 21, 0x00000168, 0x00120272    # case 145
	hilo_after divu, 0x6fff95a1, 0x00000008, 22, 0x00000001, 0x0dfff2b4    # case 146
	hilo_after divu, 0x0abe56e3, 0x0c84a098, 23, 0x0abe56e3, 0x00000000    # case 147
	hilo_after divu, 0xd4c52fbb, 0x0039b1e1, 24, 0x0005420b, 0x000003b0    # case 148
	hilo_after divu, 0xb24a5f0c, 0x37ddae64, 25, 0x0ab153e0, 0x00000003    # case 149
	hilo_after divu, 0xb95e271d, 0x00000ac9, 26, 0x00000352, 0x00112ff3    # case 150
	hilo_after divu, 0x26e5b51a, 0x00000052, 27, 0x00000006, 0x00796f7a    # case 151
	hilo_after divu, 0x3bcaef3e, 0x00000001, 28, 0x00000000, 0x3bcaef3e    # case 152
	hilo_after divu, 0xcd1d3d49, 0x00000026, 29, 0x00000011, 0x0565d274    # case 153
	hilo_after divu, 0xfbc42b49, 0x07b07f92, 30, 0x05b43909, 0x00000020    # case 154
	hilo_after divu, 0x5ba00f60, 0x00003c07, 31, 0x00002419, 0x000186c1    # case 155
	hilo_after divu, 0x0e15e86f, 0x01337ad0, 32, 0x00dfa17f, 0x0000000b    # case 156
	hilo_after divu, 0x9c314b82, 0x002fa2af, 33, 0x00131ff9, 0x00000347    # case 157
	hilo_after divu, 0xffbac017, 0x0913f716, 34, 0x018bb9af, 0x0000001c    # case 158
	hilo_after divu, 0x41358c47, 0x000386a3, 35, 0x0001d20d, 0x0000127e    # case 159
	hilo_after divu, 0xe66cb2ae, 0x00469bc7, 36, 0x001e9899, 0x00000343    # case 160
	hilo_after divu, 0x10049f62, 0x000003f5, 37, 0x00000285, 0x00040c49    # case 161
	hilo_after divu, 0x235847cc, 0x30729275, 38, 0x235847cc, 0x00000000    # case 162
	hilo_after divu, 0xfd704293, 0x000003a9, 39, 0x00000064, 0x00453e17    # case 163
	hilo_after divu, 0xa70a75a1, 0x00000a80, 40, 0x00000521, 0x000fe89d    # case 164

# mthi, then mfhi after 0 to 40 other instructions
	hilo_move mthi, 0x4eaef286, 0                                          # case 165
	hilo_move mthi, 0xecd7f576, 1                                          # case 166
	hilo_move mthi, 0x569359fb, 2                                          # case 167
	hilo_move mthi, 0x2fa32db0, 3                                          # case 168
	hilo_move mthi, 0xce7145f9, 4                                          # case 169
	hilo_move mthi, 0x95f81f1c, 5                                          # case 170
	hilo_move mthi, 0xee4de277, 6                                          # case 171
	hilo_move mthi, 0x00a3aeb3, 7                                          # case 172
	hilo_move mthi, 0x3a6aa5af, 8                                          # case 173
	hilo_move mthi, 0x5fb46162, 9                                          # case 174
	hilo_move mthi, 0x64fdd2e4, 10                                         # case 175
	hilo_move mthi, 0x81f27751, 11                                         # case 176
	hilo_move mthi, 0xb01f9539, 12                                         # case 177
	hilo_move mthi, 0x664033cf, 13                                         # case 178
	hilo_move mthi, 0x0d0a702f, 14                                         # case 179
	hilo_move mthi, 0x33870adb, 15                                         # case 180
	hilo_move mthi, 0x4263bbf7, 16                                         # case 181
	hilo_move mthi, 0x64bf9e10, 17                                         # case 182
	hilo_move mthi, 0xb0d828d8, 18                                         # case 183
	hilo_move mthi, 0x792dedf3, 19                                         # case 184
	hilo_move mthi, 0x85fbb566, 20                                         # case 185
	hilo_move mthi, 0x12e0509c, 21                                         # case 186
	hilo_move mthi, 0x3f6e90f0, 22                                         # case 187
	hilo_move mthi, 0xc7c6c681, 23                                         # case 188
	hilo_move mthi, 0xacf01e0c, 24                                         # case 189
	hilo_move mthi, 0xfa8eee2c, 25                                         # case 190
	hilo_move mthi, 0xe24b181e, 26                                         # case 191
	hilo_move mthi, 0x79df4065, 27                                         # case 192
	hilo_move mthi, 0x5e9d11a5, 28                                         # case 193
	hilo_move mthi, 0xa48a78b7, 29                                         # case 194
	hilo_move mthi, 0x24ed331f, 30                                         # case 195
	hilo_move mthi, 0xcd5a9dfe, 31                                         # case 196
	hilo_move mthi, 0x5baf67ed, 32                                         # case 197
	hilo_move mthi, 0x46f9d508, 33                                         # case 198
	hilo_move mthi, 0x3831e534, 34                                         # case 199
	hilo_move mthi, 0x2ec8d212, 35                                         # case 200
	hilo_move mthi, 0x3847a289, 36                                         # case 201
	hilo_move mthi, 0x75f809f7, 37                                         # case 202
	hilo_move mthi, 0xdf495c69, 38                                         # case 203
	hilo_move mthi, 0x2c3af916, 39                                         # case 204
	hilo_move mthi, 0xd29908ec, 40                                         # case 205

# mtlo, then mflo after 0 to 40 other instructions
	hilo_move mtlo, 0x57d2ef57, 0                                          # case 206
	hilo_move mtlo, 0x0a12f2e3, 1                                          # case 207
	hilo_move mtlo, 0x86847534, 2                                          # case 208
	hilo_move mtlo, 0x3987d35a, 3                                          # case 209
	hilo_move mtlo, 0x61731a8b, 4                                          # case 210
	hilo_move mtlo, 0xae7d9d14, 5                                          # case 211
	hilo_move mtlo, 0xe78dc416, 6                                          # case 212
	hilo_move mtlo, 0x226bc33f, 7                                          # case 213
	hilo_move mtlo, 0x0f7860b3, 8                                          # case 214
	hilo_move mtlo, 0x2fd4bd69, 9                                          # case 215
	hilo_move mtlo, 0x806960b0, 10                                         # case 216
	hilo_move mtlo, 0x3bb64983, 11                                         # case 217
	hilo_move mtlo, 0xb69f9a28, 12                                         # case 218
	hilo_move mtlo, 0x84999a34, 13                                         # case 219
	hilo_move mtlo, 0xb1d7a4f8, 14                                         # case 220
	hilo_move mtlo, 0xb56bd6b8, 15                                         # case 221
	hilo_move mtlo, 0xf0239d13, 16                                         # case 222
	hilo_move mtlo, 0xc92049c0, 17                                         # case 223
	hilo_move mtlo, 0x3b7e28a6, 18                                         # case 224
	hilo_move mtlo, 0x8ea2b946, 19                                         # case 225
	hilo_move mtlo, 0x7eb82aae, 20                                         # case 226
	hilo_move mtlo, 0xd808822e, 21                                         # case 227
	hilo_move mtlo, 0x55862bf2, 22                                         # case 228
	hilo_move mtlo, 0x4492d890, 23                                         # case 229
	hilo_move mtlo, 0x247c1a5d, 24                                         # case 230
	hilo_move mtlo, 0xe8f62bc6, 25                                         # case 231
	hilo_move mtlo, 0x4527f89f, 26                                         # case 232
	hilo_move mtlo, 0xbb4c8e2c, 27                                         # case 233
	hilo_move mtlo, 0x7fbfa575, 28                                         # case 234
	hilo_move mtlo, 0x78d20bc7, 29                                         # case 235
	hilo_move mtlo, 0xcd1741d2, 30                                         # case 236
	hilo_move mtlo, 0xf7982756, 31                                         # case 237
	hilo_move mtlo, 0x84e7f784, 32                                         # case 238
	hilo_move mtlo, 0x87ce74fa, 33                                         # case 239
	hilo_move mtlo, 0x3e1a4e18, 34                                         # case 240
	hilo_move mtlo, 0xb4e3ea91, 35                                         # case 241
	hilo_move mtlo, 0xcb5f479c, 36                                         # case 242
	hilo_move mtlo, 0x4abfd3fb, 37                                         # case 243
	hilo_move mtlo, 0x0f4db599, 38                                         # case 244
	hilo_move mtlo, 0x04ad0d31, 39                                         # case 245
	hilo_move mtlo, 0xdfd27c01, 40                                         # case 246

# mthi of 0 over a non-zero value, then mfhi after 0 to 2 others
	hilo_zero mthi, 0x583a79a3, 0                                          # case 247
	hilo_zero mthi, 0xff4f6f99, 1                                          # case 248
	hilo_zero mthi, 0x5fc6d697, 2                                          # case 249

# mtlo of 0 over a non-zero value, then mflo after 0 to 2 others
	hilo_zero mtlo, 0xf0fd6de3, 0                                          # case 250
	hilo_zero mtlo, 0xd39b5b4b, 1                                          # case 251
	hilo_zero mtlo, 0x9b584273, 2                                          # case 252
	routine_end
