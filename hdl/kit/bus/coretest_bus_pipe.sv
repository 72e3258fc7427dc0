`default_nettype none
// Adapter from a pipelined request/response port to one of the board's request/ready ports.
//
// The port is the board's request and response structs (coretest_pkg) with another handshake.
// The core offers a request with req_i.req; it is accepted in a cycle where req_ready_o is also
// 1, and the core may offer the next request in the next cycle. Responses come back in request
// order, each for one cycle on rsp_o.ready (rsp_o.rdata and rsp_o.err with it), at the earliest
// two cycles after the acceptance (never in the cycle a request is accepted), and there is no
// response back-pressure: the core takes each response when it comes. At most OUTSTANDING
// requests are accepted and not yet answered; req_ready_o stays 0 while that many are.
//
// ADDR_WORDS = 1: req_i.addr is a word address (byte address / 4), else a byte address whose low
// two bits are ignored (req_i.be says which bytes). err: the board's bus error (nothing answers
// the address). +backpressure_seed=N withholds req_ready_o and delays responses at random.
module coretest_bus_pipe
    import coretest_pkg::*;
#(
    parameter int          OUTSTANDING = 2,
    parameter bit          ADDR_WORDS  = 1'b0,
    parameter logic [31:0] SALT        = 32'd0
) (
    input  wire logic              clk_i, rst_i,
    input  wire coretest_mem_req_t req_i,    // the core's port
    output logic                   req_ready_o,
    output coretest_mem_rsp_t      rsp_o,
    output coretest_mem_req_t      b_req_o,  // the board's port
    input  wire coretest_mem_rsp_t b_rsp_i
);
    localparam int COUNT_BITS = $clog2(OUTSTANDING + 1);

    logic [1:0] hold;  // [0] refuse requests this cycle, [1] hold the next response back
    coretest_backpressure #(.WIDTH(2), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));

    // Requests accepted and not yet answered.
    logic [COUNT_BITS-1:0] in_flight_q;
    logic accept;
    assign req_ready_o = in_flight_q < COUNT_BITS'(OUTSTANDING) && !hold[0];
    assign accept = req_i.req && req_ready_o;

    // Accepted requests, the oldest on the board's port until the board completes it.
    logic [31:0] addr;
    assign addr = ADDR_WORDS ? {req_i.addr[29:0], 2'b00} : {req_i.addr[31:2], 2'b00};
    logic [68:0] request, head;
    logic requests_empty, done;
    assign request = {req_i.we, req_i.be, addr, req_i.wdata};
    coretest_bus_fifo #(.WIDTH(69), .DEPTH(OUTSTANDING)) requests (
        .clk_i, .rst_i, .push_i(accept), .data_i(request), .pop_i(done), .data_o(head),
        .empty_o(requests_empty));
    assign b_req_o = {!requests_empty, head};
    assign done = b_req_o.req && b_rsp_i.ready;

    // Completed requests' answers, in order.
    logic responses_empty, respond;
    logic [32:0] response;
    coretest_bus_fifo #(.WIDTH(33), .DEPTH(OUTSTANDING)) responses (
        .clk_i, .rst_i, .push_i(done), .data_i({b_rsp_i.rdata, b_rsp_i.err}), .pop_i(respond),
        .data_o(response), .empty_o(responses_empty));
    assign respond = !responses_empty && !hold[1];
    assign rsp_o = {respond, response};

    always_ff @(posedge clk_i) begin
        if (rst_i) in_flight_q <= '0;
        else if (accept && !respond) in_flight_q <= in_flight_q + 1'b1;
        else if (respond && !accept) in_flight_q <= in_flight_q - 1'b1;
    end
endmodule
`default_nettype wire
