`default_nettype none
// A scripted core on coretest_board's two ports, with the tracer and the monitor: it fetches,
// stores a word, loads it back in the ready cycle and once more taking the data two cycles after
// ready with the address held (as a core with a four-phase handshake does), writes the lamps,
// the display and the end mark, and retires each instruction to the tracer, so that a run that
// keeps the ports' contract ends with PASS. +scenario=NAME breaks one rule once on the way:
//   withdraw  the load's req drops before ready      address   the load's address moves before ready
//   we        a load turns into a store before ready  be        a store's byte enables change before ready
//   wdata     a store's data changes before ready     unaligned a load from an address that is not a word's
//   late      the load's data is taken after the address moved on (poisoned read data)
//   fetch     the fetch address moves before ready    unknown   req is X after reset
// Needs LATENCY >= 1 (the rules about waiting need a wait).
module port_contract_tb
    import coretest_pkg::*;
#(
    parameter int LATENCY = 1
);
    localparam logic [31:0] ROM = 32'hbfc0_0000;
    localparam logic [31:0] RAM = 32'h8000_0000;

    logic clk = 1'b0;
    always #5 clk = ~clk;

    logic              rst;
    coretest_mem_req_t imem_req, dmem_req;
    coretest_mem_rsp_t imem_rsp, dmem_rsp;
    logic        bus_error, end_mark, stop, flush, trace_end;
    logic [31:0] display, lamp_a, lamp_b, trace_errors;
    logic [15:0] leds;
    coretest_retirement_t r;

    coretest_board #(.LATENCY(LATENCY)) board (
        .clk_i(clk), .rst_i(rst),
        .imem_req_i(imem_req), .imem_rsp_o(imem_rsp), .dmem_req_i(dmem_req), .dmem_rsp_o(dmem_rsp),
        .bus_error_o(bus_error), .end_mark_o(end_mark), .display_o(display), .leds_o(leds),
        .lamp_a_o(lamp_a), .lamp_b_o(lamp_b));
    coretest_tracer #(.DEPTH(8)) tracer (
        .clk_i(clk), .rst_i(rst), .retirement_i(r), .stop_i(stop), .flush_i(flush),
        .trace_end_o(trace_end), .errors_o(trace_errors));
    coretest_monitor #(.DRAIN_CYCLES(4)) monitor (
        .clk_i(clk), .rst_i(rst), .imem_req_i(imem_req), .imem_rsp_i(imem_rsp),
        .bus_error_i(bus_error), .end_mark_i(end_mark), .display_i(display), .lamp_a_i(lamp_a),
        .lamp_b_i(lamp_b), .trace_end_i(trace_end), .trace_errors_i(trace_errors), .stop_o(stop),
        .flush_o(flush));

    int checks = 0;
    task automatic expect_eq(string what, logic [31:0] got, logic [31:0] want);
        checks++;
        if (got !== want) $display("port_contract_tb: FAIL %s: 0x%08h, expected 0x%08h", what, got, want);
    endtask

    // The retirement of one instruction, for one cycle: a register write or a store.
    int seq = 0;
    task automatic retire_gpr(logic [31:0] pc, logic [4:0] regno, logic [31:0] value);
        seq++;
        r.rv.valid = 1'b1; r.rv.seq = seq; r.rv.pc = pc; r.rv.insn = 32'h0;
        {r.rv.gpr, r.rv.hi, r.rv.lo, r.rv.mem, r.rv.trap} = 5'b10000;
        {r.rv.exc_info, r.rv.exc_code, r.rv.epc, r.rv.badvaddr} = '0;
        r.wg.valid = 1'b1; r.wg.seq = seq; r.wg.regno = regno; r.wg.data = value;
        @(posedge clk);
        #1 r = '0;
    endtask
    task automatic retire_store(logic [31:0] pc, logic [31:0] a, logic [3:0] be, logic [31:0] v);
        seq++;
        r.rv.valid = 1'b1; r.rv.seq = seq; r.rv.pc = pc; r.rv.insn = 32'h0;
        {r.rv.gpr, r.rv.hi, r.rv.lo, r.rv.mem, r.rv.trap} = 5'b00010;
        {r.rv.exc_info, r.rv.exc_code, r.rv.epc, r.rv.badvaddr} = '0;
        r.wm.valid = 1'b1; r.wm.seq = seq; r.wm.addr = a; r.wm.be = be; r.wm.data = v;
        @(posedge clk);
        #1 r = '0;
    endtask

    // Waits for ready on the data port (from 1 ns after an edge), counting the cycles.
    task automatic wait_data_ready(output int waited);
        waited = 0;
        while (!dmem_rsp.ready) begin
            @(posedge clk);
            #1 waited++;
        end
    endtask

    // One data access held until ready; the rule named by `breaks` is broken once, in its first
    // wait cycle. Returns the read data of the ready cycle.
    task automatic access(logic we, logic [31:0] a, logic [3:0] be, logic [31:0] wdata,
                          string breaks, output logic [31:0] rdata);
        int waited;
        dmem_req = {1'b1, we, be, a, wdata};
        #1;
        if (breaks != "" && !dmem_rsp.ready) begin
            @(posedge clk);
            #1;
            if (breaks == "withdraw") dmem_req.req = 1'b0;
            if (breaks == "address") dmem_req.addr = a + 32'd4;
            if (breaks == "we") dmem_req.we = !we;
            if (breaks == "be") dmem_req.be = ~be;
            if (breaks == "wdata") dmem_req.wdata = ~wdata;
            #1;
        end
        wait_data_ready(waited);
        rdata = dmem_rsp.rdata;
        @(posedge clk);
        #1 dmem_req.req = 1'b0;
    endtask

    task automatic fetch(logic [31:0] a, logic move);
        imem_req.req = 1'b1;
        imem_req.addr = a;
        #1;
        if (move && !imem_rsp.ready) begin
            @(posedge clk);
            #1 imem_req.addr = a + 32'd4;
        end
        #1;
        while (!imem_rsp.ready) begin
            @(posedge clk);
            #1;
        end
        @(posedge clk);
        #1 imem_req.req = 1'b0;
    endtask

    string scenario, store_breaks, load_breaks;
    logic [31:0] word;
    initial begin
        if (!$value$plusargs("scenario=%s", scenario)) scenario = "keeps";
        r = '0;
        imem_req = '0;
        dmem_req = '0;
        rst = 1'b1;
        repeat (2) @(posedge clk);
        #1 rst = 1'b0;
        if (scenario == "unknown") begin
            imem_req.req = 1'bx;
            @(posedge clk);
            #1;
        end

        // The rule each access breaks ("" none); strings are chosen with if, not ?: (Icarus 11).
        store_breaks = "";
        load_breaks = "";
        if (scenario == "be" || scenario == "wdata") store_breaks = scenario;
        if (scenario == "withdraw" || scenario == "address" || scenario == "we") load_breaks = scenario;

        fetch(ROM, scenario == "fetch");
        access(1'b1, RAM + 32'h10, 4'b1111, 32'h12345678, store_breaks, word);
        retire_store(ROM, RAM + 32'h10, 4'b1111, 32'h12345678);
        access(1'b0, scenario == "unaligned" ? RAM + 32'h12 : RAM + 32'h10, 4'b1111, 32'h0,
               load_breaks, word);
        expect_eq("load in the ready cycle", word, 32'h12345678);
        retire_gpr(ROM + 32'h4, 5'd4, word);

        // The same load, its data taken two cycles after ready: valid while the address is held.
        // "late" moves the address on first.
        access(1'b0, RAM + 32'h10, 4'b1111, 32'h0, "", word);
        if (scenario == "late") dmem_req.addr = RAM + 32'h20;
        repeat (2) @(posedge clk);
        #1 word = dmem_rsp.rdata;
        if (scenario != "late") expect_eq("load taken two cycles after ready", word, 32'h12345678);
        retire_gpr(ROM + 32'h8, 5'd5, word);

        access(1'b1, 32'hfffff004, 4'b1111, 32'h1, "", word);
        retire_store(ROM + 32'hc, 32'hfffff004, 4'b1111, 32'h1);
        access(1'b1, 32'hfffff008, 4'b1111, 32'h1, "", word);
        retire_store(ROM + 32'h10, 32'hfffff008, 4'b1111, 32'h1);
        access(1'b1, 32'hfffff010, 4'b1111, 32'h3a00003a, "", word);
        retire_store(ROM + 32'h14, 32'hfffff010, 4'b1111, 32'h3a00003a);
        access(1'b1, 32'hfffffff0, 4'b1111, 32'hff, "", word);
        retire_store(ROM + 32'h18, 32'hfffffff0, 4'b1111, 32'hff);
        $display("port_contract_tb: %0d checks done", checks);
        forever @(posedge clk);  // the monitor ends the run
    end
endmodule
`default_nettype wire
