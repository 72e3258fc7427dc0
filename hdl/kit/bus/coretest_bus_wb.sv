`default_nettype none
// Adapter from a Wishbone B4 master (32-bit data, 8-bit granularity) to one of the board's
// request/ready ports. The board's bus error (nothing answers the address) is wb_err_o; RTY is
// never raised.
//
// PIPELINED = 0, classic cycles: the master holds CYC, STB and the request until ACK or ERR, which
// may come in the same cycle (the board's ready); wb_stall_o stays 0.
// PIPELINED = 1, pipelined cycles: a request is taken in a cycle with CYC, STB and no STALL; the
// master may offer the next one in the next cycle and keeps CYC up until every request has had
// its ACK or ERR, one per request, in order, at the earliest two cycles after it was taken. Up
// to OUTSTANDING requests are taken before the first answer (STALL holds the next).
//
// ADDR_WORDS = 1: wb_adr_i is a word address, else a byte address whose low two bits are ignored
// (wb_sel_i says which bytes). +backpressure_seed=N delays the board request (classic) or raises
// STALL and delays ACK (pipelined) at random.
module coretest_bus_wb
    import coretest_pkg::*;
#(
    parameter bit          PIPELINED   = 1'b0,
    parameter int          OUTSTANDING = 2,
    parameter bit          ADDR_WORDS  = 1'b0,
    parameter logic [31:0] SALT        = 32'd0
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    // the core's Wishbone master
    input  wire logic              wb_cyc_i,
    input  wire logic              wb_stb_i,
    input  wire logic              wb_we_i,
    input  wire logic       [ 3:0] wb_sel_i,
    input  wire logic       [31:0] wb_adr_i,
    input  wire logic       [31:0] wb_dat_i,
    output logic            [31:0] wb_dat_o,
    output logic                   wb_ack_o,
    output logic                   wb_err_o,
    output logic                   wb_stall_o,
    output coretest_mem_req_t      b_req_o,  // the board's port
    input  wire coretest_mem_rsp_t b_rsp_i
);
    if (PIPELINED) begin : pipelined
        logic ready;
        coretest_mem_rsp_t answer;
        coretest_bus_pipe #(.OUTSTANDING(OUTSTANDING), .ADDR_WORDS(ADDR_WORDS), .SALT(SALT)) pipe (
            .clk_i, .rst_i,
            .req_i({wb_cyc_i && wb_stb_i, wb_we_i, wb_sel_i, wb_adr_i, wb_dat_i}),
            .req_ready_o(ready), .rsp_o(answer), .b_req_o, .b_rsp_i);
        assign wb_stall_o = !ready;
        assign wb_dat_o = answer.rdata;
        assign wb_ack_o = answer.ready && !answer.err;
        assign wb_err_o = answer.ready && answer.err;
    end else begin : classic
        // The request reaches the board once the back-pressure lets it start, and then stays
        // until the board's ready, as the board's port requires.
        logic hold, started_q;
        coretest_backpressure #(.WIDTH(1), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));
        assign b_req_o.req = wb_cyc_i && wb_stb_i && (started_q || !hold);
        assign b_req_o.we = wb_we_i;
        assign b_req_o.be = wb_sel_i;
        assign b_req_o.addr = ADDR_WORDS ? {wb_adr_i[29:0], 2'b00} : {wb_adr_i[31:2], 2'b00};
        assign b_req_o.wdata = wb_dat_i;
        assign wb_dat_o = b_rsp_i.rdata;
        assign wb_ack_o = b_req_o.req && b_rsp_i.ready && !b_rsp_i.err;
        assign wb_err_o = b_req_o.req && b_rsp_i.ready && b_rsp_i.err;
        assign wb_stall_o = 1'b0;
        always_ff @(posedge clk_i) begin
            if (rst_i) started_q <= 1'b0;
            else started_q <= b_req_o.req && !b_rsp_i.ready;
        end
    end
endmodule
`default_nettype wire
