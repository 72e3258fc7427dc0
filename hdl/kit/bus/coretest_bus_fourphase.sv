`default_nettype none
// Adapter from a 4-phase request/acknowledge port to one of the board's request/ready ports.
//
// The core raises rd (a load or fetch) or wr (a store) with the address, byte enables and store
// data, and holds them; the adapter performs the access and raises ack; the core then drops its
// request, and the adapter drops ack. The next request may rise once ack is down. rdata and err
// (the board's bus error) are valid from the rise of ack and stay until the next access
// completes, so a core may also take them after ack has fallen. A core with one request line and
// a write enable ties rd = req & !we and wr = req & we.
//
// ADDR_WORDS = 1: addr is a word address, else a byte address whose low two bits are ignored
// (be says which bytes). +backpressure_seed=N delays the access, the rise and the fall of ack at
// random.
module coretest_bus_fourphase
    import coretest_pkg::*;
#(
    parameter bit          ADDR_WORDS = 1'b0,
    parameter logic [31:0] SALT       = 32'd0
) (
    input  wire logic                   clk_i, rst_i,
    input  wire coretest_fourphase_req_t fourphase_req_i,  // the core's port
    output coretest_fourphase_rsp_t      fourphase_rsp_o,
    output coretest_mem_req_t            b_req_o,          // the board's port
    input  wire coretest_mem_rsp_t       b_rsp_i
);
    typedef enum logic [2:0] {
        IDLE,     // no request, ack low
        ACCESS,   // the request is on the board's port
        ANSWER,   // the board has answered; ack rises
        ACKED,    // ack high until the request falls
        RELEASE   // the request fell; ack falls
    } state_e;

    logic [1:0] hold;  // [0] the access waits, [1] ack rises or falls later
    coretest_backpressure #(.WIDTH(2), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));

    logic rd, wr;
    assign {rd, wr} = {fourphase_req_i.rd, fourphase_req_i.wr};

    state_e      state_q;
    logic        we_q;
    logic [ 3:0] be_q;
    logic [31:0] addr_q, wdata_q, rdata_q;
    logic        err_q;

    assign b_req_o.req = state_q == ACCESS;
    assign b_req_o.we = we_q;
    assign b_req_o.be = be_q;
    assign b_req_o.addr = addr_q;
    assign b_req_o.wdata = wdata_q;
    assign fourphase_rsp_o.ack = state_q == ACKED || state_q == RELEASE;
    assign fourphase_rsp_o.rdata = rdata_q;
    assign fourphase_rsp_o.err = err_q;

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            state_q <= IDLE;
            rdata_q <= '0;
            err_q <= 1'b0;
        end else
            case (state_q)
                IDLE:
                if ((rd || wr) && !hold[0]) begin
                    state_q <= ACCESS;
                    we_q <= wr;
                    be_q <= wr ? fourphase_req_i.be : 4'b1111;
                    addr_q <= ADDR_WORDS ? {fourphase_req_i.addr[29:0], 2'b00}
                                         : {fourphase_req_i.addr[31:2], 2'b00};
                    wdata_q <= fourphase_req_i.wdata;
                end
                ACCESS:
                if (b_rsp_i.ready) begin
                    state_q <= ANSWER;
                    rdata_q <= b_rsp_i.rdata;
                    err_q <= b_rsp_i.err;
                end
                ANSWER: if (!hold[1]) state_q <= ACKED;
                ACKED: if (!rd && !wr) state_q <= RELEASE;
                default: if (!hold[1]) state_q <= IDLE;
            endcase
    end
endmodule
`default_nettype wire
