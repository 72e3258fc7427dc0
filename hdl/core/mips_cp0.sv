// Coprocessor 0, the R3000 way without a TLB: Status, Cause, EPC and BadVAddr (PRId is the
// constant 0x230, read in EX). Two kinds of writers, never in the same cycle:
// - exception entry (from MEM, in the cycle the hazard unit flushes): Cause gets ExcCode, CE and
//   BD (its other bits stay), EPC the pc MEM chose, BadVAddr the address of an address error,
//   and the KU/IE stack of Status is pushed (current and previous pairs move up, current
//   becomes 0: kernel mode, interrupts off);
// - mtc0 and rfe as they leave EX (an exception flush stops them there): mtc0 writes Status's
//   writable bits and Cause's two software interrupt bits, and ignores the other registers; rfe
//   pops the stack (previous to current, old to previous, old kept).
// After reset Status holds BEV only: kernel mode, and exceptions go to 0xbfc00380; with BEV
// clear they go to 0x80000080 (`vector_o`). Interrupts are not taken.
// Bug knob decided here: rfe-no-pop (status-not-pushed is MEM's, in entry_i.push).
`default_nettype none

module mips_cp0
    import mips_pkg::*;
(
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    input  wire logic        bug_rfe_no_pop_i,
    input  wire exc_entry_t  entry_i,   // exception entry, from MEM
    input  wire cp0_cmd_t    cmd_i,     // mtc0 and rfe, from EX
    output cp0_regs_t        regs_o,
    output logic      [31:0] vector_o   // where the next exception goes
);

    logic [31:0] status_q, cause_q, epc_q, badvaddr_q;

    assign regs_o.status = status_q;
    assign regs_o.cause = cause_q;
    assign regs_o.epc = epc_q;
    assign regs_o.badvaddr = badvaddr_q;
    assign vector_o = status_q[STATUS_BEV] ? EXC_VECTOR : EXC_VECTOR_RAM;

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            status_q <= STATUS_RESET;
            cause_q <= 32'd0;
            epc_q <= 32'd0;
            badvaddr_q <= 32'd0;
        end else if (entry_i.take) begin
            cause_q <= (cause_q & ~CAUSE_SET_ON_ENTRY) | {entry_i.bd, 1'b0, entry_i.ce, 21'd0,
                                                          entry_i.code, 2'b00};
            epc_q <= entry_i.epc;
            if (entry_i.set_badvaddr) badvaddr_q <= entry_i.badvaddr;
            if (entry_i.push) status_q[5:0] <= {status_q[3:0], 2'b00};
        end else if (cmd_i.mtc0) begin
            if (cmd_i.rd == CP0_STATUS) status_q <= cmd_i.value & STATUS_WRITABLE;
            if (cmd_i.rd == CP0_CAUSE)
                cause_q <= (cause_q & ~CAUSE_WRITABLE) | (cmd_i.value & CAUSE_WRITABLE);
        end else if (cmd_i.rfe) begin
            if (!bug_rfe_no_pop_i) status_q[3:0] <= status_q[5:2];
        end
    end

`ifndef SYNTHESIS
    // Exception entry and an EX command never meet: the flush stops the instruction in EX.
    always @(posedge clk_i) begin
        if (!rst_i)
            assert (!(entry_i.take && (cmd_i.mtc0 || cmd_i.rfe)))
            else $error("an mtc0 or rfe leaves EX in the cycle of an exception entry");
    end
`endif

endmodule
`default_nettype wire
