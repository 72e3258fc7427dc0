`default_nettype none
// The C interface of libcoretest_cosim (cosim/include/coretest_cosim.h) as SystemVerilog DPI-C
// imports: a testbench hands the reference core every retirement and write of its core, and the
// reference core executes the same instruction and compares. coretest_cosim_checker wraps them
// for the retirement interface; a testbench with other signals calls them itself.
//
// Any simulator with DPI-C links the library: Verilator with the library on its link line,
// commercial simulators with -sv_lib (or -sv_liblist) naming libcoretest_cosim.
package coretest_cosim_pkg;
    /* verilator lint_off UNUSEDPARAM */
    // What every call returns.
    localparam int COSIM_OK       = 0;  // all checked so far agrees
    localparam int COSIM_DIVERGED = 1;  // keep-going: a divergence was reported; go on
    localparam int COSIM_STOP     = 2;  // a divergence was reported; end the simulation
    localparam int COSIM_ERROR    = 3;  // a refused call (bad seq, repeated write, closed handle); the
                                        // first message is on stderr, the checker ends the run

    // Flags of coretest_cosim_open.
    localparam int unsigned COSIM_KEEP_GOING = 32'd1;
    localparam int unsigned COSIM_PHYSICAL   = 32'd2;

    // The writes a retirement announces (rv.gpr, rv.hi, rv.lo, rv.mem) and rv.trap.
    localparam int unsigned COSIM_WRITES_GPR = 32'd1;
    localparam int unsigned COSIM_WRITES_HI  = 32'd2;
    localparam int unsigned COSIM_WRITES_LO  = 32'd4;
    localparam int unsigned COSIM_WRITES_MEM = 32'd8;
    localparam int unsigned COSIM_TRAP       = 32'd16;
    /* verilator lint_on UNUSEDPARAM */

    import "DPI-C" function chandle coretest_cosim_open(input string elf_path,
        input int unsigned switch_value, input int unsigned flags, input int unsigned verbosity);
    import "DPI-C" function int coretest_cosim_retire(input chandle cosim, input int unsigned seq,
        input int unsigned pc, input int unsigned insn, input int unsigned writes);
    // A trap of a core with coprocessor 0 (rv.exc_info): its Cause code, EPC and BadVAddr.
    import "DPI-C" function int coretest_cosim_retire_exception(input chandle cosim,
        input int unsigned seq, input int unsigned pc, input int unsigned insn,
        input int unsigned writes, input int unsigned exc_code, input int unsigned epc,
        input int unsigned badvaddr);
    import "DPI-C" function int coretest_cosim_write_gpr(input chandle cosim,
        input int unsigned seq, input int unsigned register_number, input int unsigned value);
    import "DPI-C" function int coretest_cosim_write_hi(input chandle cosim, input int unsigned seq,
        input int unsigned value);
    import "DPI-C" function int coretest_cosim_write_lo(input chandle cosim, input int unsigned seq,
        input int unsigned value);
    import "DPI-C" function int coretest_cosim_write_mem(input chandle cosim,
        input int unsigned seq, input int unsigned address, input int unsigned byte_enables,
        input int unsigned data);
    import "DPI-C" function int coretest_cosim_board_read(input chandle cosim,
        input int unsigned address, input int unsigned value);
    import "DPI-C" function int coretest_cosim_finish(input chandle cosim);
    import "DPI-C" function void coretest_cosim_close(input chandle cosim);
endpackage
`default_nettype wire
