# n80_adel: tests address errors on loads and fetches in 18 cases
# Written by casegen from its fixed seed; regenerate instead of editing.
	.include "frame.inc"
	.include "except.inc"

	routine_begin 80, adel
# misaligned loads alone and in every delay slot: BadVAddr, destination kept
	adel_case none, lw, 0x800353e1, 0x5466, 0x00000010, 0x00400034, 0x00400010, 0x00400014    # case 1
	adel_case none, lh, 0x80032eb8, 0x6049, 0x00000010, 0x00400009, 0x00400024, 0x00400029    # case 2
	adel_case none, lhu, 0x80013edd, 0x6504, 0x00000010, 0x00400030, 0x00400000, 0x00400000   # case 3
	adel_case beq, lw, 0x80034046, 0xa54, 0x80000010, 0x00400011, 0x00400004, 0x00400001      # case 4
	adel_case beq, lh, 0x80029d38, 0x73b, 0x80000010, 0x0040002d, 0x00400034, 0x0040003d      # case 5
	adel_case beq, lhu, 0x80033388, 0x2d2d, 0x80000010, 0x00400018, 0x00400020, 0x00400028    # case 6
	adel_case bne, lw, 0x80027b14, 0x5b42, 0x80000010, 0x00400015, 0x00400014, 0x00400015     # case 7
	adel_case bne, lh, 0x8002c669, 0x30f6, 0x80000010, 0x0040003c, 0x00400030, 0x0040003c     # case 8
	adel_case bne, lhu, 0x8002daf1, -0x2092, 0x80000010, 0x00400009, 0x00400024, 0x00400029   # case 9
	adel_case j, lw, 0x80029cc4, 0x2275, 0x80000010, 0x00400031, 0x00400004, 0x00400001       # case 10
	adel_case j, lh, 0x80010221, 0x7cb0, 0x80000010, 0x0040003d, 0x00400034, 0x0040003d       # case 11
	adel_case j, lhu, 0x8002688a, 0x6fe5, 0x80000010, 0x00400004, 0x00400010, 0x00400014      # case 12
	adel_case jr, lw, 0x8002a761, 0x2efa, 0x80000010, 0x0040001d, 0x00400034, 0x0040003d      # case 13
	adel_case jr, lh, 0x80036685, 0x1a84, 0x80000010, 0x00400011, 0x00400004, 0x00400001      # case 14
	adel_case jr, lhu, 0x8002320b, -0x58cc, 0x80000010, 0x00400011, 0x00400004, 0x00400001    # case 15

# jr to a misaligned code address: EPC and BadVAddr hold it
	adel_jump 1, 0x00000010, 0x0040003d, 0x00400034, 0x0040003d                               # case 16
	adel_jump 2, 0x00000010, 0x00400000, 0x00400000, 0x00400000                               # case 17
	adel_jump 3, 0x00000010, 0x00400034, 0x00400010, 0x00400014                               # case 18
	routine_end
