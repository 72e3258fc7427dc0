// Execute stage: the ALU and shifter (addu, slt, sra, ... are computed here), the signed
// overflow and address-alignment checks, branch and jump resolution, the link address, and the
// start of multiply/divide and mthi/mtlo in the muldiv unit. Fills the EX/MEM register.
// Hazards handled here: every source operand (ALU, address, store data, branch compare, jr
// target, mthi/mtlo value, multiply/divide operands) passes the same forwarding mux, whose
// select the hazard unit decides. A taken branch is reported to the hazard unit, which squashes
// the fetch behind the delay slot. Each instruction leaving EX for MEM gets its retirement
// sequence number here: from then on it retires, possibly as a trap.
`default_nettype none

module ex_stage
    import mips_pkg::*;
(
    input  logic        clk,
    input  logic        rst,
    input  logic        freeze,
    input  logic        exc_flush,        // the instruction in MEM traps: this one is dropped
    input  logic        bug_link_pc_plus_4,
    input  logic        bug_sra_zero_fill,
    input  logic        bug_slt_unsigned,
    // ID/EX
    input  logic        idex_valid_q,
    input  logic [31:0] idex_pc_q,
    input  logic [31:0] idex_insn_q,
    input  logic [31:0] idex_rs_val_q,
    input  logic [31:0] idex_rt_val_q,
    input  logic [31:0] idex_imm_q,
    input  logic [ 3:0] idex_alu_op_q,
    input  logic        idex_use_imm_q,
    input  logic        idex_var_shift_q,
    input  logic        idex_ovf_trap_q,
    input  logic [ 3:0] idex_mem_op_q,
    input  logic [ 3:0] idex_br_op_q,
    input  logic [ 2:0] idex_md_op_q,
    input  logic [ 4:0] idex_dest_q,
    input  logic        idex_reg_write_q,
    input  logic        idex_trap_q,
    input  logic        idex_slot_q,
    // forwarding
    input  logic [ 1:0] fwd_rs,
    input  logic [ 1:0] fwd_rt,
    input  logic [31:0] mem_result,
    input  logic [31:0] wb_result,
    // HI and LO as the muldiv unit holds them
    input  logic [31:0] hi,
    input  logic [31:0] lo,
    // control transfer
    output logic        branch_taken,
    output logic [31:0] branch_target,
    // muldiv command
    output logic        md_start,
    output logic [ 2:0] md_op,
    output logic [31:0] md_a,
    output logic [31:0] md_b,
    output logic [31:0] md_seq,
    // EX/MEM
    output logic        exmem_valid_q,
    output logic [31:0] exmem_pc_q,
    output logic [31:0] exmem_insn_q,
    output logic [31:0] exmem_seq_q,
    output logic [31:0] exmem_result_q,   // ALU result, link address or HI/LO; the address
    output logic [31:0] exmem_rt_val_q,   // store data, or the register lwl/lwr merge into
    output logic [ 3:0] exmem_mem_op_q,
    output logic [ 4:0] exmem_dest_q,
    output logic        exmem_reg_write_q,
    output logic        exmem_writes_hi_q,
    output logic        exmem_writes_lo_q,
    output logic        exmem_trap_q,
    output logic        exmem_slot_q
);

    logic [31:0] seq_q;  // the number the next instruction leaving EX gets
    logic [31:0] a, b, rt_val, result, sum, diff;
    logic [4:0] shamt;
    logic overflow, misaligned, taken, advance;

    function automatic logic [31:0] forward(input logic [1:0] sel, input logic [31:0] id_val,
                                            input logic [31:0] mem_val,
                                            input logic [31:0] wb_val);
        case (sel)
            FWD_MEM: return mem_val;
            FWD_WB: return wb_val;
            default: return id_val;
        endcase
    endfunction

    assign a = forward(fwd_rs, idex_rs_val_q, mem_result, wb_result);
    assign rt_val = forward(fwd_rt, idex_rt_val_q, mem_result, wb_result);
    assign b = idex_use_imm_q ? idex_imm_q : rt_val;
    assign shamt = idex_var_shift_q ? a[4:0] : idex_insn_q[10:6];
    assign sum = a + b;
    assign diff = a - b;

    // The ALU.
    always_comb begin
        case (idex_alu_op_q)
            ALU_ADD: result = sum;
            ALU_SUB: result = diff;
            ALU_AND: result = a & b;
            ALU_OR: result = a | b;
            ALU_XOR: result = a ^ b;
            ALU_NOR: result = ~(a | b);
            ALU_SLT:
            result = {31'b0, bug_slt_unsigned ? a < b : $signed(a) < $signed(b)};
            ALU_SLTU: result = {31'b0, a < b};
            ALU_SLL: result = b << shamt;
            ALU_SRL: result = b >> shamt;
            ALU_SRA: result = bug_sra_zero_fill ? b >> shamt : $unsigned($signed(b) >>> shamt);
            ALU_PASS_B: result = b;
            ALU_LINK: result = idex_pc_q + (bug_link_pc_plus_4 ? 32'd4 : 32'd8);
            ALU_MFHI: result = hi;
            ALU_MFLO: result = lo;
            default: result = sum;
        endcase
    end

    // add, addi and sub trap when the signed result does not fit.
    always_comb begin
        case (idex_alu_op_q)
            ALU_ADD: overflow = (a[31] == b[31]) && (sum[31] != a[31]);
            ALU_SUB: overflow = (a[31] != b[31]) && (diff[31] != a[31]);
            default: overflow = 1'b0;
        endcase
    end

    // Halfword and word accesses must be aligned to their size.
    always_comb begin
        case (idex_mem_op_q)
            MEM_LH, MEM_LHU, MEM_SH: misaligned = sum[0];
            MEM_LW, MEM_SW: misaligned = sum[1:0] != 2'b00;
            default: misaligned = 1'b0;
        endcase
    end

    // Branch and jump resolution; the delay slot in ID always goes on (see the hazard unit).
    always_comb begin
        case (idex_br_op_q)
            BR_BEQ: taken = a == rt_val;
            BR_BNE: taken = a != rt_val;
            BR_BLEZ: taken = $signed(a) <= 0;
            BR_BGTZ: taken = $signed(a) > 0;
            BR_BLTZ: taken = a[31];
            BR_BGEZ: taken = !a[31];
            BR_J, BR_JR: taken = 1'b1;
            default: taken = 1'b0;
        endcase
        case (idex_br_op_q)
            BR_J: branch_target = {idex_pc_q[31:28], idex_insn_q[25:0], 2'b00};
            BR_JR: branch_target = a;
            default: branch_target = idex_pc_q + 32'd4 + {idex_imm_q[29:0], 2'b00};
        endcase
    end
    assign branch_taken = idex_valid_q && taken;

    assign advance = !freeze && !exc_flush && idex_valid_q;
    assign md_start = advance && idex_md_op_q != MD_NONE;
    assign md_op = idex_md_op_q;
    assign md_a = a;
    assign md_b = rt_val;
    assign md_seq = seq_q;

    always_ff @(posedge clk) begin
        if (rst) begin
            seq_q <= 32'd1;
            exmem_valid_q <= 1'b0;
            exmem_pc_q <= 32'b0;
            exmem_insn_q <= 32'b0;
            exmem_seq_q <= 32'b0;
            exmem_result_q <= 32'b0;
            exmem_rt_val_q <= 32'b0;
            exmem_mem_op_q <= MEM_NONE;
            exmem_dest_q <= 5'd0;
            exmem_reg_write_q <= 1'b0;
            exmem_writes_hi_q <= 1'b0;
            exmem_writes_lo_q <= 1'b0;
            exmem_trap_q <= 1'b0;
            exmem_slot_q <= 1'b0;
        end else if (!freeze) begin
            if (advance) seq_q <= seq_q + 32'd1;
            exmem_valid_q <= advance;
            exmem_pc_q <= idex_pc_q;
            exmem_insn_q <= idex_insn_q;
            exmem_seq_q <= seq_q;
            exmem_result_q <= idex_mem_op_q != MEM_NONE ? sum : result;
            exmem_rt_val_q <= rt_val;
            exmem_slot_q <= idex_slot_q;
            if (advance) begin
                exmem_trap_q <= idex_trap_q || (idex_ovf_trap_q && overflow) || misaligned;
                exmem_mem_op_q <= idex_mem_op_q;
                exmem_dest_q <= idex_dest_q;
                exmem_reg_write_q <= idex_reg_write_q;
                exmem_writes_hi_q <= idex_md_op_q != MD_NONE && idex_md_op_q != MD_MTLO;
                exmem_writes_lo_q <= idex_md_op_q != MD_NONE && idex_md_op_q != MD_MTHI;
            end else begin
                exmem_trap_q <= 1'b0;
                exmem_mem_op_q <= MEM_NONE;
                exmem_dest_q <= 5'd0;
                exmem_reg_write_q <= 1'b0;
                exmem_writes_hi_q <= 1'b0;
                exmem_writes_lo_q <= 1'b0;
            end
        end
    end

endmodule
