`default_nettype none
// Drives mips_wb_stage with MEM/WB registers that break the retirement invariants its assertions
// guard, one fault per +scenario=NAME, and a correct sequence without one (+scenario=clean):
//   skip      @1 then @3 retires (a retirement lost)
//   r0        a register write to r0
//   trap      a trapping instruction that also writes a register
//   nocode    a trap without an exception code
//   epc       a trap after a branch (BD) whose EPC is 8 bytes before it instead of 4
// Each assertion that fires prints an error line; the testbench then prints "wb_assert_tb: done".
module wb_assert_tb;
    import mips_pkg::*;
    import coretest_pkg::*;

    logic clk = 1'b0;
    always #5 clk = ~clk;

    logic rst, freeze;
    mem_wb_t mem_wb;
    rf_write_t rf_write;
    coretest_retire_t rv;
    coretest_gpr_write_t wg;

    mips_wb_stage dut (
        .clk_i(clk), .rst_i(rst), .freeze_i(freeze), .mem_wb_i(mem_wb), .rf_write_o(rf_write),
        .rv_o(rv), .wg_o(wg));

    // One instruction in MEM/WB for one cycle; a trap with `code`, in a delay slot when `bd`,
    // with EPC `epc_back` bytes before its pc.
    task automatic retire_as(int seq, logic [4:0] dest, logic reg_write, logic trap,
                             exc_code_e code, logic bd, logic [31:0] epc_back);
        mem_wb = '0;
        mem_wb.valid = 1'b1;
        mem_wb.seq = seq;
        mem_wb.pc = 32'hbfc00000 + 32'(seq * 4);
        mem_wb.dest = dest;
        mem_wb.reg_write = reg_write;
        mem_wb.wdata = 32'h1234;
        mem_wb.trap = trap;
        mem_wb.exc_code = code;
        mem_wb.bd = bd;
        mem_wb.epc = mem_wb.pc - epc_back;
        @(posedge clk);
        #1 mem_wb = '0;
    endtask

    task automatic retire(int seq, logic [4:0] dest, logic reg_write, logic trap);
        retire_as(seq, dest, reg_write, trap, trap ? EXC_RI : EXC_INT, 1'b0, 32'd0);
    endtask

    initial begin
        mem_wb = '0;
        freeze = 1'b0;
        rst = 1'b1;
        @(posedge clk);
        #1 rst = 1'b0;
        retire(1, 5'd2, 1'b1, 1'b0);
        if ($test$plusargs("scenario=skip")) begin
            retire(3, 5'd2, 1'b1, 1'b0);
        end else if ($test$plusargs("scenario=r0")) begin
            retire(2, 5'd0, 1'b1, 1'b0);
        end else if ($test$plusargs("scenario=trap")) begin
            retire(2, 5'd4, 1'b1, 1'b1);
        end else if ($test$plusargs("scenario=nocode")) begin
            retire_as(2, 5'd0, 1'b0, 1'b1, EXC_INT, 1'b0, 32'd0);
        end else if ($test$plusargs("scenario=epc")) begin
            retire_as(2, 5'd0, 1'b0, 1'b1, EXC_OV, 1'b1, 32'd8);
        end else begin
            retire(2, 5'd4, 1'b1, 1'b0);
            retire(3, 5'd0, 1'b0, 1'b1);  // a trap writes nothing
            retire_as(4, 5'd0, 1'b0, 1'b1, EXC_ADES, 1'b1, 32'd4);  // in a delay slot
            retire_as(5, 5'd0, 1'b0, 1'b1, EXC_SYS, 1'b1, 32'd0);  // its own pc, BD kept
            freeze = 1'b1;                // a wait state: nothing retires, nothing is written
            retire(6, 5'd31, 1'b1, 1'b0);
            freeze = 1'b0;
            retire(6, 5'd31, 1'b1, 1'b0);
        end
        repeat (2) @(posedge clk);
        $display("wb_assert_tb: done");
        $finish;
    end
endmodule
`default_nettype wire
