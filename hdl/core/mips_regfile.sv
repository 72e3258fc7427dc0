// General register file: 32 registers of 32 bits, r0 reads as zero and is never written. Two
// read ports for ID and one write port from WB. Write-through: a register written by WB in this
// cycle reads as the new value in the same cycle, which covers the hazard of an instruction
// three behind a writer (ID reads while WB writes). The regfile-no-bypass knob removes the
// write-through, so such a reader sees the value before the write.
`default_nettype none

module mips_regfile
    import mips_pkg::*;
(
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    input  wire logic        bug_no_bypass_i,
    input  wire logic [ 4:0] rs_addr_i,
    input  wire logic [ 4:0] rt_addr_i,
    output logic      [31:0] rs_data_o,
    output logic      [31:0] rt_data_o,
    input  wire rf_write_t   write_i
);

    logic [31:0] regs_q[32];
    logic we;
    logic [4:0] waddr;
    logic [31:0] wdata;

    assign we = write_i.we;
    assign waddr = write_i.addr;
    assign wdata = write_i.data;

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            for (int r = 0; r < 32; r++) regs_q[r] <= 32'b0;
        end else if (we && waddr != 5'd0) begin
            regs_q[waddr] <= wdata;
        end
    end

    // The stored words, read by continuous assignment: a combinational block that indexed the
    // array would be sensitive to all 32 registers in Icarus.
    logic [31:0] rs_stored, rt_stored;
    assign rs_stored = regs_q[rs_addr_i];
    assign rt_stored = regs_q[rt_addr_i];

    always @* begin
        if (rs_addr_i == 5'd0) rs_data_o = 32'b0;
        else if (we && waddr == rs_addr_i && !bug_no_bypass_i) rs_data_o = wdata;
        else rs_data_o = rs_stored;
        if (rt_addr_i == 5'd0) rt_data_o = 32'b0;
        else if (we && waddr == rt_addr_i && !bug_no_bypass_i) rt_data_o = wdata;
        else rt_data_o = rt_stored;
    end

endmodule
`default_nettype wire
