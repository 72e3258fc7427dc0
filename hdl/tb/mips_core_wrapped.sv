`default_nettype none
// Our core as if it had no retirement port: mips_core with retirement_o left open, and the
// retirement interface rebuilt from outside by the kit's coretest_shadow_pipeline, from the
// core's memory ports and hierarchical taps into its stages. The ports are mips_core's, so the
// template top (coretest_tb.sv) takes this module in place of the core (CORETEST_CORE). It is
// the worked example of wrapping a core you cannot edit: only the lines between the two
// "core-specific" markers know the core (a test counts them; at most 40).
module mips_core_wrapped
    import mips_pkg::*;
    import coretest_pkg::*;
(
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    input  wire logic [31:0] bugs_i,
    output logic             i_req_o,
    output logic      [31:0] i_addr_o,
    input  wire logic        i_ready_i,
    input  wire logic [31:0] i_rdata_i,
    input  wire logic        i_err_i,
    output logic             d_req_o,
    output logic             d_we_o,
    output logic      [ 3:0] d_be_o,
    output logic      [31:0] d_addr_o,
    output logic      [31:0] d_wdata_o,
    input  wire logic        d_ready_i,
    input  wire logic [31:0] d_rdata_i,
    input  wire logic        d_err_i,
    output coretest_retirement_t retirement_o
);
    // ---- core-specific: begin ----
    /* verilator lint_off PINMISSING */
    mips_core core (  // retirement_o stays open
        .clk_i, .rst_i, .bugs_i,
        .i_req_o, .i_addr_o, .i_ready_i, .i_rdata_i, .i_err_i,
        .d_req_o, .d_we_o, .d_be_o, .d_addr_o, .d_wdata_o, .d_ready_i, .d_rdata_i, .d_err_i
    );
    /* verilator lint_on PINMISSING */
    logic moves, md_start;  // the pipeline moves (no wait state); a command leaves EX
    assign moves = !core.freeze;
    assign md_start = moves && core.u_muldiv.start;
    coretest_shadow_pipeline shadow (
        .clk_i, .rst_i,
        .fetch_valid_i(1'b1), .fetch_pc_i(core.u_if.pc_q), .fetch_insn_i(core.u_if.fetched_insn),
        .advance_id_i(moves && !core.stall_id), .flush_id_i(moves && core.flush_ifid),
        .advance_ex_i(moves), .flush_ex_i(moves && core.bubble_ex),
        .advance_mem_i(moves), .flush_mem_i(moves && core.exc_flush),
        .advance_wb_i(moves), .trap_i(core.mem_exc), .retire_i(moves),
        .wb_we_i(core.u_wb.retire && core.u_wb.mem_wb_i.reg_write),
        .wb_reg_i(core.u_wb.mem_wb_i.dest), .wb_data_i(core.u_wb.mem_wb_i.wdata),
        .store_i(d_req_o && d_we_o && d_ready_i && !d_err_i),
        .store_addr_i(d_addr_o), .store_be_i(d_be_o), .store_data_i(d_wdata_o),
        .md_issue_i(md_start && is_muldiv(core.u_muldiv.op)),
        .hi_we_i(moves && core.u_muldiv.finishing || md_start && core.u_muldiv.op == MD_MTHI),
        .lo_we_i(moves && core.u_muldiv.finishing || md_start && core.u_muldiv.op == MD_MTLO),
        .hilo_late_i(core.u_muldiv.finishing), .hi_i(core.hi), .lo_i(core.lo),
        .retirement_o
    );
    // ---- core-specific: end ----
endmodule
`default_nettype wire
