// Decode stage: decodes the instruction in IF/ID, reads its operands from the register file and
// fills the ID/EX register. The register file is read again in every cycle, also while the
// instruction waits here, so a stalled instruction picks up what WB writes meanwhile (and, with
// the write-through file, what WB writes in the cycle it leaves).
// The stall itself is decided in the hazard unit; here it only turns into a bubble sent to EX
// while IF/ID keeps its instruction. A fetch error decodes as a trap that does nothing else.
`default_nettype none

module id_stage
    import mips_pkg::*;
(
    input  logic        clk,
    input  logic        rst,
    input  logic        freeze,
    input  logic        bubble_ex,       // EX receives no instruction (stall, annul, exception)
    input  logic        slot_taken,      // the instruction here is the slot of a taken branch
    input  logic        bug_regfile_no_bypass,
    input  logic        bug_mtlo_mthi_read_rt,
    input  logic        bug_lui_low_half,
    // IF/ID
    input  logic        ifid_valid_q,
    input  logic [31:0] ifid_pc_q,
    input  logic [31:0] ifid_insn_q,
    input  logic        ifid_trap_q,
    input  logic        ifid_slot_q,
    // register write from WB
    input  logic        wb_we,
    input  logic [ 4:0] wb_waddr,
    input  logic [31:0] wb_wdata,
    // what the hazard unit needs of the instruction here
    output logic [ 4:0] id_rs,
    output logic [ 4:0] id_rt,
    output logic        id_reads_rs,
    output logic        id_reads_rt,
    output logic        id_reads_hilo,
    output logic        id_uses_muldiv,
    // ID/EX
    output logic        idex_valid_q,
    output logic [31:0] idex_pc_q,
    output logic [31:0] idex_insn_q,
    output logic [ 4:0] idex_rs_q,
    output logic [ 4:0] idex_rt_q,
    output logic [31:0] idex_rs_val_q,
    output logic [31:0] idex_rt_val_q,
    output logic [31:0] idex_imm_q,
    output logic [ 3:0] idex_alu_op_q,
    output logic        idex_use_imm_q,
    output logic        idex_var_shift_q,
    output logic        idex_ovf_trap_q,
    output logic [ 3:0] idex_mem_op_q,
    output logic [ 3:0] idex_br_op_q,
    output logic [ 2:0] idex_md_op_q,
    output logic [ 4:0] idex_dest_q,
    output logic        idex_reg_write_q,
    output logic        idex_trap_q,
    output logic        idex_slot_q
);

    logic [4:0] rs_addr, rt_addr, dest;
    logic reads_rs, reads_rt, reg_write, use_imm, var_shift, ovf_trap, reads_hilo, trap;
    logic [31:0] imm, rs_data, rt_data;
    logic [3:0] alu_op, mem_op, br_op;
    logic [2:0] md_op;

    // A word that failed to fetch is decoded as the nop that IF put in its place.
    decoder u_decoder (
        .insn(ifid_insn_q),
        .bug_mtlo_mthi_read_rt(bug_mtlo_mthi_read_rt),
        .bug_lui_low_half(bug_lui_low_half),
        .rs_addr(rs_addr),
        .rt_addr(rt_addr),
        .reads_rs(reads_rs),
        .reads_rt(reads_rt),
        .dest(dest),
        .reg_write(reg_write),
        .alu_op(alu_op),
        .use_imm(use_imm),
        .var_shift(var_shift),
        .imm(imm),
        .ovf_trap(ovf_trap),
        .mem_op(mem_op),
        .br_op(br_op),
        .md_op(md_op),
        .reads_hilo(reads_hilo),
        .trap(trap)
    );

    regfile u_regfile (
        .clk(clk),
        .rst(rst),
        .bug_no_bypass(bug_regfile_no_bypass),
        .rs_addr(rs_addr),
        .rt_addr(rt_addr),
        .rs_data(rs_data),
        .rt_data(rt_data),
        .we(wb_we),
        .waddr(wb_waddr),
        .wdata(wb_wdata)
    );

    assign id_rs = rs_addr;
    assign id_rt = rt_addr;
    assign id_reads_rs = ifid_valid_q && reads_rs;
    assign id_reads_rt = ifid_valid_q && reads_rt;
    assign id_reads_hilo = ifid_valid_q && reads_hilo;
    assign id_uses_muldiv = ifid_valid_q && md_op != MD_NONE;

    always_ff @(posedge clk) begin
        if (rst) begin
            idex_valid_q <= 1'b0;
            idex_pc_q <= 32'b0;
            idex_insn_q <= 32'b0;
            idex_rs_q <= 5'd0;
            idex_rt_q <= 5'd0;
            idex_rs_val_q <= 32'b0;
            idex_rt_val_q <= 32'b0;
            idex_imm_q <= 32'b0;
            idex_alu_op_q <= ALU_ADD;
            idex_use_imm_q <= 1'b0;
            idex_var_shift_q <= 1'b0;
            idex_ovf_trap_q <= 1'b0;
            idex_mem_op_q <= MEM_NONE;
            idex_br_op_q <= BR_NONE;
            idex_md_op_q <= MD_NONE;
            idex_dest_q <= 5'd0;
            idex_reg_write_q <= 1'b0;
            idex_trap_q <= 1'b0;
            idex_slot_q <= 1'b0;
        end else if (!freeze) begin
            // the fields that act are cleared for a bubble; the rest only matter when valid
            idex_valid_q <= ifid_valid_q && !bubble_ex;
            idex_pc_q <= ifid_pc_q;
            idex_insn_q <= ifid_insn_q;
            idex_rs_q <= rs_addr;
            idex_rt_q <= rt_addr;
            idex_rs_val_q <= rs_data;
            idex_rt_val_q <= rt_data;
            idex_imm_q <= imm;
            idex_alu_op_q <= alu_op;
            idex_use_imm_q <= use_imm;
            idex_var_shift_q <= var_shift;
            idex_ovf_trap_q <= ovf_trap;
            idex_slot_q <= ifid_slot_q || slot_taken;
            if (ifid_valid_q && !bubble_ex) begin
                idex_mem_op_q <= mem_op;
                idex_br_op_q <= br_op;
                idex_md_op_q <= md_op;
                idex_dest_q <= dest;
                idex_reg_write_q <= reg_write;
                idex_trap_q <= trap || ifid_trap_q;
            end else begin
                idex_mem_op_q <= MEM_NONE;
                idex_br_op_q <= BR_NONE;
                idex_md_op_q <= MD_NONE;
                idex_dest_q <= 5'd0;
                idex_reg_write_q <= 1'b0;
                idex_trap_q <= 1'b0;
            end
        end
    end

endmodule
