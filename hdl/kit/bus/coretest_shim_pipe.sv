`default_nettype none
// Our core's request/ready port as a pipelined request/response master, for proving
// coretest_bus_pipe: the request is offered until it is taken, then the core waits for its
// response, which completes the transfer. One request at a time, as our core makes them.
module coretest_shim_pipe (
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    // the core's port
    input  wire logic        req_i,
    input  wire logic        we_i,
    input  wire logic [ 3:0] be_i,
    input  wire logic [31:0] addr_i,
    input  wire logic [31:0] wdata_i,
    output logic             ready_o,
    output logic      [31:0] rdata_o,
    output logic             err_o,
    // pipelined master
    output logic             req_valid_o,
    input  wire logic        req_ready_i,
    output logic             req_we_o,
    output logic      [ 3:0] req_be_o,
    output logic      [31:0] req_addr_o,
    output logic      [31:0] req_wdata_o,
    input  wire logic        rsp_valid_i,
    input  wire logic [31:0] rsp_rdata_i,
    input  wire logic        rsp_err_i
);
    logic taken_q;
    assign req_valid_o = req_i && !taken_q;
    assign req_we_o = we_i;
    assign req_be_o = be_i;
    assign req_addr_o = addr_i;
    assign req_wdata_o = wdata_i;
    assign ready_o = req_i && rsp_valid_i;
    assign rdata_o = rsp_rdata_i;
    assign err_o = rsp_err_i;

    always_ff @(posedge clk_i) begin
        if (rst_i || ready_o) taken_q <= 1'b0;
        else if (req_valid_o && req_ready_i) taken_q <= 1'b1;
    end
endmodule
`default_nettype wire
