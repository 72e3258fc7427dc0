`default_nettype none
// The kit's types. The memory port: a core's instruction and data ports as the board, the bus
// adapters and their checkers take them, one request struct (coretest_mem_req_t) and one response
// struct (coretest_mem_rsp_t) each.
//
// The retirement interface: what a core tells the kit's tracer (and the live checker in
// hdl/cosim) about each instruction it completes. One packed struct, coretest_retirement_t,
// carries five channels, each with its own valid bit and each tagged with the program-order
// number (seq, from 1) of the instruction it belongs to:
//   rv  an instruction retires, in program order, announcing the writes it makes
//   wg  a general register write          wh, wl  a HI or LO write
//   wm  a store, in the cycle the board completes it
// The writes may come before, with or after their instruction's retirement, in any order (a
// store from MEM before an older instruction retires, HI and LO from an iterative divider after
// younger instructions retired); each announced write comes exactly once, a trap announces none.
// Compile this package before the kit's modules and the core that drives the bundle.
package coretest_pkg;

    // A request on a memory port. It stays up and unchanged from the cycle req rises until the
    // cycle the response's ready is 1 (docs/hdl-kit.md, "The data-port contract"). addr is a word
    // address (its low two bits 0). we, be and wdata matter for a store only: be[n] enables byte
    // lane n, wdata[8n+7:8n]. A fetch, or a load, has we = 0; a core's instruction port drives
    // we = 0, be = 4'b1111 and wdata = 0 (coretest_fetch_req).
    typedef struct packed {
        logic        req;
        logic        we;
        logic [ 3:0] be;
        logic [31:0] addr;
        logic [31:0] wdata;
    } coretest_mem_req_t;

    // The answer: ready completes the request in this cycle, with the word read (a fetch or load)
    // or err, a bus error (nothing answers the address).
    typedef struct packed {
        logic        ready;
        logic [31:0] rdata;
        logic        err;
    } coretest_mem_rsp_t;

    // An instruction port's request from a core's two fetch signals.
    function automatic coretest_mem_req_t coretest_fetch_req(logic req, logic [31:0] addr);
        return {req, 1'b0, 4'b1111, addr, 32'd0};
    endfunction

    // One step of the xorshift generator behind the kit's random wait states and back-pressure
    // (coretest_wait_states, coretest_backpressure): a state that is not 0 never becomes 0.
    function automatic logic [31:0] coretest_xorshift(logic [31:0] x);
        logic [31:0] y;
        y = x ^ (x << 13);
        y = y ^ (y >> 17);
        return y ^ (y << 5);
    endfunction

    // An instruction leaves the pipeline.
    typedef struct packed {
        logic        valid;
        logic [31:0] seq;
        logic [31:0] pc;
        logic [31:0] insn;
        logic        gpr;   // it writes a general register (one wg record)
        logic        hi;    // it writes HI (one wh record)
        logic        lo;    // it writes LO (one wl record)
        logic        mem;   // it writes memory (one wm record)
        logic        trap;  // it took an exception and writes nothing
        // With trap, what a core with coprocessor 0 says of the exception (exc_info = 1): the
        // Cause code it set, the EPC it left (the instruction's pc, or its branch's in a delay
        // slot) and, for an address error, BadVAddr. A core without coprocessor 0 drives all 0.
        logic        exc_info;
        logic [ 4:0] exc_code;
        logic [31:0] epc;
        logic [31:0] badvaddr;
    } coretest_retire_t;

    // A general register write (never r0).
    typedef struct packed {
        logic        valid;
        logic [31:0] seq;
        logic [ 4:0] regno;
        logic [31:0] data;
    } coretest_gpr_write_t;

    // A HI or LO write.
    typedef struct packed {
        logic        valid;
        logic [31:0] seq;
        logic [31:0] data;
    } coretest_hilo_write_t;

    // A store as the board performs it: the word address, byte enables and the data on its lanes.
    typedef struct packed {
        logic        valid;
        logic [31:0] seq;
        logic [31:0] addr;
        logic [ 3:0] be;
        logic [31:0] data;
    } coretest_mem_write_t;

    // The whole interface, one cycle of it.
    typedef struct packed {
        coretest_retire_t     rv;
        coretest_gpr_write_t  wg;
        coretest_hilo_write_t wh;
        coretest_hilo_write_t wl;
        coretest_mem_write_t  wm;
    } coretest_retirement_t;

    // What the board drives on rdata outside the cycles it is valid, in a two-state simulator
    // (Verilator); four-state simulators get X. The test ROM never writes this word, so the tracer
    // takes it in a register write or store as read data taken outside its window.
    // (A core that imports the package without the board does not use it.)
    /* verilator lint_off UNUSEDPARAM */
    localparam logic [31:0] CORETEST_READ_POISON = 32'hbad0_da7a;
    /* verilator lint_on UNUSEDPARAM */

    // What the verdict lines count. The first display word names the ROM, as its routine number is
    // the ROM's first (1: the first ROM's 58 routines; 59: the second ROM's 24); an image numbered
    // otherwise is named by a plusarg, +routines=N, or +checkpoints=N for a random program (whose
    // display words carry checkpoint numbers where the ROMs' carry routine numbers). The words
    // follow the count: " of 58 routines", " of 10 checkpoints".
    function automatic string coretest_units_of(logic [7:0] first_routine, int routines,
                                                int checkpoints);
        if (checkpoints > 0) return $sformatf(" of %0d checkpoints", checkpoints);
        if (routines > 0) return $sformatf(" of %0d routines", routines);
        return first_routine == 8'd59 ? " of 24 routines" : " of 58 routines";
    endfunction

    // ---- The bus protocols of hdl/kit/bus: one packed struct for each direction ----
    // A core with one of these ports connects through the matching adapter (coretest_bus_*), which
    // takes what the core drives as the *_req_t and answers with the *_rsp_t. Fields are named as
    // the protocols name their signals, in lower case; a core with loose signals assigns them
    // field by field (docs/bus-adapters.md).

    // AXI4-Lite, 32-bit data: what the master drives (AxPROT is not used) ...
    typedef struct packed {
        logic        awvalid;
        logic [31:0] awaddr;
        logic        wvalid;
        logic [31:0] wdata;
        logic [ 3:0] wstrb;
        logic        bready;
        logic        arvalid;
        logic [31:0] araddr;
        logic        rready;
    } coretest_axil_req_t;

    // ... and what the slave drives. bresp and rresp: 2'b00 OKAY, 2'b11 DECERR.
    typedef struct packed {
        logic        awready;
        logic        wready;
        logic        bvalid;
        logic [ 1:0] bresp;
        logic        arready;
        logic        rvalid;
        logic [31:0] rdata;
        logic [ 1:0] rresp;
    } coretest_axil_rsp_t;

    // Wishbone B4, 32-bit data, 8-bit granularity, classic or pipelined: the master's side (dat
    // is the write data) and the slave's (dat is the read data; RTY is never raised).
    typedef struct packed {
        logic        cyc;
        logic        stb;
        logic        we;
        logic [ 3:0] sel;
        logic [31:0] adr;
        logic [31:0] dat;
    } coretest_wb_req_t;
    typedef struct packed {
        logic        ack;
        logic        err;
        logic        stall;
        logic [31:0] dat;
    } coretest_wb_rsp_t;

    // A 4-phase request/acknowledge port: rd (a load or fetch) or wr (a store) with the address,
    // byte enables and store data, held until ack; and ack with the read data and the bus error.
    typedef struct packed {
        logic        rd;
        logic        wr;
        logic [ 3:0] be;
        logic [31:0] addr;
        logic [31:0] wdata;
    } coretest_fourphase_req_t;
    typedef struct packed {
        logic        ack;
        logic [31:0] rdata;
        logic        err;
    } coretest_fourphase_rsp_t;

endpackage
`default_nettype wire
