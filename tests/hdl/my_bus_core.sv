`default_nettype none
// A core with one signal per wire on a pipelined Wishbone instruction port and an AXI4-Lite data
// port, as the example of docs/bus-adapters.md has it: our core behind the kit's shims, their
// structs taken apart into loose ports, for the test that runs that example.
module my_bus_core
    import coretest_pkg::*;
(
    input  wire logic                 clk, reset,
    // Wishbone master, instruction port
    output logic                      icyc, istb,
    output logic               [31:0] iadr,
    input  wire logic                 iack, ierr, istall,
    input  wire logic          [31:0] idat,
    // AXI4-Lite master, data port
    output logic                      awvalid, wvalid, bready, arvalid, rready,
    output logic               [31:0] awaddr, wdata, araddr,
    output logic               [ 3:0] wstrb,
    input  wire logic                 awready, wready, bvalid, arready, rvalid,
    input  wire logic          [ 1:0] bresp, rresp,
    input  wire logic          [31:0] rdata,
    output coretest_retirement_t      retirement_o
);
    coretest_mem_req_t imem_req, dmem_req;
    coretest_mem_rsp_t imem_rsp, dmem_rsp;
    mips_core u (
        .clk_i(clk), .rst_i(reset), .bugs_i(32'd0), .imem_req_o(imem_req), .imem_rsp_i(imem_rsp),
        .dmem_req_o(dmem_req), .dmem_rsp_i(dmem_rsp), .retirement_o);

    coretest_wb_req_t ibus_req;
    coretest_shim_wb #(.PIPELINED(1)) ishim (
        .clk_i(clk), .rst_i(reset), .req_i(imem_req), .rsp_o(imem_rsp), .wb_req_o(ibus_req),
        .wb_rsp_i({iack, ierr, istall, idat}));
    assign {icyc, istb, iadr} = {ibus_req.cyc, ibus_req.stb, ibus_req.adr};

    coretest_axil_req_t dbus_req;
    coretest_shim_axil dshim (
        .clk_i(clk), .rst_i(reset), .req_i(dmem_req), .rsp_o(dmem_rsp), .axi_req_o(dbus_req),
        .axi_rsp_i({awready, wready, bvalid, bresp, arready, rvalid, rdata, rresp}));
    assign {awvalid, awaddr, wvalid, wdata, wstrb, bready, arvalid, araddr, rready} = dbus_req;

    logic unused_fetch_fields;  // a fetch writes nothing
    assign unused_fetch_fields = ^{ibus_req.we, ibus_req.sel, ibus_req.dat};
endmodule
`default_nettype wire
