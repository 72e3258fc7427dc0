# n76_cp0: tests mfc0, mtc0 and rfe in 33 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "cp0.inc"

	routine_begin 76, cp0
# Status: the writable bits read back (kernel mode and BEV kept)
	c0_status 0xa9d9c785, 0xa040c705   # case 1
	c0_status 0x6dde1b6c, 0x60401b2c   # case 2
	c0_status 0x10cde979, 0x1040e939   # case 3
	c0_status 0x17e7034c, 0x1040030c   # case 4
	c0_status 0x6b5ab5b8, 0x6040b538   # case 5
	c0_status 0x4872bcb5, 0x4040bc35   # case 6
	c0_status 0x3adf7ea9, 0x30407e29   # case 7
	c0_status 0xf1753168, 0xf0403128   # case 8

# Cause: only bits 9:8 written
	c0_cause 0xffffffff                # case 9
	c0_cause 0x00000100                # case 10
	c0_cause 0x00000200                # case 11
	c0_cause 0xd1460527                # case 12

# BadVAddr, EPC and PRId ignore mtc0; PRId's value
	c0_fixed $8, 0x3debed00            # case 13
	c0_fixed $8, 0x20b8f627            # case 14
	c0_fixed $14, 0x0e05f830           # case 15
	c0_fixed $14, 0xedfb0968           # case 16
	c0_fixed $15, 0x50f2c920           # case 17
	c0_fixed $15, 0xd4b0f09b           # case 18
	c0_prid                            # case 19

# registers the core does not have: mfc0 reads 0
	c0_none $3, 0xc0c8bdfa             # case 20
	c0_none $7, 0xbf0df5b4             # case 21
	c0_none $16, 0x3d3b368f            # case 22
	c0_none $31, 0xdf53ce59            # case 23

# rfe pops the KU/IE stack and keeps bits 5:4
	c0_rfe 0x00400025, 0x00400029      # case 24
	c0_rfe 0x00400005, 0x00400001      # case 25
	c0_rfe 0x00400004, 0x00400001      # case 26
	c0_rfe 0x00400014, 0x00400015      # case 27
	c0_rfe 0x00400021, 0x00400028      # case 28
	c0_rfe 0x00400030, 0x0040003c      # case 29
	c0_rfe_jr 0x00400011, 0x00400014   # case 30
	c0_rfe_jr 0x00400024, 0x00400029   # case 31
	c0_rfe_jr 0x00400024, 0x00400029   # case 32
	c0_rfe_jr 0x00400004, 0x00400001   # case 33
	routine_end
