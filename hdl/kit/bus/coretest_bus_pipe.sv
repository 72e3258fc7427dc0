`default_nettype none
// Adapter from a pipelined request/response port to one of the board's request/ready ports.
//
// The core offers a request with req_valid_i; it is accepted in a cycle where req_ready_o is also
// 1, and the core may offer the next request in the next cycle. Responses come back in request
// order, each for one cycle on rsp_valid_o (read data and err with it), at the earliest two cycles
// after the acceptance (never in the cycle a request is accepted), and there is no response
// back-pressure: the core takes each response when it comes. At most OUTSTANDING requests are
// accepted and not yet answered; req_ready_o stays 0 while that many are.
//
// ADDR_WORDS = 1: req_addr_i is a word address (byte address / 4), else a byte address whose low
// two bits are ignored (req_be_i says which bytes). err: the board's bus error (nothing answers
// the address). +backpressure_seed=N withholds req_ready_o and delays responses at random.
module coretest_bus_pipe #(
    parameter int          OUTSTANDING = 2,
    parameter bit          ADDR_WORDS  = 1'b0,
    parameter logic [31:0] SALT        = 32'd0
) (
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    // the core's port
    input  wire logic        req_valid_i,
    output logic             req_ready_o,
    input  wire logic        req_we_i,
    input  wire logic [ 3:0] req_be_i,
    input  wire logic [31:0] req_addr_i,
    input  wire logic [31:0] req_wdata_i,
    output logic             rsp_valid_o,
    output logic      [31:0] rsp_rdata_o,
    output logic             rsp_err_o,
    // the board's port
    output logic             b_req_o,
    output logic             b_we_o,
    output logic      [ 3:0] b_be_o,
    output logic      [31:0] b_addr_o,
    output logic      [31:0] b_wdata_o,
    input  wire logic        b_ready_i,
    input  wire logic [31:0] b_rdata_i,
    input  wire logic        b_err_i
);
    localparam int COUNT_BITS = $clog2(OUTSTANDING + 1);

    logic [1:0] hold;  // [0] refuse requests this cycle, [1] hold the next response back
    coretest_backpressure #(.WIDTH(2), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));

    // Requests accepted and not yet answered.
    logic [COUNT_BITS-1:0] in_flight_q;
    logic accept;
    assign req_ready_o = in_flight_q < COUNT_BITS'(OUTSTANDING) && !hold[0];
    assign accept = req_valid_i && req_ready_o;

    // Accepted requests, the oldest on the board's port until the board completes it.
    logic [31:0] addr;
    assign addr = ADDR_WORDS ? {req_addr_i[29:0], 2'b00} : {req_addr_i[31:2], 2'b00};
    logic [68:0] request, head;
    logic requests_empty, done;
    assign request = {req_we_i, req_be_i, addr, req_wdata_i};
    coretest_bus_fifo #(.WIDTH(69), .DEPTH(OUTSTANDING)) requests (
        .clk_i, .rst_i, .push_i(accept), .data_i(request), .pop_i(done), .data_o(head),
        .empty_o(requests_empty));
    assign b_req_o = !requests_empty;
    assign {b_we_o, b_be_o, b_addr_o, b_wdata_o} = head;
    assign done = b_req_o && b_ready_i;

    // Completed requests' answers, in order.
    logic responses_empty;
    coretest_bus_fifo #(.WIDTH(33), .DEPTH(OUTSTANDING)) responses (
        .clk_i, .rst_i, .push_i(done), .data_i({b_err_i, b_rdata_i}), .pop_i(rsp_valid_o),
        .data_o({rsp_err_o, rsp_rdata_o}), .empty_o(responses_empty));
    assign rsp_valid_o = !responses_empty && !hold[1];

    always_ff @(posedge clk_i) begin
        if (rst_i) in_flight_q <= '0;
        else if (accept && !rsp_valid_o) in_flight_q <= in_flight_q + 1'b1;
        else if (rsp_valid_o && !accept) in_flight_q <= in_flight_q - 1'b1;
    end
endmodule
`default_nettype wire
