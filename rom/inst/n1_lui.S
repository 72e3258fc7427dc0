# n1_lui: tests lui in 192 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "lui.inc"

	routine_begin 1, lui
	lui_step
# group 1: immediates 0x0000 to 0x000f
	lui_group
	lui_case 0x0000, 0x0000                                 # case 1
	lui_case 0x0001, 0x0000                                 # case 2
	lui_case 0x0002, 0x0000                                 # case 3
	lui_case 0x0003, 0x0000                                 # case 4
	lui_case 0x0004, 0x0000                                 # case 5
	lui_case 0x0005, 0x0000                                 # case 6
	lui_case 0x0006, 0x0000                                 # case 7
	lui_case 0x0007, 0x0000                                 # case 8
	lui_case 0x0008, 0x0000                                 # case 9
	lui_case 0x0009, 0x0000                                 # case 10
	lui_case 0x000a, 0x0000                                 # case 11
	lui_case 0x000b, 0x0000                                 # case 12
	lui_case 0x000c, 0x0000                                 # case 13
	lui_case 0x000d, 0x0000                                 # case 14
	lui_case 0x000e, 0x0000                                 # case 15
	lui_case 0x000f, 0x0000                                 # case 16
# group 2: immediates 0x1010 to 0x101f
	lui_group
	lui_case 0x1010, 0x1010                                 # case 17
	lui_case 0x1011, 0x1010                                 # case 18
	lui_case 0x1012, 0x1010                                 # case 19
	lui_case 0x1013, 0x1010                                 # case 20
	lui_case 0x1014, 0x1010                                 # case 21
	lui_case 0x1015, 0x1010                                 # case 22
	lui_case 0x1016, 0x1010                                 # case 23
	lui_case 0x1017, 0x1010                                 # case 24
	lui_case 0x1018, 0x1010                                 # case 25
	lui_case 0x1019, 0x1010                                 # case 26
	lui_case 0x101a, 0x1010                                 # case 27
	lui_case 0x101b, 0x1010                                 # case 28
	lui_case 0x101c, 0x1010                                 # case 29
	lui_case 0x101d, 0x1010                                 # case 30
	lui_case 0x101e, 0x1010                                 # case 31
	lui_case 0x101f, 0x1010                                 # case 32
# group 3: immediates 0x2020 to 0x202f
	lui_group
	lui_case 0x2020, 0x2020                                 # case 33
	lui_case 0x2021, 0x2020                                 # case 34
	lui_case 0x2022, 0x2020                                 # case 35
	lui_case 0x2023, 0x2020                                 # case 36
	lui_case 0x2024, 0x2020                                 # case 37
	lui_case 0x2025, 0x2020                                 # case 38
	lui_case 0x2026, 0x2020                                 # case 39
	lui_case 0x2027, 0x2020                                 # case 40
	lui_case 0x2028, 0x2020                                 # case 41
	lui_case 0x2029, 0x2020                                 # case 42
	lui_case 0x202a, 0x2020                                 # case 43
	lui_case 0x202b, 0x2020                                 # case 44
	lui_case 0x202c, 0x2020                                 # case 45
	lui_case 0x202d, 0x2020                                 # case 46
	lui_case 0x202e, 0x2020                                 # case 47
	lui_case 0x202f, 0x2020                                 # case 48
# group 4: immediates 0x3030 to 0x303f
	lui_group
	lui_case 0x3030, 0x3030                                 # case 49
	lui_case 0x3031, 0x3030                                 # case 50
	lui_case 0x3032, 0x3030                                 # case 51
	lui_case 0x3033, 0x3030                                 # case 52
	lui_case 0x3034, 0x3030                                 # case 53
	lui_case 0x3035, 0x3030                                 # case 54
	lui_case 0x3036, 0x3030                                 # case 55
	lui_case 0x3037, 0x3030                                 # case 56
	lui_case 0x3038, 0x3030                                 # case 57
	lui_case 0x3039, 0x3030                                 # case 58
	lui_case 0x303a, 0x3030                                 # case 59
	lui_case 0x303b, 0x3030                                 # case 60
	lui_case 0x303c, 0x3030                                 # case 61
	lui_case 0x303d, 0x3030                                 # case 62
	lui_case 0x303e, 0x3030                                 # case 63
	lui_case 0x303f, 0x3030                                 # case 64
# group 5: immediates 0x4040 to 0x404f
	lui_group
	lui_case 0x4040, 0x4040                                 # case 65
	lui_case 0x4041, 0x4040                                 # case 66
	lui_case 0x4042, 0x4040                                 # case 67
	lui_case 0x4043, 0x4040                                 # case 68
	lui_case 0x4044, 0x4040                                 # case 69
	lui_case 0x4045, 0x4040                                 # case 70
	lui_case 0x4046, 0x4040                                 # case 71
	lui_case 0x4047, 0x4040                                 # case 72
	lui_case 0x4048, 0x4040                                 # case 73
	lui_case 0x4049, 0x4040                                 # case 74
	lui_case 0x404a, 0x4040                                 # case 75
	lui_case 0x404b, 0x4040                                 # case 76
	lui_case 0x404c, 0x4040                                 # case 77
	lui_case 0x404d, 0x4040                                 # case 78
	lui_case 0x404e, 0x4040                                 # case 79
	lui_case 0x404f, 0x4040                                 # case 80
# group 6: immediates 0x5040 to 0x504f
	lui_group
	lui_case 0x5040, 0x5040                                 # case 81
	lui_case 0x5041, 0x5040                                 # case 82
	lui_case 0x5042, 0x5040                                 # case 83
	lui_case 0x5043, 0x5040                                 # case 84
	lui_case 0x5044, 0x5040                                 # case 85
	lui_case 0x5045, 0x5040                                 # case 86
	lui_case 0x5046, 0x5040                                 # case 87
	lui_case 0x5047, 0x5040                                 # case 88
	lui_case 0x5048, 0x5040                                 # case 89
	lui_case 0x5049, 0x5040                                 # case 90
	lui_case 0x504a, 0x5040                                 # case 91
	lui_case 0x504b, 0x5040                                 # case 92
	lui_case 0x504c, 0x5040                                 # case 93
	lui_case 0x504d, 0x5040                                 # case 94
	lui_case 0x504e, 0x5040                                 # case 95
	lui_case 0x504f, 0x5040                                 # case 96
# group 7: immediates 0x6050 to 0x605f
	lui_group
	lui_case 0x6050, 0x6050                                 # case 97
	lui_case 0x6051, 0x6050                                 # case 98
	lui_case 0x6052, 0x6050                                 # case 99
	lui_case 0x6053, 0x6050                                 # case 100
	lui_case 0x6054, 0x6050                                 # case 101
	lui_case 0x6055, 0x6050                                 # case 102
	lui_case 0x6056, 0x6050                                 # case 103
	lui_case 0x6057, 0x6050                                 # case 104
	lui_case 0x6058, 0x6050                                 # case 105
	lui_case 0x6059, 0x6050                                 # case 106
	lui_case 0x605a, 0x6050                                 # case 107
	lui_case 0x605b, 0x6050                                 # case 108
	lui_case 0x605c, 0x6050                                 # case 109
	lui_case 0x605d, 0x6050                                 # case 110
	lui_case 0x605e, 0x6050                                 # case 111
	lui_case 0x605f, 0x6050                                 # case 112
# group 8: immediates 0x8060 to 0x806f
	lui_group
	lui_case 0x8060, 0x8060                                 # case 113
	lui_case 0x8061, 0x8060                                 # case 114
	lui_case 0x8062, 0x8060                                 # case 115
	lui_case 0x8063, 0x8060                                 # case 116
	lui_case 0x8064, 0x8060                                 # case 117
	lui_case 0x8065, 0x8060                                 # case 118
	lui_case 0x8066, 0x8060                                 # case 119
	lui_case 0x8067, 0x8060                                 # case 120
	lui_case 0x8068, 0x8060                                 # case 121
	lui_case 0x8069, 0x8060                                 # case 122
	lui_case 0x806a, 0x8060                                 # case 123
	lui_case 0x806b, 0x8060                                 # case 124
	lui_case 0x806c, 0x8060                                 # case 125
	lui_case 0x806d, 0x8060                                 # case 126
	lui_case 0x806e, 0x8060                                 # case 127
	lui_case 0x806f, 0x8060                                 # case 128
# group 9: immediates 0xa070 to 0xa07f
	lui_group
	lui_case 0xa070, 0xa070                                 # case 129
	lui_case 0xa071, 0xa070                                 # case 130
	lui_case 0xa072, 0xa070                                 # case 131
	lui_case 0xa073, 0xa070                                 # case 132
	lui_case 0xa074, 0xa070                                 # case 133
	lui_case 0xa075, 0xa070                                 # case 134
	lui_case 0xa076, 0xa070                                 # case 135
	lui_case 0xa077, 0xa070                                 # case 136
	lui_case 0xa078, 0xa070                                 # case 137
	lui_case 0xa079, 0xa070                                 # case 138
	lui_case 0xa07a, 0xa070                                 # case 139
	lui_case 0xa07b, 0xa070                                 # case 140
	lui_case 0xa07c, 0xa070                                 # case 141
	lui_case 0xa07d, 0xa070                                 # case 142
	lui_case 0xa07e, 0xa070                                 # case 143
	lui_case 0xa07f, 0xa070                                 # case 144
# group 10: immediates 0xc080 to 0xc08f
	lui_group
	lui_case 0xc080, 0xc080                                 # case 145
	lui_case 0xc081, 0xc080                                 # case 146
	lui_case 0xc082, 0xc080                                 # case 147
	lui_case 0xc083, 0xc080                                 # case 148
	lui_case 0xc084, 0xc080                                 # case 149
	lui_case 0xc085, 0xc080                                 # case 150
	lui_case 0xc086, 0xc080                                 # case 151
	lui_case 0xc087, 0xc080                                 # case 152
	lui_case 0xc088, 0xc080                                 # case 153
	lui_case 0xc089, 0xc080                                 # case 154
	lui_case 0xc08a, 0xc080                                 # case 155
	lui_case 0xc08b, 0xc080                                 # case 156
	lui_case 0xc08c, 0xc080                                 # case 157
	lui_case 0xc08d, 0xc080                                 # case 158
	lui_case 0xc08e, 0xc080                                 # case 159
	lui_case 0xc08f, 0xc080                                 # case 160
# group 11: immediates 0xe090 to 0xe09f
	lui_group
	lui_case 0xe090, 0xe090                                 # case 161
	lui_case 0xe091, 0xe090                                 # case 162
	lui_case 0xe092, 0xe090                                 # case 163
	lui_case 0xe093, 0xe090                                 # case 164
	lui_case 0xe094, 0xe090                                 # case 165
	lui_case 0xe095, 0xe090                                 # case 166
	lui_case 0xe096, 0xe090                                 # case 167
	lui_case 0xe097, 0xe090                                 # case 168
	lui_case 0xe098, 0xe090                                 # case 169
	lui_case 0xe099, 0xe090                                 # case 170
	lui_case 0xe09a, 0xe090                                 # case 171
	lui_case 0xe09b, 0xe090                                 # case 172
	lui_case 0xe09c, 0xe090                                 # case 173
	lui_case 0xe09d, 0xe090                                 # case 174
	lui_case 0xe09e, 0xe090                                 # case 175
	lui_case 0xe09f, 0xe090                                 # case 176
# group 12: immediates 0xf0a0 to 0xf0af
	lui_group
	lui_case 0xf0a0, 0xf0a0                                 # case 177
	lui_case 0xf0a1, 0xf0a0                                 # case 178
	lui_case 0xf0a2, 0xf0a0                                 # case 179
	lui_case 0xf0a3, 0xf0a0                                 # case 180
	lui_case 0xf0a4, 0xf0a0                                 # case 181
	lui_case 0xf0a5, 0xf0a0                                 # case 182
	lui_case 0xf0a6, 0xf0a0                                 # case 183
	lui_case 0xf0a7, 0xf0a0                                 # case 184
	lui_case 0xf0a8, 0xf0a0                                 # case 185
	lui_case 0xf0a9, 0xf0a0                                 # case 186
	lui_case 0xf0aa, 0xf0a0                                 # case 187
	lui_case 0xf0ab, 0xf0a0                                 # case 188
	lui_case 0xf0ac, 0xf0a0                                 # case 189
	lui_case 0xf0ad, 0xf0a0                                 # case 190
	lui_case 0xf0ae, 0xf0a0                                 # case 191
	lui_case 0xf0af, 0xf0a0                                 # case 192
	routine_end
