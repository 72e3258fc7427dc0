`default_nettype none
// Checks an AXI4-Lite master beside coretest_bus_axil. At the first broken rule it prints one
// line and ends the run, before any verdict:
//   coretest: FAIL: AXI4-Lite: ARVALID dropped before ARREADY at cycle 1234 (data port)
// Rules, for each of AW, W and AR: VALID stays up until READY, and the transfer (AWADDR; WDATA
// and WSTRB; ARADDR) does not change while VALID waits for READY. Cycles count from the end of
// reset, as the monitor's do.
module coretest_bus_axil_checker #(
    parameter PORT = "data"
) (
    input wire logic        clk_i,
    input wire logic        rst_i,
    input wire logic        awvalid_i,
    input wire logic        awready_i,
    input wire logic [31:0] awaddr_i,
    input wire logic        wvalid_i,
    input wire logic        wready_i,
    input wire logic [31:0] wdata_i,
    input wire logic [ 3:0] wstrb_i,
    input wire logic        arvalid_i,
    input wire logic        arready_i,
    input wire logic [31:0] araddr_i
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
            if (aw_wait_q && !awvalid_i) broken("AWVALID dropped before AWREADY");
            else if (aw_wait_q && awaddr_i != awaddr_q) broken("AWADDR changed while AWVALID waited for AWREADY");
            else if (w_wait_q && !wvalid_i) broken("WVALID dropped before WREADY");
            else if (w_wait_q && {wdata_i, wstrb_i} != {wdata_q, wstrb_q})
                broken("WDATA/WSTRB changed while WVALID waited for WREADY");
            else if (ar_wait_q && !arvalid_i) broken("ARVALID dropped before ARREADY");
            else if (ar_wait_q && araddr_i != araddr_q) broken("ARADDR changed while ARVALID waited for ARREADY");
            aw_wait_q <= awvalid_i && !awready_i;
            w_wait_q <= wvalid_i && !wready_i;
            ar_wait_q <= arvalid_i && !arready_i;
            awaddr_q <= awaddr_i;
            wdata_q <= wdata_i;
            wstrb_q <= wstrb_i;
            araddr_q <= araddr_i;
        end
    end
endmodule
`default_nettype wire
