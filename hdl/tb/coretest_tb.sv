`default_nettype none
// Our core running the test ROM: mips_core on the kit's board, with the tracer writing the commit
// trace and the monitor ending the run.
//   +rom=FILE        the ROM for $readmemh (default coretest.hex)
//   +switch=V        SWITCH_REG, hexadecimal (default 1: the short pause)
//   +bug=NAME[,...]  switch on bug knobs of the core (hdl/core/bug_knobs.md)
//   +trace=FILE      write the commit trace (+trace_untagged: without the @SEQ tags)
//   +max_cycles=N    give up after N cycles
// Under Verilator the C++ main (sim_main.cpp) drives clk; other simulators get a clock here.
module coretest_tb
`ifdef VERILATOR
    (input wire logic clk)
`endif
;
`ifndef VERILATOR
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
    logic        rv_valid, rv_gpr, rv_hi, rv_lo, rv_mem, rv_trap;
    logic [31:0] rv_seq, rv_pc, rv_insn;
    logic        wg_valid, wh_valid, wl_valid, wm_valid;
    logic [31:0] wg_seq, wg_data, wh_seq, wh_data, wl_seq, wl_data, wm_seq, wm_addr, wm_data;
    logic [ 4:0] wg_reg;
    logic [ 3:0] wm_be;

    // Board outputs and the run's end.
    logic        bus_error, end_mark, trace_end, stop, flush;
    logic [31:0] display, lamp_a, lamp_b, trace_errors;
    logic [15:0] leds;

    mips_core core (
        .clk, .rst, .bugs,
        .i_req, .i_addr, .i_ready, .i_rdata, .i_err,
        .d_req, .d_we, .d_be, .d_addr, .d_wdata, .d_ready, .d_rdata, .d_err,
        .rv_valid, .rv_seq, .rv_pc, .rv_insn, .rv_gpr, .rv_hi, .rv_lo, .rv_mem, .rv_trap,
        .wg_valid, .wg_seq, .wg_reg, .wg_data,
        .wh_valid, .wh_seq, .wh_data,
        .wl_valid, .wl_seq, .wl_data,
        .wm_valid, .wm_seq, .wm_addr, .wm_be, .wm_data
    );

    coretest_board #(.LATENCY(LATENCY)) board (
        .clk, .rst,
        .i_req, .i_addr, .i_ready, .i_rdata, .i_err,
        .d_req, .d_we, .d_be, .d_addr, .d_wdata, .d_ready, .d_rdata, .d_err,
        .bus_error, .end_mark, .display, .leds, .lamp_a, .lamp_b
    );

    coretest_tracer tracer (
        .clk, .rst,
        .rv_valid, .rv_seq, .rv_pc, .rv_insn, .rv_gpr, .rv_hi, .rv_lo, .rv_mem, .rv_trap,
        .wg_valid, .wg_seq, .wg_reg, .wg_data,
        .wh_valid, .wh_seq, .wh_data,
        .wl_valid, .wl_seq, .wl_data,
        .wm_valid, .wm_seq, .wm_addr, .wm_be, .wm_data,
        .stop, .flush, .trace_end, .errors(trace_errors)
    );

    coretest_monitor monitor (
        .clk, .rst,
        .i_req, .i_addr, .i_ready,
        .bus_error, .end_mark, .display, .lamp_a, .lamp_b,
        .trace_end, .trace_errors, .stop, .flush
    );

`ifdef CORETEST_COSIM
    // The live checker (model coretest_cosim_sim): the reference core checks every retirement.
    coretest_cosim_checker cosim (
        .clk, .rst,
        .rv_valid, .rv_seq, .rv_pc, .rv_insn, .rv_gpr, .rv_hi, .rv_lo, .rv_mem, .rv_trap,
        .wg_valid, .wg_seq, .wg_reg, .wg_data,
        .wh_valid, .wh_seq, .wh_data,
        .wl_valid, .wl_seq, .wl_data,
        .wm_valid, .wm_seq, .wm_addr, .wm_be, .wm_data,
        .finish(flush)
    );
`endif

    // The LED bank is for a person watching; the run's verdict is read from the lamps.
    logic unused_leds;
    assign unused_leds = ^leds;
endmodule
`default_nettype wire
