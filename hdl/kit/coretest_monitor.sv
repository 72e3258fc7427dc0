`default_nettype none
// Ends a simulation of the test ROM and prints one summary line that scripts read:
//   coretest: PASS: verdict pass, 58 of 58 routines passed, display 0x3a00003a, 151234 cycles
//   coretest: FAIL: <what happened>, display 0x..., N cycles[; K bus errors][; K tracer errors]
// The routine count is the image's: the first display word names the ROM, as its routine
// number is the ROM's first (1: the first ROM's 58 routines; 59: the second ROM's 24). A
// testbench running an image with other numbers gives +routines=N, one running a random program
// +checkpoints=N ("verdict pass, 10 of 10 checkpoints passed").
// The run ends when the end-mark register receives 0xff, when the core idles in the exception
// loop (IDLE_FETCHES fetches of 0xbfc00380 with no fetch outside its 32 bytes between them) or in
// test_finish without an end mark (the same at 0xbfc00100), or at the cycle limit
// (+max_cycles=N). Then stop_o rises, the tracer gets up to DRAIN_CYCLES to complete its trace
// (at the end mark: until the end-mark record is written), flush_o lets it report what never
// arrived, and the summary follows. PASS needs the pass verdict
// on the lamps, no bus error and no tracer error.
module coretest_monitor
    import coretest_pkg::*;
#(
    parameter bit          PHYSICAL     = 1'b0,
    parameter logic [63:0] MAX_CYCLES   = 64'd1_000_000_000,  // plusarg +max_cycles=N overrides
    parameter int          DRAIN_CYCLES = 1000,
    parameter int          IDLE_FETCHES = 3
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    // the instruction port, watched for the idle loops (its fetches' addresses only)
    /* verilator lint_off UNUSEDSIGNAL */
    input  wire coretest_mem_req_t imem_req_i,
    input  wire coretest_mem_rsp_t imem_rsp_i,
    /* verilator lint_on UNUSEDSIGNAL */
    // the board
    input  wire logic              bus_error_i,
    input  wire logic              end_mark_i,
    input  wire logic       [31:0] display_i,
    input  wire logic       [31:0] lamp_a_i,
    input  wire logic       [31:0] lamp_b_i,
    // the tracer (tie trace_end_i to 1 and trace_errors_i to 0 without one)
    input  wire logic              trace_end_i,
    input  wire logic       [31:0] trace_errors_i,
    output logic                   stop_o,
    output logic                   flush_o
);
    localparam logic [31:0] SEGMENT = PHYSICAL ? 32'h0000_0000 : 32'ha000_0000;
    localparam logic [31:0] EXCEPTION_LOOP = SEGMENT | 32'h1fc0_0380;
    localparam logic [31:0] TEST_FINISH = SEGMENT | 32'h1fc0_0100;

    typedef enum logic [2:0] {
        RUNNING,
        END_MARK,
        EXCEPTION_IDLE,
        FINISH_IDLE,
        CYCLE_LIMIT
    } ending_t;
    typedef enum logic [1:0] {
        WATCH,     // the run goes on
        DRAIN,     // the end is decided; the tracer completes its trace
        FLUSH,     // the tracer reports and closes
        SUMMARY
    } phase_t;

    ending_t     ending_q;
    phase_t      phase_q;
    logic [63:0] cycles_q, end_cycle_q, limit;  // end_cycle_q: when the end was decided
    logic [31:0] drain_q, bus_errors_q;
    logic [ 7:0] exception_fetches_q, finish_fetches_q;
    logic [ 7:0] first_routine_q;  // the routine number of the first display word
    logic        displayed_q;  // a display word seen
    int          routines_arg, checkpoints_arg;  // +routines=N, +checkpoints=N; 0 when not given

    // A count of 1 to 255 from +NAME=N (a display word holds 8 bits of it); 0 when not given, and
    // an ERROR line that ends the run when it is not such a count.
    function automatic int count_plusarg(string name, string what);
        string text;
        logic digits_only;
        int count;
        count = 0;
        if (!$value$plusargs({name, "=%s"}, text)) return 0;
        digits_only = text.len() >= 1 && text.len() <= 3;
        for (int k = 0; k < text.len(); k++)
            if (text[k] < "0" || text[k] > "9") digits_only = 1'b0;
        if (digits_only) begin
            if ($sscanf(text, "%d", count) == 1) begin end
        end
        if (!digits_only || count < 1 || count > 255) begin
            $display("coretest: ERROR +%s takes a %s count from 1 to 255, not '%s'", name, what,
                     text);
            $finish;
        end
        return count;
    endfunction

    // +max_cycles=N: a decimal number of cycles, checked before the run (a bad one would be 0).
    initial begin
        string text;
        logic digits_only;
        limit = MAX_CYCLES;
        routines_arg = count_plusarg("routines", "routine");
        checkpoints_arg = count_plusarg("checkpoints", "checkpoint");
        if (routines_arg != 0 && checkpoints_arg != 0) begin
            $display("coretest: ERROR +routines and +checkpoints name two kinds of image: give one");
            $finish;
        end
        if ($value$plusargs("max_cycles=%s", text)) begin
            digits_only = text.len() >= 1 && text.len() <= 19;
            for (int k = 0; k < text.len(); k++)
                if (text[k] < "0" || text[k] > "9") digits_only = 1'b0;
            if (digits_only) begin
                if ($sscanf(text, "%d", limit) == 1) begin end
            end else begin
                $display("coretest: ERROR +max_cycles takes a decimal number of cycles, not '%s'",
                         text);
                $finish;
            end
        end
    end

    logic fetched;
    assign fetched = imem_req_i.req && imem_rsp_i.ready;

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            ending_q <= RUNNING;
            phase_q <= WATCH;
            cycles_q <= '0;
            drain_q <= '0;
            bus_errors_q <= '0;
            exception_fetches_q <= '0;
            finish_fetches_q <= '0;
            displayed_q <= 1'b0;
            first_routine_q <= 8'd0;
        end else begin
            if (!displayed_q && display_i != 32'd0) begin
                displayed_q <= 1'b1;
                first_routine_q <= display_i[31:24];
            end
            cycles_q <= cycles_q + 64'd1;
            if (bus_error_i) bus_errors_q <= bus_errors_q + 32'd1;
            // An idle loop fetches its own address again and again, and nothing outside its
            // 32 bytes (which hold its delay slot and what a pipeline may fetch before the branch
            // turns it back); a fetch further away means the code there runs on (the second
            // ROM's exception handler starts at the exception loop's address and returns).
            if (fetched && imem_req_i.addr[31:5] != EXCEPTION_LOOP[31:5])
                exception_fetches_q <= '0;
            else if (fetched && imem_req_i.addr == EXCEPTION_LOOP)
                exception_fetches_q <= exception_fetches_q + 8'd1;
            if (fetched && imem_req_i.addr[31:5] != TEST_FINISH[31:5]) finish_fetches_q <= '0;
            else if (fetched && imem_req_i.addr == TEST_FINISH)
                finish_fetches_q <= finish_fetches_q + 8'd1;
            case (phase_q)
                WATCH: begin
                    if (end_mark_i) ending_q <= END_MARK;
                    else if (exception_fetches_q >= 8'(IDLE_FETCHES)) ending_q <= EXCEPTION_IDLE;
                    else if (finish_fetches_q >= 8'(IDLE_FETCHES)) ending_q <= FINISH_IDLE;
                    else if (cycles_q >= limit) ending_q <= CYCLE_LIMIT;
                    if (end_mark_i || exception_fetches_q >= 8'(IDLE_FETCHES) ||
                        finish_fetches_q >= 8'(IDLE_FETCHES) || cycles_q >= limit) begin
                        phase_q <= DRAIN;
                        end_cycle_q <= cycles_q;
                    end
                end
                DRAIN: begin
                    drain_q <= drain_q + 32'd1;
                    if ((ending_q == END_MARK && trace_end_i) || drain_q >= 32'(DRAIN_CYCLES))
                        phase_q <= FLUSH;
                end
                FLUSH: phase_q <= SUMMARY;
                default: ;
            endcase
        end
    end

    assign stop_o = phase_q != WATCH;
    assign flush_o = phase_q == FLUSH;

    // ---- the summary (simulation only, hence not always_ff) ----
    always @(posedge clk_i) begin
        if (!rst_i && phase_q == SUMMARY) begin
            string what, extra;
            logic passed;
            passed = ending_q == END_MARK && lamp_a_i == 32'd1 && lamp_b_i == 32'd1;
            case (ending_q)
                END_MARK:
                $sformat(what, "verdict %s, %0d%0s passed", passed ? "pass" : "fail",
                         display_i[23:0], coretest_units_of(first_routine_q, routines_arg,
                                                            checkpoints_arg));
                EXCEPTION_IDLE:
                $sformat(what, "no verdict: the core idles in the exception loop at 0x%08h",
                         EXCEPTION_LOOP);
                FINISH_IDLE:
                $sformat(what, "no verdict: the core idles in test_finish without an end mark");
                default: $sformat(what, "no verdict: cycle limit %0d reached", limit);
            endcase
            extra = "";
            if (bus_errors_q != 0) $sformat(extra, "; %0d bus errors", bus_errors_q);
            if (trace_errors_i != 0) $sformat(extra, "%s; %0d tracer errors", extra, trace_errors_i);
            if (ending_q == END_MARK && !trace_end_i)
                $sformat(extra, "%s; the trace stops before the end mark", extra);
            passed = passed && extra == "";
            $display("coretest: %s: %s, display 0x%08h, %0d cycles%s", passed ? "PASS" : "FAIL",
                     what, display_i, end_cycle_q, extra);
            $finish;
        end
    end
endmodule
`default_nettype wire
