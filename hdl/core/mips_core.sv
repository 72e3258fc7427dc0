// A MIPS-I core (R3000 user instruction set, little-endian) in a classic five-stage pipeline:
// IF (mips_if_stage), ID (mips_id_stage with mips_decoder and mips_regfile), EX (mips_ex_stage),
// MEM (mips_mem_stage), WB (mips_wb_stage), with the multiply/divide unit (mips_muldiv) beside
// EX, coprocessor 0 (mips_cp0) and every stall, flush and forwarding decision in
// mips_hazard_unit. Each pipeline register is one packed struct (mips_pkg), the output of the
// stage that fills it. Reset fetches from 0xbfc00000; exceptions are taken in MEM and go to
// 0xbfc00380 (0x80000080 with Status.BEV clear). This module only connects the
// stages; its memory ports are the kit's request and response structs (coretest_pkg). `bugs_i`
// switches on deliberate faults, one bit each (mips_pkg BUG_*, bug_knobs.md); 0 is the correct
// core.
`default_nettype none

module mips_core
    import mips_pkg::*;
    import coretest_pkg::*;
(
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire logic       [31:0] bugs_i,
    output coretest_mem_req_t      imem_req_o,    // instruction port
    input  wire coretest_mem_rsp_t imem_rsp_i,
    output coretest_mem_req_t      dmem_req_o,    // data port
    input  wire coretest_mem_rsp_t dmem_rsp_i,
    output coretest_retirement_t   retirement_o   // retirement interface (hdl/kit/coretest_pkg.sv)
);

    logic unused_bugs;
    assign unused_bugs = |bugs_i[31:BUG_KNOBS];

    // IF's fetch as the kit's request (MEM drives the data port's request itself).
    mips_imem_req_t imem_req;
    assign imem_req_o = coretest_fetch_req(imem_req.req, imem_req.addr);

    // pipeline registers
    if_id_t if_id;
    id_ex_t id_ex;
    ex_mem_t ex_mem;
    mem_wb_t mem_wb;

    // hazard unit decisions
    logic freeze, stall_id, bubble_ex, slot_taken, exc_flush, redirect, flush_ifid, mark_slot;
    logic [31:0] redirect_pc;
    fwd_sel_e fwd_rs, fwd_rt;

    // between the stages
    id_reads_t id_reads;
    branch_t branch;
    md_cmd_t md_cmd;
    logic [31:0] hi, lo;
    logic md_pending, mem_exc;
    rf_write_t rf_write;
    exc_entry_t exc_entry;
    cp0_cmd_t cp0_cmd;
    cp0_regs_t cp0_regs;
    logic [31:0] exc_vector;

    mips_hazard_unit u_hazard (
        .clk_i,
        .rst_i,
        .bug_fwd_ex_ex_i(bugs_i[BUG_FWD_EX_EX]),
        .bug_fwd_mem_ex_i(bugs_i[BUG_FWD_MEM_EX]),
        .bug_no_load_interlock_i(bugs_i[BUG_NO_LOAD_INTERLOCK]),
        .bug_hilo_no_interlock_i(bugs_i[BUG_HILO_NO_INTERLOCK]),
        .bug_branch_annuls_slot_i(bugs_i[BUG_BRANCH_ANNULS_SLOT]),
        .i_req_i(imem_req.req),
        .i_ready_i(imem_rsp_i.ready),
        .d_req_i(dmem_req_o.req),
        .d_ready_i(dmem_rsp_i.ready),
        .id_reads_i(id_reads),
        .id_ex_i(id_ex),
        .ex_mem_i(ex_mem),
        .mem_wb_i(mem_wb),
        .branch_i(branch),
        .mem_exc_i(mem_exc),
        .exc_vector_i(exc_vector),
        .md_pending_i(md_pending),
        .freeze_o(freeze),
        .stall_id_o(stall_id),
        .bubble_ex_o(bubble_ex),
        .slot_taken_o(slot_taken),
        .exc_flush_o(exc_flush),
        .redirect_o(redirect),
        .redirect_pc_o(redirect_pc),
        .flush_ifid_o(flush_ifid),
        .mark_slot_o(mark_slot),
        .fwd_rs_o(fwd_rs),
        .fwd_rt_o(fwd_rt)
    );

    mips_if_stage u_if (
        .clk_i,
        .rst_i,
        .freeze_i(freeze),
        .stall_id_i(stall_id),
        .redirect_i(redirect),
        .redirect_pc_i(redirect_pc),
        .flush_ifid_i(flush_ifid),
        .mark_slot_i(mark_slot),
        .imem_req_o(imem_req),
        .imem_rsp_i,
        .if_id_o(if_id)
    );

    mips_id_stage u_id (
        .clk_i,
        .rst_i,
        .freeze_i(freeze),
        .bubble_ex_i(bubble_ex),
        .slot_taken_i(slot_taken),
        .stall_id_i(stall_id),
        .exc_flush_i(exc_flush),
        .bug_regfile_no_bypass_i(bugs_i[BUG_REGFILE_NO_BYPASS]),
        .bug_mtlo_mthi_read_rt_i(bugs_i[BUG_MTLO_MTHI_READ_RT]),
        .bug_lui_low_half_i(bugs_i[BUG_LUI_LOW_HALF]),
        .bug_syscall_break_swapped_i(bugs_i[BUG_SYSCALL_BREAK_SWAPPED]),
        .if_id_i(if_id),
        .rf_write_i(rf_write),
        .id_reads_o(id_reads),
        .id_ex_o(id_ex)
    );

    mips_ex_stage u_ex (
        .clk_i,
        .rst_i,
        .freeze_i(freeze),
        .exc_flush_i(exc_flush),
        .bug_link_pc_plus_4_i(bugs_i[BUG_LINK_PC_PLUS_4]),
        .bug_sra_zero_fill_i(bugs_i[BUG_SRA_ZERO_FILL]),
        .bug_slt_unsigned_i(bugs_i[BUG_SLT_UNSIGNED]),
        .bug_delay_slot_store_dropped_i(bugs_i[BUG_DELAY_SLOT_STORE_DROPPED]),
        .id_ex_i(id_ex),
        .fwd_rs_i(fwd_rs),
        .fwd_rt_i(fwd_rt),
        .mem_result_i(ex_mem.result),
        .wb_result_i(mem_wb.wdata),
        .hi_i(hi),
        .lo_i(lo),
        .cp0_i(cp0_regs),
        .branch_o(branch),
        .md_cmd_o(md_cmd),
        .cp0_cmd_o(cp0_cmd),
        .ex_mem_o(ex_mem)
    );

    mips_cp0 u_cp0 (
        .clk_i,
        .rst_i,
        .bug_rfe_no_pop_i(bugs_i[BUG_RFE_NO_POP]),
        .entry_i(exc_entry),
        .cmd_i(cp0_cmd),
        .regs_o(cp0_regs),
        .vector_o(exc_vector)
    );

    mips_muldiv u_muldiv (
        .clk_i,
        .rst_i,
        .freeze_i(freeze),
        .bug_div_remainder_sign_i(bugs_i[BUG_DIV_REMAINDER_SIGN]),
        .cmd_i(md_cmd),
        .hi_o(hi),
        .lo_o(lo),
        .pending_o(md_pending),
        .wh_o(retirement_o.wh),
        .wl_o(retirement_o.wl)
    );

    mips_mem_stage u_mem (
        .clk_i,
        .rst_i,
        .freeze_i(freeze),
        .bug_store_ignores_byte_enables_i(bugs_i[BUG_STORE_IGNORES_BYTE_ENABLES]),
        .bug_delay_slot_store_dropped_i(bugs_i[BUG_DELAY_SLOT_STORE_DROPPED]),
        .bug_lb_zero_extends_i(bugs_i[BUG_LB_ZERO_EXTENDS]),
        .bug_sh_wrong_lane_i(bugs_i[BUG_SH_WRONG_LANE]),
        .bug_lwl_no_merge_i(bugs_i[BUG_LWL_NO_MERGE]),
        .bug_epc_at_delay_slot_i(bugs_i[BUG_EPC_AT_DELAY_SLOT]),
        .bug_badvaddr_aligned_i(bugs_i[BUG_BADVADDR_ALIGNED]),
        .bug_status_not_pushed_i(bugs_i[BUG_STATUS_NOT_PUSHED]),
        .exc_flush_i(exc_flush),
        .ex_mem_i(ex_mem),
        .dmem_req_o,
        .dmem_rsp_i,
        .exc_o(mem_exc),
        .entry_o(exc_entry),
        .wm_o(retirement_o.wm),
        .mem_wb_o(mem_wb)
    );

    mips_wb_stage u_wb (
        .clk_i,
        .rst_i,
        .freeze_i(freeze),
        .mem_wb_i(mem_wb),
        .rf_write_o(rf_write),
        .rv_o(retirement_o.rv),
        .wg_o(retirement_o.wg)
    );

endmodule
`default_nettype wire
