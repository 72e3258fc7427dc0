`default_nettype none
// The template top: a core running the test ROM on the kit's board, with the tracer writing the
// commit trace, the monitor ending the run and, built with CORETEST_COSIM, the live checker.
// Clock and reset are made here. To run your own core, copy this file and edit only the part
// between "YOUR CORE: begin" and "YOUR CORE: end"; everything else stays as it is. Our core
// (hdl/core) uses this file unchanged: CORETEST_CORE names the module instantiated there
// (default mips_core; mips_core_wrapped is the same core seen only from outside).
//   +rom=FILE        the ROM for $readmemh (default coretest.hex)
//   +switch=V        SWITCH_REG, hexadecimal (default 1: the short pause)
//   +bug=NAME[,...]  switch on bug knobs of the core (built with CORETEST_BUG_KNOBS)
//   +trace=FILE      write the commit trace (+trace_untagged: without the @SEQ tags)
//   +max_cycles=N    give up after N cycles
// Under Verilator the C++ main (sim_main.cpp) drives clk_i; other simulators get a clock here.
module coretest_tb
    import coretest_pkg::*;
`ifdef VERILATOR
    (input wire logic clk_i)
`endif
;
`ifdef VERILATOR
    logic clk;
    assign clk = clk_i;
`else
    logic clk = 1'b0;
    always #5 clk = ~clk;
`endif
    parameter int LATENCY = 0;  // wait states of the board's memory ports

`ifdef CORETEST_BUG_KNOBS
`include "coretest_bug_knobs.svh"
`else
    // Without the core's knob table, every name is unknown.
    localparam BUG_KNOB_NAMES = "none";
    /* verilator lint_off UNUSEDSIGNAL */
    function automatic int bug_knob_bit(string name);
        return -1;
    endfunction
    /* verilator lint_on UNUSEDSIGNAL */
`endif
`ifndef CORETEST_CORE
`define CORETEST_CORE mips_core
`endif

    // Synchronous reset for the first cycles.
    logic [2:0] reset_cycles_q = '0;
    logic rst;
    assign rst = reset_cycles_q != 3'd7;
    always_ff @(posedge clk) if (rst) reset_cycles_q <= reset_cycles_q + 3'd1;

    // +bug=NAME[,NAME...]: every name must be a knob of the core; an empty one is refused too.
    logic [31:0] bugs;
    string knobs, knob;
    int knob_start;
    initial begin
        bugs = '0;
        if ($test$plusargs("bug=")) begin
            knobs = "";
            if ($value$plusargs("bug=%s", knobs)) begin end
            knob_start = 0;
            for (int i = 0; i <= knobs.len(); i++)
                if (i == knobs.len() || knobs[i] == ",") begin
                    knob = knobs.substr(knob_start, i - 1);
                    knob_start = i + 1;
                    if (knob == "") begin
                        $display("coretest: ERROR an empty bug knob name in +bug=%s (+bug=NAME[,NAME...]; knobs: %s)",
                                 knobs, BUG_KNOB_NAMES);
                        $finish;
                    end else if (bug_knob_bit(knob) < 0) begin
                        $display("coretest: ERROR unknown bug knob '%s' (+bug=NAME[,NAME...]; knobs: %s)",
                                 knob, BUG_KNOB_NAMES);
                        $finish;
                    end else begin
                        bugs[bug_knob_bit(knob)] = 1'b1;
                    end
                end
            $display("tb: bug knobs %s (bugs 0x%08h)", knobs, bugs);
        end
    end

    // Memory ports: a request (req, we, be, addr, wdata) and a response (ready, rdata, err) each,
    // the structs of coretest_pkg.
    coretest_mem_req_t imem_req, dmem_req;
    coretest_mem_rsp_t imem_rsp, dmem_rsp;

    // Retirement interface: the tracer's input, and the place to tap for a live checker.
    coretest_retirement_t retirement;

    // ======================= YOUR CORE: begin =======================
    // Connect the core's instruction and data ports to the structs above (clk, rst, imem_*,
    // dmem_*) and drive `retirement`: from the core's own port, or from a coretest_shadow_pipeline
    // that follows its stages from outside (docs/simulation.md). A core with one signal per wire
    // connects each to its field (.iaddr(imem_req.addr), .irdata(imem_rsp.rdata), ...) and ties
    // the fields it lacks. `bugs` carries +bug=.
    `CORETEST_CORE core (
        .clk_i(clk), .rst_i(rst), .bugs_i(bugs),
        .imem_req_o(imem_req), .imem_rsp_i(imem_rsp), .dmem_req_o(dmem_req), .dmem_rsp_i(dmem_rsp),
        .retirement_o(retirement)
    );
    // ======================= YOUR CORE: end =========================

    // Board outputs and the run's end.
    logic        bus_error, end_mark, trace_end, stop, flush;
    logic [31:0] display, lamp_a, lamp_b, trace_errors;
    logic [15:0] leds;

    coretest_board #(.LATENCY(LATENCY)) board (
        .clk_i(clk), .rst_i(rst),
        .imem_req_i(imem_req), .imem_rsp_o(imem_rsp), .dmem_req_i(dmem_req), .dmem_rsp_o(dmem_rsp),
        .bus_error_o(bus_error), .end_mark_o(end_mark), .display_o(display), .leds_o(leds),
        .lamp_a_o(lamp_a), .lamp_b_o(lamp_b)
    );

    coretest_tracer tracer (
        .clk_i(clk), .rst_i(rst),
        .retirement_i(retirement),
        .stop_i(stop), .flush_i(flush), .trace_end_o(trace_end), .errors_o(trace_errors)
    );

    coretest_monitor monitor (
        .clk_i(clk), .rst_i(rst),
        .imem_req_i(imem_req), .imem_rsp_i(imem_rsp),
        .bus_error_i(bus_error), .end_mark_i(end_mark), .display_i(display),
        .lamp_a_i(lamp_a), .lamp_b_i(lamp_b),
        .trace_end_i(trace_end), .trace_errors_i(trace_errors), .stop_o(stop), .flush_o(flush)
    );

`ifdef CORETEST_COSIM
    // The live checker: the reference core checks every retirement (hdl/cosim, docs/cosim.md).
    coretest_cosim_checker cosim (
        .clk_i(clk), .rst_i(rst), .retirement_i(retirement), .finish_i(flush)
    );
`endif

    // The LED bank is for a person watching; the run's verdict is read from the lamps.
    logic unused_leds;
    assign unused_leds = ^leds;
endmodule
`default_nettype wire
