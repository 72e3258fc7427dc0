# n65_lwl: tests lwl in 20 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "bytes.inc"
	.include "partial.inc"

	routine_begin 65, lwl
# every alignment: the loaded bytes merged with the register's old contents
	pw_load lwl, 0x3efb565a, 0x80010358, 0x800153b5, -0x505d, 0x3b171414, 0x5a171414                                  # case 1
	pw_load lwl, 0x2ec69190, 0x8002518c, 0x80028a0b, -0x387f, 0x4489932d, 0x9089932d                                  # case 2
	pw_load lwl, 0xe8e6a760, 0x80014460, 0x8000e141, 0x631f, 0xb5fe2e23, 0x60fe2e23                                   # case 3
	pw_load lwl, 0x6347f380, 0x80035884, 0x80039c43, -0x43be, 0xf4dc099e, 0xf380099e                                  # case 4
	pw_load lwl, 0x33331c74, 0x8001a98c, 0x8001cbb6, -0x2229, 0xe05754bd, 0x1c7454bd                                  # case 5
	pw_load lwl, 0x91bc14e1, 0x8003ee80, 0x80045466, -0x65e5, 0x32ac35ee, 0x14e135ee                                  # case 6
	pw_load lwl, 0x953a39b6, 0x80018554, 0x80017258, 0x12fe, 0x7ca4169e, 0x3a39b69e                                   # case 7
	pw_load lwl, 0x03bd91d4, 0x80023958, 0x80027b54, -0x41fa, 0x484f97e3, 0xbd91d4e3                                  # case 8
	pw_load lwl, 0x158751c3, 0x80019a0c, 0x8001c29b, -0x288d, 0x10bddead, 0x8751c3ad                                  # case 9
	pw_load lwl, 0xa85200c2, 0x80011c9c, 0x80016a89, -0x4dea, 0x58f4c402, 0xa85200c2                                  # case 10
	pw_load lwl, 0x2d94a8f6, 0x80031998, 0x80035171, -0x37d6, 0x6db0afb7, 0x2d94a8f6                                  # case 11
	pw_load lwl, 0x9aa11747, 0x80018fec, 0x80014bde, 0x4411, 0xa47dfc22, 0x9aa11747                                   # case 12

# the word at every alignment: lwr, then at once lwl into the same register
	pw_pair_load lwr, lwl, 0xb0901cc6, 0x845fcb0d, 0x8001176c, 0x8000cd4e, 0x4a1e, 0x4a21, 0xd0d45855, 0xb0901cc6     # case 13
	pw_pair_load lwr, lwl, 0x6b04f605, 0x036a2bd4, 0x80032a50, 0x80032d9f, -0x34f, -0x34c, 0xbb95560e, 0x6b04f605     # case 14
	pw_pair_load lwr, lwl, 0x50e2fdcc, 0xf7894d9a, 0x800178d4, 0x800165ab, 0x132a, 0x132d, 0xd3b2887d, 0x9a50e2fd     # case 15
	pw_pair_load lwr, lwl, 0x530a7efa, 0xeec66bb6, 0x8002d0e4, 0x80025143, 0x7fa2, 0x7fa5, 0xd7f709c8, 0xb6530a7e     # case 16
	pw_pair_load lwr, lwl, 0x2d990f13, 0x8e88981c, 0x8001765c, 0x800149e8, 0x2c76, 0x2c79, 0x8f8c4a5a, 0x981c2d99     # case 17
	pw_pair_load lwr, lwl, 0x8af51c98, 0x41463699, 0x80022e14, 0x80022c04, 0x212, 0x215, 0x757e3666, 0x36998af5       # case 18
	pw_pair_load lwr, lwl, 0x6fa44a12, 0x1614c277, 0x800290e8, 0x80028351, 0xd9a, 0xd9d, 0x1b8e69a1, 0x14c2776f       # case 19
	pw_pair_load lwr, lwl, 0x04d54702, 0x3214ffcb, 0x8001547c, 0x800190e4, -0x3c65, -0x3c62, 0x3834352e, 0x14ffcb04   # case 20
	routine_end
