`default_nettype none
// Our core's request/ready port as a Wishbone B4 master, for proving coretest_bus_wb (a core that
// speaks Wishbone itself needs no shim). Classic: the port maps signal for signal (CYC = STB =
// req, ready = ACK or ERR). Pipelined: STB rises with the request and falls once it is taken
// (no STALL); CYC stays up until its ACK or ERR, which completes the core's transfer.
module coretest_shim_wb
    import coretest_pkg::*;
#(
    parameter bit PIPELINED = 1'b0
) (
    input  wire logic              clk_i, rst_i,
    input  wire coretest_mem_req_t req_i,     // the core's port
    output coretest_mem_rsp_t      rsp_o,
    output coretest_wb_req_t       wb_req_o,  // Wishbone master
    input  wire coretest_wb_rsp_t  wb_rsp_i
);
    logic taken_q;  // pipelined: the request was taken, its answer is awaited
    assign wb_req_o.cyc = req_i.req;
    assign wb_req_o.stb = req_i.req && !(PIPELINED && taken_q);
    assign wb_req_o.we = req_i.we;
    assign wb_req_o.sel = req_i.be;
    assign wb_req_o.adr = req_i.addr;
    assign wb_req_o.dat = req_i.wdata;
    assign rsp_o.ready = req_i.req && (wb_rsp_i.ack || wb_rsp_i.err);
    assign rsp_o.rdata = wb_rsp_i.dat;
    assign rsp_o.err = wb_rsp_i.err;

    always_ff @(posedge clk_i) begin
        if (rst_i || !PIPELINED) taken_q <= 1'b0;
        else if (rsp_o.ready) taken_q <= 1'b0;
        else if (wb_req_o.stb && !wb_rsp_i.stall) taken_q <= 1'b1;
    end
endmodule
`default_nettype wire
