`default_nettype none
// Drives coretest_tracer's retirement interface (one coretest_retirement_t) from a script of
// cycles, the way a pipeline does: a store sent from MEM before its instruction (and an older one) retires, a divider's LO
// and HI arriving cycles after younger instructions retired, a store into the ROM, byte and
// halfword stores, a trapping instruction, the end mark and an instruction after it.
// +scenario=missing instead retires an instruction whose announced register write never comes;
// +scenario=bytes makes the stores of swl and swr at every alignment, a store whose enables have
// a gap, and traps with and without what coprocessor 0 says of them (BIG: a big-endian core's
// lanes).
module tracer_script_tb #(parameter bit BIG = 1'b0);
    import coretest_pkg::*;
    logic clk = 1'b0;
    always #5 clk = ~clk;

    coretest_retirement_t r;
    logic        rst, stop, flush, trace_end;
    logic [31:0] errors;

    coretest_tracer #(.DEPTH(8), .BIG_ENDIAN(BIG)) tracer (
        .clk_i(clk), .rst_i(rst), .retirement_i(r), .stop_i(stop), .flush_i(flush),
        .trace_end_o(trace_end), .errors_o(errors));

    task automatic idle;
        r = '0;
    endtask
    // One retirement: seq, pc and which writes it announces (gpr hi lo mem trap).
    task automatic retire(int seq, logic [31:0] pc, logic [4:0] kinds);
        r.rv.valid = 1'b1;
        r.rv.seq = seq;
        r.rv.pc = pc;
        r.rv.insn = 32'h0;
        {r.rv.gpr, r.rv.hi, r.rv.lo, r.rv.mem, r.rv.trap} = kinds;
        {r.rv.exc_info, r.rv.exc_code, r.rv.epc, r.rv.badvaddr} = '0;
    endtask
    task automatic gpr(int seq, logic [4:0] n, logic [31:0] v);
        r.wg.valid = 1'b1; r.wg.seq = seq; r.wg.regno = n; r.wg.data = v;
    endtask
    task automatic hilo(int seq, logic [31:0] hi, logic [31:0] lo, bit send_hi, bit send_lo);
        r.wh.valid = send_hi; r.wh.seq = seq; r.wh.data = hi;
        r.wl.valid = send_lo; r.wl.seq = seq; r.wl.data = lo;
    endtask
    task automatic store(int seq, logic [31:0] a, logic [3:0] be, logic [31:0] v);
        r.wm.valid = 1'b1; r.wm.seq = seq; r.wm.addr = a; r.wm.be = be; r.wm.data = v;
    endtask
    // A trap as a core with coprocessor 0 reports it.
    task automatic exception(int seq, logic [31:0] pc, logic [4:0] code, logic [31:0] epc,
                             logic [31:0] badvaddr);
        retire(seq, pc, 5'b00001);
        {r.rv.exc_info, r.rv.exc_code, r.rv.epc, r.rv.badvaddr} = {1'b1, code, epc, badvaddr};
    endtask
    task automatic cycle;
        @(posedge clk);
        #1 idle();
    endtask

    localparam logic [4:0] GPR = 5'b10000, HILO = 5'b01100, MEM = 5'b00010, TRAP = 5'b00001;

    initial begin
        idle();
        {stop, flush} = '0;
        rst = 1'b1;
        cycle();
        cycle();
        rst = 1'b0;
        if ($test$plusargs("scenario=missing")) begin
            retire(1, 32'hbfc00000, GPR); gpr(1, 5'd4, 32'hfffff008); cycle();
            retire(2, 32'hbfc00004, GPR); cycle();           // its write never comes
            retire(3, 32'hbfc00008, GPR); gpr(3, 5'd6, 32'h6); cycle();
        end else if ($test$plusargs("scenario=bytes")) begin
            // swl at offsets 0 to 3 of 0x80000100, as a little-endian core drives its lanes.
            retire(1, 32'hbfc00000, MEM); store(1, 32'h80000100, 4'b0001, 32'h000000aa); cycle();
            retire(2, 32'hbfc00004, MEM); store(2, 32'h80000100, 4'b0011, 32'h0000bbaa); cycle();
            retire(3, 32'hbfc00008, MEM); store(3, 32'h80000100, 4'b0111, 32'h00ccbbaa); cycle();
            retire(4, 32'hbfc0000c, MEM); store(4, 32'h80000100, 4'b1111, 32'hddccbbaa); cycle();
            // swr at offsets 0 to 3 of 0x80000104.
            retire(5, 32'hbfc00010, MEM); store(5, 32'h80000104, 4'b1111, 32'h44332211); cycle();
            retire(6, 32'hbfc00014, MEM); store(6, 32'h80000104, 4'b1110, 32'h33221100); cycle();
            retire(7, 32'hbfc00018, MEM); store(7, 32'h80000104, 4'b1100, 32'h22110000); cycle();
            retire(8, 32'hbfc0001c, MEM); store(8, 32'h80000104, 4'b1000, 32'h11000000); cycle();
            // Enables with a gap: two bytes apart.
            retire(9, 32'hbfc00020, MEM); store(9, 32'h80000108, 4'b0101, 32'h00ee00ff); cycle();
            // An overflow; an address error on store in a delay slot (EPC at the branch); a trap
            // of a core that does not say how it trapped.
            exception(10, 32'hbfc00024, 5'd12, 32'hbfc00024, 32'h0); cycle();
            exception(11, 32'hbfc0002c, 5'd5, 32'hbfc00028, 32'h80000003); cycle();
            retire(12, 32'hbfc00030, TRAP); cycle();
            retire(13, 32'hbfc00034, MEM); store(13, 32'hfffffff0, 4'b1111, 32'hff); cycle();
        end else begin
            retire(1, 32'hbfc00000, GPR); gpr(1, 5'd4, 32'hfffff008); cycle();
            // seq 3's store from MEM comes first, then the divide (seq 2) retires without HI/LO.
            store(3, 32'h80000010, 4'b1111, 32'h12345678); cycle();
            retire(2, 32'hbfc00004, HILO); cycle();
            retire(3, 32'hbfc00008, MEM); cycle();
            retire(4, 32'hbfc0000c, GPR); gpr(4, 5'd5, 32'h7); cycle();
            retire(5, 32'hbfc00010, MEM); store(5, 32'hbfc00100, 4'b1111, 32'h1); cycle();
            hilo(2, 32'h1, 32'h3, 1'b0, 1'b1); cycle();      // LO, then HI a cycle later
            retire(6, 32'hbfc00014, MEM); store(6, 32'h80000020, 4'b0100, 32'h00ab0000); cycle();
            hilo(2, 32'h1, 32'h3, 1'b1, 1'b0); cycle();
            retire(7, 32'hbfc00018, MEM); store(7, 32'h80000030, 4'b1100, 32'hbeef0000); cycle();
            retire(8, 32'hbfc0001c, TRAP); cycle();
            store(9, 32'hfffffff0, 4'b1111, 32'hff); cycle();
            retire(9, 32'hbfc00020, MEM); cycle();
            retire(10, 32'hbfc00024, GPR); gpr(10, 5'd8, 32'h1); cycle();
        end
        repeat (3) cycle();
        stop = 1'b1;
        repeat (3) cycle();
        flush = 1'b1;
        cycle();
        flush = 1'b0;
        cycle();
        $display("tracer_script_tb: trace_end %0d, errors %0d", trace_end, errors);
        $finish;
    end
endmodule
`default_nettype wire
