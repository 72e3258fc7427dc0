`default_nettype none
// Drives coretest_board's two ports the way a core does and checks what comes back: ROM words
// as loaded, ready exactly LATENCY cycles after req, RAM stores with byte enables, the switch,
// the board registers, a store into the ROM refused, and accesses nothing answers (bus errors).
// Then it fetches the exception idle loop until coretest_monitor ends the run. Each failed
// check prints "board_script_tb: FAIL ...". The ROM file (+rom=) holds 0x11111111 * (n + 1) at
// word n for its first four words.
module board_script_tb
    import coretest_pkg::*;
#(
    parameter int LATENCY  = 0,
    parameter bit PHYSICAL = 1'b0
);
    localparam logic [31:0] ROM = PHYSICAL ? 32'h1fc0_0000 : 32'hbfc0_0000;
    localparam logic [31:0] RAM = PHYSICAL ? 32'h0000_0000 : 32'h8000_0000;

    logic clk = 1'b0;
    always #5 clk = ~clk;

    logic              rst;
    coretest_mem_req_t imem_req, dmem_req;
    coretest_mem_rsp_t imem_rsp, dmem_rsp;
    logic        bus_error, end_mark, stop, flush;
    logic [31:0] display, lamp_a, lamp_b;
    logic [15:0] leds;

    coretest_board #(.LATENCY(LATENCY), .PHYSICAL(PHYSICAL), .SWITCH(32'h5)) board (
        .clk_i(clk), .rst_i(rst),
        .imem_req_i(imem_req), .imem_rsp_o(imem_rsp), .dmem_req_i(dmem_req), .dmem_rsp_o(dmem_rsp),
        .bus_error_o(bus_error), .end_mark_o(end_mark), .display_o(display), .leds_o(leds),
        .lamp_a_o(lamp_a), .lamp_b_o(lamp_b));
    coretest_monitor #(.PHYSICAL(PHYSICAL), .DRAIN_CYCLES(4)) monitor (
        .clk_i(clk), .rst_i(rst), .imem_req_i(imem_req), .imem_rsp_i(imem_rsp),
        .bus_error_i(bus_error), .end_mark_i(end_mark), .display_i(display), .lamp_a_i(lamp_a),
        .lamp_b_i(lamp_b), .trace_end_i(1'b1), .trace_errors_i(32'd0), .stop_o(stop),
        .flush_o(flush));

    int checks = 0;
    task automatic expect_eq(string what, logic [31:0] got, logic [31:0] want);
        checks++;
        if (got !== want) $display("board_script_tb: FAIL %s: 0x%08h, expected 0x%08h", what, got, want);
    endtask

    // One fetch; checks the wait and returns the word and the error flag.
    task automatic fetch(logic [31:0] a, output logic [31:0] word, output logic err);
        int waited;
        imem_req.req = 1'b1;
        imem_req.addr = a;
        waited = 0;
        #1;
        while (!imem_rsp.ready) begin
            @(posedge clk);
            #1 waited++;
        end
        word = imem_rsp.rdata;
        err = imem_rsp.err;
        expect_eq("fetch wait states", waited, LATENCY);
        @(posedge clk);
        #1 imem_req.req = 1'b0;
    endtask

    // One data access; a store takes effect at the edge that ends its ready cycle.
    task automatic access(logic we, logic [31:0] a, logic [3:0] be, logic [31:0] wdata,
                          output logic [31:0] rdata, output logic err);
        int waited;
        dmem_req.req = 1'b1;
        dmem_req.we = we;
        dmem_req.addr = a;
        dmem_req.be = be;
        dmem_req.wdata = wdata;
        waited = 0;
        #1;
        while (!dmem_rsp.ready) begin
            @(posedge clk);
            #1 waited++;
        end
        rdata = dmem_rsp.rdata;
        err = dmem_rsp.err;
        expect_eq("data wait states", waited, LATENCY);
        @(posedge clk);
        #1 dmem_req.req = 1'b0;
    endtask

    logic [31:0] word;
    logic err;
    initial begin
        imem_req = '0;
        dmem_req = '0;
        rst = 1'b1;
        repeat (2) @(posedge clk);
        #1 rst = 1'b0;

        fetch(ROM, word, err);
        expect_eq("ROM word 0", word, 32'h11111111);
        expect_eq("ROM word 0 error", err, 0);
        fetch(ROM + 32'hc, word, err);
        expect_eq("ROM word 3", word, 32'h44444444);
        access(1'b0, ROM + 32'h4, 4'b1111, 0, word, err);
        expect_eq("ROM word 1 as data", word, 32'h22222222);

        access(1'b1, RAM + 32'h100, 4'b1111, 32'hdeadbeef, word, err);
        access(1'b1, RAM + 32'h100, 4'b0100, 32'h00770000, word, err);
        access(1'b1, RAM + 32'h100, 4'b0001, 32'h00000055, word, err);
        access(1'b0, RAM + 32'h100, 4'b1111, 0, word, err);
        expect_eq("RAM word after byte stores", word, 32'hde77be55);
        access(1'b1, RAM + 32'h3fffc, 4'b1100, 32'h12340000, word, err);
        fetch(RAM + 32'h3fffc, word, err);
        expect_eq("fetch of the last RAM word", word[31:16], 32'h1234);

        access(1'b0, 32'hfffffff4, 4'b1111, 0, word, err);
        expect_eq("switch", word, 32'h5);
        access(1'b1, 32'hfffff010, 4'b1111, 32'h01000001, word, err);
        expect_eq("display", display, 32'h01000001);
        access(1'b1, 32'hfffff004, 4'b1111, 32'h2, word, err);
        access(1'b0, 32'hfffff004, 4'b1111, 0, word, err);
        expect_eq("lamp A read back", word, 32'h2);
        expect_eq("lamp A output", lamp_a, 32'h2);

        access(1'b1, ROM + 32'h8, 4'b1111, 32'h0, word, err);
        expect_eq("store to the ROM: no bus error", err, 0);
        fetch(ROM + 32'h8, word, err);
        expect_eq("ROM word 2 after the refused store", word, 32'h33333333);

        access(1'b0, RAM + 32'h40000, 4'b1111, 0, word, err);  // above the RAM: nothing answers
        expect_eq("load above the RAM: bus error", err, 1);
        access(1'b1, 32'hfffff010, 4'b0011, 32'h1, word, err);  // board registers: words only
        expect_eq("halfword store to the display: bus error", err, 1);
        fetch(32'hfffff000, word, err);
        expect_eq("fetch from the board page: bus error", err, 1);
        expect_eq("end mark before it is written", end_mark, 0);

        $display("board_script_tb: %0d checks done", checks);
        forever fetch(ROM + 32'h380, word, err);  // the exception idle loop: the monitor ends it
    end
endmodule
`default_nettype wire
