`default_nettype none
// Checks a Wishbone B4 master beside coretest_bus_wb (same PIPELINED). At the first broken rule it
// prints one line and ends the run, before any verdict:
//   coretest: FAIL: Wishbone: STB without CYC at cycle 1234 (data port)
// Rules: STB without CYC; classic: STB dropped, or ADR/WE/SEL/DAT changed, before ACK or ERR;
// pipelined: STB dropped, or ADR/WE/SEL/DAT changed, while STALL held it; CYC dropped before every
// request taken had its ACK or ERR. Cycles count from the end of reset, as the monitor's do.
module coretest_bus_wb_checker #(
    parameter bit PIPELINED = 1'b0,
    parameter     PORT      = "data"
) (
    input wire logic        clk_i,
    input wire logic        rst_i,
    input wire logic        cyc_i,
    input wire logic        stb_i,
    input wire logic        we_i,
    input wire logic [ 3:0] sel_i,
    input wire logic [31:0] adr_i,
    input wire logic [31:0] dat_i,  // the master's write data
    input wire logic        ack_i,
    input wire logic        err_i,
    input wire logic        stall_i
);
    logic [63:0] cycle_q;
    logic [31:0] outstanding_q;  // pipelined: requests taken without their ACK or ERR yet
    logic        waiting_q;      // STB was up and not taken in the last cycle
    logic [68:0] request_q;      // what it offered
    logic [68:0] request;
    logic        taken, answered;
    assign request = {we_i, sel_i, adr_i, we_i ? dat_i : 32'd0};
    assign answered = ack_i || err_i;
    assign taken = cyc_i && stb_i && (PIPELINED ? !stall_i : answered);

    task automatic broken(string rule);
        $display("coretest: FAIL: Wishbone: %s at cycle %0d (%0s port)", rule, cycle_q, PORT);
        $finish;
    endtask

    always @(posedge clk_i) begin
        if (rst_i) begin
            cycle_q <= '0;
            outstanding_q <= '0;
            waiting_q <= 1'b0;
        end else begin
            cycle_q <= cycle_q + 64'd1;
            if (stb_i && !cyc_i) broken("STB without CYC");
            else if (PIPELINED && waiting_q && !stb_i) broken("STB dropped while STALL held it");
            else if (waiting_q && !stb_i) broken("STB dropped before ACK or ERR");
            else if (PIPELINED && waiting_q && request != request_q)
                broken("ADR/WE/SEL/DAT changed while STALL held STB");
            else if (waiting_q && request != request_q)
                broken("ADR/WE/SEL/DAT changed before ACK or ERR");
            else if (PIPELINED && !cyc_i && outstanding_q != 0)
                broken("CYC dropped before every request had its ACK or ERR");
            waiting_q <= cyc_i && stb_i && !taken;
            request_q <= request;
            if (PIPELINED) outstanding_q <= outstanding_q + 32'(taken) - 32'(answered && cyc_i);
        end
    end
endmodule
`default_nettype wire
