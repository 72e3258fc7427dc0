`default_nettype none
// Checks a request/ready master (the board's own port contract, also the shared port of
// coretest_bus_arbiter). At the first broken rule it prints one line and ends the run, before any
// verdict:
//   coretest: FAIL: request/ready port: req dropped before ready at cycle 1234 (data port)
// Rules: req stays up until ready, and addr, we, be and wdata do not change meanwhile. Cycles
// count from the end of reset, as the monitor's do.
module coretest_bus_hold_checker
    import coretest_pkg::*;
#(
    parameter PORT = "data"
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire coretest_mem_req_t req_i,
    /* verilator lint_off UNUSEDSIGNAL */
    input  wire coretest_mem_rsp_t rsp_i  // its ready only
    /* verilator lint_on UNUSEDSIGNAL */
);
    logic [63:0] cycle_q;
    logic        waiting_q;
    logic [68:0] request_q;
    logic [68:0] request;  // what must not change: a load's be and wdata may
    assign request = {req_i.we, req_i.we ? req_i.be : 4'd0, req_i.addr,
                      req_i.we ? req_i.wdata : 32'd0};

    task automatic broken(string rule);
        $display("coretest: FAIL: request/ready port: %s at cycle %0d (%0s port)", rule, cycle_q, PORT);
        $finish;
    endtask

    always @(posedge clk_i) begin
        if (rst_i) begin
            cycle_q <= '0;
            waiting_q <= 1'b0;
        end else begin
            cycle_q <= cycle_q + 64'd1;
            if (waiting_q && !req_i.req) broken("req dropped before ready");
            else if (waiting_q && request != request_q)
                broken("addr, we, be or wdata changed while req waited for ready");
            waiting_q <= req_i.req && !rsp_i.ready;
            request_q <= request;
        end
    end
endmodule
`default_nettype wire
