`default_nettype none
// Wait states of one board port: ready rises LATENCY cycles after req first rose (in the same
// cycle when LATENCY is 0) and stays up for that one cycle, which completes the transfer. The
// core holds req until then; a new request may start in the next cycle.
module coretest_wait_states #(
    parameter int LATENCY = 0
) (
    input  wire logic clk,
    input  wire logic rst,
    input  wire logic req,
    output logic      ready
);
    // Cycles the current request has waited so far.
    logic [31:0] waited_q;

    assign ready = req && (waited_q == 32'(LATENCY));

    always_ff @(posedge clk) begin
        if (rst || !req || ready) waited_q <= '0;
        else waited_q <= waited_q + 32'd1;
    end
endmodule
`default_nettype wire
