`default_nettype none
// Checks a request/ready master (the board's own port contract, also the shared port of
// coretest_bus_arbiter). At the first broken rule it prints one line and ends the run, before any
// verdict:
//   coretest: FAIL: request/ready port: req dropped before ready at cycle 1234 (data port)
// Rules: req stays up until ready, and addr, we, be and wdata do not change meanwhile. Cycles
// count from the end of reset, as the monitor's do.
module coretest_bus_hold_checker #(
    parameter PORT = "data"
) (
    input wire logic        clk_i,
    input wire logic        rst_i,
    input wire logic        req_i,
    input wire logic        we_i,
    input wire logic [ 3:0] be_i,
    input wire logic [31:0] addr_i,
    input wire logic [31:0] wdata_i,
    input wire logic        ready_i
);
    logic [63:0] cycle_q;
    logic        waiting_q;
    logic [68:0] request_q;
    logic [68:0] request;
    assign request = {we_i, we_i ? be_i : 4'd0, addr_i, we_i ? wdata_i : 32'd0};

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
            if (waiting_q && !req_i) broken("req dropped before ready");
            else if (waiting_q && request != request_q)
                broken("addr, we, be or wdata changed while req waited for ready");
            waiting_q <= req_i && !ready_i;
            request_q <= request;
        end
    end
endmodule
`default_nettype wire
