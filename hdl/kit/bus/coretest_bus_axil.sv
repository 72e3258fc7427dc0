`default_nettype none
// Adapter from an AXI4-Lite master (32-bit data) to one of the board's request/ready ports.
//
// The five channels are independent: the write address (AW) and write data (W) are taken in any
// order and in any cycles, each kept until both have come; the write goes to the board then, and
// its response (B) follows. A read address (AR) is taken, read on the board, and its data (R)
// follows. Every VALID/READY timing of the master is accepted: READY never waits for VALID, and
// BVALID and RVALID stay up until BREADY and RREADY. One write and one read are in flight at a
// time; when both wait for the board, the one that did not go last goes first. BRESP and RRESP
// are OKAY, or DECERR for the board's bus error (nothing answers the address). AxPROT is not used.
//
// ADDR_WORDS = 1: AWADDR and ARADDR are word addresses, else byte addresses whose low two bits
// are ignored (WSTRB says which bytes). +backpressure_seed=N withholds AWREADY, WREADY and
// ARREADY and delays BVALID and RVALID at random.
module coretest_bus_axil
    import coretest_pkg::*;
#(
    parameter bit          ADDR_WORDS = 1'b0,
    parameter logic [31:0] SALT       = 32'd0
) (
    input  wire logic               clk_i, rst_i,
    input  wire coretest_axil_req_t axi_req_i,  // the core's AXI4-Lite master
    output coretest_axil_rsp_t      axi_rsp_o,
    output coretest_mem_req_t       b_req_o,    // the board's port
    input  wire coretest_mem_rsp_t  b_rsp_i
);
    localparam logic [1:0] OKAY = 2'b00, DECERR = 2'b11;

    typedef enum logic [1:0] {
        IDLE,
        WRITING,
        READING
    } op_e;

    // [0] AWREADY, [1] WREADY, [2] ARREADY withheld; [3] BVALID, [4] RVALID held back
    logic [4:0] hold;
    coretest_backpressure #(.WIDTH(5), .SALT(SALT)) backpressure (.clk_i, .rst_i, .hold_o(hold));

    function automatic logic [31:0] board_addr(logic [31:0] addr);
        return ADDR_WORDS ? {addr[29:0], 2'b00} : {addr[31:2], 2'b00};
    endfunction

    logic        aw_full_q, w_full_q, ar_full_q;  // a channel's transfer taken, not yet used
    logic [31:0] aw_addr_q, w_data_q, ar_addr_q;
    logic [ 3:0] w_strb_q;
    logic        b_pending_q, r_pending_q;        // a response waits to be shown ...
    logic        b_valid_q, r_valid_q;            // ... or is shown until its READY
    logic [ 1:0] b_resp_q, r_resp_q;
    logic [31:0] r_data_q;
    op_e         op_q;
    logic        last_read_q;                     // the board's last access was a read

    assign axi_rsp_o.awready = !aw_full_q && !hold[0];
    assign axi_rsp_o.wready = !w_full_q && !hold[1];
    assign axi_rsp_o.arready = !ar_full_q && !hold[2];
    assign axi_rsp_o.bvalid = b_valid_q;
    assign axi_rsp_o.bresp = b_resp_q;
    assign axi_rsp_o.rvalid = r_valid_q;
    assign axi_rsp_o.rdata = r_data_q;
    assign axi_rsp_o.rresp = r_resp_q;

    logic write_ready, read_ready;  // can go to the board
    assign write_ready = aw_full_q && w_full_q && !b_pending_q && !b_valid_q;
    assign read_ready = ar_full_q && !r_pending_q && !r_valid_q;

    assign b_req_o.req = op_q != IDLE;
    assign b_req_o.we = op_q == WRITING;
    assign b_req_o.be = op_q == WRITING ? w_strb_q : 4'b1111;
    assign b_req_o.addr = op_q == WRITING ? aw_addr_q : ar_addr_q;
    assign b_req_o.wdata = op_q == WRITING ? w_data_q : '0;

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            aw_full_q <= 1'b0;
            w_full_q <= 1'b0;
            ar_full_q <= 1'b0;
            b_pending_q <= 1'b0;
            r_pending_q <= 1'b0;
            b_valid_q <= 1'b0;
            r_valid_q <= 1'b0;
            op_q <= IDLE;
            last_read_q <= 1'b0;
        end else begin
            if (axi_req_i.awvalid && axi_rsp_o.awready) begin
                aw_full_q <= 1'b1;
                aw_addr_q <= board_addr(axi_req_i.awaddr);
            end
            if (axi_req_i.wvalid && axi_rsp_o.wready) begin
                w_full_q <= 1'b1;
                w_data_q <= axi_req_i.wdata;
                w_strb_q <= axi_req_i.wstrb;
            end
            if (axi_req_i.arvalid && axi_rsp_o.arready) begin
                ar_full_q <= 1'b1;
                ar_addr_q <= board_addr(axi_req_i.araddr);
            end
            case (op_q)
                IDLE:
                if (write_ready && (!read_ready || last_read_q)) op_q <= WRITING;
                else if (read_ready) op_q <= READING;
                WRITING:
                if (b_rsp_i.ready) begin
                    op_q <= IDLE;
                    last_read_q <= 1'b0;
                    aw_full_q <= 1'b0;
                    w_full_q <= 1'b0;
                    b_pending_q <= 1'b1;
                    b_resp_q <= b_rsp_i.err ? DECERR : OKAY;
                end
                default:
                if (b_rsp_i.ready) begin
                    op_q <= IDLE;
                    last_read_q <= 1'b1;
                    ar_full_q <= 1'b0;
                    r_pending_q <= 1'b1;
                    r_data_q <= b_rsp_i.rdata;
                    r_resp_q <= b_rsp_i.err ? DECERR : OKAY;
                end
            endcase
            if (b_pending_q && !hold[3]) begin
                b_pending_q <= 1'b0;
                b_valid_q <= 1'b1;
            end
            if (b_valid_q && axi_req_i.bready) b_valid_q <= 1'b0;
            if (r_pending_q && !hold[4]) begin
                r_pending_q <= 1'b0;
                r_valid_q <= 1'b1;
            end
            if (r_valid_q && axi_req_i.rready) r_valid_q <= 1'b0;
        end
    end
endmodule
`default_nettype wire
