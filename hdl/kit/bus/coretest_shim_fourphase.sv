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
    input  wire logic                    clk_i, rst_i,
    input  wire coretest_mem_req_t       req_i,            // the core's port
    output coretest_mem_rsp_t            rsp_o,
    output coretest_fourphase_req_t      fourphase_req_o,  // 4-phase master
    input  wire coretest_fourphase_rsp_t fourphase_rsp_i
);
    logic acked_q;  // ack came: the request is down, the fall of ack is awaited
    assign fourphase_req_o.rd = req_i.req && !req_i.we && !acked_q;
    assign fourphase_req_o.wr = req_i.req && req_i.we && !acked_q;
    assign fourphase_req_o.be = req_i.be;
    assign fourphase_req_o.addr = ADDR_WORDS ? {2'b00, req_i.addr[31:2]} : req_i.addr;
    assign fourphase_req_o.wdata = req_i.wdata;
    assign rsp_o.ready = acked_q && !fourphase_rsp_i.ack;
    assign rsp_o.rdata = fourphase_rsp_i.rdata;
    assign rsp_o.err = fourphase_rsp_i.err;

    always_ff @(posedge clk_i) begin
        if (rst_i || rsp_o.ready) acked_q <= 1'b0;
        else if ((fourphase_req_o.rd || fourphase_req_o.wr) && fourphase_rsp_i.ack) acked_q <= 1'b1;
    end
endmodule
`default_nettype wire
