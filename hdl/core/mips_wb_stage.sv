// Writeback stage: writes the result of the instruction in MEM/WB to the register file and
// retires it, in program order, on the retirement interface (rv), announcing which writes belong
// to it, with the register write itself on the wg channel. HI/LO writes are reported by the
// muldiv unit and stores by the memory stage, each when it happens. A trap retires with what
// exception entry left in coprocessor 0 (exc_info: the code, EPC, and BadVAddr for an address
// error).
// The register file is written, and the instruction retired, only in the cycle the pipeline
// moves, so a memory wait state neither repeats a retirement nor changes what a reader in ID
// sees.
`default_nettype none

module mips_wb_stage
    import mips_pkg::*;
    import coretest_pkg::*;
(
    input  wire logic           clk_i,  // for the assertions only
    input  wire logic           rst_i,
    input  wire logic           freeze_i,
    input  wire mem_wb_t        mem_wb_i,
    output rf_write_t           rf_write_o,
    output coretest_retire_t    rv_o,
    output coretest_gpr_write_t wg_o
);

    logic retire;
    assign retire = mem_wb_i.valid && !freeze_i;

    always @* begin
        rf_write_o.we = retire && mem_wb_i.reg_write;
        rf_write_o.addr = mem_wb_i.dest;
        rf_write_o.data = mem_wb_i.wdata;

        rv_o.valid = retire;
        rv_o.seq = mem_wb_i.seq;
        rv_o.pc = mem_wb_i.pc;
        rv_o.insn = mem_wb_i.insn;
        rv_o.gpr = mem_wb_i.reg_write;
        rv_o.hi = mem_wb_i.writes_hi;
        rv_o.lo = mem_wb_i.writes_lo;
        rv_o.mem = mem_wb_i.wrote_mem;
        rv_o.trap = mem_wb_i.trap;
        rv_o.exc_info = mem_wb_i.trap;
        rv_o.exc_code = mem_wb_i.trap ? mem_wb_i.exc_code : 5'd0;
        rv_o.epc = mem_wb_i.trap ? mem_wb_i.epc : 32'd0;
        rv_o.badvaddr = mem_wb_i.trap ? mem_wb_i.badvaddr : 32'd0;

        wg_o.valid = rf_write_o.we;
        wg_o.seq = mem_wb_i.seq;
        wg_o.regno = mem_wb_i.dest;
        wg_o.data = mem_wb_i.wdata;
    end

`ifndef SYNTHESIS
    // Every retiring instruction writes at most one register, never r0, and only if it did not
    // trap; instructions retire one by one in sequence order. A trap carries an exception code
    // and EPC holds its own pc or, after a branch (BD), the branch's; nothing else carries one.
    logic [31:0] last_seq_q;
    always @(posedge clk_i) begin
        if (rst_i) begin
            last_seq_q <= 32'd0;
        end else if (rv_o.valid) begin
            assert (rv_o.seq == last_seq_q + 32'd1)
            else $error("retirement of @%0d after @%0d", rv_o.seq, last_seq_q);
            assert (wg_o.valid == rv_o.gpr)
            else $error("@%0d announces %0d register writes and makes %0d", rv_o.seq, rv_o.gpr,
                        wg_o.valid);
            assert (!wg_o.valid || (wg_o.regno != 5'd0 && !rv_o.trap))
            else $error("@%0d writes r%0d (trap %0d)", rv_o.seq, wg_o.regno, rv_o.trap);
            assert (rv_o.trap == rv_o.exc_info && (rv_o.trap == (rv_o.exc_code != 5'd0)))
            else $error("@%0d trap %0d with exception code %0d", rv_o.seq, rv_o.trap,
                        rv_o.exc_code);
            assert (!rv_o.trap || rv_o.epc == rv_o.pc ||
                    (mem_wb_i.bd && rv_o.epc == rv_o.pc - 32'd4))
            else $error("@%0d at %08h with EPC %08h (BD %0d)", rv_o.seq, rv_o.pc, rv_o.epc,
                        mem_wb_i.bd);
            last_seq_q <= rv_o.seq;
        end else begin
            assert (!wg_o.valid) else $error("a register write without a retirement");
        end
    end
`endif

endmodule
`default_nettype wire
