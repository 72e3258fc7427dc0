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
//   to the exception vector; this wins over a branch in EX (which is younger).
// Bug knobs decided here: fwd-ex-ex, fwd-mem-ex, no-load-interlock, hilo-no-interlock,
// branch-annuls-slot.
`default_nettype none

module hazard_unit
    import mips_pkg::*;
(
    input  logic        bug_fwd_ex_ex,
    input  logic        bug_fwd_mem_ex,
    input  logic        bug_no_load_interlock,
    input  logic        bug_hilo_no_interlock,
    input  logic        bug_branch_annuls_slot,
    // memory ports
    input  logic        i_req,
    input  logic        i_ready,
    input  logic        d_req,
    input  logic        d_ready,
    // the instruction in ID
    input  logic [ 4:0] id_rs,
    input  logic [ 4:0] id_rt,
    input  logic        id_reads_rs,
    input  logic        id_reads_rt,
    input  logic        id_reads_hilo,
    input  logic        id_uses_muldiv,
    // the instruction in EX
    input  logic        ex_valid,
    input  logic [ 4:0] ex_rs,
    input  logic [ 4:0] ex_rt,
    input  logic [ 3:0] ex_mem_op,
    input  logic [ 2:0] ex_md_op,
    input  logic [ 4:0] ex_dest,
    input  logic        ex_reg_write,
    input  logic        ex_branch_taken,
    input  logic [31:0] ex_branch_target,
    // the instruction in MEM
    input  logic        mem_valid,
    input  logic [ 3:0] mem_mem_op,
    input  logic [ 4:0] mem_dest,
    input  logic        mem_reg_write,
    input  logic        mem_exc,
    // the instruction in WB
    input  logic        wb_valid,
    input  logic [ 4:0] wb_dest,
    input  logic        wb_reg_write,
    // the multiply/divide unit
    input  logic        md_pending,
    // decisions
    output logic        freeze,
    output logic        stall_id,
    output logic        bubble_ex,      // ID/EX receives a bubble
    output logic        slot_taken,     // the instruction leaving ID is a taken branch's slot
    output logic        exc_flush,
    output logic        redirect,
    output logic [31:0] redirect_pc,
    output logic        flush_ifid,
    output logic        mark_slot,
    output logic [ 1:0] fwd_rs,
    output logic [ 1:0] fwd_rt
);

    logic ex_is_load, mem_is_load, ex_is_muldiv, load_use, hilo_wait, taken, annul;

    assign freeze = (i_req && !i_ready) || (d_req && !d_ready);

    // Forwarding into EX.
    assign mem_is_load = mem_mem_op != MEM_NONE && mem_mem_op < MEM_SB;

    function automatic logic [1:0] forward_from(input logic [4:0] src, input logic mem_ok,
                                                input logic [4:0] m_dest, input logic wb_ok,
                                                input logic [4:0] w_dest);
        if (src != 5'd0 && mem_ok && m_dest == src) return FWD_MEM;
        if (src != 5'd0 && wb_ok && w_dest == src) return FWD_WB;
        return FWD_NONE;
    endfunction

    logic mem_forwards, wb_forwards;
    assign mem_forwards = mem_valid && mem_reg_write && !mem_is_load && !bug_fwd_ex_ex;
    assign wb_forwards = wb_valid && wb_reg_write && !bug_fwd_mem_ex;
    assign fwd_rs = forward_from(ex_rs, mem_forwards, mem_dest, wb_forwards, wb_dest);
    assign fwd_rt = forward_from(ex_rt, mem_forwards, mem_dest, wb_forwards, wb_dest);

    // Stalls in ID.
    assign ex_is_load = ex_mem_op != MEM_NONE && ex_mem_op < MEM_SB;
    assign load_use = ex_valid && ex_is_load && ex_reg_write && !bug_no_load_interlock &&
        ((id_reads_rs && id_rs == ex_dest) || (id_reads_rt && id_rt == ex_dest));
    assign ex_is_muldiv = ex_valid && ex_md_op != MD_NONE && ex_md_op != MD_MTHI &&
        ex_md_op != MD_MTLO;
    assign hilo_wait = (ex_is_muldiv || md_pending) &&
        (id_uses_muldiv || (id_reads_hilo && !bug_hilo_no_interlock));
    assign stall_id = load_use || hilo_wait;

    // Exceptions, then branches and jumps.
    assign exc_flush = mem_exc && !freeze;
    assign taken = ex_branch_taken && !exc_flush;
    assign annul = taken && bug_branch_annuls_slot;
    assign redirect = exc_flush || taken;
    assign redirect_pc = exc_flush ? EXC_VECTOR : ex_branch_target;
    assign flush_ifid = exc_flush || (taken && (!stall_id || annul));
    assign mark_slot = taken && stall_id;
    assign bubble_ex = exc_flush || stall_id || annul;
    assign slot_taken = taken;

endmodule
