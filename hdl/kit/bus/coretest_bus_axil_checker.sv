`default_nettype none
// Checks an AXI4-Lite master beside coretest_bus_axil. At the first broken rule it prints one
// line and ends the run, before any verdict:
//   coretest: FAIL: AXI4-Lite: ARVALID dropped before ARREADY at cycle 1234 (data port)
// Rules, for each of AW, W and AR: VALID stays up until READY, and the transfer (AWADDR; WDATA
// and WSTRB; ARADDR) does not change while VALID waits for READY. Cycles count from the end of
// reset, as the monitor's do.
module coretest_bus_axil_checker
    import coretest_pkg::*;
#(
    parameter PORT = "data"
) (
    input wire logic               clk_i, rst_i,
    /* verilator lint_off UNUSEDSIGNAL */
    input wire coretest_axil_req_t axi_req_i,  // the master's side (B and R are not checked)
    input wire coretest_axil_rsp_t axi_rsp_i   // the adapter's: its readies
    /* verilator lint_on UNUSEDSIGNAL */
);
    logic [63:0] cycle_q;
    logic        aw_wait_q, w_wait_q, ar_wait_q;  // VALID without READY in the last cycle
    logic [31:0] awaddr_q, wdata_q, araddr_q;
    logic [ 3:0] wstrb_q;

    task automatic broken(string rule);
        $display("coretest: FAIL: AXI4-Lite: %s at cycle %0d (%0s port)", rule, cycle_q, PORT);
        $finish;
    endtask

    always @(posedge clk_i) begin
        if (rst_i) begin
            cycle_q <= '0;
            aw_wait_q <= 1'b0;
            w_wait_q <= 1'b0;
            ar_wait_q <= 1'b0;
        end else begin
            cycle_q <= cycle_q + 64'd1;
            if (aw_wait_q && !axi_req_i.awvalid) broken("AWVALID dropped before AWREADY");
            else if (aw_wait_q && axi_req_i.awaddr != awaddr_q)
                broken("AWADDR changed while AWVALID waited for AWREADY");
            else if (w_wait_q && !axi_req_i.wvalid) broken("WVALID dropped before WREADY");
            else if (w_wait_q && {axi_req_i.wdata, axi_req_i.wstrb} != {wdata_q, wstrb_q})
                broken("WDATA/WSTRB changed while WVALID waited for WREADY");
            else if (ar_wait_q && !axi_req_i.arvalid) broken("ARVALID dropped before ARREADY");
            else if (ar_wait_q && axi_req_i.araddr != araddr_q)
                broken("ARADDR changed while ARVALID waited for ARREADY");
            aw_wait_q <= axi_req_i.awvalid && !axi_rsp_i.awready;
            w_wait_q <= axi_req_i.wvalid && !axi_rsp_i.wready;
            ar_wait_q <= axi_req_i.arvalid && !axi_rsp_i.arready;
            awaddr_q <= axi_req_i.awaddr;
            wdata_q <= axi_req_i.wdata;
            wstrb_q <= axi_req_i.wstrb;
            araddr_q <= axi_req_i.araddr;
        end
    end
endmodule
`default_nettype wire
