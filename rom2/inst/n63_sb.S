# n63_sb: tests sb in 28 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "bytes.inc"

	routine_begin 63, sb
# every lane, the stored value's top bit 0 and 1, both displacement signs; the other bytes and the neighbour words unchanged
	st_case sb, 0x989c2e37, 0x800287f4, 0x80024144, 0x46b0, 0x0e3e6f64, 0x989c2e64                                          # case 1
	st_case sb, 0x4054c404, 0x80030e74, 0x80035e66, -0x4ff2, 0xf4b1ff34, 0x4054c434                                         # case 2
	st_case sb, 0xbe3c1329, 0x80018328, 0x80017231, 0x10f7, 0x3e3a58e6, 0xbe3c13e6                                          # case 3
	st_case sb, 0xb34f4e60, 0x8003d0d4, 0x8003f339, -0x2265, 0x84c305c4, 0xb34f4ec4                                         # case 4
	st_case sb, 0xd5eab05e, 0x80023140, 0x8001e333, 0x4e0e, 0x992b4644, 0xd5ea445e                                          # case 5
	st_case sb, 0x4530ed7c, 0x8002bed8, 0x8002dec6, -0x1fed, 0x693c1905, 0x4530057c                                         # case 6
	st_case sb, 0x96218846, 0x8002c5a4, 0x8002bad3, 0xad2, 0xf8ae50a9, 0x9621a946                                           # case 7
	st_case sb, 0xa2d50cf4, 0x8003a150, 0x800417e6, -0x7695, 0x5382cbc1, 0xa2d5c1f4                                         # case 8
	st_case sb, 0x70ee49ee, 0x80014610, 0x80013b1a, 0xaf8, 0xd9e27d41, 0x704149ee                                           # case 9
	st_case sb, 0xce41724b, 0x8003a780, 0x800404d7, -0x5d55, 0x638cbb60, 0xce60724b                                         # case 10
	st_case sb, 0xc4ad99b6, 0x800257d8, 0x8001da4c, 0x7d8e, 0x347522c7, 0xc4c799b6                                          # case 11
	st_case sb, 0xa928661e, 0x80032460, 0x80033631, -0x11cf, 0xcc15aaa8, 0xa9a8661e                                         # case 12
	st_case sb, 0xe8eab4cc, 0x800253d0, 0x8001f35c, 0x6077, 0x89b8671a, 0x1aeab4cc                                          # case 13
	st_case sb, 0xff41e4e1, 0x80019098, 0x8001db54, -0x4ab9, 0x85d2fc42, 0x4241e4e1                                         # case 14
	st_case sb, 0x2cc5bcdb, 0x80029318, 0x80023295, 0x6086, 0x2dca1fe7, 0xe7c5bcdb                                          # case 15
	st_case sb, 0xc0e89a9c, 0x8001e17c, 0x80023e58, -0x5cd9, 0xccce68a5, 0xa5e89a9c                                         # case 16

# the store in the delay slot of a taken branch
	st_slot sb, 0x713a37ca, 0x80021c54, 0x800201a5, 0x1aaf, 0xb390cebf, 0x713a37bf                                          # case 17
	st_slot sb, 0x484198c4, 0x800343a0, 0x80039a45, -0x56a4, 0x0a639161, 0x484161c4                                         # case 18
	st_slot sb, 0x48e404e2, 0x8003be18, 0x8003811b, 0x3cff, 0x54e2baea, 0x48ea04e2                                          # case 19
	st_slot sb, 0xbfc78774, 0x800366c4, 0x800366dc, -0x15, 0xf577a74a, 0x4ac78774                                           # case 20

# at once a load of the stored address and one of the other lane beside it
	st_load sb, lbu, 0x5cae4512, 0x8001f460, 0x8001f25e, 0x202, 0x5e92b54b, 0x5cae454b, 0x0000004b, 0x203, 0x00000045       # case 21
	st_load sb, lbu, 0x0a636480, 0x80013cd4, 0x800115be, 0x2717, 0xbcff8f19, 0x0a631980, 0x00000019, 0x2716, 0x00000080     # case 22
	st_load sb, lbu, 0x8a9cda5e, 0x8003875c, 0x8003e49d, -0x5d3f, 0x129798ab, 0x8aabda5e, 0x000000ab, -0x5d3e, 0x0000008a   # case 23
	st_load sb, lbu, 0x47554df6, 0x80030484, 0x800355d5, -0x514e, 0xe5b32e43, 0x43554df6, 0x00000043, -0x514f, 0x00000055   # case 24

# the word stored as 0 by sw over its complement first: the store then changes a word of zeros
	st_over sb, 0x00000000, 0x800246ec, 0x800258ed, -0x1201, 0x868f92af, 0x000000af                                         # case 25
	st_over sb, 0x00000000, 0x80022400, 0x80021bfc, 0x805, 0x1e4832f2, 0x0000f200                                           # case 26
	st_over sb, 0x00000000, 0x8002da74, 0x8003529b, -0x7825, 0x4e1ea538, 0x00380000                                         # case 27
	st_over sb, 0x00000000, 0x8003a734, 0x80036040, 0x46f7, 0xd26e9846, 0x46000000                                          # case 28
	routine_end
