`default_nettype none
// Checks a 4-phase request/acknowledge master beside coretest_bus_fourphase. At the first broken
// rule it prints one line and ends the run, before any verdict:
//   coretest: FAIL: 4-phase port: request dropped before ack at cycle 1234 (data port)
// Rules: rd and wr are not both up; a request stays up until ack, and its address, byte enables
// and store data do not change while it is up; a new request waits until ack has fallen. Cycles
// count from the end of reset, as the monitor's do.
module coretest_bus_fourphase_checker #(
    parameter PORT = "data"
) (
    input wire logic        clk_i,
    input wire logic        rst_i,
    input wire logic        rd_i,
    input wire logic        wr_i,
    input wire logic [ 3:0] be_i,
    input wire logic [31:0] addr_i,
    input wire logic [31:0] wdata_i,
    input wire logic        ack_i
);
    logic [63:0] cycle_q;
    logic        req_q, ack_q;
    logic [69:0] request_q;
    logic [69:0] request;
    logic        req;
    assign req = rd_i || wr_i;
    assign request = {rd_i, wr_i, wr_i ? be_i : 4'd0, addr_i, wr_i ? wdata_i : 32'd0};

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
            if (rd_i && wr_i) broken("rd and wr both up");
            else if (req_q && !ack_q && !req) broken("request dropped before ack");
            else if (req_q && req && request != request_q)
                broken("address, byte enables or data changed while the request was up");
            else if (!req_q && req && ack_i) broken("request raised before ack fell");
            req_q <= req;
            ack_q <= ack_i;
            request_q <= request;
        end
    end
endmodule
`default_nettype wire
