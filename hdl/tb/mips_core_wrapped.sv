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
    `include "coretest_core_ports.svh"  // mips_core's ports, as the template top connects them
);
    // ---- core-specific: begin ----
    /* verilator lint_off PINMISSING */
    mips_core core (.clk_i, .rst_i, .bugs_i, .imem_req_o, .imem_rsp_i, .dmem_req_o, .dmem_rsp_i);
    /* verilator lint_on PINMISSING */  // retirement_o stays open
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
        .store_i(dmem_req_o.req && dmem_req_o.we && dmem_rsp_i.ready && !dmem_rsp_i.err),
        .store_addr_i(dmem_req_o.addr), .store_be_i(dmem_req_o.be), .store_data_i(dmem_req_o.wdata),
        .md_issue_i(md_start && is_muldiv(core.u_muldiv.op)),
        .hi_we_i(moves && core.u_muldiv.finishing || md_start && core.u_muldiv.op == MD_MTHI),
        .lo_we_i(moves && core.u_muldiv.finishing || md_start && core.u_muldiv.op == MD_MTLO),
        .hilo_late_i(core.u_muldiv.finishing), .hi_i(core.hi), .lo_i(core.lo),
        .retirement_o
    );
    // ---- core-specific: end ----
endmodule
`default_nettype wire
