`default_nettype none
// Checks a master that holds its request until the other side takes it: the board's own
// request/ready contract (also the shared port of coretest_bus_arbiter) and, with PIPELINED, the
// request channel of coretest_bus_pipe. At the first broken rule it prints one line and ends the
// run, before any verdict:
//   coretest: FAIL: request/ready port: req dropped before ready at cycle 1234 (data port)
//   coretest: FAIL: pipelined port: request dropped before ready at cycle 1234 (data port)
// Rules: req stays up until ready, and addr, we, be and wdata do not change meanwhile (on the
// request/ready port a load's be and wdata may, as the board ignores them). Cycles count from the
// end of reset, as the monitor's do.
module coretest_bus_hold_checker
    import coretest_pkg::*;
#(
    parameter     PORT      = "data",
    parameter bit PIPELINED = 1'b0
) (
    input  wire logic              clk_i, rst_i,
    input  wire coretest_mem_req_t req_i,
    input  wire logic              ready_i  // the request is taken in this cycle
);
    logic [63:0] cycle_q;
    logic        waiting_q;
    logic [68:0] request_q;
    logic [68:0] request;  // what must not change
    assign request = {req_i.we, req_i.we || PIPELINED ? req_i.be : 4'd0, req_i.addr,
                      req_i.we ? req_i.wdata : 32'd0};

    // The protocol's own words (string variables: Icarus pads a conditional of two literals).
    string protocol, dropped, changed;
    initial begin
        if (PIPELINED) begin
            protocol = "pipelined";
            dropped = "request dropped before ready";
            changed = "request changed while it waited for ready";
        end else begin
            protocol = "request/ready";
            dropped = "req dropped before ready";
            changed = "addr, we, be or wdata changed while req waited for ready";
        end
    end

    task automatic broken(string rule);
        $display("coretest: FAIL: %0s port: %s at cycle %0d (%0s port)", protocol, rule, cycle_q,
                 PORT);
        $finish;
    endtask

    always @(posedge clk_i) begin
        if (rst_i) begin
            cycle_q <= '0;
            waiting_q <= 1'b0;
        end else begin
            cycle_q <= cycle_q + 64'd1;
            if (waiting_q && !req_i.req) broken(dropped);
            else if (waiting_q && request != request_q) broken(changed);
            waiting_q <= req_i.req && !ready_i;
            request_q <= request;
        end
    end
endmodule
`default_nettype wire
