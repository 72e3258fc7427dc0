`default_nettype none
// The live checker: hands every event of a core's retirement interface to libcoretest_cosim, in
// which the reference core executes the same instruction and compares. The first divergence is
// printed as a report naming the case, its source line, the instruction and the values; the
// checker then prints the summary and ends the simulation with $fatal. With +cosim_keep_going
// the reference core takes the core's value at each divergence and the run goes on; the summary
// at `finish` counts the divergences per routine and gives the board verdict.
//   +cosim_elf=FILE      the ROM's ELF image (default coretest.elf; the checker needs its symbols
//                        and line records, the board's hex file has none)
//   +switch=V            SWITCH_REG, hexadecimal, as the board reads it (default SWITCH)
//   +cosim_keep_going    report every divergence instead of stopping at the first
//   +cosim_verbose=N     1: each routine's result as it is checked; 2: every instruction
module coretest_cosim_checker
    import coretest_cosim_pkg::*;
#(
    parameter int unsigned SWITCH   = 32'd1,  // the board's SWITCH default
    parameter bit          PHYSICAL = 1'b0    // the core presents physical addresses
) (
    input  wire logic        clk,
    input  wire logic        rst,
    input  wire logic        rv_valid,
    input  wire logic [31:0] rv_seq,
    input  wire logic [31:0] rv_pc,
    input  wire logic [31:0] rv_insn,
    input  wire logic        rv_gpr,
    input  wire logic        rv_hi,
    input  wire logic        rv_lo,
    input  wire logic        rv_mem,
    input  wire logic        rv_trap,
    input  wire logic        wg_valid,
    input  wire logic [31:0] wg_seq,
    input  wire logic [ 4:0] wg_reg,
    input  wire logic [31:0] wg_data,
    input  wire logic        wh_valid,
    input  wire logic [31:0] wh_seq,
    input  wire logic [31:0] wh_data,
    input  wire logic        wl_valid,
    input  wire logic [31:0] wl_seq,
    input  wire logic [31:0] wl_data,
    input  wire logic        wm_valid,
    input  wire logic [31:0] wm_seq,
    input  wire logic [31:0] wm_addr,
    input  wire logic [ 3:0] wm_be,
    input  wire logic [31:0] wm_data,
    input  wire logic        finish   // the run ends: report what never arrived, print the summary
);
    chandle      cosim;
    string       elf;
    int unsigned switch_value, verbosity, flags;
    bit          finished = 1'b0;  // the summary has been printed

    initial begin
        if (!$value$plusargs("cosim_elf=%s", elf)) elf = "coretest.elf";
        if (!$value$plusargs("switch=%h", switch_value)) switch_value = SWITCH;
        if (!$value$plusargs("cosim_verbose=%d", verbosity)) verbosity = 0;
        flags = ($test$plusargs("cosim_keep_going") ? COSIM_KEEP_GOING : 32'd0) |
                (PHYSICAL ? COSIM_PHYSICAL : 32'd0);
        cosim = coretest_cosim_open(elf, switch_value, flags, verbosity);
        if (cosim == null) $fatal(1, "cosim: cannot check against the reference core (+cosim_elf=%s)", elf);
    end

    // One cycle's events, writes before the retirement (the library orders them by seq anyway).
    // After a divergence in stop mode the summary is printed and the simulation ends.
    always @(posedge clk) begin : check
        bit stop;
        int summary;
        stop = 1'b0;
        if (!rst && !finished) begin
            if (wg_valid)
                stop |= coretest_cosim_write_gpr(cosim, wg_seq, {27'd0, wg_reg}, wg_data) == COSIM_STOP;
            if (wh_valid) stop |= coretest_cosim_write_hi(cosim, wh_seq, wh_data) == COSIM_STOP;
            if (wl_valid) stop |= coretest_cosim_write_lo(cosim, wl_seq, wl_data) == COSIM_STOP;
            if (wm_valid)
                stop |= coretest_cosim_write_mem(cosim, wm_seq, wm_addr, {28'd0, wm_be},
                                                 wm_data) == COSIM_STOP;
            if (rv_valid)
                stop |= coretest_cosim_retire(cosim, rv_seq, rv_pc, rv_insn,
                                              (rv_gpr  ? COSIM_WRITES_GPR : 32'd0) |
                                              (rv_hi   ? COSIM_WRITES_HI  : 32'd0) |
                                              (rv_lo   ? COSIM_WRITES_LO  : 32'd0) |
                                              (rv_mem  ? COSIM_WRITES_MEM : 32'd0) |
                                              (rv_trap ? COSIM_TRAP       : 32'd0)) == COSIM_STOP;
            if (stop || finish) begin
                summary = coretest_cosim_finish(cosim);
                if (stop) $fatal(1, "cosim: the core diverged from the reference core");
                if (summary != COSIM_OK) $display("cosim: the core diverged from the reference core");
            end
            finished <= stop || finish;
        end
    end

    final coretest_cosim_close(cosim);
endmodule
`default_nettype wire
