# n69_hz_alu: tests ALU results read 1 to 3 instructions after they are written in 36 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "hazard.inc"

	routine_begin 69, hz_alu
# alu feeding every consumer at distances 1, 2 and 3
	hz_case alu, rs, 1, 0x2ebf7301, 0x35fad681       # case 1
	hz_case alu, rs, 1, 0xa8a885ec, 0x41db89ed       # case 2
	hz_case alu, rs, 2, 0xd0f17974, 0x219bcd54       # case 3
	hz_case alu, rs, 2, 0xb64e04f9, 0x5ed87851       # case 4
	hz_case alu, rs, 3, 0x5a140d40, 0xb864fdb3       # case 5
	hz_case alu, rs, 3, 0xe00b59fb, 0xfadeb557       # case 6
	hz_case alu, rt, 1, 0xf6330d48, 0x80d9a67b       # case 7
	hz_case alu, rt, 1, 0x5d83016d, 0x5326ab66       # case 8
	hz_case alu, rt, 2, 0x0de79a01, 0xad64a6ea       # case 9
	hz_case alu, rt, 2, 0x898cad49, 0x5d8927ce       # case 10
	hz_case alu, rt, 3, 0x425666d3, 0x1b5df57a       # case 11
	hz_case alu, rt, 3, 0xa3fed260, 0x595c0206       # case 12
	hz_case alu, store, 1, 0x65930e44, 0x92d7f6a9    # case 13
	hz_case alu, store, 1, 0xec9eceb4, 0x1ca31ea3    # case 14
	hz_case alu, store, 2, 0x86204550, 0x5996072e    # case 15
	hz_case alu, store, 2, 0x21545fe7, 0xccbe6364    # case 16
	hz_case alu, store, 3, 0x05b94904, 0x90668378    # case 17
	hz_case alu, store, 3, 0x5323c28b, 0x3a8a937a    # case 18
	hz_case alu, base, 1, 0x80000520, 0x93a27011     # case 19
	hz_case alu, base, 1, 0x80000538, 0xf4b82731     # case 20
	hz_case alu, base, 2, 0x80000530, 0xe5cd27e5     # case 21
	hz_case alu, base, 2, 0x80000568, 0xe2a51ff9     # case 22
	hz_case alu, base, 3, 0x80000518, 0x5f398caa     # case 23
	hz_case alu, base, 3, 0x80000540, 0xccb234fd     # case 24
	hz_case alu, branch, 1, 0x685b9211, 0x59607659   # case 25
	hz_case alu, branch, 1, 0xa5b87c5d, 0xf8c4a8ed   # case 26
	hz_case alu, branch, 2, 0x772eb351, 0x00a56524   # case 27
	hz_case alu, branch, 2, 0x73a236d5, 0xd23f7d0f   # case 28
	hz_case alu, branch, 3, 0x9ba1daa2, 0x8d5df950   # case 29
	hz_case alu, branch, 3, 0x6526f845, 0x8debe73c   # case 30
	hz_case alu, jr, 1, 0x00000000, 0x04ef188f       # case 31
	hz_case alu, jr, 1, 0x00000000, 0xc38c04c3       # case 32
	hz_case alu, jr, 2, 0x00000000, 0xeb16bd87       # case 33
	hz_case alu, jr, 2, 0x00000000, 0x40aafb0a       # case 34
	hz_case alu, jr, 3, 0x00000000, 0xa566157e       # case 35
	hz_case alu, jr, 3, 0x00000000, 0xe946ac83       # case 36
	routine_end
