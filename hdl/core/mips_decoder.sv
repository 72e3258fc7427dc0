// Instruction decoder (combinational, used by the ID stage): turns one instruction word into
// the control fields the later stages act on: which registers it reads, which it writes, the
// ALU operation and immediate, the memory operation, the kind of control transfer and the
// multiply/divide command, and the coprocessor instructions (mfc0, mtc0, rfe; any instruction
// of coprocessors 1 to 3), whose usability EX checks. Words that are no MIPS-I instruction,
// syscall and break decode to `trap` with their exception code (they write nothing and raise
// the exception when they reach MEM). COP0 words other than mfc0, mtc0 (bits 10..0 zero) and
// rfe are reserved.
// Bug knobs decided here: mtlo-mthi-read-rt (the source register field), lui-low-half (the
// immediate) and syscall-break-swapped (the two codes).
`default_nettype none

module mips_decoder
    import mips_pkg::*;
(
    input  wire logic [31:0] insn_i,
    input  wire logic        bug_mtlo_mthi_read_rt_i,
    input  wire logic        bug_lui_low_half_i,
    input  wire logic        bug_syscall_break_swapped_i,
    output decoded_t         decoded_o
);

    decoded_t d;
    logic [5:0] opcode, funct;
    logic [4:0] rs, rt, rd;
    logic [31:0] sign_imm, zero_imm;

    assign opcode = insn_i[31:26];
    assign rs = insn_i[25:21];
    assign rt = insn_i[20:16];
    assign rd = insn_i[15:11];
    assign funct = insn_i[5:0];
    assign sign_imm = {{16{insn_i[15]}}, insn_i[15:0]};
    assign zero_imm = {16'b0, insn_i[15:0]};

    // Register-register ALU operations of SPECIAL: rd = rs op rt.
    task automatic alu_rr(input alu_op_e op);
        d.alu_op = op;
        d.reads_rs = 1'b1;
        d.reads_rt = 1'b1;
        d.dest = rd;
        d.reg_write = 1'b1;
    endtask

    // Shifts of rt by the sa field (variable = 0) or by rs (variable = 1): rd = rt shift amount.
    task automatic shift(input alu_op_e op, input logic variable);
        d.alu_op = op;
        d.var_shift = variable;
        d.reads_rs = variable;
        d.reads_rt = 1'b1;
        d.dest = rd;
        d.reg_write = 1'b1;
    endtask

    // Immediate ALU operations: rt = rs op immediate.
    task automatic alu_ri(input alu_op_e op, input logic [31:0] immediate);
        d.alu_op = op;
        d.use_imm = 1'b1;
        d.imm = immediate;
        d.reads_rs = 1'b1;
        d.dest = rt;
        d.reg_write = 1'b1;
    endtask

    // Loads (rt = memory at rs + offset; lwl and lwr also merge the old rt) and stores.
    task automatic memory(input mem_op_e op, input logic load, input logic merges_rt);
        d.mem_op = op;
        d.alu_op = ALU_ADD;
        d.use_imm = 1'b1;
        d.imm = sign_imm;
        d.reads_rs = 1'b1;
        d.reads_rt = !load || merges_rt;
        d.dest = rt;
        d.reg_write = load;
    endtask

    // Conditional branches comparing rs (and rt for beq, bne); `link` writes r31.
    task automatic branch(input br_op_e op, input logic uses_rt, input logic link);
        d.br_op = op;
        d.imm = sign_imm;
        d.reads_rs = 1'b1;
        d.reads_rt = uses_rt;
        if (link) begin
            d.alu_op = ALU_LINK;
            d.dest = 5'd31;
            d.reg_write = 1'b1;
        end
    endtask

    // Multiply, divide and the moves into HI and LO, handed to the muldiv unit.
    task automatic muldiv(input md_op_e op, input logic uses_rt);
        d.md_op = op;
        d.reads_rs = 1'b1;
        d.reads_rt = uses_rt;
    endtask

    // An instruction that raises an exception in MEM: syscall, break, a word that is no
    // instruction (EXC_RI).
    task automatic raises(input exc_code_e code);
        d.trap = 1'b1;
        d.exc_code = code;
    endtask

    // An instruction of coprocessor 1 to 3 (the number is in the opcode's low bits).
    task automatic coprocessor(input logic [1:0] number);
        d.cop_op = COP_OTHER;
        d.cop_num = number;
    endtask

    always @* begin
        d.rs = rs;
        d.rt = rt;
        d.reads_rs = 1'b0;
        d.reads_rt = 1'b0;
        d.dest = 5'd0;
        d.reg_write = 1'b0;
        d.alu_op = ALU_ADD;
        d.use_imm = 1'b0;
        d.var_shift = 1'b0;
        d.imm = sign_imm;
        d.ovf_trap = 1'b0;
        d.mem_op = MEM_NONE;
        d.br_op = BR_NONE;
        d.md_op = MD_NONE;
        d.reads_hilo = 1'b0;
        d.cop_op = COP_NONE;
        d.cop_num = 2'd0;
        d.trap = 1'b0;
        d.exc_code = EXC_INT;
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
                    d.br_op = BR_JR;
                    d.reads_rs = 1'b1;
                end
                FN_JALR: begin
                    d.br_op = BR_JR;
                    d.reads_rs = 1'b1;
                    d.alu_op = ALU_LINK;
                    d.dest = rd;
                    d.reg_write = 1'b1;
                end
                FN_SYSCALL, FN_BREAK:
                raises((funct == FN_SYSCALL) != bug_syscall_break_swapped_i ? EXC_SYS : EXC_BP);
                FN_MFHI: begin
                    d.alu_op = ALU_MFHI;
                    d.reads_hilo = 1'b1;
                    d.dest = rd;
                    d.reg_write = 1'b1;
                end
                FN_MFLO: begin
                    d.alu_op = ALU_MFLO;
                    d.reads_hilo = 1'b1;
                    d.dest = rd;
                    d.reg_write = 1'b1;
                end
                FN_MTHI, FN_MTLO: begin
                    muldiv(funct == FN_MTHI ? MD_MTHI : MD_MTLO, 1'b0);
                    if (bug_mtlo_mthi_read_rt_i) d.rs = rt;
                end
                FN_MULT: muldiv(MD_MULT, 1'b1);
                FN_MULTU: muldiv(MD_MULTU, 1'b1);
                FN_DIV: muldiv(MD_DIV, 1'b1);
                FN_DIVU: muldiv(MD_DIVU, 1'b1);
                FN_ADD: begin
                    alu_rr(ALU_ADD);
                    d.ovf_trap = 1'b1;
                end
                FN_ADDU: alu_rr(ALU_ADD);
                FN_SUB: begin
                    alu_rr(ALU_SUB);
                    d.ovf_trap = 1'b1;
                end
                FN_SUBU: alu_rr(ALU_SUB);
                FN_AND: alu_rr(ALU_AND);
                FN_OR: alu_rr(ALU_OR);
                FN_XOR: alu_rr(ALU_XOR);
                FN_NOR: alu_rr(ALU_NOR);
                FN_SLT: alu_rr(ALU_SLT);
                FN_SLTU: alu_rr(ALU_SLTU);
                default: raises(EXC_RI);
            endcase
            OP_REGIMM:
            case (rt)
                RI_BLTZ: branch(BR_BLTZ, 1'b0, 1'b0);
                RI_BGEZ: branch(BR_BGEZ, 1'b0, 1'b0);
                RI_BLTZAL: branch(BR_BLTZ, 1'b0, 1'b1);
                RI_BGEZAL: branch(BR_BGEZ, 1'b0, 1'b1);
                default: raises(EXC_RI);
            endcase
            OP_J: d.br_op = BR_J;
            OP_JAL: begin
                d.br_op = BR_J;
                d.alu_op = ALU_LINK;
                d.dest = 5'd31;
                d.reg_write = 1'b1;
            end
            OP_BEQ: branch(BR_BEQ, 1'b1, 1'b0);
            OP_BNE: branch(BR_BNE, 1'b1, 1'b0);
            OP_BLEZ: branch(BR_BLEZ, 1'b0, 1'b0);
            OP_BGTZ: branch(BR_BGTZ, 1'b0, 1'b0);
            OP_ADDI: begin
                alu_ri(ALU_ADD, sign_imm);
                d.ovf_trap = 1'b1;
            end
            OP_ADDIU: alu_ri(ALU_ADD, sign_imm);
            OP_SLTI: alu_ri(ALU_SLT, sign_imm);
            OP_SLTIU: alu_ri(ALU_SLTU, sign_imm);
            OP_ANDI: alu_ri(ALU_AND, zero_imm);
            OP_ORI: alu_ri(ALU_OR, zero_imm);
            OP_XORI: alu_ri(ALU_XOR, zero_imm);
            OP_LUI: begin
                alu_ri(ALU_PASS_B, bug_lui_low_half_i ? zero_imm : {insn_i[15:0], 16'b0});
                d.reads_rs = 1'b0;
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
            OP_COP0:
            if (rs == CO_MF && insn_i[10:0] == 11'd0) begin  // mfc0 rt, rd
                d.cop_op = COP_MFC0;
                d.alu_op = ALU_MFC0;
                d.dest = rt;
                d.reg_write = 1'b1;
            end else if (rs == CO_MT && insn_i[10:0] == 11'd0) begin  // mtc0 rt, rd
                d.cop_op = COP_MTC0;
                d.reads_rt = 1'b1;
            end else if (insn_i == RFE_WORD) begin
                d.cop_op = COP_RFE;
            end else begin
                raises(EXC_RI);
            end
            OP_COP1, OP_COP2, OP_COP3, OP_LWC1, OP_LWC2, OP_LWC3, OP_SWC1, OP_SWC2, OP_SWC3:
            coprocessor(opcode[1:0]);
            default: raises(EXC_RI);
        endcase
        if (d.dest == 5'd0) d.reg_write = 1'b0;  // r0 is never written
    end

    assign decoded_o = d;

endmodule
`default_nettype wire
