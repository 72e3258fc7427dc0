`default_nettype none
// Checks a pipelined request/response master beside coretest_bus_pipe. At the first broken rule it
// prints one line and ends the run, before any verdict:
//   coretest: FAIL: pipelined port: request dropped before ready at cycle 1234 (data port)
// Rules: a request offered (req_i.req) stays until it is taken (req_ready_i), and does not change
// (we, be, addr, wdata) meanwhile. Cycles count from the end of reset, as the monitor's do.
module coretest_bus_pipe_checker
    import coretest_pkg::*;
#(
    parameter PORT = "data"
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire coretest_mem_req_t req_i,
    input  wire logic              req_ready_i
);
    logic [63:0] cycle_q;
    logic        waiting_q;
    logic [68:0] request_q;
    logic [68:0] request;
    assign request = {req_i.we, req_i.be, req_i.addr, req_i.we ? req_i.wdata : 32'd0};

    task automatic broken(string rule);
        $display("coretest: FAIL: pipelined port: %s at cycle %0d (%0s port)", rule, cycle_q, PORT);
        $finish;
    endtask

    always @(posedge clk_i) begin
        if (rst_i) begin
            cycle_q <= '0;
            waiting_q <= 1'b0;
        end else begin
            cycle_q <= cycle_q + 64'd1;
            if (waiting_q && !req_i.req) broken("request dropped before ready");
            else if (waiting_q && request != request_q) broken("request changed while it waited for ready");
            waiting_q <= req_i.req && !req_ready_i;
            request_q <= request;
        end
    end
endmodule
`default_nettype wire
