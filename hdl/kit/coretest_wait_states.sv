`default_nettype none
// Wait states of one board port: ready_o rises LATENCY cycles after req_i first rose (in the same
// cycle when LATENCY is 0) and stays up for that one cycle, which completes the transfer. The
// core holds req_i until then; a new request may start in the next cycle.
//
// With +backpressure_seed=N (N > 0) each access waits 0 to 3 cycles more, drawn per access from a
// xorshift generator started from N: the same seed gives the same waits, hence the same run. The
// seed is printed once per port.
module coretest_wait_states
    import coretest_pkg::*;
#(
    parameter int LATENCY = 0
) (
    input  wire logic clk_i,
    input  wire logic rst_i,
    input  wire logic req_i,
    output logic      ready_o
);
    logic [31:0] seed;
    initial begin
        seed = '0;
        if ($value$plusargs("backpressure_seed=%d", seed) && seed != '0)
            $display("backpressure: seed %0d, %m: %0d to %0d wait states per access", seed,
                     LATENCY, LATENCY + 3);
    end

    // Cycles the current request has waited so far, the extra wait of this access and the
    // generator that draws the next one.
    logic [31:0] waited_q, random_q;
    logic [ 1:0] extra_q;

    assign ready_o = req_i && (waited_q == 32'(LATENCY) + 32'(extra_q));

    always_ff @(posedge clk_i) begin
        if (rst_i || !req_i || ready_o) waited_q <= '0;
        else waited_q <= waited_q + 32'd1;
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            random_q <= coretest_xorshift((seed * 32'h9e37_79b9) | 32'h1);
            extra_q <= '0;
        end else if (ready_o && seed != '0) begin
            random_q <= coretest_xorshift(random_q);
            extra_q <= random_q[1:0];
        end
    end
endmodule
`default_nettype wire
