# n51_mtlo: tests mtlo in 60 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "hilo.inc"

	routine_begin 51, mtlo
# write LO and read it straight back; the last value is 0
	hilo_case lo, 0xc10d76f1     # case 1
	hilo_case lo, 0x6a7f52c1     # case 2
	hilo_case lo, 0x8353c23a     # case 3
	hilo_case lo, 0x038d3788     # case 4
	hilo_case lo, 0x3bc6d235     # case 5
	hilo_case lo, 0x6b8ce538     # case 6
	hilo_case lo, 0x6c684e80     # case 7
	hilo_case lo, 0xaea5d080     # case 8
	hilo_case lo, 0xd62e4580     # case 9
	hilo_case lo, 0xd122cc40     # case 10
	hilo_case lo, 0x5ccd3678     # case 11
	hilo_case lo, 0x2ae70750     # case 12
	hilo_case lo, 0xa366131e     # case 13
	hilo_case lo, 0x3e95e424     # case 14
	hilo_case lo, 0x21a1b280     # case 15
	hilo_case lo, 0x372c6700     # case 16
	hilo_case lo, 0x36ad4b40     # case 17
	hilo_case lo, 0x880a3438     # case 18
	hilo_case lo, 0xa5891038     # case 19
	hilo_case lo, 0x35723f80     # case 20
	hilo_case lo, 0xa6f6ef20     # case 21
	hilo_case lo, 0x0ab74560     # case 22
	hilo_case lo, 0x5a4326d0     # case 23
	hilo_case lo, 0x506b49e8     # case 24
	hilo_case lo, 0x2da6e8de     # case 25
	hilo_case lo, 0x2e51bb07     # case 26
	hilo_case lo, 0x37260e00     # case 27
	hilo_case lo, 0x2a6c3208     # case 28
	hilo_case lo, 0x7c3f3376     # case 29
	hilo_case lo, 0xa2c2fa7c     # case 30
	hilo_case lo, 0x8b09b518     # case 31
	hilo_case lo, 0xbf748600     # case 32
	hilo_case lo, 0xc84876b4     # case 33
	hilo_case lo, 0x1a33fb98     # case 34
	hilo_case lo, 0x96092dc0     # case 35
	hilo_case lo, 0x63065598     # case 36
	hilo_case lo, 0x5165485b     # case 37
	hilo_case lo, 0xc01b6e00     # case 38
	hilo_case lo, 0x6aea79da     # case 39
	hilo_case lo, 0xbf9cd03f     # case 40
	hilo_case lo, 0xde9153f0     # case 41
	hilo_case lo, 0x257f3748     # case 42
	hilo_case lo, 0x0e0dee00     # case 43
	hilo_case lo, 0xa0827ea4     # case 44
	hilo_case lo, 0x54237e00     # case 45
	hilo_case lo, 0x58b4e00c     # case 46
	hilo_case lo, 0xea47c4a7     # case 47
	hilo_case lo, 0xcbebfb40     # case 48
	hilo_case lo, 0x40797f80     # case 49
	hilo_case lo, 0x808d36a7     # case 50
	hilo_case lo, 0xafaee250     # case 51
	hilo_case lo, 0xf9d40482     # case 52
	hilo_case lo, 0xb6edf438     # case 53
	hilo_case lo, 0x02353a00     # case 54
	hilo_case lo, 0xa7cec202     # case 55
	hilo_case lo, 0x114fc8e0     # case 56
	hilo_case lo, 0x21b16a64     # case 57
	hilo_case lo, 0x4bc0b4a8     # case 58
	hilo_case lo, 0xee707bd0     # case 59
	hilo_case lo, 0x00000000     # case 60
	routine_end
