`default_nettype none
// One of our core's request/ready ports through each protocol: a shim (hdl/kit/bus/
// coretest_shim_*.sv: our core speaks request/ready) -> the protocol -> the adapter -> the board,
// with the protocol's checker on the bus between shim and adapter. bus_i picks the path that
// carries the port; the others stay idle (their shims see no request, their adapters no ready).
// coretest_bus_core has one for the instruction port and one for the data port.
module coretest_bus_port
    import coretest_pkg::*;
    import coretest_bus_tb_pkg::*;
#(
    parameter              PORT = "data",  // the checkers' name for it
    parameter logic [31:0] SALT = 32'd0    // 0 for the instruction port, 1 for the data port
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire coretest_bus_e     bus_i,
    input  wire logic              broken_i,  // AXI4-Lite: ARVALID falls after a cycle's wait
    input  wire coretest_mem_req_t core_req_i,
    output coretest_mem_rsp_t      core_rsp_o,
    output coretest_mem_req_t      board_req_o,
    input  wire coretest_mem_rsp_t board_rsp_i
);
    // What each path gives the core and the board.
    coretest_mem_rsp_t wbc_rsp, wbp_rsp, ax_rsp, pp_rsp, fp_rsp;
    coretest_mem_req_t wbc_req, wbp_req, ax_req, pp_req, fp_req;

    // ---- Wishbone, classic and pipelined ----
    coretest_wb_req_t wbc_bus_req, wbp_bus_req;
    coretest_wb_rsp_t wbc_bus_rsp, wbp_bus_rsp;
    coretest_shim_wb #(.PIPELINED(0)) wbc_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == WB_CLASSIC, core_req_i)), .rsp_o(wbc_rsp),
        .wb_req_o(wbc_bus_req), .wb_rsp_i(wbc_bus_rsp));
    coretest_bus_wb #(.PIPELINED(0), .SALT(1 + SALT)) wbc_adapter (
        .clk_i, .rst_i, .wb_req_i(wbc_bus_req), .wb_rsp_o(wbc_bus_rsp), .b_req_o(wbc_req),
        .b_rsp_i(answer_on(bus_i == WB_CLASSIC, board_rsp_i)));
    coretest_bus_wb_checker #(.PIPELINED(0), .PORT(PORT)) wbc_check (
        .clk_i, .rst_i, .wb_req_i(wbc_bus_req), .wb_rsp_i(wbc_bus_rsp));

    coretest_shim_wb #(.PIPELINED(1)) wbp_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == WB_PIPELINED, core_req_i)), .rsp_o(wbp_rsp),
        .wb_req_o(wbp_bus_req), .wb_rsp_i(wbp_bus_rsp));
    coretest_bus_wb #(.PIPELINED(1), .SALT(3 + SALT)) wbp_adapter (
        .clk_i, .rst_i, .wb_req_i(wbp_bus_req), .wb_rsp_o(wbp_bus_rsp), .b_req_o(wbp_req),
        .b_rsp_i(answer_on(bus_i == WB_PIPELINED, board_rsp_i)));
    coretest_bus_wb_checker #(.PIPELINED(1), .PORT(PORT)) wbp_check (
        .clk_i, .rst_i, .wb_req_i(wbp_bus_req), .wb_rsp_i(wbp_bus_rsp));

    // ---- AXI4-Lite ----
    // broken_i: the ARVALID that the adapter and checker see falls after one cycle of waiting,
    // as a master that gives up on a request would.
    coretest_axil_req_t ax_shim_req, ax_bus_req;
    coretest_axil_rsp_t ax_bus_rsp;
    logic ax_ar_waited_q;
    assign ax_bus_req = arvalid_dropped(ax_shim_req, broken_i && ax_ar_waited_q);
    always_ff @(posedge clk_i)
        ax_ar_waited_q <= !rst_i && ax_bus_req.arvalid && !ax_bus_rsp.arready;

    coretest_shim_axil #(.SALT(5 + 2 * SALT)) ax_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == AXI4_LITE, core_req_i)), .rsp_o(ax_rsp),
        .axi_req_o(ax_shim_req), .axi_rsp_i(ax_bus_rsp));
    coretest_bus_axil #(.SALT(6 + 2 * SALT)) ax_adapter (
        .clk_i, .rst_i, .axi_req_i(ax_bus_req), .axi_rsp_o(ax_bus_rsp), .b_req_o(ax_req),
        .b_rsp_i(answer_on(bus_i == AXI4_LITE, board_rsp_i)));
    coretest_bus_axil_checker #(.PORT(PORT)) ax_check (
        .clk_i, .rst_i, .axi_req_i(ax_bus_req), .axi_rsp_i(ax_bus_rsp));

    // ---- pipelined request/response, up to two requests in flight ----
    coretest_mem_req_t pp_bus_req;
    coretest_mem_rsp_t pp_bus_rsp;
    logic              pp_accept;
    coretest_shim_pipe pp_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == PIPELINED, core_req_i)), .rsp_o(pp_rsp),
        .req_o(pp_bus_req), .req_ready_i(pp_accept), .rsp_i(pp_bus_rsp));
    coretest_bus_pipe #(.OUTSTANDING(2), .SALT(9 + SALT)) pp_adapter (
        .clk_i, .rst_i, .req_i(pp_bus_req), .req_ready_o(pp_accept), .rsp_o(pp_bus_rsp),
        .b_req_o(pp_req), .b_rsp_i(answer_on(bus_i == PIPELINED, board_rsp_i)));
    coretest_bus_hold_checker #(.PORT(PORT), .PIPELINED(1'b1)) pp_check (
        .clk_i, .rst_i, .req_i(pp_bus_req), .ready_i(pp_accept));

    // ---- 4-phase request/acknowledge, word addresses ----
    coretest_fourphase_req_t fp_bus_req;
    coretest_fourphase_rsp_t fp_bus_rsp;
    coretest_shim_fourphase #(.ADDR_WORDS(1)) fp_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == FOUR_PHASE, core_req_i)), .rsp_o(fp_rsp),
        .fourphase_req_o(fp_bus_req), .fourphase_rsp_i(fp_bus_rsp));
    coretest_bus_fourphase #(.ADDR_WORDS(1), .SALT(11 + SALT)) fp_adapter (
        .clk_i, .rst_i, .fourphase_req_i(fp_bus_req), .fourphase_rsp_o(fp_bus_rsp),
        .b_req_o(fp_req), .b_rsp_i(answer_on(bus_i == FOUR_PHASE, board_rsp_i)));
    coretest_bus_fourphase_checker #(.PORT(PORT)) fp_check (
        .clk_i, .rst_i, .fourphase_req_i(fp_bus_req), .fourphase_rsp_i(fp_bus_rsp));

    // ---- the selected path ----
    // Each branch assigns every output once: a default overwritten later in the block would make
    // Icarus send the board a glitch, whose answer runs the block again, without end.
    always @* begin : select
        case (bus_i)
            WB_CLASSIC: {core_rsp_o, board_req_o} = {wbc_rsp, wbc_req};
            WB_PIPELINED: {core_rsp_o, board_req_o} = {wbp_rsp, wbp_req};
            AXI4_LITE: {core_rsp_o, board_req_o} = {ax_rsp, ax_req};
            PIPELINED: {core_rsp_o, board_req_o} = {pp_rsp, pp_req};
            FOUR_PHASE: {core_rsp_o, board_req_o} = {fp_rsp, fp_req};
            default: {core_rsp_o, board_req_o} = '0;
        endcase
    end
endmodule
`default_nettype wire
