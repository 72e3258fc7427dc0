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
    logic        wbc_cyc, wbc_stb, wbc_we, wbc_ack, wbc_err, wbc_stall;
    logic [ 3:0] wbc_sel;
    logic [31:0] wbc_adr, wbc_dat_w, wbc_dat_r;
    coretest_shim_wb #(.PIPELINED(0)) wbc_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == WB_CLASSIC, core_req_i)), .rsp_o(wbc_rsp),
        .cyc_o(wbc_cyc), .stb_o(wbc_stb), .we_o(wbc_we), .sel_o(wbc_sel), .adr_o(wbc_adr),
        .dat_o(wbc_dat_w), .dat_i(wbc_dat_r), .ack_i(wbc_ack), .err_i(wbc_err), .stall_i(wbc_stall));
    coretest_bus_wb #(.PIPELINED(0), .SALT(1 + SALT)) wbc_adapter (
        .clk_i, .rst_i, .wb_cyc_i(wbc_cyc), .wb_stb_i(wbc_stb), .wb_we_i(wbc_we),
        .wb_sel_i(wbc_sel), .wb_adr_i(wbc_adr), .wb_dat_i(wbc_dat_w), .wb_dat_o(wbc_dat_r),
        .wb_ack_o(wbc_ack), .wb_err_o(wbc_err), .wb_stall_o(wbc_stall), .b_req_o(wbc_req),
        .b_rsp_i(answer_on(bus_i == WB_CLASSIC, board_rsp_i)));
    coretest_bus_wb_checker #(.PIPELINED(0), .PORT(PORT)) wbc_check (
        .clk_i, .rst_i, .cyc_i(wbc_cyc), .stb_i(wbc_stb), .we_i(wbc_we), .sel_i(wbc_sel),
        .adr_i(wbc_adr), .dat_i(wbc_dat_w), .ack_i(wbc_ack), .err_i(wbc_err), .stall_i(wbc_stall));

    logic        wbp_cyc, wbp_stb, wbp_we, wbp_ack, wbp_err, wbp_stall;
    logic [ 3:0] wbp_sel;
    logic [31:0] wbp_adr, wbp_dat_w, wbp_dat_r;
    coretest_shim_wb #(.PIPELINED(1)) wbp_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == WB_PIPELINED, core_req_i)), .rsp_o(wbp_rsp),
        .cyc_o(wbp_cyc), .stb_o(wbp_stb), .we_o(wbp_we), .sel_o(wbp_sel), .adr_o(wbp_adr),
        .dat_o(wbp_dat_w), .dat_i(wbp_dat_r), .ack_i(wbp_ack), .err_i(wbp_err), .stall_i(wbp_stall));
    coretest_bus_wb #(.PIPELINED(1), .SALT(3 + SALT)) wbp_adapter (
        .clk_i, .rst_i, .wb_cyc_i(wbp_cyc), .wb_stb_i(wbp_stb), .wb_we_i(wbp_we),
        .wb_sel_i(wbp_sel), .wb_adr_i(wbp_adr), .wb_dat_i(wbp_dat_w), .wb_dat_o(wbp_dat_r),
        .wb_ack_o(wbp_ack), .wb_err_o(wbp_err), .wb_stall_o(wbp_stall), .b_req_o(wbp_req),
        .b_rsp_i(answer_on(bus_i == WB_PIPELINED, board_rsp_i)));
    coretest_bus_wb_checker #(.PIPELINED(1), .PORT(PORT)) wbp_check (
        .clk_i, .rst_i, .cyc_i(wbp_cyc), .stb_i(wbp_stb), .we_i(wbp_we), .sel_i(wbp_sel),
        .adr_i(wbp_adr), .dat_i(wbp_dat_w), .ack_i(wbp_ack), .err_i(wbp_err), .stall_i(wbp_stall));

    // ---- AXI4-Lite ----
    logic        ax_awvalid, ax_awready, ax_wvalid, ax_wready, ax_bvalid, ax_bready;
    logic        ax_arvalid, ax_arready, ax_rvalid, ax_rready;
    logic [31:0] ax_awaddr, ax_wdata, ax_araddr, ax_rdata;
    logic [ 3:0] ax_wstrb;
    logic [ 1:0] ax_bresp, ax_rresp;

    // broken_i: the ARVALID that the adapter and checker see falls after one cycle of waiting,
    // as a master that gives up on a request would.
    logic ax_arvalid_shim, ax_ar_waited_q;
    assign ax_arvalid = ax_arvalid_shim && !(broken_i && ax_ar_waited_q);
    always_ff @(posedge clk_i) ax_ar_waited_q <= !rst_i && ax_arvalid && !ax_arready;

    coretest_shim_axil #(.SALT(5 + 2 * SALT)) ax_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == AXI4_LITE, core_req_i)), .rsp_o(ax_rsp),
        .awvalid_o(ax_awvalid), .awready_i(ax_awready), .awaddr_o(ax_awaddr),
        .wvalid_o(ax_wvalid), .wready_i(ax_wready), .wdata_o(ax_wdata), .wstrb_o(ax_wstrb),
        .bvalid_i(ax_bvalid), .bready_o(ax_bready), .bresp_i(ax_bresp),
        .arvalid_o(ax_arvalid_shim), .arready_i(ax_arready), .araddr_o(ax_araddr),
        .rvalid_i(ax_rvalid), .rready_o(ax_rready), .rdata_i(ax_rdata), .rresp_i(ax_rresp));
    coretest_bus_axil #(.SALT(6 + 2 * SALT)) ax_adapter (
        .clk_i, .rst_i,
        .awvalid_i(ax_awvalid), .awready_o(ax_awready), .awaddr_i(ax_awaddr),
        .wvalid_i(ax_wvalid), .wready_o(ax_wready), .wdata_i(ax_wdata), .wstrb_i(ax_wstrb),
        .bvalid_o(ax_bvalid), .bready_i(ax_bready), .bresp_o(ax_bresp),
        .arvalid_i(ax_arvalid), .arready_o(ax_arready), .araddr_i(ax_araddr),
        .rvalid_o(ax_rvalid), .rready_i(ax_rready), .rdata_o(ax_rdata), .rresp_o(ax_rresp),
        .b_req_o(ax_req), .b_rsp_i(answer_on(bus_i == AXI4_LITE, board_rsp_i)));
    coretest_bus_axil_checker #(.PORT(PORT)) ax_check (
        .clk_i, .rst_i,
        .awvalid_i(ax_awvalid), .awready_i(ax_awready), .awaddr_i(ax_awaddr),
        .wvalid_i(ax_wvalid), .wready_i(ax_wready), .wdata_i(ax_wdata), .wstrb_i(ax_wstrb),
        .arvalid_i(ax_arvalid), .arready_i(ax_arready), .araddr_i(ax_araddr));

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
    logic        fp_rd, fp_wr, fp_ack, fp_err;
    logic [ 3:0] fp_be;
    logic [31:0] fp_addr, fp_wdata, fp_rdata;
    coretest_shim_fourphase #(.ADDR_WORDS(1)) fp_shim (
        .clk_i, .rst_i, .req_i(request_on(bus_i == FOUR_PHASE, core_req_i)), .rsp_o(fp_rsp),
        .rd_o(fp_rd), .wr_o(fp_wr), .be_o(fp_be), .addr_o(fp_addr), .wdata_o(fp_wdata),
        .ack_i(fp_ack), .rdata_i(fp_rdata), .err_i(fp_err));
    coretest_bus_fourphase #(.ADDR_WORDS(1), .SALT(11 + SALT)) fp_adapter (
        .clk_i, .rst_i, .rd_i(fp_rd), .wr_i(fp_wr), .be_i(fp_be), .addr_i(fp_addr),
        .wdata_i(fp_wdata), .ack_o(fp_ack), .rdata_o(fp_rdata), .err_o(fp_err),
        .b_req_o(fp_req), .b_rsp_i(answer_on(bus_i == FOUR_PHASE, board_rsp_i)));
    coretest_bus_fourphase_checker #(.PORT(PORT)) fp_check (
        .clk_i, .rst_i, .rd_i(fp_rd), .wr_i(fp_wr), .be_i(fp_be), .addr_i(fp_addr),
        .wdata_i(fp_wdata), .ack_i(fp_ack));

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
