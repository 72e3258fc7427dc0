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
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire coretest_mem_req_t req_i,  // the core's port
    output coretest_mem_rsp_t      rsp_o,
    // Wishbone master
    output logic                   cyc_o,
    output logic                   stb_o,
    output logic                   we_o,
    output logic            [ 3:0] sel_o,
    output logic            [31:0] adr_o,
    output logic            [31:0] dat_o,
    input  wire logic       [31:0] dat_i,
    input  wire logic              ack_i,
    input  wire logic              err_i,
    input  wire logic              stall_i
);
    logic taken_q;  // pipelined: the request was taken, its answer is awaited
    assign cyc_o = req_i.req;
    assign stb_o = req_i.req && !(PIPELINED && taken_q);
    assign we_o = req_i.we;
    assign sel_o = req_i.be;
    assign adr_o = req_i.addr;
    assign dat_o = req_i.wdata;
    assign rsp_o.ready = req_i.req && (ack_i || err_i);
    assign rsp_o.rdata = dat_i;
    assign rsp_o.err = err_i;

    always_ff @(posedge clk_i) begin
        if (rst_i || !PIPELINED) taken_q <= 1'b0;
        else if (rsp_o.ready) taken_q <= 1'b0;
        else if (stb_o && !stall_i) taken_q <= 1'b1;
    end
endmodule
`default_nettype wire
