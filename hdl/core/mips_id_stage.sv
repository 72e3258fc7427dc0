// Decode stage: decodes the instruction in IF/ID, reads its operands from the register file and
// fills the ID/EX register. The register file is read again in every cycle, also while the
// instruction waits here, so a stalled instruction picks up what WB writes meanwhile (and, with
// the write-through file, what WB writes in the cycle it leaves).
// The stall itself is decided in the hazard unit; here it only turns into a bubble sent to EX
// while IF/ID keeps its instruction. A fetch error decodes as a trap that does nothing else:
// an address error (ExcCode 4) for a pc that is not word-aligned, else a bus error (6).
// Cause.BD: an instruction is marked when the one that left ID before it (not counting
// bubbles) was a branch or jump, taken or not; an exception flush clears that memory, as the
// handler's first instruction follows no branch.
`default_nettype none

module mips_id_stage
    import mips_pkg::*;
(
    input  wire logic      clk_i,
    input  wire logic      rst_i,
    input  wire logic      freeze_i,
    input  wire logic      bubble_ex_i,    // EX receives no instruction (stall, annul, exception)
    input  wire logic      slot_taken_i,   // the instruction here is the slot of a taken branch
    input  wire logic      stall_id_i,     // the instruction here stays in ID
    input  wire logic      exc_flush_i,    // an exception empties the stages up to EX
    input  wire logic      bug_regfile_no_bypass_i,
    input  wire logic      bug_mtlo_mthi_read_rt_i,
    input  wire logic      bug_lui_low_half_i,
    input  wire logic      bug_syscall_break_swapped_i,
    input  wire if_id_t    if_id_i,
    input  wire rf_write_t rf_write_i,     // the register write from WB
    output id_reads_t      id_reads_o,     // what the hazard unit needs of the instruction here
    output id_ex_t         id_ex_o
);

    decoded_t dec;
    logic [31:0] rs_data, rt_data;
    id_ex_t id_ex_d;
    logic after_branch_q;  // the last instruction that left ID was a branch or jump

    // A word that failed to fetch is decoded as the nop that IF put in its place.
    mips_decoder u_decoder (
        .insn_i(if_id_i.insn),
        .bug_mtlo_mthi_read_rt_i,
        .bug_lui_low_half_i,
        .bug_syscall_break_swapped_i,
        .decoded_o(dec)
    );

    mips_regfile u_regfile (
        .clk_i,
        .rst_i,
        .bug_no_bypass_i(bug_regfile_no_bypass_i),
        .rs_addr_i(dec.rs),
        .rt_addr_i(dec.rt),
        .rs_data_o(rs_data),
        .rt_data_o(rt_data),
        .write_i(rf_write_i)
    );

    always @* begin
        id_reads_o.rs = dec.rs;
        id_reads_o.rt = dec.rt;
        id_reads_o.reads_rs = if_id_i.valid && dec.reads_rs;
        id_reads_o.reads_rt = if_id_i.valid && dec.reads_rt;
        id_reads_o.reads_hilo = if_id_i.valid && dec.reads_hilo;
        id_reads_o.uses_muldiv = if_id_i.valid && dec.md_op != MD_NONE;
    end

    // The next ID/EX: the fields that act are cleared for a bubble; the rest only matter when
    // valid.
    always @* begin
        id_ex_d.valid = if_id_i.valid && !bubble_ex_i;
        id_ex_d.pc = if_id_i.pc;
        id_ex_d.insn = if_id_i.insn;
        id_ex_d.rs = dec.rs;
        id_ex_d.rt = dec.rt;
        id_ex_d.rs_val = rs_data;
        id_ex_d.rt_val = rt_data;
        id_ex_d.imm = dec.imm;
        id_ex_d.alu_op = dec.alu_op;
        id_ex_d.use_imm = dec.use_imm;
        id_ex_d.var_shift = dec.var_shift;
        id_ex_d.ovf_trap = dec.ovf_trap;
        id_ex_d.slot = if_id_i.slot || slot_taken_i;
        id_ex_d.bd = after_branch_q;
        id_ex_d.cop_num = dec.cop_num;
        if (if_id_i.trap) id_ex_d.exc_code = if_id_i.pc[1:0] != 2'b00 ? EXC_ADEL : EXC_IBE;
        else id_ex_d.exc_code = dec.exc_code;
        if (id_ex_d.valid) begin
            id_ex_d.mem_op = dec.mem_op;
            id_ex_d.br_op = dec.br_op;
            id_ex_d.md_op = dec.md_op;
            id_ex_d.cop_op = dec.cop_op;
            id_ex_d.dest = dec.dest;
            id_ex_d.reg_write = dec.reg_write;
            id_ex_d.trap = dec.trap || if_id_i.trap;
        end else begin
            id_ex_d.mem_op = MEM_NONE;
            id_ex_d.br_op = BR_NONE;
            id_ex_d.md_op = MD_NONE;
            id_ex_d.cop_op = COP_NONE;
            id_ex_d.dest = 5'd0;
            id_ex_d.reg_write = 1'b0;
            id_ex_d.trap = 1'b0;
        end
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) id_ex_o <= '0;
        else if (!freeze_i) id_ex_o <= id_ex_d;
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) after_branch_q <= 1'b0;
        else if (!freeze_i) begin
            if (exc_flush_i) after_branch_q <= 1'b0;
            else if (if_id_i.valid && !stall_id_i) after_branch_q <= dec.br_op != BR_NONE;
        end
    end

endmodule
`default_nettype wire
