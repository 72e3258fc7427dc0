// Hazard unit: every stall, flush and forwarding decision of the pipeline, in one place.
// - Memory wait states: while either port waits for its ready, the whole pipeline freezes.
// - Forwarding into EX, per source operand: from the instruction in MEM (distance 1; not a
//   load, whose data only arrives in MEM), else from the instruction in WB (distance 2, load
//   data included), else the value ID read (the write-through register file covers distance 3).
// - Load-use interlock: an instruction in ID that reads the destination of a load in EX waits
//   one cycle in ID (a bubble goes to EX); it then gets the loaded value from WB.
// - HI/LO interlock: mfhi, mflo, mthi, mtlo, multiply and divide wait in ID while a multiply or
//   divide is in EX or the unit still has a result to come after this cycle.
// - Branch delay slot: a branch or jump resolved taken in EX redirects the fetch; its delay
//   slot, in ID, goes on to execute, and the instruction fetched behind it is squashed (one
//   bubble). If the slot is held in ID by a stall, it is marked as the slot of a taken branch.
// - Exceptions: an instruction in MEM that traps empties IF/ID, ID/EX and EX and sends the fetch
//   to the exception vector (Status.BEV chooses it, mips_cp0); this wins over a branch in EX
//   (which is younger). Coprocessor 0 needs no interlock: mfc0 reads it in EX and forwards
//   like an ALU result, mtc0 and rfe write it as they leave EX.
// Bug knobs decided here: fwd-ex-ex, fwd-mem-ex, no-load-interlock, hilo-no-interlock,
// branch-annuls-slot.
`default_nettype none

module mips_hazard_unit
    import mips_pkg::*;
(
    input  wire logic        clk_i,  // for the assertions only
    input  wire logic        rst_i,
    input  wire logic        bug_fwd_ex_ex_i,
    input  wire logic        bug_fwd_mem_ex_i,
    input  wire logic        bug_no_load_interlock_i,
    input  wire logic        bug_hilo_no_interlock_i,
    input  wire logic        bug_branch_annuls_slot_i,
    // memory ports
    input  wire logic        i_req_i,
    input  wire logic        i_ready_i,
    input  wire logic        d_req_i,
    input  wire logic        d_ready_i,
    // the instruction in ID, and the pipeline registers (only their control fields count here)
    input  wire id_reads_t   id_reads_i,
    /* verilator lint_off UNUSEDSIGNAL */
    input  wire id_ex_t      id_ex_i,
    input  wire ex_mem_t     ex_mem_i,
    input  wire mem_wb_t     mem_wb_i,
    /* verilator lint_on UNUSEDSIGNAL */
    input  wire branch_t     branch_i,   // resolved in EX
    input  wire logic        mem_exc_i,  // the instruction in MEM traps
    input  wire logic [31:0] exc_vector_i,
    input  wire logic        md_pending_i,
    // decisions
    output logic             freeze_o,
    output logic             stall_id_o,
    output logic             bubble_ex_o,   // ID/EX receives a bubble
    output logic             slot_taken_o,  // the instruction leaving ID is a taken branch's slot
    output logic             exc_flush_o,
    output logic             redirect_o,
    output logic      [31:0] redirect_pc_o,
    output logic             flush_ifid_o,
    output logic             mark_slot_o,
    output fwd_sel_e         fwd_rs_o,
    output fwd_sel_e         fwd_rt_o
);

    logic load_use, hilo_wait, hold_id, taken, annul, ex_is_muldiv;

    assign freeze_o = (i_req_i && !i_ready_i) || (d_req_i && !d_ready_i);

    // Forwarding into EX.
    function automatic fwd_sel_e forward_from(input logic [4:0] src, input logic mem_ok,
                                              input logic [4:0] m_dest, input logic wb_ok,
                                              input logic [4:0] w_dest);
        if (src != 5'd0 && mem_ok && m_dest == src) return FWD_MEM;
        if (src != 5'd0 && wb_ok && w_dest == src) return FWD_WB;
        return FWD_NONE;
    endfunction

    logic mem_forwards, wb_forwards;
    assign mem_forwards = ex_mem_i.valid && ex_mem_i.reg_write && !is_load(ex_mem_i.mem_op) &&
        !bug_fwd_ex_ex_i;
    assign wb_forwards = mem_wb_i.valid && mem_wb_i.reg_write && !bug_fwd_mem_ex_i;
    assign fwd_rs_o = forward_from(id_ex_i.rs, mem_forwards, ex_mem_i.dest, wb_forwards,
                                   mem_wb_i.dest);
    assign fwd_rt_o = forward_from(id_ex_i.rt, mem_forwards, ex_mem_i.dest, wb_forwards,
                                   mem_wb_i.dest);

    // Stalls in ID: the instruction there waits for a load's data or for HI/LO.
    assign load_use = id_ex_i.valid && is_load(id_ex_i.mem_op) && id_ex_i.reg_write &&
        !bug_no_load_interlock_i &&
        ((id_reads_i.reads_rs && id_reads_i.rs == id_ex_i.dest) ||
         (id_reads_i.reads_rt && id_reads_i.rt == id_ex_i.dest));
    assign ex_is_muldiv = id_ex_i.valid && is_muldiv(id_ex_i.md_op);
    assign hilo_wait = (ex_is_muldiv || md_pending_i) &&
        (id_reads_i.uses_muldiv || (id_reads_i.reads_hilo && !bug_hilo_no_interlock_i));
    assign hold_id = load_use || hilo_wait;

    // Exceptions, then branches and jumps. An IF/ID that is emptied is not also kept: the stall
    // only counts when the instruction in ID stays.
    assign exc_flush_o = mem_exc_i && !freeze_o;
    assign taken = branch_i.taken && !exc_flush_o;
    assign annul = taken && bug_branch_annuls_slot_i;
    assign redirect_o = exc_flush_o || taken;
    assign redirect_pc_o = exc_flush_o ? exc_vector_i : branch_i.target;
    assign flush_ifid_o = exc_flush_o || (taken && (!hold_id || annul));
    assign stall_id_o = hold_id && !flush_ifid_o;
    assign mark_slot_o = taken && stall_id_o;
    assign bubble_ex_o = exc_flush_o || stall_id_o || annul;
    assign slot_taken_o = taken;

`ifndef SYNTHESIS
    // The pipeline's invariants, in every cycle the pipeline moves.
    logic exc_flush_q;  // the last cycle the pipeline moved took an exception
    always @(posedge clk_i) begin
        if (rst_i) exc_flush_q <= 1'b0;
        else if (!freeze_o) exc_flush_q <= exc_flush_o;
        // An exception leaves the stages behind MEM empty: nothing younger goes on.
        if (!rst_i && exc_flush_q)
            assert (!id_ex_i.valid && !ex_mem_i.valid && !id_reads_i.reads_rs &&
                    !id_reads_i.reads_rt)
            else $error("an instruction younger than an exception survived its flush");
        if (!rst_i && !freeze_o) begin
            // Forwarding only from an instruction that writes the register (never a bubble).
            assert (fwd_rs_o != FWD_MEM || (ex_mem_i.valid && ex_mem_i.reg_write))
            else $error("rs forwarded from a bubble in MEM");
            assert (fwd_rt_o != FWD_MEM || (ex_mem_i.valid && ex_mem_i.reg_write))
            else $error("rt forwarded from a bubble in MEM");
            assert (fwd_rs_o != FWD_WB || (mem_wb_i.valid && mem_wb_i.reg_write))
            else $error("rs forwarded from a bubble in WB");
            assert (fwd_rt_o != FWD_WB || (mem_wb_i.valid && mem_wb_i.reg_write))
            else $error("rt forwarded from a bubble in WB");
            // A stage is either kept or emptied, never both.
            assert (!(stall_id_o && flush_ifid_o)) else $error("IF/ID stalled and flushed");
            assert (!(stall_id_o && exc_flush_o)) else $error("ID stalled during an exception");
            assert (!mark_slot_o || stall_id_o) else $error("a slot marked but not kept in ID");
            // A taken branch's redirect is exactly one of: flush the fetch behind the slot, or
            // keep the slot in ID and mark it.
            assert (!taken || (flush_ifid_o != mark_slot_o) || annul)
            else $error("a taken branch neither squashes nor marks");
        end
        if (!rst_i && freeze_o)
            assert (!exc_flush_o) else $error("an exception flush while frozen");
    end
`endif

endmodule
`default_nettype wire
