`default_nettype none
// Drives coretest_monitor alone with the display words of a run and an end mark, as the board
// would show them, so that its summary line can be checked. +words=N picks the run:
//   1: the first ROM passing (0x01000001 ... 0x3a00003a)
//   2: the second ROM passing (0x3b000001 ... 0x52000018)
//   3: the second ROM ending at routine 77 after an unannounced exception (lamps 2,2)
//   4: a first display word no ROM writes first (0xf0af0000), then the first ROM's pass word
module monitor_count_tb
    import coretest_pkg::*;
;
    logic clk = 1'b0;
    always #5 clk = ~clk;

    logic              rst, end_mark;
    /* verilator lint_off UNUSEDSIGNAL */
    logic              stop, flush;
    /* verilator lint_on UNUSEDSIGNAL */
    logic       [31:0] display, lamp_a, lamp_b;
    coretest_mem_req_t imem_req;
    coretest_mem_rsp_t imem_rsp;

    coretest_monitor #(.DRAIN_CYCLES(4)) monitor (
        .clk_i(clk), .rst_i(rst), .imem_req_i(imem_req), .imem_rsp_i(imem_rsp),
        .bus_error_i(1'b0), .end_mark_i(end_mark), .display_i(display), .lamp_a_i(lamp_a),
        .lamp_b_i(lamp_b), .trace_end_i(1'b1), .trace_errors_i(32'd0), .stop_o(stop),
        .flush_o(flush));

    // The display after routine `number` when `passed` routines of the ROM have passed.
    task automatic show(logic [7:0] number, logic [23:0] passed);
        @(negedge clk) display = {number, passed};
    endtask

    initial begin
        int run;
        imem_req = '0;
        imem_rsp = '0;
        rst = 1'b1;
        end_mark = 1'b0;
        display = '0;
        lamp_a = '0;
        lamp_b = '0;
        run = 1;
        if ($value$plusargs("words=%d", run)) begin end
        repeat (2) @(negedge clk);
        rst = 1'b0;
        case (run)
            1: for (int n = 1; n <= 58; n++) show(8'(n), 24'(n));
            2: for (int n = 59; n <= 82; n++) show(8'(n), 24'(n - 58));
            3: for (int n = 59; n <= 77; n++) show(8'(n), 24'(n < 77 ? n - 58 : 18));
            default: begin
                show(8'hf0, 24'haf0000);
                show(8'd58, 24'd58);
            end
        endcase
        @(negedge clk);
        lamp_a = run == 3 ? 32'd2 : 32'd1;
        lamp_b = lamp_a;
        end_mark = 1'b1;
        @(negedge clk) end_mark = 1'b0;
    end
endmodule
`default_nettype wire
