`default_nettype none
// Drives mips_cp0 alone through a script of mtc0, rfe and exception entries, and prints the four
// registers and the vector after each step, one line each ("<step> status cause epc badvaddr
// vector"), then "cp0_script_tb: done". +rfe_no_pop switches on that knob.
module cp0_script_tb;
    import mips_pkg::*;

    logic clk = 1'b0;
    always #5 clk = ~clk;

    logic rst;
    exc_entry_t entry;
    cp0_cmd_t cmd;
    cp0_regs_t regs;
    logic [31:0] vector;
    logic rfe_no_pop;

    mips_cp0 dut (
        .clk_i(clk), .rst_i(rst), .bug_rfe_no_pop_i(rfe_no_pop), .entry_i(entry), .cmd_i(cmd),
        .regs_o(regs), .vector_o(vector));

    task automatic show(string step);
        $display("%s %08h %08h %08h %08h %08h", step, regs.status, regs.cause, regs.epc,
                 regs.badvaddr, vector);
    endtask

    task automatic mtc0(logic [4:0] rd, logic [31:0] value);
        cmd = '0;
        cmd.mtc0 = 1'b1;
        cmd.rd = rd;
        cmd.value = value;
        @(posedge clk);
        #1 cmd = '0;
        show($sformatf("mtc0-%0d", rd));
    endtask

    task automatic rfe;
        cmd = '0;
        cmd.rfe = 1'b1;
        @(posedge clk);
        #1 cmd = '0;
        show("rfe");
    endtask

    task automatic enter(exc_code_e code, logic bd, logic [1:0] ce, logic [31:0] epc,
                         logic set_badvaddr, logic [31:0] badvaddr, logic push);
        entry = '0;
        entry.take = 1'b1;
        entry.code = code;
        entry.bd = bd;
        entry.ce = ce;
        entry.epc = epc;
        entry.set_badvaddr = set_badvaddr;
        entry.badvaddr = badvaddr;
        entry.push = push;
        @(posedge clk);
        #1 entry = '0;
        show($sformatf("enter-%0d", code));
    endtask

    initial begin
        entry = '0;
        cmd = '0;
        rfe_no_pop = $test$plusargs("rfe_no_pop");
        rst = 1'b1;
        @(posedge clk);
        #1 rst = 1'b0;
        show("reset");
        mtc0(CP0_STATUS, 32'hffff_ffff);  // only the writable bits stick
        mtc0(CP0_CAUSE, 32'hffff_ffff);   // only the software interrupt bits
        mtc0(CP0_EPC, 32'h1234_5678);     // read-only
        mtc0(CP0_BADVADDR, 32'h1234_5678);
        mtc0(CP0_STATUS, 32'h0040_0025);  // BEV, KU/IE old 10, previous 01, current 01
        enter(EXC_ADES, 1'b1, 2'd0, 32'hbfc0_1000, 1'b1, 32'h8000_0003, 1'b1);
        enter(EXC_CPU, 1'b0, 2'd3, 32'hbfc0_2000, 1'b0, 32'hffff_ffff, 1'b1);
        rfe();
        rfe();
        mtc0(CP0_STATUS, 32'h0000_0000);  // BEV clear: the vector in RAM
        enter(EXC_OV, 1'b0, 2'd0, 32'h8000_0100, 1'b0, 32'd0, 1'b0);  // no push
        $display("cp0_script_tb: done");
        $finish;
    end
endmodule
`default_nettype wire
