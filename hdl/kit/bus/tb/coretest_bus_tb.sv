`default_nettype none
// Our core on the kit's board through each bus adapter, chosen at run time, so that one simulator
// build proves them all. Each protocol's path is the core's port -> a shim (hdl/kit/bus/
// coretest_shim_*.sv: our core speaks request/ready) -> the protocol -> the adapter -> the board,
// for the instruction and the data port, with the protocol's checker on the bus between shim and
// adapter, and the request/ready checker on the core's own ports.
//   +bus=NAME        hold (no adapter), wb-classic, wb-pipelined, axi4-lite, pipelined (up to
//                    two requests in flight), four-phase (word addresses), shared (the two
//                    ports through coretest_bus_arbiter and coretest_bus_split); default hold
//   +backpressure_seed=N   random wait states, stalls, READY and response delays (N > 0)
//   +broken_master   the AXI4-Lite instruction port drops ARVALID after one cycle without
//                    ARREADY (with a seed, so that ARREADY is withheld): the checker must say so
//   +rom=FILE +switch=V +bug=NAME[,...] +trace=FILE +trace_untagged +max_cycles=N
//                    as in hdl/tb/coretest_tb.sv
// Under Verilator the template's C++ main (hdl/tb/sim_main.cpp) drives clk_i and exits 0 PASS,
// 1 FAIL (a protocol checker's line too), 2 ERROR; other simulators get a clock here.
module coretest_bus_tb
    import coretest_pkg::*;
`ifdef VERILATOR
    (input wire logic clk_i)
`endif
;
`ifdef VERILATOR
    logic clk;
    assign clk = clk_i;
`else
    logic clk = 1'b0;
    always #5 clk = ~clk;
`endif

`include "coretest_bug_knobs.svh"

    typedef enum logic [2:0] {
        HOLD,
        WB_CLASSIC,
        WB_PIPELINED,
        AXI4_LITE,
        PIPELINED,
        FOUR_PHASE,
        SHARED
    } bus_e;

    // Synchronous reset for the first cycles.
    logic [2:0] reset_cycles_q = '0;
    logic rst;
    assign rst = reset_cycles_q != 3'd7;
    always_ff @(posedge clk) if (rst) reset_cycles_q <= reset_cycles_q + 3'd1;

    bus_e bus;
    logic broken_master;
    logic [31:0] bugs, seed;
    string bus_name, knobs, knob;
    int knob_start;
    initial begin
        bus = HOLD;
        bus_name = "hold";
        bugs = '0;
        seed = '0;
        if ($value$plusargs("bus=%s", bus_name)) begin end
        if (bus_name == "hold") bus = HOLD;
        else if (bus_name == "wb-classic") bus = WB_CLASSIC;
        else if (bus_name == "wb-pipelined") bus = WB_PIPELINED;
        else if (bus_name == "axi4-lite") bus = AXI4_LITE;
        else if (bus_name == "pipelined") bus = PIPELINED;
        else if (bus_name == "four-phase") bus = FOUR_PHASE;
        else if (bus_name == "shared") bus = SHARED;
        else begin
            $display("coretest: ERROR unknown bus '%s' (+bus=hold|wb-classic|wb-pipelined|axi4-lite|pipelined|four-phase|shared)",
                     bus_name);
            $finish;
        end
        if ($value$plusargs("backpressure_seed=%d", seed)) begin end
        broken_master = $test$plusargs("broken_master");
        if (seed == '0) $display("tb: bus %s, no back-pressure", bus_name);
        else $display("tb: bus %s, back-pressure seed %0d", bus_name, seed);
        if ($value$plusargs("bug=%s", knobs)) begin
            knob_start = 0;
            for (int i = 0; i <= knobs.len(); i++)
                if (i == knobs.len() || knobs[i] == ",") begin
                    knob = knobs.substr(knob_start, i - 1);
                    knob_start = i + 1;
                    if (bug_knob_bit(knob) < 0) begin
                        $display("coretest: ERROR unknown bug knob '%s' (+bug=NAME[,NAME...]; knobs: %s)",
                                 knob, BUG_KNOB_NAMES);
                        $finish;
                    end else begin
                        bugs[bug_knob_bit(knob)] = 1'b1;
                    end
                end
            $display("tb: bug knobs %s (bugs 0x%08h)", knobs, bugs);
        end
    end

    // ---- the core and its two request/ready ports ----
    logic        i_req, i_ready, i_err;
    logic [31:0] i_addr, i_rdata;
    logic        d_req, d_we, d_ready, d_err;
    logic [ 3:0] d_be;
    logic [31:0] d_addr, d_wdata, d_rdata;
    coretest_retirement_t retirement;

    mips_core core (
        .clk_i(clk), .rst_i(rst), .bugs_i(bugs),
        .i_req_o(i_req), .i_addr_o(i_addr), .i_ready_i(i_ready), .i_rdata_i(i_rdata),
        .i_err_i(i_err),
        .d_req_o(d_req), .d_we_o(d_we), .d_be_o(d_be), .d_addr_o(d_addr), .d_wdata_o(d_wdata),
        .d_ready_i(d_ready), .d_rdata_i(d_rdata), .d_err_i(d_err),
        .retirement_o(retirement)
    );

    // Our core keeps the board's contract on both ports, whatever the bus behind them.
    coretest_bus_hold_checker #(.PORT("instruction")) core_i_check (
        .clk_i(clk), .rst_i(rst), .req_i(i_req), .we_i(1'b0), .be_i(4'b1111), .addr_i(i_addr),
        .wdata_i(32'd0), .ready_i(i_ready));
    coretest_bus_hold_checker #(.PORT("data")) core_d_check (
        .clk_i(clk), .rst_i(rst), .req_i(d_req), .we_i(d_we), .be_i(d_be), .addr_i(d_addr),
        .wdata_i(d_wdata), .ready_i(d_ready));

    // ---- the board's ports ----
    logic        bi_req, bi_ready, bi_err;
    logic [31:0] bi_addr, bi_rdata;
    logic        bd_req, bd_we, bd_ready, bd_err;
    logic [ 3:0] bd_be;
    logic [31:0] bd_addr, bd_wdata, bd_rdata;

    // ---- Wishbone classic ----
    logic        wbc_i_cyc, wbc_i_stb, wbc_i_we, wbc_i_ack, wbc_i_err, wbc_i_stall;
    logic [ 3:0] wbc_i_sel;
    logic [31:0] wbc_i_adr, wbc_i_dat_w, wbc_i_dat_r;
    logic        wbc_d_cyc, wbc_d_stb, wbc_d_we, wbc_d_ack, wbc_d_err, wbc_d_stall;
    logic [ 3:0] wbc_d_sel;
    logic [31:0] wbc_d_adr, wbc_d_dat_w, wbc_d_dat_r;
    logic        wbc_i_ready, wbc_i_rerr, wbc_d_ready, wbc_d_rerr;
    logic [31:0] wbc_i_rdata, wbc_d_rdata;
    logic        wbc_bi_req, wbc_bi_we, wbc_bd_req, wbc_bd_we;
    logic [ 3:0] wbc_bi_be, wbc_bd_be;
    logic [31:0] wbc_bi_addr, wbc_bi_wdata, wbc_bd_addr, wbc_bd_wdata;

    coretest_shim_wb #(.PIPELINED(0)) wbc_i_shim (
        .clk_i(clk), .rst_i(rst), .req_i(i_req && bus == WB_CLASSIC), .we_i(1'b0), .be_i(4'b1111),
        .addr_i(i_addr), .wdata_i(32'd0), .ready_o(wbc_i_ready), .rdata_o(wbc_i_rdata),
        .err_o(wbc_i_rerr), .cyc_o(wbc_i_cyc), .stb_o(wbc_i_stb), .we_o(wbc_i_we),
        .sel_o(wbc_i_sel), .adr_o(wbc_i_adr), .dat_o(wbc_i_dat_w), .dat_i(wbc_i_dat_r),
        .ack_i(wbc_i_ack), .err_i(wbc_i_err), .stall_i(wbc_i_stall));
    coretest_bus_wb #(.PIPELINED(0), .SALT(1)) wbc_i_adapter (
        .clk_i(clk), .rst_i(rst), .wb_cyc_i(wbc_i_cyc), .wb_stb_i(wbc_i_stb), .wb_we_i(wbc_i_we),
        .wb_sel_i(wbc_i_sel), .wb_adr_i(wbc_i_adr), .wb_dat_i(wbc_i_dat_w), .wb_dat_o(wbc_i_dat_r),
        .wb_ack_o(wbc_i_ack), .wb_err_o(wbc_i_err), .wb_stall_o(wbc_i_stall),
        .b_req_o(wbc_bi_req), .b_we_o(wbc_bi_we), .b_be_o(wbc_bi_be), .b_addr_o(wbc_bi_addr),
        .b_wdata_o(wbc_bi_wdata), .b_ready_i(bi_ready && bus == WB_CLASSIC), .b_rdata_i(bi_rdata),
        .b_err_i(bi_err));
    coretest_bus_wb_checker #(.PIPELINED(0), .PORT("instruction")) wbc_i_check (
        .clk_i(clk), .rst_i(rst), .cyc_i(wbc_i_cyc), .stb_i(wbc_i_stb), .we_i(wbc_i_we),
        .sel_i(wbc_i_sel), .adr_i(wbc_i_adr), .dat_i(wbc_i_dat_w), .ack_i(wbc_i_ack),
        .err_i(wbc_i_err), .stall_i(wbc_i_stall));
    coretest_shim_wb #(.PIPELINED(0)) wbc_d_shim (
        .clk_i(clk), .rst_i(rst), .req_i(d_req && bus == WB_CLASSIC), .we_i(d_we), .be_i(d_be),
        .addr_i(d_addr), .wdata_i(d_wdata), .ready_o(wbc_d_ready), .rdata_o(wbc_d_rdata),
        .err_o(wbc_d_rerr), .cyc_o(wbc_d_cyc), .stb_o(wbc_d_stb), .we_o(wbc_d_we),
        .sel_o(wbc_d_sel), .adr_o(wbc_d_adr), .dat_o(wbc_d_dat_w), .dat_i(wbc_d_dat_r),
        .ack_i(wbc_d_ack), .err_i(wbc_d_err), .stall_i(wbc_d_stall));
    coretest_bus_wb #(.PIPELINED(0), .SALT(2)) wbc_d_adapter (
        .clk_i(clk), .rst_i(rst), .wb_cyc_i(wbc_d_cyc), .wb_stb_i(wbc_d_stb), .wb_we_i(wbc_d_we),
        .wb_sel_i(wbc_d_sel), .wb_adr_i(wbc_d_adr), .wb_dat_i(wbc_d_dat_w), .wb_dat_o(wbc_d_dat_r),
        .wb_ack_o(wbc_d_ack), .wb_err_o(wbc_d_err), .wb_stall_o(wbc_d_stall),
        .b_req_o(wbc_bd_req), .b_we_o(wbc_bd_we), .b_be_o(wbc_bd_be), .b_addr_o(wbc_bd_addr),
        .b_wdata_o(wbc_bd_wdata), .b_ready_i(bd_ready && bus == WB_CLASSIC), .b_rdata_i(bd_rdata),
        .b_err_i(bd_err));
    coretest_bus_wb_checker #(.PIPELINED(0), .PORT("data")) wbc_d_check (
        .clk_i(clk), .rst_i(rst), .cyc_i(wbc_d_cyc), .stb_i(wbc_d_stb), .we_i(wbc_d_we),
        .sel_i(wbc_d_sel), .adr_i(wbc_d_adr), .dat_i(wbc_d_dat_w), .ack_i(wbc_d_ack),
        .err_i(wbc_d_err), .stall_i(wbc_d_stall));

    // ---- Wishbone pipelined ----
    logic        wbp_i_cyc, wbp_i_stb, wbp_i_we, wbp_i_ack, wbp_i_err, wbp_i_stall;
    logic [ 3:0] wbp_i_sel;
    logic [31:0] wbp_i_adr, wbp_i_dat_w, wbp_i_dat_r;
    logic        wbp_d_cyc, wbp_d_stb, wbp_d_we, wbp_d_ack, wbp_d_err, wbp_d_stall;
    logic [ 3:0] wbp_d_sel;
    logic [31:0] wbp_d_adr, wbp_d_dat_w, wbp_d_dat_r;
    logic        wbp_i_ready, wbp_i_rerr, wbp_d_ready, wbp_d_rerr;
    logic [31:0] wbp_i_rdata, wbp_d_rdata;
    logic        wbp_bi_req, wbp_bi_we, wbp_bd_req, wbp_bd_we;
    logic [ 3:0] wbp_bi_be, wbp_bd_be;
    logic [31:0] wbp_bi_addr, wbp_bi_wdata, wbp_bd_addr, wbp_bd_wdata;

    coretest_shim_wb #(.PIPELINED(1)) wbp_i_shim (
        .clk_i(clk), .rst_i(rst), .req_i(i_req && bus == WB_PIPELINED), .we_i(1'b0),
        .be_i(4'b1111), .addr_i(i_addr), .wdata_i(32'd0), .ready_o(wbp_i_ready),
        .rdata_o(wbp_i_rdata), .err_o(wbp_i_rerr), .cyc_o(wbp_i_cyc), .stb_o(wbp_i_stb),
        .we_o(wbp_i_we), .sel_o(wbp_i_sel), .adr_o(wbp_i_adr), .dat_o(wbp_i_dat_w),
        .dat_i(wbp_i_dat_r), .ack_i(wbp_i_ack), .err_i(wbp_i_err), .stall_i(wbp_i_stall));
    coretest_bus_wb #(.PIPELINED(1), .SALT(3)) wbp_i_adapter (
        .clk_i(clk), .rst_i(rst), .wb_cyc_i(wbp_i_cyc), .wb_stb_i(wbp_i_stb), .wb_we_i(wbp_i_we),
        .wb_sel_i(wbp_i_sel), .wb_adr_i(wbp_i_adr), .wb_dat_i(wbp_i_dat_w), .wb_dat_o(wbp_i_dat_r),
        .wb_ack_o(wbp_i_ack), .wb_err_o(wbp_i_err), .wb_stall_o(wbp_i_stall),
        .b_req_o(wbp_bi_req), .b_we_o(wbp_bi_we), .b_be_o(wbp_bi_be), .b_addr_o(wbp_bi_addr),
        .b_wdata_o(wbp_bi_wdata), .b_ready_i(bi_ready && bus == WB_PIPELINED),
        .b_rdata_i(bi_rdata), .b_err_i(bi_err));
    coretest_bus_wb_checker #(.PIPELINED(1), .PORT("instruction")) wbp_i_check (
        .clk_i(clk), .rst_i(rst), .cyc_i(wbp_i_cyc), .stb_i(wbp_i_stb), .we_i(wbp_i_we),
        .sel_i(wbp_i_sel), .adr_i(wbp_i_adr), .dat_i(wbp_i_dat_w), .ack_i(wbp_i_ack),
        .err_i(wbp_i_err), .stall_i(wbp_i_stall));
    coretest_shim_wb #(.PIPELINED(1)) wbp_d_shim (
        .clk_i(clk), .rst_i(rst), .req_i(d_req && bus == WB_PIPELINED), .we_i(d_we), .be_i(d_be),
        .addr_i(d_addr), .wdata_i(d_wdata), .ready_o(wbp_d_ready), .rdata_o(wbp_d_rdata),
        .err_o(wbp_d_rerr), .cyc_o(wbp_d_cyc), .stb_o(wbp_d_stb), .we_o(wbp_d_we),
        .sel_o(wbp_d_sel), .adr_o(wbp_d_adr), .dat_o(wbp_d_dat_w), .dat_i(wbp_d_dat_r),
        .ack_i(wbp_d_ack), .err_i(wbp_d_err), .stall_i(wbp_d_stall));
    coretest_bus_wb #(.PIPELINED(1), .SALT(4)) wbp_d_adapter (
        .clk_i(clk), .rst_i(rst), .wb_cyc_i(wbp_d_cyc), .wb_stb_i(wbp_d_stb), .wb_we_i(wbp_d_we),
        .wb_sel_i(wbp_d_sel), .wb_adr_i(wbp_d_adr), .wb_dat_i(wbp_d_dat_w), .wb_dat_o(wbp_d_dat_r),
        .wb_ack_o(wbp_d_ack), .wb_err_o(wbp_d_err), .wb_stall_o(wbp_d_stall),
        .b_req_o(wbp_bd_req), .b_we_o(wbp_bd_we), .b_be_o(wbp_bd_be), .b_addr_o(wbp_bd_addr),
        .b_wdata_o(wbp_bd_wdata), .b_ready_i(bd_ready && bus == WB_PIPELINED),
        .b_rdata_i(bd_rdata), .b_err_i(bd_err));
    coretest_bus_wb_checker #(.PIPELINED(1), .PORT("data")) wbp_d_check (
        .clk_i(clk), .rst_i(rst), .cyc_i(wbp_d_cyc), .stb_i(wbp_d_stb), .we_i(wbp_d_we),
        .sel_i(wbp_d_sel), .adr_i(wbp_d_adr), .dat_i(wbp_d_dat_w), .ack_i(wbp_d_ack),
        .err_i(wbp_d_err), .stall_i(wbp_d_stall));

    // ---- AXI4-Lite ----
    logic        ax_i_awvalid, ax_i_awready, ax_i_wvalid, ax_i_wready, ax_i_bvalid, ax_i_bready;
    logic        ax_i_arvalid, ax_i_arready, ax_i_rvalid, ax_i_rready;
    logic [31:0] ax_i_awaddr, ax_i_wdata, ax_i_araddr, ax_i_rdata;
    logic [ 3:0] ax_i_wstrb;
    logic [ 1:0] ax_i_bresp, ax_i_rresp;
    logic        ax_d_awvalid, ax_d_awready, ax_d_wvalid, ax_d_wready, ax_d_bvalid, ax_d_bready;
    logic        ax_d_arvalid, ax_d_arready, ax_d_rvalid, ax_d_rready;
    logic [31:0] ax_d_awaddr, ax_d_wdata, ax_d_araddr, ax_d_rdata;
    logic [ 3:0] ax_d_wstrb;
    logic [ 1:0] ax_d_bresp, ax_d_rresp;
    logic        ax_i_ready, ax_i_rerr, ax_d_ready, ax_d_rerr;
    logic [31:0] ax_i_crdata, ax_d_crdata;
    logic        ax_bi_req, ax_bi_we, ax_bd_req, ax_bd_we;
    logic [ 3:0] ax_bi_be, ax_bd_be;
    logic [31:0] ax_bi_addr, ax_bi_wdata, ax_bd_addr, ax_bd_wdata;

    // +broken_master: the ARVALID that the adapter and checker see falls after one cycle of
    // waiting, as a master that gives up on a request would.
    logic ax_i_arvalid_shim, ax_i_ar_waited_q;
    assign ax_i_arvalid = ax_i_arvalid_shim && !(broken_master && ax_i_ar_waited_q);
    always_ff @(posedge clk) ax_i_ar_waited_q <= !rst && ax_i_arvalid && !ax_i_arready;

    coretest_shim_axil #(.SALT(5)) ax_i_shim (
        .clk_i(clk), .rst_i(rst), .req_i(i_req && bus == AXI4_LITE), .we_i(1'b0), .be_i(4'b1111),
        .addr_i(i_addr), .wdata_i(32'd0), .ready_o(ax_i_ready), .rdata_o(ax_i_crdata),
        .err_o(ax_i_rerr),
        .awvalid_o(ax_i_awvalid), .awready_i(ax_i_awready), .awaddr_o(ax_i_awaddr),
        .wvalid_o(ax_i_wvalid), .wready_i(ax_i_wready), .wdata_o(ax_i_wdata), .wstrb_o(ax_i_wstrb),
        .bvalid_i(ax_i_bvalid), .bready_o(ax_i_bready), .bresp_i(ax_i_bresp),
        .arvalid_o(ax_i_arvalid_shim), .arready_i(ax_i_arready), .araddr_o(ax_i_araddr),
        .rvalid_i(ax_i_rvalid), .rready_o(ax_i_rready), .rdata_i(ax_i_rdata), .rresp_i(ax_i_rresp));
    coretest_bus_axil #(.SALT(6)) ax_i_adapter (
        .clk_i(clk), .rst_i(rst),
        .awvalid_i(ax_i_awvalid), .awready_o(ax_i_awready), .awaddr_i(ax_i_awaddr),
        .wvalid_i(ax_i_wvalid), .wready_o(ax_i_wready), .wdata_i(ax_i_wdata), .wstrb_i(ax_i_wstrb),
        .bvalid_o(ax_i_bvalid), .bready_i(ax_i_bready), .bresp_o(ax_i_bresp),
        .arvalid_i(ax_i_arvalid), .arready_o(ax_i_arready), .araddr_i(ax_i_araddr),
        .rvalid_o(ax_i_rvalid), .rready_i(ax_i_rready), .rdata_o(ax_i_rdata), .rresp_o(ax_i_rresp),
        .b_req_o(ax_bi_req), .b_we_o(ax_bi_we), .b_be_o(ax_bi_be), .b_addr_o(ax_bi_addr),
        .b_wdata_o(ax_bi_wdata), .b_ready_i(bi_ready && bus == AXI4_LITE), .b_rdata_i(bi_rdata),
        .b_err_i(bi_err));
    coretest_bus_axil_checker #(.PORT("instruction")) ax_i_check (
        .clk_i(clk), .rst_i(rst),
        .awvalid_i(ax_i_awvalid), .awready_i(ax_i_awready), .awaddr_i(ax_i_awaddr),
        .wvalid_i(ax_i_wvalid), .wready_i(ax_i_wready), .wdata_i(ax_i_wdata), .wstrb_i(ax_i_wstrb),
        .arvalid_i(ax_i_arvalid), .arready_i(ax_i_arready), .araddr_i(ax_i_araddr));
    coretest_shim_axil #(.SALT(7)) ax_d_shim (
        .clk_i(clk), .rst_i(rst), .req_i(d_req && bus == AXI4_LITE), .we_i(d_we), .be_i(d_be),
        .addr_i(d_addr), .wdata_i(d_wdata), .ready_o(ax_d_ready), .rdata_o(ax_d_crdata),
        .err_o(ax_d_rerr),
        .awvalid_o(ax_d_awvalid), .awready_i(ax_d_awready), .awaddr_o(ax_d_awaddr),
        .wvalid_o(ax_d_wvalid), .wready_i(ax_d_wready), .wdata_o(ax_d_wdata), .wstrb_o(ax_d_wstrb),
        .bvalid_i(ax_d_bvalid), .bready_o(ax_d_bready), .bresp_i(ax_d_bresp),
        .arvalid_o(ax_d_arvalid), .arready_i(ax_d_arready), .araddr_o(ax_d_araddr),
        .rvalid_i(ax_d_rvalid), .rready_o(ax_d_rready), .rdata_i(ax_d_rdata), .rresp_i(ax_d_rresp));
    coretest_bus_axil #(.SALT(8)) ax_d_adapter (
        .clk_i(clk), .rst_i(rst),
        .awvalid_i(ax_d_awvalid), .awready_o(ax_d_awready), .awaddr_i(ax_d_awaddr),
        .wvalid_i(ax_d_wvalid), .wready_o(ax_d_wready), .wdata_i(ax_d_wdata), .wstrb_i(ax_d_wstrb),
        .bvalid_o(ax_d_bvalid), .bready_i(ax_d_bready), .bresp_o(ax_d_bresp),
        .arvalid_i(ax_d_arvalid), .arready_o(ax_d_arready), .araddr_i(ax_d_araddr),
        .rvalid_o(ax_d_rvalid), .rready_i(ax_d_rready), .rdata_o(ax_d_rdata), .rresp_o(ax_d_rresp),
        .b_req_o(ax_bd_req), .b_we_o(ax_bd_we), .b_be_o(ax_bd_be), .b_addr_o(ax_bd_addr),
        .b_wdata_o(ax_bd_wdata), .b_ready_i(bd_ready && bus == AXI4_LITE), .b_rdata_i(bd_rdata),
        .b_err_i(bd_err));
    coretest_bus_axil_checker #(.PORT("data")) ax_d_check (
        .clk_i(clk), .rst_i(rst),
        .awvalid_i(ax_d_awvalid), .awready_i(ax_d_awready), .awaddr_i(ax_d_awaddr),
        .wvalid_i(ax_d_wvalid), .wready_i(ax_d_wready), .wdata_i(ax_d_wdata), .wstrb_i(ax_d_wstrb),
        .arvalid_i(ax_d_arvalid), .arready_i(ax_d_arready), .araddr_i(ax_d_araddr));

    // ---- pipelined request/response, up to two requests in flight ----
    logic        pp_i_valid, pp_i_accept, pp_i_we, pp_i_rsp, pp_i_err;
    logic [ 3:0] pp_i_be;
    logic [31:0] pp_i_addr, pp_i_wdata, pp_i_rdata;
    logic        pp_d_valid, pp_d_accept, pp_d_we, pp_d_rsp, pp_d_err;
    logic [ 3:0] pp_d_be;
    logic [31:0] pp_d_addr, pp_d_wdata, pp_d_rdata;
    logic        pp_i_ready, pp_i_rerr, pp_d_ready, pp_d_rerr;
    logic [31:0] pp_i_crdata, pp_d_crdata;
    logic        pp_bi_req, pp_bi_we, pp_bd_req, pp_bd_we;
    logic [ 3:0] pp_bi_be, pp_bd_be;
    logic [31:0] pp_bi_addr, pp_bi_wdata, pp_bd_addr, pp_bd_wdata;

    coretest_shim_pipe pp_i_shim (
        .clk_i(clk), .rst_i(rst), .req_i(i_req && bus == PIPELINED), .we_i(1'b0), .be_i(4'b1111),
        .addr_i(i_addr), .wdata_i(32'd0), .ready_o(pp_i_ready), .rdata_o(pp_i_crdata),
        .err_o(pp_i_rerr), .req_valid_o(pp_i_valid), .req_ready_i(pp_i_accept),
        .req_we_o(pp_i_we), .req_be_o(pp_i_be), .req_addr_o(pp_i_addr), .req_wdata_o(pp_i_wdata),
        .rsp_valid_i(pp_i_rsp), .rsp_rdata_i(pp_i_rdata), .rsp_err_i(pp_i_err));
    coretest_bus_pipe #(.OUTSTANDING(2), .SALT(9)) pp_i_adapter (
        .clk_i(clk), .rst_i(rst), .req_valid_i(pp_i_valid), .req_ready_o(pp_i_accept),
        .req_we_i(pp_i_we), .req_be_i(pp_i_be), .req_addr_i(pp_i_addr), .req_wdata_i(pp_i_wdata),
        .rsp_valid_o(pp_i_rsp), .rsp_rdata_o(pp_i_rdata), .rsp_err_o(pp_i_err),
        .b_req_o(pp_bi_req), .b_we_o(pp_bi_we), .b_be_o(pp_bi_be), .b_addr_o(pp_bi_addr),
        .b_wdata_o(pp_bi_wdata), .b_ready_i(bi_ready && bus == PIPELINED), .b_rdata_i(bi_rdata),
        .b_err_i(bi_err));
    coretest_bus_pipe_checker #(.PORT("instruction")) pp_i_check (
        .clk_i(clk), .rst_i(rst), .req_valid_i(pp_i_valid), .req_ready_i(pp_i_accept),
        .req_we_i(pp_i_we), .req_be_i(pp_i_be), .req_addr_i(pp_i_addr), .req_wdata_i(pp_i_wdata));
    coretest_shim_pipe pp_d_shim (
        .clk_i(clk), .rst_i(rst), .req_i(d_req && bus == PIPELINED), .we_i(d_we), .be_i(d_be),
        .addr_i(d_addr), .wdata_i(d_wdata), .ready_o(pp_d_ready), .rdata_o(pp_d_crdata),
        .err_o(pp_d_rerr), .req_valid_o(pp_d_valid), .req_ready_i(pp_d_accept),
        .req_we_o(pp_d_we), .req_be_o(pp_d_be), .req_addr_o(pp_d_addr), .req_wdata_o(pp_d_wdata),
        .rsp_valid_i(pp_d_rsp), .rsp_rdata_i(pp_d_rdata), .rsp_err_i(pp_d_err));
    coretest_bus_pipe #(.OUTSTANDING(2), .SALT(10)) pp_d_adapter (
        .clk_i(clk), .rst_i(rst), .req_valid_i(pp_d_valid), .req_ready_o(pp_d_accept),
        .req_we_i(pp_d_we), .req_be_i(pp_d_be), .req_addr_i(pp_d_addr), .req_wdata_i(pp_d_wdata),
        .rsp_valid_o(pp_d_rsp), .rsp_rdata_o(pp_d_rdata), .rsp_err_o(pp_d_err),
        .b_req_o(pp_bd_req), .b_we_o(pp_bd_we), .b_be_o(pp_bd_be), .b_addr_o(pp_bd_addr),
        .b_wdata_o(pp_bd_wdata), .b_ready_i(bd_ready && bus == PIPELINED), .b_rdata_i(bd_rdata),
        .b_err_i(bd_err));
    coretest_bus_pipe_checker #(.PORT("data")) pp_d_check (
        .clk_i(clk), .rst_i(rst), .req_valid_i(pp_d_valid), .req_ready_i(pp_d_accept),
        .req_we_i(pp_d_we), .req_be_i(pp_d_be), .req_addr_i(pp_d_addr), .req_wdata_i(pp_d_wdata));

    // ---- 4-phase request/acknowledge, word addresses ----
    logic        fp_i_rd, fp_i_wr, fp_i_ack, fp_i_err;
    logic [ 3:0] fp_i_be;
    logic [31:0] fp_i_addr, fp_i_wdata, fp_i_rdata;
    logic        fp_d_rd, fp_d_wr, fp_d_ack, fp_d_err;
    logic [ 3:0] fp_d_be;
    logic [31:0] fp_d_addr, fp_d_wdata, fp_d_rdata;
    logic        fp_i_ready, fp_i_rerr, fp_d_ready, fp_d_rerr;
    logic [31:0] fp_i_crdata, fp_d_crdata;
    logic        fp_bi_req, fp_bi_we, fp_bd_req, fp_bd_we;
    logic [ 3:0] fp_bi_be, fp_bd_be;
    logic [31:0] fp_bi_addr, fp_bi_wdata, fp_bd_addr, fp_bd_wdata;

    coretest_shim_fourphase #(.ADDR_WORDS(1)) fp_i_shim (
        .clk_i(clk), .rst_i(rst), .req_i(i_req && bus == FOUR_PHASE), .we_i(1'b0), .be_i(4'b1111),
        .addr_i(i_addr), .wdata_i(32'd0), .ready_o(fp_i_ready), .rdata_o(fp_i_crdata),
        .err_o(fp_i_rerr), .rd_o(fp_i_rd), .wr_o(fp_i_wr), .be_o(fp_i_be), .addr_o(fp_i_addr),
        .wdata_o(fp_i_wdata), .ack_i(fp_i_ack), .rdata_i(fp_i_rdata), .err_i(fp_i_err));
    coretest_bus_fourphase #(.ADDR_WORDS(1), .SALT(11)) fp_i_adapter (
        .clk_i(clk), .rst_i(rst), .rd_i(fp_i_rd), .wr_i(fp_i_wr), .be_i(fp_i_be),
        .addr_i(fp_i_addr), .wdata_i(fp_i_wdata), .ack_o(fp_i_ack), .rdata_o(fp_i_rdata),
        .err_o(fp_i_err),
        .b_req_o(fp_bi_req), .b_we_o(fp_bi_we), .b_be_o(fp_bi_be), .b_addr_o(fp_bi_addr),
        .b_wdata_o(fp_bi_wdata), .b_ready_i(bi_ready && bus == FOUR_PHASE), .b_rdata_i(bi_rdata),
        .b_err_i(bi_err));
    coretest_bus_fourphase_checker #(.PORT("instruction")) fp_i_check (
        .clk_i(clk), .rst_i(rst), .rd_i(fp_i_rd), .wr_i(fp_i_wr), .be_i(fp_i_be),
        .addr_i(fp_i_addr), .wdata_i(fp_i_wdata), .ack_i(fp_i_ack));
    coretest_shim_fourphase #(.ADDR_WORDS(1)) fp_d_shim (
        .clk_i(clk), .rst_i(rst), .req_i(d_req && bus == FOUR_PHASE), .we_i(d_we), .be_i(d_be),
        .addr_i(d_addr), .wdata_i(d_wdata), .ready_o(fp_d_ready), .rdata_o(fp_d_crdata),
        .err_o(fp_d_rerr), .rd_o(fp_d_rd), .wr_o(fp_d_wr), .be_o(fp_d_be), .addr_o(fp_d_addr),
        .wdata_o(fp_d_wdata), .ack_i(fp_d_ack), .rdata_i(fp_d_rdata), .err_i(fp_d_err));
    coretest_bus_fourphase #(.ADDR_WORDS(1), .SALT(12)) fp_d_adapter (
        .clk_i(clk), .rst_i(rst), .rd_i(fp_d_rd), .wr_i(fp_d_wr), .be_i(fp_d_be),
        .addr_i(fp_d_addr), .wdata_i(fp_d_wdata), .ack_o(fp_d_ack), .rdata_o(fp_d_rdata),
        .err_o(fp_d_err),
        .b_req_o(fp_bd_req), .b_we_o(fp_bd_we), .b_be_o(fp_bd_be), .b_addr_o(fp_bd_addr),
        .b_wdata_o(fp_bd_wdata), .b_ready_i(bd_ready && bus == FOUR_PHASE), .b_rdata_i(bd_rdata),
        .b_err_i(bd_err));
    coretest_bus_fourphase_checker #(.PORT("data")) fp_d_check (
        .clk_i(clk), .rst_i(rst), .rd_i(fp_d_rd), .wr_i(fp_d_wr), .be_i(fp_d_be),
        .addr_i(fp_d_addr), .wdata_i(fp_d_wdata), .ack_i(fp_d_ack));

    // ---- one shared port: arbiter, then split onto the board's two ----
    logic        sh_req, sh_fetch, sh_we, sh_ready, sh_err;
    logic [ 3:0] sh_be;
    logic [31:0] sh_addr, sh_wdata, sh_rdata;
    logic        sh_i_ready, sh_i_rerr, sh_d_ready, sh_d_rerr;
    logic [31:0] sh_i_rdata, sh_d_rdata;
    logic        sh_bi_req, sh_bd_req, sh_bd_we;
    logic [ 3:0] sh_bd_be;
    logic [31:0] sh_bi_addr, sh_bd_addr, sh_bd_wdata;

    coretest_bus_arbiter arbiter (
        .clk_i(clk), .rst_i(rst),
        .i_req_i(i_req && bus == SHARED), .i_addr_i(i_addr), .i_ready_o(sh_i_ready),
        .i_rdata_o(sh_i_rdata), .i_err_o(sh_i_rerr),
        .d_req_i(d_req && bus == SHARED), .d_we_i(d_we), .d_be_i(d_be), .d_addr_i(d_addr),
        .d_wdata_i(d_wdata), .d_ready_o(sh_d_ready), .d_rdata_o(sh_d_rdata), .d_err_o(sh_d_rerr),
        .s_req_o(sh_req), .s_fetch_o(sh_fetch), .s_we_o(sh_we), .s_be_o(sh_be),
        .s_addr_o(sh_addr), .s_wdata_o(sh_wdata), .s_ready_i(sh_ready), .s_rdata_i(sh_rdata),
        .s_err_i(sh_err));
    coretest_bus_hold_checker #(.PORT("shared")) sh_check (
        .clk_i(clk), .rst_i(rst), .req_i(sh_req), .we_i(sh_we), .be_i(sh_be), .addr_i(sh_addr),
        .wdata_i(sh_wdata), .ready_i(sh_ready));
    coretest_bus_split split (
        .s_req_i(sh_req), .s_fetch_i(sh_fetch), .s_we_i(sh_we), .s_be_i(sh_be),
        .s_addr_i(sh_addr), .s_wdata_i(sh_wdata), .s_ready_o(sh_ready), .s_rdata_o(sh_rdata),
        .s_err_o(sh_err),
        .i_req_o(sh_bi_req), .i_addr_o(sh_bi_addr), .i_ready_i(bi_ready && bus == SHARED),
        .i_rdata_i(bi_rdata), .i_err_i(bi_err),
        .d_req_o(sh_bd_req), .d_we_o(sh_bd_we), .d_be_o(sh_bd_be), .d_addr_o(sh_bd_addr),
        .d_wdata_o(sh_bd_wdata), .d_ready_i(bd_ready && bus == SHARED), .d_rdata_i(bd_rdata),
        .d_err_i(bd_err));

    // ---- the selected path between the core and the board ----
    // Each branch assigns every output once: a default overwritten later in the block would make
    // Icarus send the board a glitch, whose answer runs the block again, without end.
    always @* begin : to_board
        case (bus)
            WB_CLASSIC:
            {bi_req, bi_addr, bd_req, bd_we, bd_be, bd_addr, bd_wdata} =
                {wbc_bi_req, wbc_bi_addr, wbc_bd_req, wbc_bd_we, wbc_bd_be, wbc_bd_addr, wbc_bd_wdata};
            WB_PIPELINED:
            {bi_req, bi_addr, bd_req, bd_we, bd_be, bd_addr, bd_wdata} =
                {wbp_bi_req, wbp_bi_addr, wbp_bd_req, wbp_bd_we, wbp_bd_be, wbp_bd_addr, wbp_bd_wdata};
            AXI4_LITE:
            {bi_req, bi_addr, bd_req, bd_we, bd_be, bd_addr, bd_wdata} =
                {ax_bi_req, ax_bi_addr, ax_bd_req, ax_bd_we, ax_bd_be, ax_bd_addr, ax_bd_wdata};
            PIPELINED:
            {bi_req, bi_addr, bd_req, bd_we, bd_be, bd_addr, bd_wdata} =
                {pp_bi_req, pp_bi_addr, pp_bd_req, pp_bd_we, pp_bd_be, pp_bd_addr, pp_bd_wdata};
            FOUR_PHASE:
            {bi_req, bi_addr, bd_req, bd_we, bd_be, bd_addr, bd_wdata} =
                {fp_bi_req, fp_bi_addr, fp_bd_req, fp_bd_we, fp_bd_be, fp_bd_addr, fp_bd_wdata};
            SHARED:
            {bi_req, bi_addr, bd_req, bd_we, bd_be, bd_addr, bd_wdata} =
                {sh_bi_req, sh_bi_addr, sh_bd_req, sh_bd_we, sh_bd_be, sh_bd_addr, sh_bd_wdata};
            default:
            {bi_req, bi_addr, bd_req, bd_we, bd_be, bd_addr, bd_wdata} =
                {i_req, i_addr, d_req, d_we, d_be, d_addr, d_wdata};
        endcase
    end

    always @* begin : to_core
        case (bus)
            WB_CLASSIC:
            {i_ready, i_rdata, i_err, d_ready, d_rdata, d_err} =
                {wbc_i_ready, wbc_i_rdata, wbc_i_rerr, wbc_d_ready, wbc_d_rdata, wbc_d_rerr};
            WB_PIPELINED:
            {i_ready, i_rdata, i_err, d_ready, d_rdata, d_err} =
                {wbp_i_ready, wbp_i_rdata, wbp_i_rerr, wbp_d_ready, wbp_d_rdata, wbp_d_rerr};
            AXI4_LITE:
            {i_ready, i_rdata, i_err, d_ready, d_rdata, d_err} =
                {ax_i_ready, ax_i_crdata, ax_i_rerr, ax_d_ready, ax_d_crdata, ax_d_rerr};
            PIPELINED:
            {i_ready, i_rdata, i_err, d_ready, d_rdata, d_err} =
                {pp_i_ready, pp_i_crdata, pp_i_rerr, pp_d_ready, pp_d_crdata, pp_d_rerr};
            FOUR_PHASE:
            {i_ready, i_rdata, i_err, d_ready, d_rdata, d_err} =
                {fp_i_ready, fp_i_crdata, fp_i_rerr, fp_d_ready, fp_d_crdata, fp_d_rerr};
            SHARED:
            {i_ready, i_rdata, i_err, d_ready, d_rdata, d_err} =
                {sh_i_ready, sh_i_rdata, sh_i_rerr, sh_d_ready, sh_d_rdata, sh_d_rerr};
            default:
            {i_ready, i_rdata, i_err, d_ready, d_rdata, d_err} =
                {bi_ready, bi_rdata, bi_err, bd_ready, bd_rdata, bd_err};
        endcase
    end

    // The adapters' store signals toward the board's instruction port, which takes none.
    logic unused_fetch_side;
    assign unused_fetch_side = ^{wbc_bi_we, wbc_bi_be, wbc_bi_wdata, wbp_bi_we, wbp_bi_be,
                                 wbp_bi_wdata, ax_bi_we, ax_bi_be, ax_bi_wdata, pp_bi_we, pp_bi_be,
                                 pp_bi_wdata, fp_bi_we, fp_bi_be, fp_bi_wdata};

    // ---- board, tracer, monitor, as in hdl/tb/coretest_tb.sv ----
    logic        bus_error, end_mark, trace_end, stop, flush;
    logic [31:0] display, lamp_a, lamp_b, trace_errors;
    logic [15:0] leds;

    coretest_board board (
        .clk_i(clk), .rst_i(rst),
        .i_req_i(bi_req), .i_addr_i(bi_addr), .i_ready_o(bi_ready), .i_rdata_o(bi_rdata),
        .i_err_o(bi_err),
        .d_req_i(bd_req), .d_we_i(bd_we), .d_be_i(bd_be), .d_addr_i(bd_addr), .d_wdata_i(bd_wdata),
        .d_ready_o(bd_ready), .d_rdata_o(bd_rdata), .d_err_o(bd_err),
        .bus_error_o(bus_error), .end_mark_o(end_mark), .display_o(display), .leds_o(leds),
        .lamp_a_o(lamp_a), .lamp_b_o(lamp_b)
    );

    coretest_tracer tracer (
        .clk_i(clk), .rst_i(rst),
        .retirement_i(retirement),
        .stop_i(stop), .flush_i(flush), .trace_end_o(trace_end), .errors_o(trace_errors)
    );

    coretest_monitor monitor (
        .clk_i(clk), .rst_i(rst),
        .i_req_i(bi_req), .i_addr_i(bi_addr), .i_ready_i(bi_ready),
        .bus_error_i(bus_error), .end_mark_i(end_mark), .display_i(display),
        .lamp_a_i(lamp_a), .lamp_b_i(lamp_b),
        .trace_end_i(trace_end), .trace_errors_i(trace_errors), .stop_o(stop), .flush_o(flush)
    );

    logic unused_leds;
    assign unused_leds = ^leds;
endmodule
`default_nettype wire
