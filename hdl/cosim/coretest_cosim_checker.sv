`default_nettype none
// The live checker: hands every event of a core's retirement interface (coretest_retirement_t of
// hdl/kit/coretest_pkg.sv) to libcoretest_cosim, in which the reference core executes the same
// instruction and compares. The first divergence is printed as a report naming the case, its
// source line, the instruction and the values; the checker then prints the summary and ends the
// simulation with $fatal. With +cosim_keep_going checking resumes at the next routine after each
// divergence and the run goes on; the summary at `finish_i` counts the divergences per
// routine and gives the board verdict. A call the library refuses (COSIM_ERROR: a seq retired
// twice, a write for an instruction already checked; the reason is on standard error) ends the
// run the same way, after the summary: checking cannot go on from there. $fatal rather than
// $finish, because only $fatal gives a non-zero exit status in every simulator (a Verilator
// model's main returns 0 after $finish).
//   +cosim_elf=FILE      the ROM's ELF image (default coretest.elf; the checker needs its symbols
//                        and line records, the board's hex file has none)
//   +switch=V            SWITCH_REG, hexadecimal, as the board reads it (default SWITCH)
//   +cosim_keep_going    report every divergence instead of stopping at the first
//   +cosim_verbose=N     1: each routine's result as it is checked; 2: every instruction
module coretest_cosim_checker
    import coretest_pkg::*;
    import coretest_cosim_pkg::*;
#(
    parameter int unsigned SWITCH   = 32'd1,  // the board's SWITCH default
    parameter bit          PHYSICAL = 1'b0    // the core presents physical addresses
) (
    input  wire logic                 clk_i,
    input  wire logic                 rst_i,
    input  wire coretest_retirement_t retirement_i,
    input  wire logic                 finish_i  // the run ends: report what never arrived, print the summary
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

    // What one call returned: a divergence in stop mode, or a refused call.
    function automatic void note(input int status, inout bit stop, inout bit error);
        stop |= status == COSIM_STOP;
        error |= status == COSIM_ERROR;
    endfunction

    // One cycle's events, read from the five channels of retirement_i, writes before the
    // retirement (the library orders them by seq anyway). After a divergence in stop mode or a
    // refused call the summary is printed and the simulation ends.
    always @(posedge clk_i) begin : check
        bit stop, error;
        int summary;
        stop = 1'b0;
        error = 1'b0;
        if (!rst_i && !finished) begin
            if (retirement_i.wg.valid)
                note(coretest_cosim_write_gpr(cosim, retirement_i.wg.seq,
                                              {27'd0, retirement_i.wg.regno}, retirement_i.wg.data),
                     stop, error);
            if (retirement_i.wh.valid)
                note(coretest_cosim_write_hi(cosim, retirement_i.wh.seq, retirement_i.wh.data),
                     stop, error);
            if (retirement_i.wl.valid)
                note(coretest_cosim_write_lo(cosim, retirement_i.wl.seq, retirement_i.wl.data),
                     stop, error);
            if (retirement_i.wm.valid)
                note(coretest_cosim_write_mem(cosim, retirement_i.wm.seq, retirement_i.wm.addr,
                                              {28'd0, retirement_i.wm.be}, retirement_i.wm.data),
                     stop, error);
            // A trap of a core that says how it trapped is compared with its code, EPC and
            // BadVAddr; any other retirement as it is.
            if (retirement_i.rv.valid && retirement_i.rv.trap && retirement_i.rv.exc_info)
                note(coretest_cosim_retire_exception(cosim, retirement_i.rv.seq,
                                                     retirement_i.rv.pc, retirement_i.rv.insn,
                                                     (retirement_i.rv.gpr ? COSIM_WRITES_GPR : 32'd0) |
                                                     (retirement_i.rv.hi  ? COSIM_WRITES_HI  : 32'd0) |
                                                     (retirement_i.rv.lo  ? COSIM_WRITES_LO  : 32'd0) |
                                                     (retirement_i.rv.mem ? COSIM_WRITES_MEM : 32'd0),
                                                     {27'd0, retirement_i.rv.exc_code},
                                                     retirement_i.rv.epc, retirement_i.rv.badvaddr),
                     stop, error);
            else if (retirement_i.rv.valid)
                note(coretest_cosim_retire(cosim, retirement_i.rv.seq, retirement_i.rv.pc,
                                           retirement_i.rv.insn,
                                           (retirement_i.rv.gpr  ? COSIM_WRITES_GPR : 32'd0) |
                                           (retirement_i.rv.hi   ? COSIM_WRITES_HI  : 32'd0) |
                                           (retirement_i.rv.lo   ? COSIM_WRITES_LO  : 32'd0) |
                                           (retirement_i.rv.mem  ? COSIM_WRITES_MEM : 32'd0) |
                                           (retirement_i.rv.trap ? COSIM_TRAP       : 32'd0)),
                     stop, error);
            if (stop || error || finish_i) begin
                summary = coretest_cosim_finish(cosim);
                if (stop) $fatal(1, "cosim: the core diverged from the reference core");
                if (error)
                    $fatal(1, "cosim: the checker refused a call of the retirement interface (the reason is on standard error)");
                if (summary == COSIM_ERROR)
                    $fatal(1, "cosim: the checker refused to finish (the reason is on standard error)");
                if (summary != COSIM_OK) $display("cosim: the core diverged from the reference core");
            end
            finished <= stop || error || finish_i;
        end
    end

    final coretest_cosim_close(cosim);
endmodule
`default_nettype wire
