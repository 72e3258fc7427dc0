// A MIPS-I core (R3000 user instruction set, little-endian) in a classic five-stage pipeline:
// IF (if_stage), ID (id_stage with decoder and regfile), EX (ex_stage), MEM (mem_stage), WB
// (wb_stage), with the multiply/divide unit (muldiv) beside EX and every stall, flush and
// forwarding decision in hazard_unit. Reset fetches from 0xbfc00000; exceptions go to
// 0xbfc00380 with no coprocessor 0. This module only connects the stages.
// `bugs` switches on deliberate faults, one bit each (mips_pkg BUG_*, bug_knobs.md); 0 is the
// correct core.
`default_nettype none

module mips_core
    import mips_pkg::*;
(
    input  logic        clk,
    input  logic        rst,
    input  logic [31:0] bugs,
    // instruction port
    output logic        i_req,
    output logic [31:0] i_addr,
    input  logic        i_ready,
    input  logic [31:0] i_rdata,
    input  logic        i_err,
    // data port
    output logic        d_req,
    output logic        d_we,
    output logic [ 3:0] d_be,
    output logic [31:0] d_addr,
    output logic [31:0] d_wdata,
    input  logic        d_ready,
    input  logic [31:0] d_rdata,
    input  logic        d_err,
    // retirement interface
    output logic        rv_valid,
    output logic [31:0] rv_seq,
    output logic [31:0] rv_pc,
    output logic [31:0] rv_insn,
    output logic        rv_gpr,
    output logic        rv_hi,
    output logic        rv_lo,
    output logic        rv_mem,
    output logic        rv_trap,
    output logic        wg_valid,
    output logic [31:0] wg_seq,
    output logic [ 4:0] wg_reg,
    output logic [31:0] wg_data,
    output logic        wh_valid,
    output logic [31:0] wh_seq,
    output logic [31:0] wh_data,
    output logic        wl_valid,
    output logic [31:0] wl_seq,
    output logic [31:0] wl_data,
    output logic        wm_valid,
    output logic [31:0] wm_seq,
    output logic [31:0] wm_addr,
    output logic [ 3:0] wm_be,
    output logic [31:0] wm_data
);

    logic unused_bugs;
    assign unused_bugs = |bugs[31:BUG_KNOBS];

    // hazard unit decisions
    logic freeze, stall_id, bubble_ex, slot_taken, exc_flush, redirect, flush_ifid, mark_slot;
    logic [31:0] redirect_pc;
    logic [1:0] fwd_rs, fwd_rt;

    // IF/ID
    logic ifid_valid_q, ifid_trap_q, ifid_slot_q;
    logic [31:0] ifid_pc_q, ifid_insn_q;

    // ID for the hazard unit, and ID/EX
    logic [4:0] id_rs, id_rt;
    logic id_reads_rs, id_reads_rt, id_reads_hilo, id_uses_muldiv;
    logic idex_valid_q, idex_use_imm_q, idex_var_shift_q, idex_ovf_trap_q, idex_reg_write_q;
    logic idex_trap_q, idex_slot_q;
    logic [31:0] idex_pc_q, idex_insn_q, idex_rs_val_q, idex_rt_val_q, idex_imm_q;
    logic [4:0] idex_rs_q, idex_rt_q, idex_dest_q;
    logic [3:0] idex_alu_op_q, idex_mem_op_q, idex_br_op_q;
    logic [2:0] idex_md_op_q;

    // EX results, and EX/MEM
    logic branch_taken, md_start;
    logic [31:0] branch_target, md_a, md_b, md_seq, hi, lo;
    logic [2:0] md_op;
    logic md_pending;
    logic exmem_valid_q, exmem_reg_write_q, exmem_writes_hi_q, exmem_writes_lo_q;
    logic exmem_trap_q, exmem_slot_q;
    logic [31:0] exmem_pc_q, exmem_insn_q, exmem_seq_q, exmem_result_q, exmem_rt_val_q;
    logic [3:0] exmem_mem_op_q;
    logic [4:0] exmem_dest_q;

    // MEM, and MEM/WB
    logic mem_exc;
    logic memwb_valid_q, memwb_reg_write_q, memwb_writes_hi_q, memwb_writes_lo_q;
    logic memwb_wrote_mem_q, memwb_trap_q;
    logic [31:0] memwb_pc_q, memwb_insn_q, memwb_seq_q, memwb_wdata_q;
    logic [4:0] memwb_dest_q;

    // WB register write
    logic rf_we;
    logic [4:0] rf_waddr;
    logic [31:0] rf_wdata;

    hazard_unit u_hazard (
        .bug_fwd_ex_ex(bugs[BUG_FWD_EX_EX]),
        .bug_fwd_mem_ex(bugs[BUG_FWD_MEM_EX]),
        .bug_no_load_interlock(bugs[BUG_NO_LOAD_INTERLOCK]),
        .bug_hilo_no_interlock(bugs[BUG_HILO_NO_INTERLOCK]),
        .bug_branch_annuls_slot(bugs[BUG_BRANCH_ANNULS_SLOT]),
        .i_req(i_req),
        .i_ready(i_ready),
        .d_req(d_req),
        .d_ready(d_ready),
        .id_rs(id_rs),
        .id_rt(id_rt),
        .id_reads_rs(id_reads_rs),
        .id_reads_rt(id_reads_rt),
        .id_reads_hilo(id_reads_hilo),
        .id_uses_muldiv(id_uses_muldiv),
        .ex_valid(idex_valid_q),
        .ex_rs(idex_rs_q),
        .ex_rt(idex_rt_q),
        .ex_mem_op(idex_mem_op_q),
        .ex_md_op(idex_md_op_q),
        .ex_dest(idex_dest_q),
        .ex_reg_write(idex_reg_write_q),
        .ex_branch_taken(branch_taken),
        .ex_branch_target(branch_target),
        .mem_valid(exmem_valid_q),
        .mem_mem_op(exmem_mem_op_q),
        .mem_dest(exmem_dest_q),
        .mem_reg_write(exmem_reg_write_q),
        .mem_exc(mem_exc),
        .wb_valid(memwb_valid_q),
        .wb_dest(memwb_dest_q),
        .wb_reg_write(memwb_reg_write_q),
        .md_pending(md_pending),
        .freeze(freeze),
        .stall_id(stall_id),
        .bubble_ex(bubble_ex),
        .slot_taken(slot_taken),
        .exc_flush(exc_flush),
        .redirect(redirect),
        .redirect_pc(redirect_pc),
        .flush_ifid(flush_ifid),
        .mark_slot(mark_slot),
        .fwd_rs(fwd_rs),
        .fwd_rt(fwd_rt)
    );

    if_stage u_if (
        .clk(clk),
        .rst(rst),
        .freeze(freeze),
        .stall_id(stall_id),
        .redirect(redirect),
        .redirect_pc(redirect_pc),
        .flush_ifid(flush_ifid),
        .mark_slot(mark_slot),
        .i_req(i_req),
        .i_addr(i_addr),
        .i_ready(i_ready),
        .i_rdata(i_rdata),
        .i_err(i_err),
        .ifid_valid_q(ifid_valid_q),
        .ifid_pc_q(ifid_pc_q),
        .ifid_insn_q(ifid_insn_q),
        .ifid_trap_q(ifid_trap_q),
        .ifid_slot_q(ifid_slot_q)
    );

    id_stage u_id (
        .clk(clk),
        .rst(rst),
        .freeze(freeze),
        .bubble_ex(bubble_ex),
        .slot_taken(slot_taken),
        .bug_regfile_no_bypass(bugs[BUG_REGFILE_NO_BYPASS]),
        .bug_mtlo_mthi_read_rt(bugs[BUG_MTLO_MTHI_READ_RT]),
        .bug_lui_low_half(bugs[BUG_LUI_LOW_HALF]),
        .ifid_valid_q(ifid_valid_q),
        .ifid_pc_q(ifid_pc_q),
        .ifid_insn_q(ifid_insn_q),
        .ifid_trap_q(ifid_trap_q),
        .ifid_slot_q(ifid_slot_q),
        .wb_we(rf_we),
        .wb_waddr(rf_waddr),
        .wb_wdata(rf_wdata),
        .id_rs(id_rs),
        .id_rt(id_rt),
        .id_reads_rs(id_reads_rs),
        .id_reads_rt(id_reads_rt),
        .id_reads_hilo(id_reads_hilo),
        .id_uses_muldiv(id_uses_muldiv),
        .idex_valid_q(idex_valid_q),
        .idex_pc_q(idex_pc_q),
        .idex_insn_q(idex_insn_q),
        .idex_rs_q(idex_rs_q),
        .idex_rt_q(idex_rt_q),
        .idex_rs_val_q(idex_rs_val_q),
        .idex_rt_val_q(idex_rt_val_q),
        .idex_imm_q(idex_imm_q),
        .idex_alu_op_q(idex_alu_op_q),
        .idex_use_imm_q(idex_use_imm_q),
        .idex_var_shift_q(idex_var_shift_q),
        .idex_ovf_trap_q(idex_ovf_trap_q),
        .idex_mem_op_q(idex_mem_op_q),
        .idex_br_op_q(idex_br_op_q),
        .idex_md_op_q(idex_md_op_q),
        .idex_dest_q(idex_dest_q),
        .idex_reg_write_q(idex_reg_write_q),
        .idex_trap_q(idex_trap_q),
        .idex_slot_q(idex_slot_q)
    );

    ex_stage u_ex (
        .clk(clk),
        .rst(rst),
        .freeze(freeze),
        .exc_flush(exc_flush),
        .bug_link_pc_plus_4(bugs[BUG_LINK_PC_PLUS_4]),
        .bug_sra_zero_fill(bugs[BUG_SRA_ZERO_FILL]),
        .bug_slt_unsigned(bugs[BUG_SLT_UNSIGNED]),
        .idex_valid_q(idex_valid_q),
        .idex_pc_q(idex_pc_q),
        .idex_insn_q(idex_insn_q),
        .idex_rs_val_q(idex_rs_val_q),
        .idex_rt_val_q(idex_rt_val_q),
        .idex_imm_q(idex_imm_q),
        .idex_alu_op_q(idex_alu_op_q),
        .idex_use_imm_q(idex_use_imm_q),
        .idex_var_shift_q(idex_var_shift_q),
        .idex_ovf_trap_q(idex_ovf_trap_q),
        .idex_mem_op_q(idex_mem_op_q),
        .idex_br_op_q(idex_br_op_q),
        .idex_md_op_q(idex_md_op_q),
        .idex_dest_q(idex_dest_q),
        .idex_reg_write_q(idex_reg_write_q),
        .idex_trap_q(idex_trap_q),
        .idex_slot_q(idex_slot_q),
        .fwd_rs(fwd_rs),
        .fwd_rt(fwd_rt),
        .mem_result(exmem_result_q),
        .wb_result(memwb_wdata_q),
        .hi(hi),
        .lo(lo),
        .branch_taken(branch_taken),
        .branch_target(branch_target),
        .md_start(md_start),
        .md_op(md_op),
        .md_a(md_a),
        .md_b(md_b),
        .md_seq(md_seq),
        .exmem_valid_q(exmem_valid_q),
        .exmem_pc_q(exmem_pc_q),
        .exmem_insn_q(exmem_insn_q),
        .exmem_seq_q(exmem_seq_q),
        .exmem_result_q(exmem_result_q),
        .exmem_rt_val_q(exmem_rt_val_q),
        .exmem_mem_op_q(exmem_mem_op_q),
        .exmem_dest_q(exmem_dest_q),
        .exmem_reg_write_q(exmem_reg_write_q),
        .exmem_writes_hi_q(exmem_writes_hi_q),
        .exmem_writes_lo_q(exmem_writes_lo_q),
        .exmem_trap_q(exmem_trap_q),
        .exmem_slot_q(exmem_slot_q)
    );

    muldiv u_muldiv (
        .clk(clk),
        .rst(rst),
        .freeze(freeze),
        .bug_div_remainder_sign(bugs[BUG_DIV_REMAINDER_SIGN]),
        .start(md_start),
        .op(md_op),
        .a(md_a),
        .b(md_b),
        .seq(md_seq),
        .hi(hi),
        .lo(lo),
        .pending(md_pending),
        .wh_valid(wh_valid),
        .wh_seq(wh_seq),
        .wh_data(wh_data),
        .wl_valid(wl_valid),
        .wl_seq(wl_seq),
        .wl_data(wl_data)
    );

    mem_stage u_mem (
        .clk(clk),
        .rst(rst),
        .freeze(freeze),
        .bug_store_ignores_byte_enables(bugs[BUG_STORE_IGNORES_BYTE_ENABLES]),
        .bug_delay_slot_store_dropped(bugs[BUG_DELAY_SLOT_STORE_DROPPED]),
        .exmem_valid_q(exmem_valid_q),
        .exmem_pc_q(exmem_pc_q),
        .exmem_insn_q(exmem_insn_q),
        .exmem_seq_q(exmem_seq_q),
        .exmem_result_q(exmem_result_q),
        .exmem_rt_val_q(exmem_rt_val_q),
        .exmem_mem_op_q(exmem_mem_op_q),
        .exmem_dest_q(exmem_dest_q),
        .exmem_reg_write_q(exmem_reg_write_q),
        .exmem_writes_hi_q(exmem_writes_hi_q),
        .exmem_writes_lo_q(exmem_writes_lo_q),
        .exmem_trap_q(exmem_trap_q),
        .exmem_slot_q(exmem_slot_q),
        .d_req(d_req),
        .d_we(d_we),
        .d_be(d_be),
        .d_addr(d_addr),
        .d_wdata(d_wdata),
        .d_ready(d_ready),
        .d_rdata(d_rdata),
        .d_err(d_err),
        .exc(mem_exc),
        .wm_valid(wm_valid),
        .wm_seq(wm_seq),
        .wm_addr(wm_addr),
        .wm_be(wm_be),
        .wm_data(wm_data),
        .memwb_valid_q(memwb_valid_q),
        .memwb_pc_q(memwb_pc_q),
        .memwb_insn_q(memwb_insn_q),
        .memwb_seq_q(memwb_seq_q),
        .memwb_wdata_q(memwb_wdata_q),
        .memwb_dest_q(memwb_dest_q),
        .memwb_reg_write_q(memwb_reg_write_q),
        .memwb_writes_hi_q(memwb_writes_hi_q),
        .memwb_writes_lo_q(memwb_writes_lo_q),
        .memwb_wrote_mem_q(memwb_wrote_mem_q),
        .memwb_trap_q(memwb_trap_q)
    );

    wb_stage u_wb (
        .freeze(freeze),
        .memwb_valid_q(memwb_valid_q),
        .memwb_pc_q(memwb_pc_q),
        .memwb_insn_q(memwb_insn_q),
        .memwb_seq_q(memwb_seq_q),
        .memwb_wdata_q(memwb_wdata_q),
        .memwb_dest_q(memwb_dest_q),
        .memwb_reg_write_q(memwb_reg_write_q),
        .memwb_writes_hi_q(memwb_writes_hi_q),
        .memwb_writes_lo_q(memwb_writes_lo_q),
        .memwb_wrote_mem_q(memwb_wrote_mem_q),
        .memwb_trap_q(memwb_trap_q),
        .rf_we(rf_we),
        .rf_waddr(rf_waddr),
        .rf_wdata(rf_wdata),
        .rv_valid(rv_valid),
        .rv_seq(rv_seq),
        .rv_pc(rv_pc),
        .rv_insn(rv_insn),
        .rv_gpr(rv_gpr),
        .rv_hi(rv_hi),
        .rv_lo(rv_lo),
        .rv_mem(rv_mem),
        .rv_trap(rv_trap),
        .wg_valid(wg_valid),
        .wg_seq(wg_seq),
        .wg_reg(wg_reg),
        .wg_data(wg_data)
    );

endmodule
