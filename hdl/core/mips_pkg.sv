// Names shared by every stage of the core: the MIPS-I encoding (primary opcodes, SPECIAL
// function codes and REGIMM branch selectors, named as in the instruction table), the internal
// operations that decode hands down the pipeline (typed enums), the pipeline registers (one
// packed struct each), the memory ports (a request and a response struct), the fixed
// addresses, coprocessor 0 (register numbers, reset value and writable bits, exception codes)
// and the bit of each bug knob on the core's `bugs_i` input.
`default_nettype none

package mips_pkg;

    // Fixed addresses.
    localparam logic [31:0] RESET_PC = 32'hbfc0_0000;
    localparam logic [31:0] EXC_VECTOR = 32'hbfc0_0380;      // Status.BEV set (after reset)
    localparam logic [31:0] EXC_VECTOR_RAM = 32'h8000_0080;  // Status.BEV clear

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
    localparam logic [5:0] OP_COP0 = 6'h10;
    localparam logic [5:0] OP_COP1 = 6'h11;
    localparam logic [5:0] OP_COP2 = 6'h12;
    localparam logic [5:0] OP_COP3 = 6'h13;
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
    localparam logic [5:0] OP_LWC1 = 6'h31;
    localparam logic [5:0] OP_LWC2 = 6'h32;
    localparam logic [5:0] OP_LWC3 = 6'h33;
    localparam logic [5:0] OP_SWC1 = 6'h39;
    localparam logic [5:0] OP_SWC2 = 6'h3a;
    localparam logic [5:0] OP_SWC3 = 6'h3b;

    // COP0 forms, instruction bits 25-21 (mfc0, mtc0), and the one word of rfe.
    localparam logic [4:0] CO_MF = 5'h00;
    localparam logic [4:0] CO_MT = 5'h04;
    localparam logic [31:0] RFE_WORD = 32'h4200_0010;

    // Coprocessor 0 as the R3000 has it without a TLB: the register numbers (rd of mfc0/mtc0),
    // PRId, the values after reset and the bits mtc0 writes. Status: the KU/IE stack in bits
    // 5..0 (current, previous, old; KU in the odd bits), IM 15..8, BEV 22, CU0-3 31..28.
    // Cause: BD 31, CE 29..28, IP 15..8 (mtc0 writes the software bits 9..8), ExcCode 6..2.
    localparam logic [4:0] CP0_BADVADDR = 5'd8;
    localparam logic [4:0] CP0_STATUS = 5'd12;
    localparam logic [4:0] CP0_CAUSE = 5'd13;
    localparam logic [4:0] CP0_EPC = 5'd14;
    localparam logic [4:0] CP0_PRID = 5'd15;
    localparam logic [31:0] PRID_VALUE = 32'h0000_0230;
    localparam logic [31:0] STATUS_RESET = 32'h0040_0000;  // BEV, kernel mode, interrupts off
    localparam logic [31:0] STATUS_WRITABLE = 32'hf040_ff3f;
    localparam logic [31:0] CAUSE_WRITABLE = 32'h0000_0300;
    localparam logic [31:0] CAUSE_SET_ON_ENTRY = 32'hb000_007c;  // BD, CE and ExcCode
    localparam int STATUS_KUC = 1;
    localparam int STATUS_BEV = 22;
    localparam int STATUS_CU0 = 28;

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

    // What the EX stage computes as an instruction's result.
    typedef enum logic [3:0] {
        ALU_ADD,     // a + b (also every load/store address)
        ALU_SUB,
        ALU_AND,
        ALU_OR,
        ALU_XOR,
        ALU_NOR,
        ALU_SLT,
        ALU_SLTU,
        ALU_SLL,
        ALU_SRL,
        ALU_SRA,
        ALU_PASS_B,  // lui: the shifted immediate
        ALU_LINK,    // jal, jalr, bltzal, bgezal: the return address
        ALU_MFHI,
        ALU_MFLO,
        ALU_MFC0     // the coprocessor 0 register rd
    } alu_op_e;

    // Memory operations, performed by the MEM stage. Loads come before stores.
    typedef enum logic [3:0] {
        MEM_NONE,
        MEM_LB,
        MEM_LBU,
        MEM_LH,
        MEM_LHU,
        MEM_LW,
        MEM_LWL,
        MEM_LWR,
        MEM_SB,
        MEM_SH,
        MEM_SW,
        MEM_SWL,
        MEM_SWR
    } mem_op_e;

    // Control transfers, resolved by the EX stage.
    typedef enum logic [3:0] {
        BR_NONE,
        BR_BEQ,
        BR_BNE,
        BR_BLEZ,
        BR_BGTZ,
        BR_BLTZ,  // also bltzal
        BR_BGEZ,  // also bgezal
        BR_J,     // j, jal: the 26-bit target
        BR_JR     // jr, jalr: the target in rs
    } br_op_e;

    // Commands of the multiply/divide unit, issued from the EX stage.
    typedef enum logic [2:0] {
        MD_NONE,
        MD_MULT,
        MD_MULTU,
        MD_DIV,
        MD_DIVU,
        MD_MTHI,
        MD_MTLO
    } md_op_e;

    // Coprocessor instructions, carried out in EX once the coprocessor is usable (CU bit, or
    // coprocessor 0 in kernel mode). COP_OTHER is any instruction of coprocessor 1 to 3 (also
    // lwcN, swcN): no coprocessor is attached, so a usable one does nothing.
    typedef enum logic [2:0] {
        COP_NONE,
        COP_MFC0,
        COP_MTC0,
        COP_RFE,
        COP_OTHER
    } cop_op_e;

    // Exception codes, as Cause.ExcCode numbers them.
    typedef enum logic [4:0] {
        EXC_INT = 5'd0,   // no exception (interrupts are not taken)
        EXC_ADEL = 5'd4,  // address error on a load or a fetch
        EXC_ADES = 5'd5,  // address error on a store
        EXC_IBE = 5'd6,   // bus error on a fetch
        EXC_DBE = 5'd7,   // bus error on a load or store
        EXC_SYS = 5'd8,
        EXC_BP = 5'd9,
        EXC_RI = 5'd10,   // reserved instruction
        EXC_CPU = 5'd11,  // coprocessor unusable (Cause.CE names it)
        EXC_OV = 5'd12    // overflow of add, addi, sub
    } exc_code_e;

    // Where the EX stage takes a source operand from (chosen by the hazard unit).
    typedef enum logic [1:0] {
        FWD_NONE,  // the value ID read from the register file
        FWD_MEM,   // the result of the instruction in MEM
        FWD_WB     // the value the instruction in WB writes
    } fwd_sel_e;

    function automatic logic is_load(mem_op_e op);
        case (op)
            MEM_LB, MEM_LBU, MEM_LH, MEM_LHU, MEM_LW, MEM_LWL, MEM_LWR: return 1'b1;
            default: return 1'b0;
        endcase
    endfunction

    function automatic logic is_store(mem_op_e op);
        case (op)
            MEM_SB, MEM_SH, MEM_SW, MEM_SWL, MEM_SWR: return 1'b1;
            default: return 1'b0;
        endcase
    endfunction

    // A multiply or divide: a command that keeps the unit busy for more than its EX cycle.
    function automatic logic is_muldiv(md_op_e op);
        return op == MD_MULT || op == MD_MULTU || op == MD_DIV || op == MD_DIVU;
    endfunction

    // ---- The pipeline registers, each the output of the stage that fills it. ----

    // IF/ID: the fetched word.
    typedef struct packed {
        logic        valid;
        logic [31:0] pc;
        logic [31:0] insn;
        logic        trap;  // fetch address or bus error
        logic        slot;  // in the delay slot of a taken branch or jump
    } if_id_t;

    // What the decoder makes of one instruction word.
    typedef struct packed {
        logic [ 4:0] rs;          // first register read (rt for the mtlo-mthi-read-rt knob)
        logic [ 4:0] rt;
        logic        reads_rs;
        logic        reads_rt;
        logic [ 4:0] dest;
        logic        reg_write;
        alu_op_e     alu_op;
        logic        use_imm;     // the ALU's second operand is the immediate, not rt
        logic        var_shift;   // sllv, srlv, srav: the shift amount is rs[4:0]
        logic [31:0] imm;
        logic        ovf_trap;    // add, addi, sub: signed overflow raises an exception
        mem_op_e     mem_op;
        br_op_e      br_op;
        md_op_e      md_op;
        logic        reads_hilo;  // mfhi, mflo
        cop_op_e     cop_op;
        logic [ 1:0] cop_num;     // the coprocessor a cop_op names
        logic        trap;        // reserved instruction, syscall, break
        exc_code_e   exc_code;    // of the trap
    } decoded_t;

    // What the hazard unit needs of the instruction in ID (the reads count only when valid).
    typedef struct packed {
        logic [4:0] rs;
        logic [4:0] rt;
        logic       reads_rs;
        logic       reads_rt;
        logic       reads_hilo;
        logic       uses_muldiv;
    } id_reads_t;

    // ID/EX: the decoded instruction and its operands as read in ID. A bubble clears the fields
    // that act (memory, branch, multiply/divide, register write, trap); the rest only matter
    // when valid.
    typedef struct packed {
        logic        valid;
        logic [31:0] pc;
        logic [31:0] insn;
        logic [ 4:0] rs;
        logic [ 4:0] rt;
        logic [31:0] rs_val;
        logic [31:0] rt_val;
        logic [31:0] imm;
        alu_op_e     alu_op;
        logic        use_imm;
        logic        var_shift;
        logic        ovf_trap;
        mem_op_e     mem_op;
        br_op_e      br_op;
        md_op_e      md_op;
        cop_op_e     cop_op;
        logic [ 1:0] cop_num;
        logic [ 4:0] dest;
        logic        reg_write;
        logic        trap;      // raised before EX: fetch error, reserved word, syscall, break
        exc_code_e   exc_code;  // of that trap
        logic        slot;      // in the delay slot of a taken branch or jump
        logic        bd;        // follows a branch or jump, taken or not (Cause.BD)
    } id_ex_t;

    // EX/MEM: the instruction with its retirement number and result.
    typedef struct packed {
        logic        valid;
        logic [31:0] pc;
        logic [31:0] insn;
        logic [31:0] seq;
        logic [31:0] result;  // ALU result, link address or HI/LO; the address of a load/store
        logic [31:0] rt_val;  // store data, or the register lwl/lwr merge into
        mem_op_e     mem_op;
        logic [ 4:0] dest;
        logic        reg_write;
        logic        writes_hi;
        logic        writes_lo;
        logic        trap;
        exc_code_e   exc_code;  // of the trap
        logic [ 1:0] exc_ce;    // the unusable coprocessor (EXC_CPU)
        logic [31:0] badvaddr;  // an address error's address (a data address, or the pc)
        logic        slot;
        logic        bd;
    } ex_mem_t;

    // MEM/WB: what retires, and the register value it writes.
    typedef struct packed {
        logic        valid;
        logic [31:0] pc;
        logic [31:0] insn;
        logic [31:0] seq;
        logic [31:0] wdata;
        logic [ 4:0] dest;
        logic        reg_write;
        logic        writes_hi;
        logic        writes_lo;
        logic        wrote_mem;
        logic        trap;
        exc_code_e   exc_code;  // with trap: what exception entry left in coprocessor 0
        logic        bd;
        logic [31:0] epc;
        logic [31:0] badvaddr;  // 0 unless an address error
    } mem_wb_t;

    // An exception taken by the instruction in MEM: what entry writes into coprocessor 0.
    typedef struct packed {
        logic        take;           // enter the exception in this cycle
        exc_code_e   code;
        logic [ 1:0] ce;
        logic        bd;
        logic [31:0] epc;
        logic        set_badvaddr;   // an address error
        logic [31:0] badvaddr;
        logic        push;           // push the KU/IE stack of Status
    } exc_entry_t;

    // mtc0 and rfe leaving EX (already gated by the pipeline moving and the coprocessor usable).
    typedef struct packed {
        logic        mtc0;
        logic        rfe;
        logic [ 4:0] rd;
        logic [31:0] value;
    } cp0_cmd_t;

    // The coprocessor 0 registers as EX reads them (PRId is a constant).
    typedef struct packed {
        logic [31:0] status;
        logic [31:0] cause;
        logic [31:0] epc;
        logic [31:0] badvaddr;
    } cp0_regs_t;

    // A branch or jump resolved in EX.
    typedef struct packed {
        logic        taken;
        logic [31:0] target;
    } branch_t;

    // A command from EX to the multiply/divide unit.
    typedef struct packed {
        logic        start;  // a command leaves EX this cycle
        md_op_e      op;
        logic [31:0] a;      // rs
        logic [31:0] b;      // rt
        logic [31:0] seq;    // the sequence number of the instruction
    } md_cmd_t;

    // The register file's write port, driven by WB.
    typedef struct packed {
        logic        we;
        logic [ 4:0] addr;
        logic [31:0] data;
    } rf_write_t;

    // ---- The memory ports: the data port and both responses are the kit's coretest_mem_req_t
    // and coretest_mem_rsp_t (hdl/kit/coretest_pkg.sv); IF makes only fetches, and mips_core
    // widens them to the kit's request. ----

    // A fetch: the word at addr, while req is high.
    typedef struct packed {
        logic        req;
        logic [31:0] addr;
    } mips_imem_req_t;

    // Cycles a multiply and a divide take in the muldiv unit, counting their cycle in EX.
    localparam logic [5:0] MULT_CYCLES = 6'd4;
    localparam logic [5:0] DIV_CYCLES = 6'd33;

    // Bug knobs: bit numbers on mips_core's `bugs_i` input (see bug_knobs.md).
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
    localparam int BUG_LB_ZERO_EXTENDS = 14;
    localparam int BUG_SH_WRONG_LANE = 15;
    localparam int BUG_LWL_NO_MERGE = 16;
    localparam int BUG_EPC_AT_DELAY_SLOT = 17;
    localparam int BUG_RFE_NO_POP = 18;
    localparam int BUG_SYSCALL_BREAK_SWAPPED = 19;
    localparam int BUG_STATUS_NOT_PUSHED = 20;
    localparam int BUG_BADVADDR_ALIGNED = 21;
    localparam int BUG_KNOBS = 22;  // this bit and those above it are ignored

endpackage
`default_nettype wire
