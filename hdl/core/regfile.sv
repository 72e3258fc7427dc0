// General register file: 32 registers of 32 bits, r0 reads as zero and is never written. Two
// read ports for ID and one write port from WB. Write-through: a register written by WB in this
// cycle reads as the new value in the same cycle, which covers the hazard of an instruction
// three behind a writer (ID reads while WB writes). The regfile-no-bypass knob removes the
// write-through, so such a reader sees the value before the write.
`default_nettype none

module regfile (
    input  logic        clk,
    input  logic        rst,
    input  logic        bug_no_bypass,
    input  logic [ 4:0] rs_addr,
    input  logic [ 4:0] rt_addr,
    output logic [31:0] rs_data,
    output logic [31:0] rt_data,
    input  logic        we,
    input  logic [ 4:0] waddr,
    input  logic [31:0] wdata
);

    logic [31:0] regs_q[32];

    always_ff @(posedge clk) begin
        if (rst) begin
            for (int r = 0; r < 32; r++) regs_q[r] <= 32'b0;
        end else if (we && waddr != 5'd0) begin
            regs_q[waddr] <= wdata;
        end
    end

    always_comb begin
        if (rs_addr == 5'd0) rs_data = 32'b0;
        else if (we && waddr == rs_addr && !bug_no_bypass) rs_data = wdata;
        else rs_data = regs_q[rs_addr];
        if (rt_addr == 5'd0) rt_data = 32'b0;
        else if (we && waddr == rt_addr && !bug_no_bypass) rt_data = wdata;
        else rt_data = regs_q[rt_addr];
    end

endmodule
