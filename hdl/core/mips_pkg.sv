// Names shared by every stage of the core: the MIPS-I encoding (primary opcodes, SPECIAL
// function codes and REGIMM branch selectors, named as in the instruction table), the internal
// operation codes that decode hands down the pipeline, the two fixed addresses, and the bit of
// each bug knob on the core's `bugs` input.
`default_nettype none

package mips_pkg;

    // Fixed addresses.
    localparam logic [31:0] RESET_PC = 32'hbfc0_0000;
    localparam logic [31:0] EXC_VECTOR = 32'hbfc0_0380;

    // Primary opcodes, instruction bits 31-26.
    localparam logic [5:0] OP_SPECIAL = 6'h00;
    localparam logic [5:0] OP_REGIMM = 6'h01;
    localparam logic [5:0] OP_J = 6'h02;
    localparam logic [5:0] OP_JAL = 6'h03;
    localparam logic [5:0] OP_BEQ = 6'h04;
    localparam logic [5:0] OP_BNE = 6'h05;
    localparam logic [5:0] OP_BLEZ = 6'h06;
    localparam logic [5:0] OP_BGTZ = 6'h07;
    localparam logic [5:0] OP_ADDI = 6'h08;
    localparam logic [5:0] OP_ADDIU = 6'h09;
    localparam logic [5:0] OP_SLTI = 6'h0a;
    localparam logic [5:0] OP_SLTIU = 6'h0b;
    localparam logic [5:0] OP_ANDI = 6'h0c;
    localparam logic [5:0] OP_ORI = 6'h0d;
    localparam logic [5:0] OP_XORI = 6'h0e;
    localparam logic [5:0] OP_LUI = 6'h0f;
    localparam logic [5:0] OP_LB = 6'h20;
    localparam logic [5:0] OP_LH = 6'h21;
    localparam logic [5:0] OP_LWL = 6'h22;
    localparam logic [5:0] OP_LW = 6'h23;
    localparam logic [5:0] OP_LBU = 6'h24;
    localparam logic [5:0] OP_LHU = 6'h25;
    localparam logic [5:0] OP_LWR = 6'h26;
    localparam logic [5:0] OP_SB = 6'h28;
    localparam logic [5:0] OP_SH = 6'h29;
    localparam logic [5:0] OP_SWL = 6'h2a;
    localparam logic [5:0] OP_SW = 6'h2b;
    localparam logic [5:0] OP_SWR = 6'h2e;

    // SPECIAL function codes, instruction bits 5-0.
    localparam logic [5:0] FN_SLL = 6'h00;
    localparam logic [5:0] FN_SRL = 6'h02;
    localparam logic [5:0] FN_SRA = 6'h03;
    localparam logic [5:0] FN_SLLV = 6'h04;
    localparam logic [5:0] FN_SRLV = 6'h06;
    localparam logic [5:0] FN_SRAV = 6'h07;
    localparam logic [5:0] FN_JR = 6'h08;
    localparam logic [5:0] FN_JALR = 6'h09;
    localparam logic [5:0] FN_SYSCALL = 6'h0c;
    localparam logic [5:0] FN_BREAK = 6'h0d;
    localparam logic [5:0] FN_MFHI = 6'h10;
    localparam logic [5:0] FN_MTHI = 6'h11;
    localparam logic [5:0] FN_MFLO = 6'h12;
    localparam logic [5:0] FN_MTLO = 6'h13;
    localparam logic [5:0] FN_MULT = 6'h18;
    localparam logic [5:0] FN_MULTU = 6'h19;
    localparam logic [5:0] FN_DIV = 6'h1a;
    localparam logic [5:0] FN_DIVU = 6'h1b;
    localparam logic [5:0] FN_ADD = 6'h20;
    localparam logic [5:0] FN_ADDU = 6'h21;
    localparam logic [5:0] FN_SUB = 6'h22;
    localparam logic [5:0] FN_SUBU = 6'h23;
    localparam logic [5:0] FN_AND = 6'h24;
    localparam logic [5:0] FN_OR = 6'h25;
    localparam logic [5:0] FN_XOR = 6'h26;
    localparam logic [5:0] FN_NOR = 6'h27;
    localparam logic [5:0] FN_SLT = 6'h2a;
    localparam logic [5:0] FN_SLTU = 6'h2b;

    // REGIMM branch selectors, instruction bits 20-16.
    localparam logic [4:0] RI_BLTZ = 5'h00;
    localparam logic [4:0] RI_BGEZ = 5'h01;
    localparam logic [4:0] RI_BLTZAL = 5'h10;
    localparam logic [4:0] RI_BGEZAL = 5'h11;

    // What ex_stage computes as an instruction's result.
    localparam logic [3:0] ALU_ADD = 4'd0;  // a + b (also every load/store address)
    localparam logic [3:0] ALU_SUB = 4'd1;
    localparam logic [3:0] ALU_AND = 4'd2;
    localparam logic [3:0] ALU_OR = 4'd3;
    localparam logic [3:0] ALU_XOR = 4'd4;
    localparam logic [3:0] ALU_NOR = 4'd5;
    localparam logic [3:0] ALU_SLT = 4'd6;
    localparam logic [3:0] ALU_SLTU = 4'd7;
    localparam logic [3:0] ALU_SLL = 4'd8;
    localparam logic [3:0] ALU_SRL = 4'd9;
    localparam logic [3:0] ALU_SRA = 4'd10;
    localparam logic [3:0] ALU_PASS_B = 4'd11;  // lui: the shifted immediate
    localparam logic [3:0] ALU_LINK = 4'd12;  // jal, jalr, bltzal, bgezal: the return address
    localparam logic [3:0] ALU_MFHI = 4'd13;
    localparam logic [3:0] ALU_MFLO = 4'd14;

    // Memory operations, performed by mem_stage.
    localparam logic [3:0] MEM_NONE = 4'd0;
    localparam logic [3:0] MEM_LB = 4'd1;
    localparam logic [3:0] MEM_LBU = 4'd2;
    localparam logic [3:0] MEM_LH = 4'd3;
    localparam logic [3:0] MEM_LHU = 4'd4;
    localparam logic [3:0] MEM_LW = 4'd5;
    localparam logic [3:0] MEM_LWL = 4'd6;
    localparam logic [3:0] MEM_LWR = 4'd7;
    localparam logic [3:0] MEM_SB = 4'd8;
    localparam logic [3:0] MEM_SH = 4'd9;
    localparam logic [3:0] MEM_SW = 4'd10;
    localparam logic [3:0] MEM_SWL = 4'd11;
    localparam logic [3:0] MEM_SWR = 4'd12;

    // Control transfers, resolved by ex_stage.
    localparam logic [3:0] BR_NONE = 4'd0;
    localparam logic [3:0] BR_BEQ = 4'd1;
    localparam logic [3:0] BR_BNE = 4'd2;
    localparam logic [3:0] BR_BLEZ = 4'd3;
    localparam logic [3:0] BR_BGTZ = 4'd4;
    localparam logic [3:0] BR_BLTZ = 4'd5;  // also bltzal
    localparam logic [3:0] BR_BGEZ = 4'd6;  // also bgezal
    localparam logic [3:0] BR_J = 4'd7;  // j, jal: the 26-bit target
    localparam logic [3:0] BR_JR = 4'd8;  // jr, jalr: the target in rs

    // Commands of the multiply/divide unit, issued from ex_stage.
    localparam logic [2:0] MD_NONE = 3'd0;
    localparam logic [2:0] MD_MULT = 3'd1;
    localparam logic [2:0] MD_MULTU = 3'd2;
    localparam logic [2:0] MD_DIV = 3'd3;
    localparam logic [2:0] MD_DIVU = 3'd4;
    localparam logic [2:0] MD_MTHI = 3'd5;
    localparam logic [2:0] MD_MTLO = 3'd6;

    // Where ex_stage takes a source operand from (chosen by the hazard unit).
    localparam logic [1:0] FWD_NONE = 2'd0;  // the value ID read from the register file
    localparam logic [1:0] FWD_MEM = 2'd1;  // the result of the instruction in MEM
    localparam logic [1:0] FWD_WB = 2'd2;  // the value the instruction in WB writes

    // Cycles a multiply and a divide take in the muldiv unit, counting their cycle in EX.
    localparam logic [5:0] MULT_CYCLES = 6'd4;
    localparam logic [5:0] DIV_CYCLES = 6'd33;

    // Bug knobs: bit numbers on mips_core's `bugs` input (see bug_knobs.md).
    localparam int BUG_FWD_EX_EX = 0;
    localparam int BUG_FWD_MEM_EX = 1;
    localparam int BUG_REGFILE_NO_BYPASS = 2;
    localparam int BUG_NO_LOAD_INTERLOCK = 3;
    localparam int BUG_HILO_NO_INTERLOCK = 4;
    localparam int BUG_BRANCH_ANNULS_SLOT = 5;
    localparam int BUG_LINK_PC_PLUS_4 = 6;
    localparam int BUG_DIV_REMAINDER_SIGN = 7;
    localparam int BUG_MTLO_MTHI_READ_RT = 8;
    localparam int BUG_SRA_ZERO_FILL = 9;
    localparam int BUG_SLT_UNSIGNED = 10;
    localparam int BUG_STORE_IGNORES_BYTE_ENABLES = 11;
    localparam int BUG_DELAY_SLOT_STORE_DROPPED = 12;
    localparam int BUG_LUI_LOW_HALF = 13;
    localparam int BUG_KNOBS = 14;  // this bit and those above it are ignored

endpackage
