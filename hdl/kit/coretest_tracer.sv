`default_nettype none
// The commit trace that `coretest compare` reads, written from a core's retirement interface
// (coretest_retirement_t, coretest_pkg.sv).
//
// A pipeline produces an instruction's records at different times: a store in MEM, possibly
// before an older instruction's register write in WB; HI and LO from an iterative divider after
// younger instructions retired. Every event carries the program-order number (seq) of its
// instruction, so the tracer keeps a window of DEPTH instructions indexed by seq, collects each
// one's retirement and writes in whatever order they come, and writes an instruction's lines
// once it has retired and every write it announced has arrived, strictly in seq order:
//   @SEQ PC rNN VALUE | @SEQ PC lo VALUE | @SEQ PC hi VALUE | @SEQ PC m ADDR VALUE
//   @SEQ PC exc CODE EPC [BADVADDR]
// (+trace_untagged drops the "@SEQ " tag). A store is the bytes its enables select: ADDR is the
// first byte's address and VALUE has 2, 4, 6 or 8 digits for 1 to 4 bytes (swl and swr store
// 1 to 4); enables with a gap, which no instruction makes, give a line per run of bytes. A trap
// of a core that says how it trapped (rv.exc_info) is one exc line: its Cause code in decimal,
// EPC and, for an address error (codes 04 and 05), BadVAddr; a trap without exc_info writes
// nothing. Stores into the boot ROM are not recorded (the board refuses them, and the reference
// core does not record them). The trace ends with the store of 0xff to the end-mark register;
// nothing after it is written.
//
// A big-endian core (BIG_ENDIAN = 1) sends a store's lanes as it puts them on its data port's
// request: lane n (be[n], data[8n+7:8n]) is the byte at addr + 3 - n; the trace names the same
// byte addresses and values as for a little-endian core making the same store.
//
// Read data the board poisons (rdata outside the cycles it is valid: X, or in a two-state simulator
// CORETEST_READ_POISON) that reaches a register write, HI, LO or a store ends the run with one line
// "coretest: ERROR data port: ..." and a FAIL summary without a verdict: the core took read data
// outside its window, and its instructions are not to blame.
//
// When the harness ends the run it raises flush_i for one cycle: the tracer then names every
// instruction that retired before the end (stop_i) but whose announced writes never arrived, and
// every write whose instruction never retired, and closes the file. errors_o counts those and any
// event the window could not take (out-of-order retirement, an unannounced or repeated write, a
// write too far ahead). A trace file that could not be written (a full disk, /dev/full) is found
// at the flush and ends the run with "coretest: ERROR cannot write the trace file ..." instead of
// the summary.
module coretest_tracer
    import coretest_pkg::*;
#(
    parameter int DEPTH      = 64,    // instructions between the oldest unwritten and the newest event
    parameter bit PHYSICAL   = 1'b0,  // the core presents physical addresses: trace them as virtual
    parameter bit BIG_ENDIAN = 1'b0,  // the core's byte order (store lanes)
    parameter     TRACE_FILE = ""     // plusarg +trace=FILE overrides; empty: no trace is written
) (
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    input  wire coretest_retirement_t retirement_i,
    // from the harness
    input  wire logic        stop_i,       // the run's end is decided; later retirements do not count
    input  wire logic        flush_i,      // the simulation ends after this cycle
    output logic             trace_end_o,  // the end-mark store's record is written
    output logic      [31:0] errors_o      // what flush_i reported, plus events the window refused
);
    // The five channels of the retirement interface.
    coretest_retire_t rv;
    coretest_gpr_write_t wg;
    coretest_hilo_write_t wh, wl;
    coretest_mem_write_t wm;
    assign rv = retirement_i.rv;
    assign wg = retirement_i.wg;
    assign wh = retirement_i.wh;
    assign wl = retirement_i.wl;
    assign wm = retirement_i.wm;

    localparam int SLOT_BITS = $clog2(DEPTH);
    localparam int EMIT = 4;  // instructions written per cycle at most (retirement adds one)
    // Which writes an instruction announced or delivered, one bit each.
    localparam int GPR = 0, HI = 1, LO = 2, MEM = 3;
    localparam logic [31:0] END_MARK_REG = 32'hffff_fff0;

    typedef logic [SLOT_BITS-1:0] slot_t;

    logic        retired_q[DEPTH];
    logic [ 3:0] want_q[DEPTH];
    logic [ 3:0] got_q[DEPTH];
    logic [31:0] pc_q[DEPTH];
    logic [31:0] insn_q[DEPTH];
    logic [ 4:0] gpr_reg_q[DEPTH];
    logic [31:0] gpr_data_q[DEPTH];
    logic [31:0] hi_q[DEPTH];
    logic [31:0] lo_q[DEPTH];
    logic [31:0] mem_addr_q[DEPTH];
    logic [ 3:0] mem_be_q[DEPTH];
    logic [31:0] mem_data_q[DEPTH];
    logic        exc_q[DEPTH];  // a trap with exc_info: its exception is written
    logic [ 4:0] exc_code_q[DEPTH];
    logic [31:0] epc_q[DEPTH];
    logic [31:0] badvaddr_q[DEPTH];

    logic [31:0] head_q;          // seq of the oldest instruction not yet written
    logic [31:0] next_retire_q;   // seq the next retirement must carry
    logic [31:0] stop_seq_q;      // first seq retired after stop_i rose
    logic        stopped_q;
    logic        end_seen_q;      // the end-mark store arrived ...
    logic [31:0] end_seq_q;       // ... from this instruction
    logic        ended_q;         // its record is written: the trace is complete
    logic        flushed_q;
    logic [31:0] errors_q;
    logic [31:0] records_q;

    integer fd;
`ifdef VERILATOR
    string write_error;  // what $ferror says
    function automatic string write_error_text();
        return write_error;
    endfunction
`else
    logic [8*80-1:0] write_error;  // what $ferror says, right-aligned
    function automatic string write_error_text();
        string text, letter;
        text = "";
        for (int k = 79; k >= 0; k--)
            if (write_error[k*8+:8] != 8'h00 && (text != "" || write_error[k*8+:8] != " ")) begin
                letter = $sformatf("%c", write_error[k*8+:8]);
                text = {text, letter};
            end
        return text;
    endfunction
`endif
    bit with_seq;
    string trace_file;

    initial begin
        trace_file = TRACE_FILE;
        if ($value$plusargs("trace=%s", trace_file)) begin end
        with_seq = !$test$plusargs("trace_untagged");
        fd = 0;
        if (trace_file != "") begin
            fd = $fopen(trace_file, "w");
            if (fd == 0) begin
                $display("coretest: ERROR cannot write the trace file %s", trace_file);
                $finish;
            end
        end
    end

    // The window is indexed by the low bits of seq.
    /* verilator lint_off UNUSEDSIGNAL */
    function automatic slot_t slot(logic [31:0] seq);
        return seq[SLOT_BITS-1:0];
    endfunction
    /* verilator lint_on UNUSEDSIGNAL */

    function automatic logic complete(logic [31:0] seq);
        return retired_q[slot(seq)] && (want_q[slot(seq)] & ~got_q[slot(seq)]) == 4'b0;
    endfunction

    // Physical addresses back to the virtual ones the reference core traces.
    function automatic logic [31:0] virt(logic [31:0] a);
        if (!PHYSICAL) return a;
        if (a - 32'h1fc0_0000 < 32'h0008_0000) return a | 32'ha000_0000;
        if (a < 32'h0004_0000) return a | 32'h8000_0000;
        return a;
    endfunction

    function automatic logic in_rom(logic [31:0] a);
        return virt(a) - 32'hbfc0_0000 < 32'h0008_0000;
    endfunction

    function automatic logic is_end_mark(logic [31:0] addr, logic [3:0] be, logic [31:0] data);
        return virt(addr) == END_MARK_REG && be == 4'b1111 && data == 32'hff;
    endfunction

    // A write may be taken when its instruction is not yet written and fits the window.
    function automatic logic in_window(logic [31:0] seq);
        return seq - head_q < 32'(DEPTH);
    endfunction

    task automatic put_prefix(logic [31:0] seq, logic [31:0] pc);
        if (with_seq) $fwrite(fd, "@%0d ", seq);
        $fwrite(fd, "%h ", virt(pc));
    endtask

    // The store lanes lo to hi (contiguous) as one line: the first byte's address, and the bytes
    // from there up as one number, 2 digits a byte.
    task automatic put_lanes(logic [31:0] seq, logic [31:0] pc, logic [31:0] a, int lo, int hi,
                             logic [31:0] data);
        logic [31:0] first, v;
        first = a + 32'(BIG_ENDIAN ? 3 - hi : lo);
        v = data >> (8 * lo);
        put_prefix(seq, pc);
        case (hi - lo)
            0: $fwrite(fd, "m %h %h\n", first, v[7:0]);
            1: $fwrite(fd, "m %h %h\n", first, v[15:0]);
            2: $fwrite(fd, "m %h %h\n", first, v[23:0]);
            default: $fwrite(fd, "m %h %h\n", first, v);
        endcase
    endtask

    // A store: one line for its enabled lanes, or one per run of them where the enables have a
    // gap, in address order (lane 0 first, or lane 3 for a big-endian core).
    task automatic put_store(logic [31:0] seq, logic [31:0] pc, logic [31:0] addr, logic [3:0] be,
                             logic [31:0] data);
        int start, last;
        start = -1;
        last = 0;
        for (int k = 0; k < 5; k++) begin  // k = 4: past the last byte, ending any run
            logic [1:0] lane;
            logic on;
            lane = 2'(BIG_ENDIAN ? 3 - k : k);
            on = k < 4 && be[lane];
            if (on && start < 0) start = int'(lane);
            if (on) last = int'(lane);
            if (!on && start >= 0) begin
                if (BIG_ENDIAN) put_lanes(seq, pc, virt(addr), last, start, data);
                else put_lanes(seq, pc, virt(addr), start, last, data);
                start = -1;
            end
        end
    endtask

    // The lines of one complete instruction, in the reference core's order.
    task automatic put_instruction(logic [31:0] seq);
        slot_t s;
        s = slot(seq);
        if (want_q[s][GPR]) begin
            put_prefix(seq, pc_q[s]);
            $fwrite(fd, "r%0d%0d %h\n", gpr_reg_q[s] / 10, gpr_reg_q[s] % 10, gpr_data_q[s]);
        end
        if (want_q[s][LO]) begin put_prefix(seq, pc_q[s]); $fwrite(fd, "lo %h\n", lo_q[s]); end
        if (want_q[s][HI]) begin put_prefix(seq, pc_q[s]); $fwrite(fd, "hi %h\n", hi_q[s]); end
        if (want_q[s][MEM] && !in_rom(mem_addr_q[s]))
            put_store(seq, pc_q[s], mem_addr_q[s], mem_be_q[s], mem_data_q[s]);
        if (exc_q[s]) begin
            put_prefix(seq, pc_q[s]);
            $fwrite(fd, "exc %0d%0d %h", exc_code_q[s] / 10, exc_code_q[s] % 10, virt(epc_q[s]));
            if (exc_code_q[s] == 5'd4 || exc_code_q[s] == 5'd5)
                $fwrite(fd, " %h", virt(badvaddr_q[s]));
            $fwrite(fd, "\n");
        end
    endtask

    // Read data the board poisons, in a value on the enabled lanes.
    function automatic logic poisoned(logic [31:0] data, logic [3:0] be);
`ifdef VERILATOR
        return be == 4'b1111 && data == CORETEST_READ_POISON;
`else
        return $isunknown(data & {{8{be[3]}}, {8{be[2]}}, {8{be[1]}}, {8{be[0]}}});
`endif
    endfunction

    // The core wrote poisoned read data: the run ends here, without a verdict.
    task automatic read_outside_window(logic [31:0] seq, string what, logic [31:0] data);
`ifdef VERILATOR
        $display("coretest: ERROR data port: @%0d %s %h, the word the board drives on rdata outside the cycles it is valid: the core took read data outside its window (the ready cycle, then while the address is held)",
                 seq, what, data);
`else
        // X may also come from a register the core never wrote; the message says both.
        $display("coretest: ERROR data port: @%0d %s %h, unknown bits as the board drives on rdata outside the cycles it is valid: the core took read data outside its window (the ready cycle, then while the address is held), or used a value it never set",
                 seq, what, data);
`endif
        if (fd != 0) $fflush(fd);
        $display("coretest: FAIL: no verdict: the core broke the data-port contract");
        $finish;
    endtask

    task automatic refuse(string what, logic [31:0] seq);
        $display("tracer: %s for @%0d refused (oldest unwritten @%0d, window %0d)", what, seq,
                 head_q, DEPTH);
    endtask

    // The instructions the end report covers: up to the end-mark store, or those retired before stop_i.
    function automatic logic before_end(logic [31:0] seq);
        if (end_seen_q) return seq <= end_seq_q;
        return seq < (stopped_q ? stop_seq_q : next_retire_q);
    endfunction

    always @(posedge clk_i) begin : track
        int errs;
        int recs;
        int emit_count;  // instructions at the head whose records are all here
        bit ended;
        slot_t s;
        errs = 0;
        recs = 0;
        ended = ended_q;
        emit_count = 0;
        for (int k = 0; k < EMIT; k++)
            if (emit_count == k && complete(head_q + 32'(k))) emit_count = k + 1;
        if (rst_i) begin
            head_q <= 32'd1;
            next_retire_q <= 32'd1;
            stopped_q <= 1'b0;
            end_seen_q <= 1'b0;
            ended_q <= 1'b0;
            flushed_q <= 1'b0;
            errors_q <= '0;
            records_q <= '0;
            for (int k = 0; k < DEPTH; k++) begin
                retired_q[k] <= 1'b0;
                got_q[k] <= '0;
            end
        end else if (!flushed_q) begin
            // Write (or, after the end mark, drop) the complete instructions at the head.
            for (int k = 0; k < EMIT; k++)
                if (k < emit_count) begin
                    logic [31:0] seq;
                    seq = head_q + 32'(k);
                    s = slot(seq);
                    if ((got_q[s] & ~want_q[s]) != 4'b0) begin
                        $display("tracer: @%0d pc %h delivered a write it did not announce (announced %b, got %b; bits mem lo hi gpr)",
                                 seq, virt(pc_q[s]), want_q[s], got_q[s]);
                        errs++;
                    end
                    if (!ended && fd != 0) begin
                        put_instruction(seq);
                        recs++;
                    end
                    if (want_q[s][MEM] && is_end_mark(mem_addr_q[s], mem_be_q[s], mem_data_q[s]))
                        ended = 1'b1;
                    retired_q[s] <= 1'b0;
                    got_q[s] <= '0;
                end
            head_q <= head_q + 32'(emit_count);
            ended_q <= ended;

            if (stop_i && !stopped_q) begin
                stopped_q <= 1'b1;
                stop_seq_q <= next_retire_q;
            end

            // Poisoned read data in this cycle's writes.
            if (wg.valid && poisoned(wg.data, 4'b1111)) begin
                string reg_name;
                reg_name = $sformatf("writes r%0d%0d", wg.regno / 10, wg.regno % 10);
                read_outside_window(wg.seq, reg_name, wg.data);
            end else if (wh.valid && poisoned(wh.data, 4'b1111)) begin
                read_outside_window(wh.seq, "writes hi", wh.data);
            end else if (wl.valid && poisoned(wl.data, 4'b1111)) begin
                read_outside_window(wl.seq, "writes lo", wl.data);
            end else if (wm.valid && poisoned(wm.data, wm.be)) begin
                read_outside_window(wm.seq, "stores", wm.data);
            end

            // This cycle's retirement and writes (after the frees above: a slot freed and
            // reused in one cycle keeps the new entry).
            if (rv.valid) begin
                if (rv.seq != next_retire_q) begin
                    $display("tracer: retirement of @%0d out of order, @%0d expected", rv.seq,
                             next_retire_q);
                    errs++;
                end else if (!in_window(rv.seq)) begin
                    refuse("retirement", rv.seq);
                    errs++;
                end else begin
                    s = slot(rv.seq);
                    retired_q[s] <= 1'b1;
                    pc_q[s] <= rv.pc;
                    insn_q[s] <= rv.insn;
                    want_q[s] <= rv.trap ? 4'b0 : {rv.mem, rv.lo, rv.hi, rv.gpr};
                    exc_q[s] <= rv.trap && rv.exc_info;
                    exc_code_q[s] <= rv.exc_code;
                    epc_q[s] <= rv.epc;
                    badvaddr_q[s] <= rv.badvaddr;
                end
                next_retire_q <= rv.seq + 32'd1;
            end
            if (wg.valid) begin
                s = slot(wg.seq);
                if (!in_window(wg.seq) || got_q[s][GPR] || wg.regno == 5'd0) begin
                    refuse(wg.regno == 5'd0 ? "a write to r0" : "a register write", wg.seq);
                    errs++;
                end else begin
                    got_q[s][GPR] <= 1'b1;
                    gpr_reg_q[s] <= wg.regno;
                    gpr_data_q[s] <= wg.data;
                end
            end
            if (wh.valid) begin
                s = slot(wh.seq);
                if (!in_window(wh.seq) || got_q[s][HI]) begin
                    refuse("a HI write", wh.seq);
                    errs++;
                end else begin
                    got_q[s][HI] <= 1'b1;
                    hi_q[s] <= wh.data;
                end
            end
            if (wl.valid) begin
                s = slot(wl.seq);
                if (!in_window(wl.seq) || got_q[s][LO]) begin
                    refuse("a LO write", wl.seq);
                    errs++;
                end else begin
                    got_q[s][LO] <= 1'b1;
                    lo_q[s] <= wl.data;
                end
            end
            if (wm.valid) begin
                s = slot(wm.seq);
                if (!in_window(wm.seq) || got_q[s][MEM]) begin
                    refuse("a store", wm.seq);
                    errs++;
                end else begin
                    got_q[s][MEM] <= 1'b1;
                    mem_addr_q[s] <= wm.addr;
                    mem_be_q[s] <= wm.be;
                    mem_data_q[s] <= wm.data;
                    if (is_end_mark(wm.addr, wm.be, wm.data) && !end_seen_q) begin
                        end_seen_q <= 1'b1;
                        end_seq_q <= wm.seq;
                    end
                end
            end

            if (flush_i) begin
                // What never arrived, among the instructions this run's trace covers.
                for (int k = 0; k < DEPTH; k++) begin
                    logic [31:0] seq;
                    seq = head_q + 32'(k);
                    s = slot(seq);
                    if (before_end(seq) && retired_q[s] && !complete(seq)) begin
                        string missing;
                        missing = "";
                        if (want_q[s][GPR] && !got_q[s][GPR]) missing = {missing, " register write"};
                        if (want_q[s][LO] && !got_q[s][LO]) missing = {missing, " LO write"};
                        if (want_q[s][HI] && !got_q[s][HI]) missing = {missing, " HI write"};
                        if (want_q[s][MEM] && !got_q[s][MEM]) missing = {missing, " store"};
                        $display("tracer: @%0d pc %h (instruction %h) retired, but its%s never arrived",
                                 seq, virt(pc_q[s]), insn_q[s], missing);
                        errs++;
                    end else if (before_end(seq) && !retired_q[s] && got_q[s] != 4'b0) begin
                        $display("tracer: writes for @%0d arrived (%b; bits mem lo hi gpr), but the instruction never retired",
                                 seq, got_q[s]);
                        errs++;
                    end
                end
                if (fd != 0) begin
                    logic write_failed;
                    // A write that failed (a full disk, /dev/full) shows after a flush.
`ifdef VERILATOR
                    // Here $ferror reports the process's last error (errno) of any file: an open
                    // that must fail sets it to a known one first, and the flush failed when
                    // $ferror then says something else.
                    integer probe, errno_before;
                    probe = $fopen("/nonexistent-coretest-probe/none", "r");
                    if (probe != 0) $fclose(probe);
                    errno_before = $ferror(fd, write_error);
                    $fflush(fd);
                    write_failed = $ferror(fd, write_error) != errno_before;
`else
                    $fflush(fd);
                    write_failed = $ferror(fd, write_error) != 0;
`endif
                    $fclose(fd);
                    if (write_failed) begin
                        $display("coretest: ERROR cannot write the trace file %s: %0s", trace_file,
                                 write_error_text());
                        $finish;
                    end else if (ended)
                        $display("tracer: %0d instructions written to %s, up to the end mark",
                                 records_q + 32'(recs), trace_file);
                    else
                        $display("tracer: %0d instructions written to %s, without the end mark",
                                 records_q + 32'(recs), trace_file);
                end
                flushed_q <= 1'b1;
            end
            errors_q <= errors_q + 32'(errs);
            records_q <= records_q + 32'(recs);
        end
    end

    assign trace_end_o = ended_q;
    assign errors_o = errors_q;
endmodule
`default_nettype wire
