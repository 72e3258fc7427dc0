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

module mips_if_stage
    import mips_pkg::*;
    import coretest_pkg::*;
(
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    input  wire logic        freeze_i,       // a memory wait state: nothing moves
    input  wire logic        stall_id_i,     // ID keeps its instruction this cycle
    input  wire logic        redirect_i,     // fetch from redirect_pc_i next
    input  wire logic [31:0] redirect_pc_i,
    input  wire logic        flush_ifid_i,   // IF/ID becomes a bubble
    input  wire logic        mark_slot_i,    // IF/ID (kept) is the delay slot of a taken branch
    output mips_imem_req_t   imem_req_o,     // instruction port
    input  wire coretest_mem_rsp_t imem_rsp_i,
    output if_id_t           if_id_o
);

    logic [31:0] pc_q;
    logic hold_q, hold_err_q;
    logic [31:0] hold_insn_q;
    logic misaligned;
    logic [31:0] fetched_insn;
    logic fetched_trap;
    logic fetch_done;  // the board answers this cycle's request

    assign misaligned = pc_q[1:0] != 2'b00;
    assign imem_req_o.req = !hold_q && !misaligned;
    assign imem_req_o.addr = pc_q;
    assign fetch_done = imem_req_o.req && imem_rsp_i.ready;

    // The word this stage hands to ID; only used when not frozen, when it is always there.
    always @* begin
        if (hold_q) begin
            fetched_insn = hold_insn_q;
            fetched_trap = hold_err_q;
        end else if (misaligned) begin
            fetched_insn = 32'b0;
            fetched_trap = 1'b1;
        end else begin
            fetched_insn = imem_rsp_i.err ? 32'b0 : imem_rsp_i.rdata;
            fetched_trap = imem_rsp_i.err;
        end
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            pc_q <= RESET_PC;
            hold_q <= 1'b0;
            hold_err_q <= 1'b0;
            hold_insn_q <= 32'b0;
        end else if (!freeze_i) begin
            if (redirect_i) begin
                pc_q <= redirect_pc_i;
                hold_q <= 1'b0;
            end else if (!stall_id_i) begin
                pc_q <= pc_q + 32'd4;
                hold_q <= 1'b0;
            end else if (fetch_done) begin
                hold_q <= 1'b1;
                hold_insn_q <= imem_rsp_i.rdata;
                hold_err_q <= imem_rsp_i.err;
            end
        end else if (fetch_done) begin
            hold_q <= 1'b1;
            hold_insn_q <= imem_rsp_i.rdata;
            hold_err_q <= imem_rsp_i.err;
        end
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            if_id_o <= '0;
        end else if (!freeze_i) begin
            if (flush_ifid_i) begin
                if_id_o.valid <= 1'b0;
                if_id_o.insn <= 32'b0;
                if_id_o.trap <= 1'b0;
                if_id_o.slot <= 1'b0;
            end else if (!stall_id_i) begin
                if_id_o.valid <= 1'b1;
                if_id_o.pc <= pc_q;
                if_id_o.insn <= fetched_insn;
                if_id_o.trap <= fetched_trap;
                if_id_o.slot <= 1'b0;
            end else if (mark_slot_i) begin
                if_id_o.slot <= 1'b1;
            end
        end
    end

`ifndef SYNTHESIS
    // The hazard unit never both keeps and empties IF/ID.
    always @(posedge clk_i) begin
        if (!rst_i && !freeze_i)
            assert (!(stall_id_i && flush_ifid_i))
            else $error("IF/ID is stalled and flushed in the same cycle");
    end
`endif

endmodule
`default_nettype wire
