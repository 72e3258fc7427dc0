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
    input  wire logic               clk_i, rst_i,
    input  wire coretest_mem_req_t  req_i,      // the core's port
    output coretest_mem_rsp_t       rsp_o,
    output coretest_axil_req_t      axi_req_o,  // AXI4-Lite master
    input  wire coretest_axil_rsp_t axi_rsp_i
);
    logic [4:0] hold;  // [0] AWVALID, [1] WVALID, [2] ARVALID, [3] BREADY, [4] RREADY later
    coretest_backpressure #(.WIDTH(5), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));

    logic write, read;
    assign write = req_i.req && req_i.we;
    assign read = req_i.req && !req_i.we;

    // A channel's VALID once raised stays up until its READY (raised_q); done_q: transferred.
    logic aw_raised_q, w_raised_q, ar_raised_q, aw_done_q, w_done_q, ar_done_q;
    assign axi_req_o.awvalid = write && !aw_done_q && (aw_raised_q || !hold[0]);
    assign axi_req_o.wvalid = write && !w_done_q && (w_raised_q || !hold[1]);
    assign axi_req_o.arvalid = read && !ar_done_q && (ar_raised_q || !hold[2]);
    assign axi_req_o.bready = write && !hold[3];
    assign axi_req_o.rready = read && !hold[4];
    assign axi_req_o.awaddr = req_i.addr;
    assign axi_req_o.wdata = req_i.wdata;
    assign axi_req_o.wstrb = req_i.be;
    assign axi_req_o.araddr = req_i.addr;

    assign rsp_o.ready = (write && axi_rsp_i.bvalid && axi_req_o.bready) ||
                         (read && axi_rsp_i.rvalid && axi_req_o.rready);
    assign rsp_o.rdata = axi_rsp_i.rdata;
    assign rsp_o.err = req_i.we ? axi_rsp_i.bresp != 2'b00 : axi_rsp_i.rresp != 2'b00;

    always_ff @(posedge clk_i) begin
        if (rst_i || rsp_o.ready) begin
            aw_done_q <= 1'b0;
            w_done_q <= 1'b0;
            ar_done_q <= 1'b0;
            aw_raised_q <= 1'b0;
            w_raised_q <= 1'b0;
            ar_raised_q <= 1'b0;
        end else begin
            if (axi_req_o.awvalid && axi_rsp_i.awready) aw_done_q <= 1'b1;
            if (axi_req_o.wvalid && axi_rsp_i.wready) w_done_q <= 1'b1;
            if (axi_req_o.arvalid && axi_rsp_i.arready) ar_done_q <= 1'b1;
            aw_raised_q <= axi_req_o.awvalid && !axi_rsp_i.awready;
            w_raised_q <= axi_req_o.wvalid && !axi_rsp_i.wready;
            ar_raised_q <= axi_req_o.arvalid && !axi_rsp_i.arready;
        end
    end
endmodule
`default_nettype wire
