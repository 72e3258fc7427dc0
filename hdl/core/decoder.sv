// Instruction decoder (combinational, used by id_stage): turns one instruction word into the
// control fields the later stages act on: which registers it reads, which it writes, the ALU
// operation and immediate, the memory operation, the kind of control transfer and the
// multiply/divide command. Words that are no MIPS-I user instruction, syscall and break decode
// to `trap` (they write nothing and raise the exception when they reach MEM).
// Bug knobs decided here: mtlo-mthi-read-rt (the source register field) and lui-low-half (the
// immediate).
`default_nettype none

module decoder
    import mips_pkg::*;
(
    input  logic [31:0] insn,
    input  logic        bug_mtlo_mthi_read_rt,
    input  logic        bug_lui_low_half,
    output logic [ 4:0] rs_addr,     // first register read (rs; rt for the mtlo-mthi-read-rt knob)
    output logic [ 4:0] rt_addr,
    output logic        reads_rs,
    output logic        reads_rt,
    output logic [ 4:0] dest,
    output logic        reg_write,
    output logic [ 3:0] alu_op,
    output logic        use_imm,     // the ALU's second operand is the immediate, not rt
    output logic        var_shift,   // sllv, srlv, srav: the shift amount is rs[4:0]
    output logic [31:0] imm,
    output logic        ovf_trap,    // add, addi, sub: signed overflow raises an exception
    output logic [ 3:0] mem_op,
    output logic [ 3:0] br_op,
    output logic [ 2:0] md_op,
    output logic        reads_hilo,  // mfhi, mflo
    output logic        trap         // reserved instruction, syscall, break
);

    logic [5:0] opcode, funct;
    logic [4:0] rs, rt, rd;
    logic [31:0] sign_imm, zero_imm;

    assign opcode = insn[31:26];
    assign rs = insn[25:21];
    assign rt = insn[20:16];
    assign rd = insn[15:11];
    assign funct = insn[5:0];
    assign sign_imm = {{16{insn[15]}}, insn[15:0]};
    assign zero_imm = {16'b0, insn[15:0]};

    // Register-register ALU operations of SPECIAL: rd = rs op rt.
    task automatic alu_rr(input logic [3:0] op);
        alu_op = op;
        reads_rs = 1'b1;
        reads_rt = 1'b1;
        dest = rd;
        reg_write = 1'b1;
    endtask

    // Shifts of rt by the sa field (variable = 0) or by rs (variable = 1): rd = rt shift amount.
    task automatic shift(input logic [3:0] op, input logic variable);
        alu_op = op;
        var_shift = variable;
        reads_rs = variable;
        reads_rt = 1'b1;
        dest = rd;
        reg_write = 1'b1;
    endtask

    // Immediate ALU operations: rt = rs op immediate.
    task automatic alu_ri(input logic [3:0] op, input logic [31:0] immediate);
        alu_op = op;
        use_imm = 1'b1;
        imm = immediate;
        reads_rs = 1'b1;
        dest = rt;
        reg_write = 1'b1;
    endtask

    // Loads (rt = memory at rs + offset; lwl and lwr also merge the old rt) and stores.
    task automatic memory(input logic [3:0] op, input logic is_load, input logic merges_rt);
        mem_op = op;
        alu_op = ALU_ADD;
        use_imm = 1'b1;
        imm = sign_imm;
        reads_rs = 1'b1;
        reads_rt = !is_load || merges_rt;
        dest = rt;
        reg_write = is_load;
    endtask

    // Conditional branches comparing rs (and rt for beq, bne); `link` writes r31.
    task automatic branch(input logic [3:0] op, input logic uses_rt, input logic link);
        br_op = op;
        imm = sign_imm;
        reads_rs = 1'b1;
        reads_rt = uses_rt;
        if (link) begin
            alu_op = ALU_LINK;
            dest = 5'd31;
            reg_write = 1'b1;
        end
    endtask

    // Multiply, divide and the moves into HI and LO, handed to the muldiv unit.
    task automatic muldiv(input logic [2:0] op, input logic uses_rt);
        md_op = op;
        reads_rs = 1'b1;
        reads_rt = uses_rt;
    endtask

    always_comb begin
        rs_addr = rs;
        rt_addr = rt;
        reads_rs = 1'b0;
        reads_rt = 1'b0;
        dest = 5'd0;
        reg_write = 1'b0;
        alu_op = ALU_ADD;
        use_imm = 1'b0;
        var_shift = 1'b0;
        imm = sign_imm;
        ovf_trap = 1'b0;
        mem_op = MEM_NONE;
        br_op = BR_NONE;
        md_op = MD_NONE;
        reads_hilo = 1'b0;
        trap = 1'b0;
        case (opcode)
            OP_SPECIAL:
            case (funct)
                FN_SLL: shift(ALU_SLL, 1'b0);
                FN_SRL: shift(ALU_SRL, 1'b0);
                FN_SRA: shift(ALU_SRA, 1'b0);
                FN_SLLV: shift(ALU_SLL, 1'b1);
                FN_SRLV: shift(ALU_SRL, 1'b1);
                FN_SRAV: shift(ALU_SRA, 1'b1);
                FN_JR: begin
                    br_op = BR_JR;
                    reads_rs = 1'b1;
                end
                FN_JALR: begin
                    br_op = BR_JR;
                    reads_rs = 1'b1;
                    alu_op = ALU_LINK;
                    dest = rd;
                    reg_write = 1'b1;
                end
                FN_SYSCALL, FN_BREAK: trap = 1'b1;
                FN_MFHI: begin
                    alu_op = ALU_MFHI;
                    reads_hilo = 1'b1;
                    dest = rd;
                    reg_write = 1'b1;
                end
                FN_MFLO: begin
                    alu_op = ALU_MFLO;
                    reads_hilo = 1'b1;
                    dest = rd;
                    reg_write = 1'b1;
                end
                FN_MTHI, FN_MTLO: begin
                    muldiv(funct == FN_MTHI ? MD_MTHI : MD_MTLO, 1'b0);
                    if (bug_mtlo_mthi_read_rt) rs_addr = rt;
                end
                FN_MULT: muldiv(MD_MULT, 1'b1);
                FN_MULTU: muldiv(MD_MULTU, 1'b1);
                FN_DIV: muldiv(MD_DIV, 1'b1);
                FN_DIVU: muldiv(MD_DIVU, 1'b1);
                FN_ADD: begin
                    alu_rr(ALU_ADD);
                    ovf_trap = 1'b1;
                end
                FN_ADDU: alu_rr(ALU_ADD);
                FN_SUB: begin
                    alu_rr(ALU_SUB);
                    ovf_trap = 1'b1;
                end
                FN_SUBU: alu_rr(ALU_SUB);
                FN_AND: alu_rr(ALU_AND);
                FN_OR: alu_rr(ALU_OR);
                FN_XOR: alu_rr(ALU_XOR);
                FN_NOR: alu_rr(ALU_NOR);
                FN_SLT: alu_rr(ALU_SLT);
                FN_SLTU: alu_rr(ALU_SLTU);
                default: trap = 1'b1;
            endcase
            OP_REGIMM:
            case (rt)
                RI_BLTZ: branch(BR_BLTZ, 1'b0, 1'b0);
                RI_BGEZ: branch(BR_BGEZ, 1'b0, 1'b0);
                RI_BLTZAL: branch(BR_BLTZ, 1'b0, 1'b1);
                RI_BGEZAL: branch(BR_BGEZ, 1'b0, 1'b1);
                default: trap = 1'b1;
            endcase
            OP_J: br_op = BR_J;
            OP_JAL: begin
                br_op = BR_J;
                alu_op = ALU_LINK;
                dest = 5'd31;
                reg_write = 1'b1;
            end
            OP_BEQ: branch(BR_BEQ, 1'b1, 1'b0);
            OP_BNE: branch(BR_BNE, 1'b1, 1'b0);
            OP_BLEZ: branch(BR_BLEZ, 1'b0, 1'b0);
            OP_BGTZ: branch(BR_BGTZ, 1'b0, 1'b0);
            OP_ADDI: begin
                alu_ri(ALU_ADD, sign_imm);
                ovf_trap = 1'b1;
            end
            OP_ADDIU: alu_ri(ALU_ADD, sign_imm);
            OP_SLTI: alu_ri(ALU_SLT, sign_imm);
            OP_SLTIU: alu_ri(ALU_SLTU, sign_imm);
            OP_ANDI: alu_ri(ALU_AND, zero_imm);
            OP_ORI: alu_ri(ALU_OR, zero_imm);
            OP_XORI: alu_ri(ALU_XOR, zero_imm);
            OP_LUI: begin
                alu_ri(ALU_PASS_B, bug_lui_low_half ? zero_imm : {insn[15:0], 16'b0});
                reads_rs = 1'b0;
            end
            OP_LB: memory(MEM_LB, 1'b1, 1'b0);
            OP_LH: memory(MEM_LH, 1'b1, 1'b0);
            OP_LWL: memory(MEM_LWL, 1'b1, 1'b1);
            OP_LW: memory(MEM_LW, 1'b1, 1'b0);
            OP_LBU: memory(MEM_LBU, 1'b1, 1'b0);
            OP_LHU: memory(MEM_LHU, 1'b1, 1'b0);
            OP_LWR: memory(MEM_LWR, 1'b1, 1'b1);
            OP_SB: memory(MEM_SB, 1'b0, 1'b0);
            OP_SH: memory(MEM_SH, 1'b0, 1'b0);
            OP_SWL: memory(MEM_SWL, 1'b0, 1'b0);
            OP_SW: memory(MEM_SW, 1'b0, 1'b0);
            OP_SWR: memory(MEM_SWR, 1'b0, 1'b0);
            default: trap = 1'b1;
        endcase
        if (dest == 5'd0) reg_write = 1'b0;  // r0 is never written
    end

endmodule
