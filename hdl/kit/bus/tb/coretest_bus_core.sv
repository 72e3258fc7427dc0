`default_nettype none
// Our core on the kit's board through each bus adapter, chosen at run time, so that one simulator
// build proves them all. To the template top (hdl/tb/coretest_tb.sv, which makes the clock and
// reset, reads +bug= and holds the board, tracer and monitor) this module is the core
// (CORETEST_CORE=coretest_bus_core): mips_core's ports, with the chosen protocol between our
// core and them. Each port's path is a coretest_bus_port (shim, protocol, checker, adapter); the
// request/ready checker watches the core's own ports.
//   +bus=NAME        hold (no adapter), wb-classic, wb-pipelined, axi4-lite, pipelined (up to
//                    two requests in flight), four-phase (word addresses), shared (the two
//                    ports through coretest_bus_arbiter and coretest_bus_split); default hold
//   +backpressure_seed=N   random wait states, stalls, READY and response delays (N > 0)
//   +broken_master   the AXI4-Lite instruction port drops ARVALID after one cycle without
//                    ARREADY (with a seed, so that ARREADY is withheld): the checker must say so
// The template's plusargs (+rom, +switch, +bug, +trace, +max_cycles) and exit statuses hold; a
// protocol checker's line is a FAIL.
module coretest_bus_core
    import coretest_pkg::*;
    import coretest_bus_tb_pkg::*;
(
    `include "coretest_core_ports.svh"  // mips_core's ports, as the template top connects them
);
    coretest_bus_e bus;
    logic broken_master;
    logic [31:0] seed;
    string bus_name;
    initial begin
        bus = HOLD;
        bus_name = "hold";
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
    end

    // ---- the core and its two request/ready ports ----
    coretest_mem_req_t core_i_req, core_d_req;
    coretest_mem_rsp_t core_i_rsp, core_d_rsp;
    mips_core core (
        .clk_i, .rst_i, .bugs_i, .imem_req_o(core_i_req), .imem_rsp_i(core_i_rsp),
        .dmem_req_o(core_d_req), .dmem_rsp_i(core_d_rsp), .retirement_o);

    // Our core keeps the board's contract on both ports, whatever the bus behind them.
    coretest_bus_hold_checker #(.PORT("instruction")) core_i_check (
        .clk_i, .rst_i, .req_i(core_i_req), .ready_i(core_i_rsp.ready));
    coretest_bus_hold_checker #(.PORT("data")) core_d_check (
        .clk_i, .rst_i, .req_i(core_d_req), .ready_i(core_d_rsp.ready));

    // ---- each port through one protocol ----
    coretest_mem_req_t path_i_req, path_d_req;
    coretest_mem_rsp_t path_i_rsp, path_d_rsp;
    coretest_bus_port #(.PORT("instruction"), .SALT(0)) i_path (
        .clk_i, .rst_i, .bus_i(bus), .broken_i(broken_master), .core_req_i(core_i_req),
        .core_rsp_o(path_i_rsp), .board_req_o(path_i_req), .board_rsp_i(imem_rsp_i));
    coretest_bus_port #(.PORT("data"), .SALT(1)) d_path (
        .clk_i, .rst_i, .bus_i(bus), .broken_i(1'b0), .core_req_i(core_d_req),
        .core_rsp_o(path_d_rsp), .board_req_o(path_d_req), .board_rsp_i(dmem_rsp_i));

    // ---- both ports on one shared port: arbiter, then split onto the board's two ----
    coretest_mem_req_t sh_req, sh_i_req, sh_d_req;
    coretest_mem_rsp_t sh_rsp, sh_i_rsp, sh_d_rsp;
    logic sh_fetch;
    coretest_bus_arbiter arbiter (
        .clk_i, .rst_i, .i_req_i(request_on(bus == SHARED, core_i_req)), .i_rsp_o(sh_i_rsp),
        .d_req_i(request_on(bus == SHARED, core_d_req)), .d_rsp_o(sh_d_rsp), .s_req_o(sh_req),
        .s_fetch_o(sh_fetch), .s_rsp_i(sh_rsp));
    coretest_bus_hold_checker #(.PORT("shared")) sh_check (
        .clk_i, .rst_i, .req_i(sh_req), .ready_i(sh_rsp.ready));
    coretest_bus_split split (
        .s_req_i(sh_req), .s_fetch_i(sh_fetch), .s_rsp_o(sh_rsp), .i_req_o(sh_i_req),
        .i_rsp_i(answer_on(bus == SHARED, imem_rsp_i)), .d_req_o(sh_d_req),
        .d_rsp_i(answer_on(bus == SHARED, dmem_rsp_i)));

    // ---- the selected path between the core and the board ----
    // Each branch assigns every output once: a default overwritten later in the block would make
    // Icarus send the board a glitch, whose answer runs the block again, without end.
    always @* begin : select
        case (bus)
            HOLD: begin
                {imem_req_o, dmem_req_o} = {core_i_req, core_d_req};
                {core_i_rsp, core_d_rsp} = {imem_rsp_i, dmem_rsp_i};
            end
            SHARED: begin
                {imem_req_o, dmem_req_o} = {sh_i_req, sh_d_req};
                {core_i_rsp, core_d_rsp} = {sh_i_rsp, sh_d_rsp};
            end
            default: begin
                {imem_req_o, dmem_req_o} = {path_i_req, path_d_req};
                {core_i_rsp, core_d_rsp} = {path_i_rsp, path_d_rsp};
            end
        endcase
    end
endmodule
`default_nettype wire
