// Fetch stage: holds the PC, requests the instruction word on the instruction port and fills
// the IF/ID register. Reset starts at 0xbfc00000.
// - Memory wait states: while the pipeline is frozen nothing here moves; a word that arrives
//   while ID cannot take it (frozen by the data port, or ID stalled) is kept in a one-word hold
//   register so that the request is not repeated.
// - Redirects (taken branch or jump resolved in EX, exception in MEM) replace the PC and drop
//   the word being fetched; the IF/ID register is emptied or marked as the hazard unit says.
// - A PC that is not word-aligned is not fetched: the word enters ID as an address-error trap;
//   a bus error on the port enters ID as a bus-error trap.
`default_nettype none

module if_stage
    import mips_pkg::*;
(
    input  logic        clk,
    input  logic        rst,
    input  logic        freeze,         // a memory wait state: nothing moves
    input  logic        stall_id,       // ID keeps its instruction this cycle
    input  logic        redirect,       // fetch from redirect_pc next
    input  logic [31:0] redirect_pc,
    input  logic        flush_ifid,     // IF/ID becomes a bubble
    input  logic        mark_slot,      // IF/ID (kept) is the delay slot of a taken branch
    output logic        i_req,
    output logic [31:0] i_addr,
    input  logic        i_ready,
    input  logic [31:0] i_rdata,
    input  logic        i_err,
    output logic        ifid_valid_q,
    output logic [31:0] ifid_pc_q,
    output logic [31:0] ifid_insn_q,
    output logic        ifid_trap_q,    // fetch address or bus error
    output logic        ifid_slot_q     // in the delay slot of a taken branch or jump
);

    logic [31:0] pc_q;
    logic hold_q, hold_err_q;
    logic [31:0] hold_insn_q;
    logic misaligned;
    logic [31:0] fetched_insn;
    logic fetched_trap;

    assign misaligned = pc_q[1:0] != 2'b00;
    assign i_req = !hold_q && !misaligned;
    assign i_addr = pc_q;

    // The word this stage hands to ID; only used when not frozen, when it is always there.
    always_comb begin
        if (hold_q) begin
            fetched_insn = hold_insn_q;
            fetched_trap = hold_err_q;
        end else if (misaligned) begin
            fetched_insn = 32'b0;
            fetched_trap = 1'b1;
        end else begin
            fetched_insn = i_err ? 32'b0 : i_rdata;
            fetched_trap = i_err;
        end
    end

    always_ff @(posedge clk) begin
        if (rst) begin
            pc_q <= RESET_PC;
            hold_q <= 1'b0;
            hold_err_q <= 1'b0;
            hold_insn_q <= 32'b0;
        end else if (!freeze) begin
            if (redirect) begin
                pc_q <= redirect_pc;
                hold_q <= 1'b0;
            end else if (!stall_id) begin
                pc_q <= pc_q + 32'd4;
                hold_q <= 1'b0;
            end else if (i_req && i_ready) begin
                hold_q <= 1'b1;
                hold_insn_q <= i_rdata;
                hold_err_q <= i_err;
            end
        end else if (i_req && i_ready) begin
            hold_q <= 1'b1;
            hold_insn_q <= i_rdata;
            hold_err_q <= i_err;
        end
    end

    always_ff @(posedge clk) begin
        if (rst) begin
            ifid_valid_q <= 1'b0;
            ifid_pc_q <= 32'b0;
            ifid_insn_q <= 32'b0;
            ifid_trap_q <= 1'b0;
            ifid_slot_q <= 1'b0;
        end else if (!freeze) begin
            if (flush_ifid) begin
                ifid_valid_q <= 1'b0;
                ifid_insn_q <= 32'b0;
                ifid_trap_q <= 1'b0;
                ifid_slot_q <= 1'b0;
            end else if (!stall_id) begin
                ifid_valid_q <= 1'b1;
                ifid_pc_q <= pc_q;
                ifid_insn_q <= fetched_insn;
                ifid_trap_q <= fetched_trap;
                ifid_slot_q <= 1'b0;
            end else if (mark_slot) begin
                ifid_slot_q <= 1'b1;
            end
        end
    end

endmodule
