`default_nettype none
// Our core's request/ready port as an AXI4-Lite master, for proving coretest_bus_axil. A store
// sends AW and W, each raised on its own and kept up until its READY, then waits for B; a load or
// fetch sends AR and waits for R. The response completes the core's transfer (err: BRESP or RRESP
// is not OKAY). With +backpressure_seed=N the shim raises AWVALID, WVALID and ARVALID and
// BREADY and RREADY at random later cycles, so that the adapter sees varied VALID/READY timing.
module coretest_shim_axil
    import coretest_pkg::*;
#(
    parameter logic [31:0] SALT = 32'd0
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire coretest_mem_req_t req_i,  // the core's port
    output coretest_mem_rsp_t      rsp_o,
    // AXI4-Lite master
    output logic                   awvalid_o,
    input  wire logic              awready_i,
    output logic            [31:0] awaddr_o,
    output logic                   wvalid_o,
    input  wire logic              wready_i,
    output logic            [31:0] wdata_o,
    output logic            [ 3:0] wstrb_o,
    input  wire logic              bvalid_i,
    output logic                   bready_o,
    input  wire logic       [ 1:0] bresp_i,
    output logic                   arvalid_o,
    input  wire logic              arready_i,
    output logic            [31:0] araddr_o,
    input  wire logic              rvalid_i,
    output logic                   rready_o,
    input  wire logic       [31:0] rdata_i,
    input  wire logic       [ 1:0] rresp_i
);
    logic [4:0] hold;  // [0] AWVALID, [1] WVALID, [2] ARVALID, [3] BREADY, [4] RREADY later
    coretest_backpressure #(.WIDTH(5), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));

    logic write, read;
    assign write = req_i.req && req_i.we;
    assign read = req_i.req && !req_i.we;

    // A channel's VALID once raised stays up until its READY (raised_q); done_q: transferred.
    logic aw_raised_q, w_raised_q, ar_raised_q, aw_done_q, w_done_q, ar_done_q;
    assign awvalid_o = write && !aw_done_q && (aw_raised_q || !hold[0]);
    assign wvalid_o = write && !w_done_q && (w_raised_q || !hold[1]);
    assign arvalid_o = read && !ar_done_q && (ar_raised_q || !hold[2]);
    assign bready_o = write && !hold[3];
    assign rready_o = read && !hold[4];
    assign awaddr_o = req_i.addr;
    assign wdata_o = req_i.wdata;
    assign wstrb_o = req_i.be;
    assign araddr_o = req_i.addr;

    assign rsp_o.ready = (write && bvalid_i && bready_o) || (read && rvalid_i && rready_o);
    assign rsp_o.rdata = rdata_i;
    assign rsp_o.err = req_i.we ? bresp_i != 2'b00 : rresp_i != 2'b00;

    always_ff @(posedge clk_i) begin
        if (rst_i || rsp_o.ready) begin
            aw_done_q <= 1'b0;
            w_done_q <= 1'b0;
            ar_done_q <= 1'b0;
            aw_raised_q <= 1'b0;
            w_raised_q <= 1'b0;
            ar_raised_q <= 1'b0;
        end else begin
            if (awvalid_o && awready_i) aw_done_q <= 1'b1;
            if (wvalid_o && wready_i) w_done_q <= 1'b1;
            if (arvalid_o && arready_i) ar_done_q <= 1'b1;
            aw_raised_q <= awvalid_o && !awready_i;
            w_raised_q <= wvalid_o && !wready_i;
            ar_raised_q <= arvalid_o && !arready_i;
        end
    end
endmodule
`default_nettype wire
