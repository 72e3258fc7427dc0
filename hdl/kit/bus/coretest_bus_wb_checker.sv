`default_nettype none
// Checks a Wishbone B4 master beside coretest_bus_wb (same PIPELINED). At the first broken rule it
// prints one line and ends the run, before any verdict:
//   coretest: FAIL: Wishbone: STB without CYC at cycle 1234 (data port)
// Rules: STB without CYC; classic: STB dropped, or ADR/WE/SEL/DAT changed, before ACK or ERR;
// pipelined: STB dropped, or ADR/WE/SEL/DAT changed, while STALL held it; CYC dropped before every
// request taken had its ACK or ERR. Cycles count from the end of reset, as the monitor's do.
module coretest_bus_wb_checker
    import coretest_pkg::*;
#(
    parameter bit PIPELINED = 1'b0,
    parameter     PORT      = "data"
) (
    input wire logic             clk_i, rst_i,
    input wire coretest_wb_req_t wb_req_i,  // the master's side
    /* verilator lint_off UNUSEDSIGNAL */
    input wire coretest_wb_rsp_t wb_rsp_i   // the adapter's (its read data is not checked)
    /* verilator lint_on UNUSEDSIGNAL */
);
    logic [63:0] cycle_q;
    logic [31:0] outstanding_q;  // pipelined: requests taken without their ACK or ERR yet
    logic        waiting_q;      // STB was up and not taken in the last cycle
    logic [68:0] request_q;      // what it offered
    logic [68:0] request;
    logic        cyc, stb, taken, answered;
    assign {cyc, stb} = {wb_req_i.cyc, wb_req_i.stb};
    assign request = {wb_req_i.we, wb_req_i.sel, wb_req_i.adr, wb_req_i.we ? wb_req_i.dat : 32'd0};
    assign answered = wb_rsp_i.ack || wb_rsp_i.err;
    assign taken = cyc && stb && (PIPELINED ? !wb_rsp_i.stall : answered);

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
            if (stb && !cyc) broken("STB without CYC");
            else if (PIPELINED && waiting_q && !stb) broken("STB dropped while STALL held it");
            else if (waiting_q && !stb) broken("STB dropped before ACK or ERR");
            else if (PIPELINED && waiting_q && request != request_q)
                broken("ADR/WE/SEL/DAT changed while STALL held STB");
            else if (waiting_q && request != request_q)
                broken("ADR/WE/SEL/DAT changed before ACK or ERR");
            else if (PIPELINED && !cyc && outstanding_q != 0)
                broken("CYC dropped before every request had its ACK or ERR");
            waiting_q <= cyc && stb && !taken;
            request_q <= request;
            if (PIPELINED) outstanding_q <= outstanding_q + 32'(taken) - 32'(answered && cyc);
        end
    end
endmodule
`default_nettype wire
