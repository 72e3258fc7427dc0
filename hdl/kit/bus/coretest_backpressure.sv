`default_nettype none
// Random back-pressure for the bus adapters and shims. With +backpressure_seed=N (N > 0) hold_o
// gives WIDTH fresh bits every cycle, each 1 with probability 1/2, from a xorshift generator
// started from N and SALT; without the plusarg, or with N = 0, hold_o stays 0. Its users read a 1
// as "not in this cycle": a ready, a response or an acknowledge withheld, a stall raised, a valid
// raised later. The bits depend only on the seed and the cycle, so one seed gives one run: the
// same cycle counts and the same trace.
module coretest_backpressure
    import coretest_pkg::*;
#(
    parameter int          WIDTH = 4,     // 1 to 32
    parameter logic [31:0] SALT  = 32'd0  // a different stream per instance
) (
    input  wire logic             clk_i, rst_i,
    output logic      [WIDTH-1:0] hold_o
);
    logic [31:0] seed;
    initial begin
        seed = '0;
        if ($value$plusargs("backpressure_seed=%d", seed)) begin end
    end

    // The first state: never 0, which xorshift would keep forever.
    function automatic logic [31:0] first_state(logic [31:0] s);
        logic [31:0] x;
        x = (s * 32'h9e37_79b9) ^ (SALT * 32'h85eb_ca6b);
        return coretest_xorshift(x == '0 ? 32'h1 : x);
    endfunction

    logic [31:0] state_q;
    always_ff @(posedge clk_i) begin
        if (rst_i) state_q <= first_state(seed);
        else state_q <= coretest_xorshift(state_q);
    end

    assign hold_o = seed == '0 ? '0 : state_q[WIDTH-1:0];
endmodule
`default_nettype wire
