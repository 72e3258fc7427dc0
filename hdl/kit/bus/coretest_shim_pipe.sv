`default_nettype none
// Our core's request/ready port as a pipelined request/response master, for proving
// coretest_bus_pipe: the request is offered until it is taken, then the core waits for its
// response, which completes the transfer. One request at a time, as our core makes them.
module coretest_shim_pipe
    import coretest_pkg::*;
(
    input  wire logic              clk_i, rst_i,
    input  wire coretest_mem_req_t req_i,  // the core's port
    output coretest_mem_rsp_t      rsp_o,
    output coretest_mem_req_t      req_o,  // pipelined master
    input  wire logic              req_ready_i,
    input  wire coretest_mem_rsp_t rsp_i
);
    logic taken_q;
    assign req_o = {req_i.req && !taken_q, req_i.we, req_i.be, req_i.addr, req_i.wdata};
    assign rsp_o = {req_i.req && rsp_i.ready, rsp_i.rdata, rsp_i.err};

    always_ff @(posedge clk_i) begin
        if (rst_i || rsp_o.ready) taken_q <= 1'b0;
        else if (req_o.req && req_ready_i) taken_q <= 1'b1;
    end
endmodule
`default_nettype wire
