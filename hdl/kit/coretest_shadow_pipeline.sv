`default_nettype none
// The retirement interface (coretest_retirement_t) for a classic five-stage MIPS-I pipeline that
// has no retirement port: a shadow of the pipeline registers IF/ID, ID/EX, EX/MEM and MEM/WB
// (here ID, EX, MEM and WB) follows the core from outside, carrying for each stage a valid bit
// (a bubble is not a zeroed word: a zero word is a nop), the pc, the instruction word and, from
// MEM on, the program-order number seq.
//
// What the core tells it, per cycle (hierarchical taps into the core's stages are fine):
//   advance_X_i  pipeline register X takes the instruction of the stage before it (ID: the
//                fetched word on fetch_*); flush_X_i: it becomes a bubble (wins over advance).
//                Neither: it keeps its instruction. A stage that keeps its instruction while
//                the next one advances must flush the next one (a stall inserts a bubble);
//                the module says so once if it sees otherwise (a wiring mistake).
//   An instruction that enters MEM gets the next seq: from there on it retires, in order. An
//   exception taken in MEM does not drop it: trap_i marks it, and it retires writing nothing.
//   retire_i     the instruction in WB leaves the pipeline this cycle, with its register write
//                on wb_*: it retires (rv), with the write (wg) when wb_we_i and not r0.
//   store_i      the board completes a store of the instruction in MEM (addr, be, data as on
//                the data port); rv.mem tells whether its instruction stored.
//   HI and LO    hi_we_i/lo_we_i: the register is written at the end of this cycle; hi_i/lo_i
//                are the registers themselves, read one cycle later for the new value. A write
//                by the instruction leaving EX (mthi, mtlo, a one-cycle multiply) is tagged
//                with the seq it gets there; a late result of a multi-cycle unit
//                (hilo_late_i) with the seq saved when md_issue_i started it from EX.
// rv.hi and rv.lo are decoded from the instruction word (mult, multu, div, divu write both;
// mthi HI, mtlo LO), so a unit that never delivers is named by the tracer.
module coretest_shadow_pipeline
    import coretest_pkg::*;
(
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    // fetch tap: the word that enters ID when advance_id_i
    input  wire logic        fetch_valid_i,
    input  wire logic [31:0] fetch_pc_i,
    input  wire logic [31:0] fetch_insn_i,
    // the pipeline registers' moves
    input  wire logic        advance_id_i,
    input  wire logic        flush_id_i,
    input  wire logic        advance_ex_i,
    input  wire logic        flush_ex_i,
    input  wire logic        advance_mem_i,
    input  wire logic        flush_mem_i,
    input  wire logic        advance_wb_i,
    input  wire logic        trap_i,       // the instruction in MEM takes an exception
    input  wire logic        retire_i,     // the instruction in WB leaves the pipeline
    // write-back tap
    input  wire logic        wb_we_i,
    input  wire logic [ 4:0] wb_reg_i,
    input  wire logic [31:0] wb_data_i,
    // store tap (the data port)
    input  wire logic        store_i,
    input  wire logic [31:0] store_addr_i,
    input  wire logic [ 3:0] store_be_i,
    input  wire logic [31:0] store_data_i,
    // HI and LO
    input  wire logic        md_issue_i,   // a multi-cycle multiply or divide starts from EX
    input  wire logic        hi_we_i,
    input  wire logic        lo_we_i,
    input  wire logic        hilo_late_i,  // this cycle's HI/LO write is the multi-cycle result
    input  wire logic [31:0] hi_i,
    input  wire logic [31:0] lo_i,
    output coretest_retirement_t retirement_o
);
    typedef struct packed {
        logic        valid;
        logic [31:0] pc;
        logic [31:0] insn;
        logic [31:0] seq;     // from MEM on
        logic        stored;  // MEM, WB: the board completed its store
        logic        trap;    // WB: it took an exception in MEM
    } stage_t;

    stage_t id_q, ex_q, mem_q, wb_q;
    logic [31:0] next_seq_q;  // the seq of the next instruction to enter MEM
    logic [31:0] md_seq_q;    // the seq of the multi-cycle operation in flight
    logic hi_pending_q, lo_pending_q;
    logic [31:0] hilo_seq_q;

    // The stage before each register, as that register would take it.
    stage_t fetched, into_mem, into_wb;
    always @* begin
        fetched = '0;
        fetched.valid = fetch_valid_i;
        fetched.pc = fetch_pc_i;
        fetched.insn = fetch_insn_i;
        into_mem = ex_q;
        into_mem.seq = next_seq_q;
        into_mem.stored = 1'b0;
        into_wb = mem_q;
        into_wb.stored = mem_q.stored || store_i;
        into_wb.trap = trap_i;
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            id_q <= '0;
            ex_q <= '0;
            mem_q <= '0;
            wb_q <= '0;
            next_seq_q <= 32'd1;
            md_seq_q <= '0;
            hi_pending_q <= 1'b0;
            lo_pending_q <= 1'b0;
            hilo_seq_q <= '0;
        end else begin
            if (flush_id_i) id_q <= '0;
            else if (advance_id_i) id_q <= fetched;
            if (flush_ex_i) ex_q <= '0;
            else if (advance_ex_i) ex_q <= id_q;
            if (flush_mem_i) begin
                mem_q <= '0;
            end else if (advance_mem_i) begin
                mem_q <= into_mem;
                if (ex_q.valid) next_seq_q <= next_seq_q + 32'd1;
            end else if (store_i) begin
                mem_q.stored <= 1'b1;
            end
            if (advance_wb_i) wb_q <= into_wb;
            else if (retire_i) wb_q.valid <= 1'b0;
            if (md_issue_i) md_seq_q <= next_seq_q;
            hi_pending_q <= hi_we_i;
            lo_pending_q <= lo_we_i;
            hilo_seq_q <= hilo_late_i ? md_seq_q : next_seq_q;
        end
    end

`ifndef SYNTHESIS
    // A wiring check: an instruction taken by the next stage while its own stage keeps it would
    // run twice (the next stage needs a flush then). Said once, with the stage and the pc.
    logic told_q = 1'b0;
    always @(posedge clk_i) begin
        if (!rst_i && !told_q) begin
            if (id_q.valid && advance_ex_i && !flush_ex_i && !advance_id_i && !flush_id_i) begin
                $display("coretest_shadow_pipeline: pc %h taken by EX and kept in ID: connect the stall as flush_ex_i",
                         id_q.pc);
                told_q <= 1'b1;
            end
            if (ex_q.valid && advance_mem_i && !flush_mem_i && !advance_ex_i && !flush_ex_i) begin
                $display("coretest_shadow_pipeline: pc %h taken by MEM and kept in EX: connect the stall as flush_mem_i",
                         ex_q.pc);
                told_q <= 1'b1;
            end
            if (mem_q.valid && advance_wb_i && !advance_mem_i && !flush_mem_i) begin
                $display("coretest_shadow_pipeline: pc %h taken by WB and kept in MEM", mem_q.pc);
                told_q <= 1'b1;
            end
        end
    end
`endif

    // What an instruction word writes of HI and LO.
    function automatic logic [1:0] hilo_of(logic [5:0] opcode, logic [5:0] funct);  // {hi, lo}
        if (opcode != 6'h00) return 2'b00;
        case (funct)
            6'h18, 6'h19, 6'h1a, 6'h1b: return 2'b11;  // mult, multu, div, divu
            6'h11: return 2'b10;                       // mthi
            6'h13: return 2'b01;                       // mtlo
            default: return 2'b00;
        endcase
    endfunction

    coretest_retire_t rv;
    coretest_gpr_write_t wg;
    coretest_hilo_write_t wh, wl;
    coretest_mem_write_t wm;
    logic [1:0] hilo;
    logic retiring;
    assign hilo = hilo_of(wb_q.insn[31:26], wb_q.insn[5:0]);
    assign retiring = retire_i && wb_q.valid;

    always @* begin
        rv.valid = retiring;
        rv.seq = wb_q.seq;
        rv.pc = wb_q.pc;
        rv.insn = wb_q.insn;
        rv.trap = wb_q.trap;
        rv.exc_info = 1'b0;
        rv.exc_code = 5'd0;
        rv.epc = 32'd0;
        rv.badvaddr = 32'd0;
        rv.gpr = !wb_q.trap && wb_we_i && wb_reg_i != 5'd0;
        rv.hi = !wb_q.trap && hilo[1];
        rv.lo = !wb_q.trap && hilo[0];
        rv.mem = !wb_q.trap && wb_q.stored;

        wg.valid = retiring && rv.gpr;
        wg.seq = wb_q.seq;
        wg.regno = wb_reg_i;
        wg.data = wb_data_i;

        wh.valid = hi_pending_q;
        wh.seq = hilo_seq_q;
        wh.data = hi_i;
        wl.valid = lo_pending_q;
        wl.seq = hilo_seq_q;
        wl.data = lo_i;

        wm.valid = store_i;
        wm.seq = mem_q.seq;
        wm.addr = store_addr_i;
        wm.be = store_be_i;
        wm.data = store_data_i;
    end

    assign retirement_o.rv = rv;
    assign retirement_o.wg = wg;
    assign retirement_o.wh = wh;
    assign retirement_o.wl = wl;
    assign retirement_o.wm = wm;
endmodule
`default_nettype wire
