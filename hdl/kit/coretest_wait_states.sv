`default_nettype none
// Wait states of one board port: ready_o rises LATENCY cycles after req_i first rose (in the same
// cycle when LATENCY is 0) and stays up for that one cycle, which completes the transfer. The
// core holds req_i until then; a new request may start in the next cycle.
module coretest_wait_states #(
    parameter int LATENCY = 0
) (
    input  wire logic clk_i,
    input  wire logic rst_i,
    input  wire logic req_i,
    output logic      ready_o
);
    // Cycles the current request has waited so far.
    logic [31:0] waited_q;

    assign ready_o = req_i && (waited_q == 32'(LATENCY));

    always_ff @(posedge clk_i) begin
        if (rst_i || !req_i || ready_o) waited_q <= '0;
        else waited_q <= waited_q + 32'd1;
    end
endmodule
`default_nettype wire
