`default_nettype none
// Our core's request/ready port as a 4-phase master, for proving coretest_bus_fourphase: rd or wr
// rises with the request (a word address when ADDR_WORDS = 1) and falls after ack; the core's
// transfer completes when ack has fallen, and takes the read data then, after the acknowledge, as
// some cores do.
module coretest_shim_fourphase
    import coretest_pkg::*;
#(
    parameter bit ADDR_WORDS = 1'b0
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire coretest_mem_req_t req_i,  // the core's port
    output coretest_mem_rsp_t      rsp_o,
    // 4-phase master
    output logic                   rd_o,
    output logic                   wr_o,
    output logic            [ 3:0] be_o,
    output logic            [31:0] addr_o,
    output logic            [31:0] wdata_o,
    input  wire logic              ack_i,
    input  wire logic       [31:0] rdata_i,
    input  wire logic              err_i
);
    logic acked_q;  // ack came: the request is down, the fall of ack is awaited
    assign rd_o = req_i.req && !req_i.we && !acked_q;
    assign wr_o = req_i.req && req_i.we && !acked_q;
    assign be_o = req_i.be;
    assign addr_o = ADDR_WORDS ? {2'b00, req_i.addr[31:2]} : req_i.addr;
    assign wdata_o = req_i.wdata;
    assign rsp_o.ready = acked_q && !ack_i;
    assign rsp_o.rdata = rdata_i;
    assign rsp_o.err = err_i;

    always_ff @(posedge clk_i) begin
        if (rst_i || rsp_o.ready) acked_q <= 1'b0;
        else if ((rd_o || wr_o) && ack_i) acked_q <= 1'b1;
    end
endmodule
`default_nettype wire
