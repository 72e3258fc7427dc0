`default_nettype none
// A scripted core of either byte order (BIG_ENDIAN) running one program of word, halfword, byte
// and three-byte stores and loads through coretest_board and coretest_tracer. Its MEM stage puts
// a store's bytes on the lanes its byte order gives (lane n is the byte at addr + n, or addr + 3 - n
// big-endian) and takes loads from them; each instruction retires to the tracer, a load with the
// value it loaded. The ROM file (+rom=) holds the word 44332211 at word 0: the bytes 11 22 33 44
// at 0xbfc00000. The trace's stores are the same in both byte orders (the same numbers and bytes
// at the same addresses); the loads differ where the byte order shows (a word, a byte of a word).
module endian_script_tb
    import coretest_pkg::*;
#(
    parameter bit BIG_ENDIAN = 1'b0,
    parameter int LATENCY    = 0
);
    localparam logic [31:0] ROM = 32'hbfc0_0000;
    localparam logic [31:0] RAM = 32'h8000_0000;

    logic clk = 1'b0;
    always #5 clk = ~clk;

    logic              rst;
    coretest_mem_req_t dmem_req;  // the instruction port stays idle
    coretest_mem_rsp_t imem_rsp, dmem_rsp;
    logic        bus_error, end_mark, trace_end;
    logic [31:0] display, lamp_a, lamp_b, errors;
    logic [15:0] leds;
    logic        stop, flush;
    coretest_retirement_t r;

    coretest_board #(.LATENCY(LATENCY), .BIG_ENDIAN(BIG_ENDIAN)) board (
        .clk_i(clk), .rst_i(rst),
        .imem_req_i(coretest_fetch_req(1'b0, ROM)), .imem_rsp_o(imem_rsp), .dmem_req_i(dmem_req), .dmem_rsp_o(dmem_rsp),
        .bus_error_o(bus_error), .end_mark_o(end_mark), .display_o(display), .leds_o(leds),
        .lamp_a_o(lamp_a), .lamp_b_o(lamp_b));
    coretest_tracer #(.DEPTH(8), .BIG_ENDIAN(BIG_ENDIAN)) tracer (
        .clk_i(clk), .rst_i(rst), .retirement_i(r), .stop_i(stop), .flush_i(flush),
        .trace_end_o(trace_end), .errors_o(errors));

    // The lane of the byte at byte offset `offset` of a word, in this core's byte order.
    function automatic int lane_of(logic [1:0] offset);
        return BIG_ENDIAN ? 3 - int'(offset) : int'(offset);
    endfunction

    int seq = 0;
    logic [31:0] pc = ROM;
    task automatic retire(logic gpr, logic [4:0] regno, logic [31:0] value, logic mem,
                          logic [31:0] a, logic [3:0] be, logic [31:0] data);
        seq++;
        r.rv.valid = 1'b1; r.rv.seq = seq; r.rv.pc = pc; r.rv.insn = 32'h0;
        {r.rv.gpr, r.rv.hi, r.rv.lo, r.rv.mem, r.rv.trap} = {gpr, 1'b0, 1'b0, mem, 1'b0};
        {r.rv.exc_info, r.rv.exc_code, r.rv.epc, r.rv.badvaddr} = '0;
        r.wg.valid = gpr; r.wg.seq = seq; r.wg.regno = regno; r.wg.data = value;
        r.wm.valid = mem; r.wm.seq = seq; r.wm.addr = a; r.wm.be = be; r.wm.data = data;
        pc += 32'd4;
        @(posedge clk);
        #1 r = '0;
    endtask

    // One transfer on the data port; returns the word of the ready cycle.
    task automatic transfer(logic we, logic [31:0] a, logic [3:0] be, logic [31:0] wdata,
                            output logic [31:0] rdata);
        dmem_req = {1'b1, we, be, a, wdata};
        #1;
        while (!dmem_rsp.ready) begin
            @(posedge clk);
            #1;
        end
        rdata = dmem_rsp.rdata;
        @(posedge clk);
        #1 dmem_req.req = 1'b0;
    endtask

    // Stores `size` bytes (1, 2, 3 or 4) of value at a, the most significant byte at the lowest
    // address (the order of a number in memory for a big-endian core, and of the bytes here for
    // both: a halfword 0xbeef at a puts be at a and ef at a + 1 big-endian, ef at a little-endian).
    task automatic store(logic [31:0] a, int size, logic [31:0] value);
        logic [3:0] be;
        logic [31:0] data, unused;
        be = '0;
        data = '0;
        for (int k = 0; k < size; k++) begin
            // byte k of the number, counted from its least significant byte
            int offset;
            offset = BIG_ENDIAN ? int'(a[1:0]) + size - 1 - k : int'(a[1:0]) + k;
            be[lane_of(2'(offset))] = 1'b1;
            data[lane_of(2'(offset))*8+:8] = value[k*8+:8];
        end
        transfer(1'b1, {a[31:2], 2'b00}, be, data, unused);
        retire(1'b0, 5'd0, 32'd0, 1'b1, {a[31:2], 2'b00}, be, data);
    endtask

    // Loads `size` bytes (1, 2 or 4) at a into register regno, zero- or sign-extended.
    task automatic load(logic [31:0] a, int size, bit signed_load, logic [4:0] regno);
        logic [31:0] word, value;
        transfer(1'b0, {a[31:2], 2'b00}, 4'b1111, 32'd0, word);
        value = '0;
        for (int k = 0; k < size; k++) begin
            int offset;
            offset = BIG_ENDIAN ? int'(a[1:0]) + size - 1 - k : int'(a[1:0]) + k;
            value[k*8+:8] = word[lane_of(2'(offset))*8+:8];
        end
        if (signed_load && size == 1) value = {{24{value[7]}}, value[7:0]};
        if (signed_load && size == 2) value = {{16{value[15]}}, value[15:0]};
        retire(1'b1, regno, value, 1'b0, 32'd0, 4'd0, 32'd0);
    endtask

    initial begin
        r = '0;
        dmem_req = '0;
        {stop, flush} = '0;
        rst = 1'b1;
        repeat (2) @(posedge clk);
        #1 rst = 1'b0;

        // The ROM's bytes 11 22 33 44.
        load(ROM, 1, 0, 5'd1);       // 11
        load(ROM + 3, 1, 0, 5'd2);   // 44
        load(ROM + 2, 2, 0, 5'd3);   // the halfword of bytes 33 44
        load(ROM, 4, 0, 5'd4);       // the word of bytes 11 22 33 44
        // A word, a byte into it, a halfword into it, then read back.
        store(RAM + 32'h100, 4, 32'ha1b2c3d4);
        store(RAM + 32'h101, 1, 32'h000000ee);
        store(RAM + 32'h102, 2, 32'h0000beef);
        load(RAM + 32'h100, 4, 0, 5'd5);
        load(RAM + 32'h101, 1, 0, 5'd6);   // ee
        load(RAM + 32'h102, 2, 0, 5'd7);   // beef
        load(RAM + 32'h103, 1, 1, 5'd8);   // the last byte, sign-extended
        load(RAM + 32'h100, 2, 1, 5'd9);   // the first halfword, sign-extended
        // The bytes aa bb cc at 0x105..0x107 (a partial-word store, one trace line a byte).
        store(RAM + 32'h105, 3, BIG_ENDIAN ? 32'h00aabbcc : 32'h00ccbbaa);
        load(RAM + 32'h104, 4, 0, 5'd10);
        // The end mark, a number: the same lanes in both byte orders.
        store(32'hfffffff0, 4, 32'hff);

        repeat (3) @(posedge clk);
        #1 stop = 1'b1;
        @(posedge clk);
        #1 flush = 1'b1;
        @(posedge clk);
        #1 flush = 1'b0;
        @(posedge clk);
        $display("endian_script_tb: end mark %0d, trace_end %0d, errors %0d", end_mark, trace_end,
                 errors);
        $finish;
    end

    logic unused;
    assign unused = ^{imem_rsp, bus_error, display, lamp_a, lamp_b, leds, dmem_rsp.err};
endmodule
`default_nettype wire
