# n67_swl: tests swl in 20 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "bytes.inc"
	.include "partial.inc"

	routine_begin 67, swl
# every alignment: the stored bytes merged into the word, neighbours unchanged
	pw_store swl, 0x4f514952, 0x800200e8, 0x8001b93d, 0x47ab, 0x8e0797f0, 0x4f51498e                                               # case 1
	pw_store swl, 0xc504d025, 0x8001c8f4, 0x8001d185, -0x891, 0x0dc36b58, 0xc504d00d                                               # case 2
	pw_store swl, 0xb1b193de, 0x80037ce4, 0x8003e891, -0x6bad, 0x1ccfa10d, 0xb1b1931c                                              # case 3
	pw_store swl, 0x392ef8ee, 0x8002f7d0, 0x8002a0ea, 0x56e7, 0xecd0e11e, 0x392eecd0                                               # case 4
	pw_store swl, 0x90e56118, 0x8002175c, 0x8001a423, 0x733a, 0x26b7a6c9, 0x90e526b7                                               # case 5
	pw_store swl, 0x149f4aec, 0x80030ce0, 0x80038929, -0x7c48, 0x3b607dad, 0x149f3b60                                              # case 6
	pw_store swl, 0x6db18b22, 0x80027640, 0x8002a69b, -0x3059, 0x7619ccbf, 0x6d7619cc                                              # case 7
	pw_store swl, 0xcaadf182, 0x80037758, 0x8003dd8c, -0x6632, 0x3a0bc204, 0xca3a0bc2                                              # case 8
	pw_store swl, 0x477161d8, 0x80020ddc, 0x8001e849, 0x2595, 0xfdaea815, 0x47fdaea8                                               # case 9
	pw_store swl, 0xe51a873f, 0x80037f90, 0x8003ad0e, -0x2d7b, 0x04164ebd, 0x04164ebd                                              # case 10
	pw_store swl, 0x8521fb94, 0x8002c9bc, 0x80028345, 0x467a, 0xaa9de1a2, 0xaa9de1a2                                               # case 11
	pw_store swl, 0xa0228a27, 0x80031dfc, 0x80039082, -0x7283, 0xc45b07c1, 0xc45b07c1                                              # case 12

# the word at every alignment: swr, then at once swl
	pw_pair_store swr, swl, 0x8bfc9b1e, 0xdbf8950b, 0x80014460, 0x8000cfe5, 0x747b, 0x747e, 0x18adb1e5, 0x18adb1e5, 0xdbf8950b     # case 13
	pw_pair_store swr, swl, 0xb8921267, 0x73d2c680, 0x80033440, 0x8003b0e9, -0x7ca9, -0x7ca6, 0xb17dbc32, 0xb17dbc32, 0x73d2c680   # case 14
	pw_pair_store swr, swl, 0x9b3d7f4c, 0x36541c1a, 0x80022624, 0x8001ecb6, 0x396f, 0x3972, 0x6f0bb2d2, 0x0bb2d24c, 0x36541c6f     # case 15
	pw_pair_store swr, swl, 0x9f09e62a, 0xb115aca7, 0x80026fc8, 0x8002aea5, -0x3edc, -0x3ed9, 0x3a67cf27, 0x67cf272a, 0xb115ac3a   # case 16
	pw_pair_store swr, swl, 0xda2bd196, 0x550fcd25, 0x8001e3e0, 0x800213db, -0x2ff9, -0x2ff6, 0xc5bd8739, 0x8739d196, 0x550fc5bd   # case 17
	pw_pair_store swr, swl, 0xf786a899, 0xc653f793, 0x8001cd34, 0x8001db2f, -0xdf9, -0xdf6, 0xa789b7e8, 0xb7e8a899, 0xc653a789     # case 18
	pw_pair_store swr, swl, 0x94c19794, 0xdd1cfa9f, 0x8003c5e8, 0x8003b92c, 0xcbf, 0xcc2, 0x84558251, 0x51c19794, 0xdd845582       # case 19
	pw_pair_store swr, swl, 0x578f634b, 0x8737f167, 0x8003dab8, 0x8003dcf5, -0x23a, -0x237, 0x71d953fa, 0xfa8f634b, 0x8771d953     # case 20
	routine_end
