// Writeback stage: writes the result of the instruction in MEM/WB to the register file and
// retires it, in program order, on the retirement interface (rv_*), announcing which writes
// belong to it, with the register write itself on the wg_* channel. HI/LO writes are reported
// by the muldiv unit and stores by the memory stage, each when it happens.
// The register file is written, and the instruction retired, only in the cycle the pipeline
// moves, so a memory wait state neither repeats a retirement nor changes what a reader in ID
// sees.
`default_nettype none

module wb_stage (
    input  logic        freeze,
    // MEM/WB
    input  logic        memwb_valid_q,
    input  logic [31:0] memwb_pc_q,
    input  logic [31:0] memwb_insn_q,
    input  logic [31:0] memwb_seq_q,
    input  logic [31:0] memwb_wdata_q,
    input  logic [ 4:0] memwb_dest_q,
    input  logic        memwb_reg_write_q,
    input  logic        memwb_writes_hi_q,
    input  logic        memwb_writes_lo_q,
    input  logic        memwb_wrote_mem_q,
    input  logic        memwb_trap_q,
    // register file write port
    output logic        rf_we,
    output logic [ 4:0] rf_waddr,
    output logic [31:0] rf_wdata,
    // retirement
    output logic        rv_valid,
    output logic [31:0] rv_seq,
    output logic [31:0] rv_pc,
    output logic [31:0] rv_insn,
    output logic        rv_gpr,
    output logic        rv_hi,
    output logic        rv_lo,
    output logic        rv_mem,
    output logic        rv_trap,
    output logic        wg_valid,
    output logic [31:0] wg_seq,
    output logic [ 4:0] wg_reg,
    output logic [31:0] wg_data
);

    logic retire;
    assign retire = memwb_valid_q && !freeze;

    assign rf_we = retire && memwb_reg_write_q;
    assign rf_waddr = memwb_dest_q;
    assign rf_wdata = memwb_wdata_q;

    assign rv_valid = retire;
    assign rv_seq = memwb_seq_q;
    assign rv_pc = memwb_pc_q;
    assign rv_insn = memwb_insn_q;
    assign rv_gpr = memwb_reg_write_q;
    assign rv_hi = memwb_writes_hi_q;
    assign rv_lo = memwb_writes_lo_q;
    assign rv_mem = memwb_wrote_mem_q;
    assign rv_trap = memwb_trap_q;

    assign wg_valid = rf_we;
    assign wg_seq = memwb_seq_q;
    assign wg_reg = memwb_dest_q;
    assign wg_data = memwb_wdata_q;

endmodule
