`default_nettype none
// A core with one signal per wire, as a designer's core has: our core behind flat ports named as
// in the template example of docs/simulation.md, for the test that runs that example.
module my_core
    import coretest_pkg::*;
(
    input  wire logic        clk, reset,
    output logic             ibus_req, dbus_req, dbus_we,
    output logic      [31:0] ibus_addr, dbus_addr, dbus_wdata,
    output logic      [ 3:0] dbus_be,
    input  wire logic        ibus_ready, ibus_err, dbus_ready, dbus_err,
    input  wire logic [31:0] ibus_rdata, dbus_rdata
);
    coretest_mem_req_t    imem_req, dmem_req;
    coretest_retirement_t retirement;  // the test's top reads it by its hierarchical name
    mips_core u (
        .clk_i(clk), .rst_i(reset), .bugs_i(32'd0), .imem_req_o(imem_req),
        .imem_rsp_i({ibus_ready, ibus_rdata, ibus_err}), .dmem_req_o(dmem_req),
        .dmem_rsp_i({dbus_ready, dbus_rdata, dbus_err}), .retirement_o(retirement));
    assign ibus_req = imem_req.req;
    assign ibus_addr = imem_req.addr;
    assign {dbus_req, dbus_we, dbus_be, dbus_addr, dbus_wdata} = dmem_req;

    logic unused_fetch_fields;  // a fetch has no store fields
    assign unused_fetch_fields = ^{imem_req.we, imem_req.be, imem_req.wdata};
endmodule
`default_nettype wire
