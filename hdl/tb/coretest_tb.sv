`default_nettype none
// Our core running the test ROM: mips_core on the kit's board, with the tracer writing the commit
// trace and the monitor ending the run.
//   +rom=FILE        the ROM for $readmemh (default coretest.hex)
//   +switch=V        SWITCH_REG, hexadecimal (default 1: the short pause)
//   +bug=NAME[,...]  switch on bug knobs of the core (hdl/core/bug_knobs.md)
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

`include "coretest_bug_knobs.svh"

    // Synchronous reset for the first cycles.
    logic [2:0] reset_cycles_q = '0;
    logic rst;
    assign rst = reset_cycles_q != 3'd7;
    always_ff @(posedge clk) if (rst) reset_cycles_q <= reset_cycles_q + 3'd1;

    logic [31:0] bugs;
    string knobs, knob;
    int knob_start;
    initial begin
        bugs = '0;
        if ($value$plusargs("bug=%s", knobs)) begin
            knob_start = 0;
            for (int i = 0; i <= knobs.len(); i++)
                if (i == knobs.len() || knobs[i] == ",") begin
                    knob = knobs.substr(knob_start, i - 1);
                    knob_start = i + 1;
                    if (bug_knob_bit(knob) < 0) begin
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

    // Memory ports.
    logic        i_req, i_ready, i_err;
    logic [31:0] i_addr, i_rdata;
    logic        d_req, d_we, d_ready, d_err;
    logic [ 3:0] d_be;
    logic [31:0] d_addr, d_wdata, d_rdata;

    // Retirement interface: the tracer's input, and the place to tap for a live checker.
    coretest_retirement_t retirement;

    // Board outputs and the run's end.
    logic        bus_error, end_mark, trace_end, stop, flush;
    logic [31:0] display, lamp_a, lamp_b, trace_errors;
    logic [15:0] leds;

    mips_core core (
        .clk_i(clk), .rst_i(rst), .bugs_i(bugs),
        .i_req_o(i_req), .i_addr_o(i_addr), .i_ready_i(i_ready), .i_rdata_i(i_rdata),
        .i_err_i(i_err),
        .d_req_o(d_req), .d_we_o(d_we), .d_be_o(d_be), .d_addr_o(d_addr), .d_wdata_o(d_wdata),
        .d_ready_i(d_ready), .d_rdata_i(d_rdata), .d_err_i(d_err),
        .retirement_o(retirement)
    );

    coretest_board #(.LATENCY(LATENCY)) board (
        .clk_i(clk), .rst_i(rst),
        .i_req_i(i_req), .i_addr_i(i_addr), .i_ready_o(i_ready), .i_rdata_o(i_rdata),
        .i_err_o(i_err),
        .d_req_i(d_req), .d_we_i(d_we), .d_be_i(d_be), .d_addr_i(d_addr), .d_wdata_i(d_wdata),
        .d_ready_o(d_ready), .d_rdata_o(d_rdata), .d_err_o(d_err),
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
        .i_req_i(i_req), .i_addr_i(i_addr), .i_ready_i(i_ready),
        .bus_error_i(bus_error), .end_mark_i(end_mark), .display_i(display),
        .lamp_a_i(lamp_a), .lamp_b_i(lamp_b),
        .trace_end_i(trace_end), .trace_errors_i(trace_errors), .stop_o(stop), .flush_o(flush)
    );

`ifdef CORETEST_COSIM
    // The live checker (model coretest_cosim_sim): the reference core checks every retirement.
    coretest_cosim_checker cosim (
        .clk_i(clk), .rst_i(rst), .retirement_i(retirement), .finish_i(flush)
    );
`endif

    // The LED bank is for a person watching; the run's verdict is read from the lamps.
    logic unused_leds;
    assign unused_leds = ^leds;
endmodule
`default_nettype wire
