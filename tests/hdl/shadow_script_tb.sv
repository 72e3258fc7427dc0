`default_nettype none
// coretest_shadow_pipeline driven cycle by cycle as a core would: a multiply whose result comes
// late, a stall (ID kept, a bubble into EX), a register write, an exception in MEM, a store, an
// mthi in EX, then a miswired stall. Prints every retirement-interface event, one line each, for
// tests/hdl/sim_core_test.cpp to compare.
module shadow_script_tb;
    import coretest_pkg::*;

    logic clk = 1'b0, rst = 1'b1;
    logic [31:0] fetch_pc = '0, fetch_insn = '0;
    logic adv_id = 1'b0, fl_id = 1'b0, adv_ex = 1'b0, fl_ex = 1'b0, adv_mem = 1'b0, fl_mem = 1'b0;
    logic adv_wb = 1'b0, trap = 1'b0, retire = 1'b0;
    logic wb_we = 1'b0, store = 1'b0, md_issue = 1'b0, hi_we = 1'b0, lo_we = 1'b0, late = 1'b0;
    logic [4:0] wb_reg = '0;
    logic [31:0] wb_data = '0, hi = '0, lo = '0;
    coretest_retirement_t r;

    coretest_shadow_pipeline dut (
        .clk_i(clk), .rst_i(rst),
        .fetch_valid_i(1'b1), .fetch_pc_i(fetch_pc), .fetch_insn_i(fetch_insn),
        .advance_id_i(adv_id), .flush_id_i(fl_id), .advance_ex_i(adv_ex), .flush_ex_i(fl_ex),
        .advance_mem_i(adv_mem), .flush_mem_i(fl_mem), .advance_wb_i(adv_wb), .trap_i(trap),
        .retire_i(retire), .wb_we_i(wb_we), .wb_reg_i(wb_reg), .wb_data_i(wb_data),
        .store_i(store), .store_addr_i(32'h8000_0010), .store_be_i(4'b0011),
        .store_data_i(32'h0000_beef), .md_issue_i(md_issue), .hi_we_i(hi_we), .lo_we_i(lo_we),
        .hilo_late_i(late), .hi_i(hi), .lo_i(lo), .retirement_o(r)
    );

    int cycle = 0;
    task automatic show;
        if (r.rv.valid)
            $display("%0d rv @%0d pc %h gpr %0d hi %0d lo %0d mem %0d trap %0d", cycle, r.rv.seq,
                     r.rv.pc, r.rv.gpr, r.rv.hi, r.rv.lo, r.rv.mem, r.rv.trap);
        if (r.wg.valid) $display("%0d wg @%0d r%0d %h", cycle, r.wg.seq, r.wg.regno, r.wg.data);
        if (r.wh.valid) $display("%0d wh @%0d %h", cycle, r.wh.seq, r.wh.data);
        if (r.wl.valid) $display("%0d wl @%0d %h", cycle, r.wl.seq, r.wl.data);
        if (r.wm.valid)
            $display("%0d wm @%0d %h %b %h", cycle, r.wm.seq, r.wm.addr, r.wm.be, r.wm.data);
    endtask

    // One cycle with the inputs set before it (the word at pc enters ID if it advances); its
    // events are printed before the clock edge. Then every stage advances again by default.
    task automatic step(input logic [31:0] pc, input logic [31:0] insn);
        cycle++;
        fetch_pc = pc;
        fetch_insn = insn;
        #1 show();
        clk = 1'b1;
        #1 clk = 1'b0;
        {adv_id, adv_ex, adv_mem, adv_wb, retire} = 5'b11111;
        {fl_id, fl_ex, fl_mem, trap, wb_we, store, md_issue, hi_we, lo_we, late} = '0;
    endtask

    initial begin
        #1 clk = 1'b1;
        #1 clk = 1'b0;
        rst = 1'b0;
        {adv_id, adv_ex, adv_mem, adv_wb, retire} = 5'b11111;
        step(32'h100, 32'h0085_0018);  // 1: mult a0, a1 enters ID
        step(32'h104, 32'h0000_0000);  // 2: a nop word (valid: not a bubble)
        md_issue = 1'b1;               // 3: the mult leaves EX for MEM as @1, its result comes later
        step(32'h108, 32'h2401_0005);
        adv_id = 1'b0;                 // 4: a stall: ID keeps 0x108, EX gets a bubble
        fl_ex = 1'b1;
        step(32'h10c, 32'hac01_0010);
        step(32'h10c, 32'hac01_0010);  // 5: the mult (@1) retires, announcing HI and LO
        {wb_we, wb_reg, wb_data} = {1'b1, 5'd3, 32'h33};
        step(32'h110, 32'h0040_0011);  // 6: 0x104 (@2) retires with its write of r3
        {hi_we, lo_we, late} = 3'b111; // 7: the mult's late result; 0x108 traps in MEM
        trap = 1'b1;
        step(32'h114, 32'h0);
        {hi, lo} = {32'h11, 32'h22};   // 8: the trap (@3) retires; 0x10c stores in MEM;
        store = 1'b1;                  //    the mthi (0x110) leaves EX
        hi_we = 1'b1;
        step(32'h118, 32'h0);
        hi = 32'h55;                   // 9: the store (@4) retires
        step(32'h11c, 32'h0);
        step(32'h120, 32'h0);          // 10: the mthi (@5) retires, announcing HI
        adv_id = 1'b0;                 // 11: miswired: ID keeps its word, EX takes it as well
        step(32'h124, 32'h0);
        step(32'h128, 32'h0);
        $display("shadow_script_tb: done");
        $finish;
    end
endmodule
`default_nettype wire
