`default_nettype none
// Adapter from a 4-phase request/acknowledge port to one of the board's request/ready ports.
//
// The core raises rd_i (a load or fetch) or wr_i (a store) with the address, byte enables and
// store data, and holds them; the adapter performs the access and raises ack_o; the core then
// drops its request, and the adapter drops ack_o. The next request may rise once ack_o is down.
// rdata_o and err_o (the board's bus error) are valid from the rise of ack_o and stay until the
// next access completes, so a core may also take them after ack_o has fallen. A core with one
// request line and a write enable ties rd_i = req & !we and wr_i = req & we.
//
// ADDR_WORDS = 1: addr_i is a word address, else a byte address whose low two bits are ignored
// (be_i says which bytes). +backpressure_seed=N delays the access, the rise and the fall of ack_o
// at random.
module coretest_bus_fourphase
    import coretest_pkg::*;
#(
    parameter bit          ADDR_WORDS = 1'b0,
    parameter logic [31:0] SALT       = 32'd0
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    // the core's port
    input  wire logic              rd_i,
    input  wire logic              wr_i,
    input  wire logic       [ 3:0] be_i,
    input  wire logic       [31:0] addr_i,
    input  wire logic       [31:0] wdata_i,
    output logic                   ack_o,
    output logic            [31:0] rdata_o,
    output logic                   err_o,
    output coretest_mem_req_t      b_req_o,  // the board's port
    input  wire coretest_mem_rsp_t b_rsp_i
);
    typedef enum logic [2:0] {
        IDLE,     // no request, ack_o low
        ACCESS,   // the request is on the board's port
        ANSWER,   // the board has answered; ack_o rises
        ACKED,    // ack_o high until the request falls
        RELEASE   // the request fell; ack_o falls
    } state_e;

    logic [1:0] hold;  // [0] the access waits, [1] ack_o rises or falls later
    coretest_backpressure #(.WIDTH(2), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));

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
    assign ack_o = state_q == ACKED || state_q == RELEASE;
    assign rdata_o = rdata_q;
    assign err_o = err_q;

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            state_q <= IDLE;
            rdata_q <= '0;
            err_q <= 1'b0;
        end else
            case (state_q)
                IDLE:
                if ((rd_i || wr_i) && !hold[0]) begin
                    state_q <= ACCESS;
                    we_q <= wr_i;
                    be_q <= wr_i ? be_i : 4'b1111;
                    addr_q <= ADDR_WORDS ? {addr_i[29:0], 2'b00} : {addr_i[31:2], 2'b00};
                    wdata_q <= wdata_i;
                end
                ACCESS:
                if (b_rsp_i.ready) begin
                    state_q <= ANSWER;
                    rdata_q <= b_rsp_i.rdata;
                    err_q <= b_rsp_i.err;
                end
                ANSWER: if (!hold[1]) state_q <= ACKED;
                ACKED: if (!rd_i && !wr_i) state_q <= RELEASE;
                default: if (!hold[1]) state_q <= IDLE;
            endcase
    end
endmodule
`default_nettype wire
