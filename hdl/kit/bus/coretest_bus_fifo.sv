`default_nettype none
// A first-in first-out queue of DEPTH words for the bus adapters: data_o is the oldest word while
// empty_o is 0; push_i stores data_i, pop_i drops the oldest, both in one cycle if need be. The
// adapters never push a full queue or pop an empty one (they count what is in flight).
module coretest_bus_fifo #(
    parameter int WIDTH = 8,
    parameter int DEPTH = 2
) (
    input  wire logic             clk_i, rst_i,
    input  wire logic             push_i,
    input  wire logic [WIDTH-1:0] data_i,
    input  wire logic             pop_i,
    output logic      [WIDTH-1:0] data_o,
    output logic                  empty_o
);
    localparam int PTR_BITS = DEPTH > 1 ? $clog2(DEPTH) : 1;
    typedef logic [PTR_BITS-1:0] ptr_t;
    localparam ptr_t LAST = ptr_t'(DEPTH - 1);

    logic [WIDTH-1:0] words_q[DEPTH];
    ptr_t read_q, write_q;
    logic [PTR_BITS:0] count_q;

    assign data_o = words_q[read_q];
    assign empty_o = count_q == '0;

    always_ff @(posedge clk_i) begin
        if (push_i) words_q[write_q] <= data_i;
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            read_q <= '0;
            write_q <= '0;
            count_q <= '0;
        end else begin
            if (push_i) write_q <= write_q == LAST ? '0 : write_q + ptr_t'(1);
            if (pop_i) read_q <= read_q == LAST ? '0 : read_q + ptr_t'(1);
            if (push_i && !pop_i) count_q <= count_q + 1'b1;
            else if (pop_i && !push_i) count_q <= count_q - 1'b1;
        end
    end
endmodule
`default_nettype wire
