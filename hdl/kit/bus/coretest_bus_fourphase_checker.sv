`default_nettype none
// Checks a 4-phase request/acknowledge master beside coretest_bus_fourphase. At the first broken
// rule it prints one line and ends the run, before any verdict:
//   coretest: FAIL: 4-phase port: request dropped before ack at cycle 1234 (data port)
// Rules: rd and wr are not both up; a request stays up until ack, and its address, byte enables
// and store data do not change while it is up; a new request waits until ack has fallen. Cycles
// count from the end of reset, as the monitor's do.
module coretest_bus_fourphase_checker
    import coretest_pkg::*;
#(
    parameter PORT = "data"
) (
    input wire logic                    clk_i, rst_i,
    input wire coretest_fourphase_req_t fourphase_req_i,  // the master's side
    /* verilator lint_off UNUSEDSIGNAL */
    input wire coretest_fourphase_rsp_t fourphase_rsp_i   // the adapter's: its ack
    /* verilator lint_on UNUSEDSIGNAL */
);
    logic [63:0] cycle_q;
    logic        req_q, ack_q;
    logic [69:0] request_q;
    logic [69:0] request;
    logic        rd, wr, ack, req;
    assign {rd, wr, ack} = {fourphase_req_i.rd, fourphase_req_i.wr, fourphase_rsp_i.ack};
    assign req = rd || wr;
    assign request = {rd, wr, wr ? fourphase_req_i.be : 4'd0, fourphase_req_i.addr,
                      wr ? fourphase_req_i.wdata : 32'd0};

    task automatic broken(string rule);
        $display("coretest: FAIL: 4-phase port: %s at cycle %0d (%0s port)", rule, cycle_q, PORT);
        $finish;
    endtask

    always @(posedge clk_i) begin
        if (rst_i) begin
            cycle_q <= '0;
            req_q <= 1'b0;
            ack_q <= 1'b0;
        end else begin
            cycle_q <= cycle_q + 64'd1;
            if (rd && wr) broken("rd and wr both up");
            else if (req_q && !ack_q && !req) broken("request dropped before ack");
            else if (req_q && req && request != request_q)
                broken("address, byte enables or data changed while the request was up");
            else if (!req_q && req && ack) broken("request raised before ack fell");
            req_q <= req;
            ack_q <= ack;
            request_q <= request;
        end
    end
endmodule
`default_nettype wire
