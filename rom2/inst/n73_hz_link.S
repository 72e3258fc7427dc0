# n73_hz_link: tests link addresses read 1 to 3 instructions after they are written in 64 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "hazard.inc"

	routine_begin 73, hz_link
	addu	$s7, $zero, $ra			# the routine's return address, kept

# jal feeding every consumer at distances 1, 2 and 3
	hz_link jal, rs, 1, 0xf15f75d9          # case 1
	hz_link jal, rs, 2, 0x03a02110          # case 2
	hz_link jal, rs, 3, 0xa7b91be3          # case 3
	hz_link jal, rt, 1, 0x48161c81          # case 4
	hz_link jal, rt, 2, 0x954757fc          # case 5
	hz_link jal, rt, 3, 0x46d40037          # case 6
	hz_link jal, store, 1, 0xe558175f       # case 7
	hz_link jal, store, 2, 0x86df9c9a       # case 8
	hz_link jal, store, 3, 0x824835d9       # case 9
	hz_link jal, base, 1, 0x1005111d        # case 10
	hz_link jal, base, 2, 0xc6936cb2        # case 11
	hz_link jal, base, 3, 0x1b6100ad        # case 12
	hz_link jal, branch, 2, 0x5c6b5ee1      # case 13
	hz_link jal, branch, 3, 0x5034d13b      # case 14
	hz_link jal, jr, 2, 0x8709d4a0          # case 15
	hz_link jal, jr, 3, 0xea46c822          # case 16

# jalr feeding every consumer at distances 1, 2 and 3
	hz_link jalr, rs, 1, 0x1e4acbc9         # case 17
	hz_link jalr, rs, 2, 0x4da0bae6         # case 18
	hz_link jalr, rs, 3, 0xd234ba0e         # case 19
	hz_link jalr, rt, 1, 0x8c7126c2         # case 20
	hz_link jalr, rt, 2, 0x3f660e72         # case 21
	hz_link jalr, rt, 3, 0x14da8f65         # case 22
	hz_link jalr, store, 1, 0xb2c3fad9      # case 23
	hz_link jalr, store, 2, 0xe7e5d20a      # case 24
	hz_link jalr, store, 3, 0x30edc655      # case 25
	hz_link jalr, base, 1, 0x214fc7d3       # case 26
	hz_link jalr, base, 2, 0x56496a98       # case 27
	hz_link jalr, base, 3, 0x2189f0a0       # case 28
	hz_link jalr, branch, 2, 0x9b766fcb     # case 29
	hz_link jalr, branch, 3, 0x5acbe577     # case 30
	hz_link jalr, jr, 2, 0x956bba23         # case 31
	hz_link jalr, jr, 3, 0xc3acd670         # case 32

# bltzal feeding every consumer at distances 1, 2 and 3
	hz_link bltzal, rs, 1, 0x896e1688       # case 33
	hz_link bltzal, rs, 2, 0xf66599fc       # case 34
	hz_link bltzal, rs, 3, 0x4ad03c74       # case 35
	hz_link bltzal, rt, 1, 0x7eb0b207       # case 36
	hz_link bltzal, rt, 2, 0x9cac825f       # case 37
	hz_link bltzal, rt, 3, 0x60e4aa9b       # case 38
	hz_link bltzal, store, 1, 0x33fcf4bc    # case 39
	hz_link bltzal, store, 2, 0xd7d43b3c    # case 40
	hz_link bltzal, store, 3, 0x36cb6be0    # case 41
	hz_link bltzal, base, 1, 0x9a8683da     # case 42
	hz_link bltzal, base, 2, 0x14669421     # case 43
	hz_link bltzal, base, 3, 0x9fec8d80     # case 44
	hz_link bltzal, branch, 2, 0xb17b2b0f   # case 45
	hz_link bltzal, branch, 3, 0x54dc0a99   # case 46
	hz_link bltzal, jr, 2, 0xf50d1ea5       # case 47
	hz_link bltzal, jr, 3, 0xdef1da74       # case 48

# bgezal feeding every consumer at distances 1, 2 and 3
	hz_link bgezal, rs, 1, 0x2245c9cf       # case 49
	hz_link bgezal, rs, 2, 0x775393c2       # case 50
	hz_link bgezal, rs, 3, 0x691cf79a       # case 51
	hz_link bgezal, rt, 1, 0x10e49709       # case 52
	hz_link bgezal, rt, 2, 0xf7621992       # case 53
	hz_link bgezal, rt, 3, 0x0ee9de23       # case 54
	hz_link bgezal, store, 1, 0x2120f628    # case 55
	hz_link bgezal, store, 2, 0xc12767b8    # case 56
	hz_link bgezal, store, 3, 0x43c7b0bf    # case 57
	hz_link bgezal, base, 1, 0xfcb4f961     # case 58
	hz_link bgezal, base, 2, 0xa6cd9aa8     # case 59
	hz_link bgezal, base, 3, 0xbce454a8     # case 60
	hz_link bgezal, branch, 2, 0xcde5b357   # case 61
	hz_link bgezal, branch, 3, 0x7cfd655a   # case 62
	hz_link bgezal, jr, 2, 0xb4ee69ca       # case 63
	hz_link bgezal, jr, 3, 0x34efa31b       # case 64
	routine_end $s7
