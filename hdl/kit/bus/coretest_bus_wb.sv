`default_nettype none
// Adapter from a Wishbone B4 master (32-bit data, 8-bit granularity) to one of the board's
// request/ready ports. The board's bus error (nothing answers the address) is ERR; RTY is
// never raised.
//
// PIPELINED = 0, classic cycles: the master holds CYC, STB and the request until ACK or ERR, which
// may come in the same cycle (the board's ready); STALL stays 0.
// PIPELINED = 1, pipelined cycles: a request is taken in a cycle with CYC, STB and no STALL; the
// master may offer the next one in the next cycle and keeps CYC up until every request has had
// its ACK or ERR, one per request, in order, at the earliest two cycles after it was taken. Up
// to OUTSTANDING requests are taken before the first answer (STALL holds the next).
//
// ADDR_WORDS = 1: ADR is a word address, else a byte address whose low two bits are ignored
// (SEL says which bytes). +backpressure_seed=N delays the board request (classic) or raises
// STALL and delays ACK (pipelined) at random.
module coretest_bus_wb
    import coretest_pkg::*;
#(
    parameter bit          PIPELINED   = 1'b0,
    parameter int          OUTSTANDING = 2,
    parameter bit          ADDR_WORDS  = 1'b0,
    parameter logic [31:0] SALT        = 32'd0
) (
    input  wire logic              clk_i, rst_i,
    input  wire coretest_wb_req_t  wb_req_i,  // the core's Wishbone master
    output coretest_wb_rsp_t       wb_rsp_o,
    output coretest_mem_req_t      b_req_o,   // the board's port
    input  wire coretest_mem_rsp_t b_rsp_i
);
    if (PIPELINED) begin : pipelined
        logic ready;
        coretest_mem_rsp_t answer;
        coretest_bus_pipe #(.OUTSTANDING(OUTSTANDING), .ADDR_WORDS(ADDR_WORDS), .SALT(SALT)) pipe (
            .clk_i, .rst_i,
            .req_i({wb_req_i.cyc && wb_req_i.stb, wb_req_i.we, wb_req_i.sel, wb_req_i.adr,
                    wb_req_i.dat}),
            .req_ready_o(ready), .rsp_o(answer), .b_req_o, .b_rsp_i);
        assign wb_rsp_o.stall = !ready;
        assign wb_rsp_o.dat = answer.rdata;
        assign wb_rsp_o.ack = answer.ready && !answer.err;
        assign wb_rsp_o.err = answer.ready && answer.err;
    end else begin : classic
        // The request reaches the board once the back-pressure lets it start, and then stays
        // until the board's ready, as the board's port requires.
        logic hold, started_q;
        coretest_backpressure #(.WIDTH(1), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));
        assign b_req_o.req = wb_req_i.cyc && wb_req_i.stb && (started_q || !hold);
        assign b_req_o.we = wb_req_i.we;
        assign b_req_o.be = wb_req_i.sel;
        assign b_req_o.addr =
            ADDR_WORDS ? {wb_req_i.adr[29:0], 2'b00} : {wb_req_i.adr[31:2], 2'b00};
        assign b_req_o.wdata = wb_req_i.dat;
        assign wb_rsp_o.dat = b_rsp_i.rdata;
        assign wb_rsp_o.ack = b_req_o.req && b_rsp_i.ready && !b_rsp_i.err;
        assign wb_rsp_o.err = b_req_o.req && b_rsp_i.ready && b_rsp_i.err;
        assign wb_rsp_o.stall = 1'b0;
        always_ff @(posedge clk_i) begin
            if (rst_i) started_q <= 1'b0;
            else started_q <= b_req_o.req && !b_rsp_i.ready;
        end
    end
endmodule
`default_nettype wire
