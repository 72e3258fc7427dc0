// Memory stage: performs the load or store of the instruction in EX/MEM on the data port (word
// address, byte enables and store data shifted to its byte lanes), picks and extends the loaded
// bytes (lwl and lwr merge them into the old register value), and takes exceptions: an
// instruction that arrives here with a trap, or whose access the board answers with a bus
// error, empties the younger stages (the hazard unit turns `exc_o` into the flush) and retires
// as a trap without writing anything. What exception entry writes into coprocessor 0 is made
// here (`entry_o`: the code, a data bus error's own; EPC, the instruction's pc or, in a delay
// slot, its branch's with BD; BadVAddr for an address error). Fills the MEM/WB register.
// Hazards handled here: a data access that completes while the pipeline is frozen by the
// instruction port is performed once; its answer is held until the pipeline moves.
// Bug knobs decided here: store-ignores-byte-enables, delay-slot-store-dropped, lb-zero-extends,
// sh-wrong-lane, lwl-no-merge, and three of exception entry: epc-at-delay-slot,
// badvaddr-aligned and status-not-pushed, which (as their faults on the reference core) touch
// the exceptions an instruction raises itself: a misaligned load or store, overflow, syscall,
// break, a reserved word; not a failed fetch, a bus error or coprocessor unusable.
`default_nettype none

module mips_mem_stage
    import mips_pkg::*;
    import coretest_pkg::*;
(
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    input  wire logic        freeze_i,
    input  wire logic        bug_store_ignores_byte_enables_i,
    input  wire logic        bug_delay_slot_store_dropped_i,
    input  wire logic        bug_lb_zero_extends_i,
    input  wire logic        bug_sh_wrong_lane_i,
    input  wire logic        bug_lwl_no_merge_i,
    input  wire logic        bug_epc_at_delay_slot_i,
    input  wire logic        bug_badvaddr_aligned_i,
    input  wire logic        bug_status_not_pushed_i,
    input  wire logic        exc_flush_i,  // the hazard unit takes the exception this cycle
    input  wire ex_mem_t     ex_mem_i,
    output coretest_mem_req_t dmem_req_o,  // data port
    input  wire coretest_mem_rsp_t dmem_rsp_i,
    output logic             exc_o,  // the instruction here traps (to the hazard unit)
    output exc_entry_t       entry_o,  // what exception entry writes (to coprocessor 0)
    output coretest_mem_write_t wm_o,  // a store completed on the board this cycle
    output mem_wb_t          mem_wb_o
);

    logic done_q, done_err_q;  // the access completed while the pipeline stayed frozen
    logic [31:0] done_rdata_q;
    logic load, store, access, completes, bus_err, own_exc;
    logic [1:0] offset;
    logic sh_half;  // the halfword sh writes (address bit 1)
    logic [31:0] word, load_value;
    mem_wb_t mem_wb_d;

    assign offset = ex_mem_i.result[1:0];
    assign sh_half = offset[1] ^ bug_sh_wrong_lane_i;
    assign load = is_load(ex_mem_i.mem_op);
    assign store = is_store(ex_mem_i.mem_op);
    // a trapping instruction makes no access; nor does the dropped delay-slot store
    assign access = ex_mem_i.valid && !ex_mem_i.trap && (load || (store &&
                    !(bug_delay_slot_store_dropped_i && ex_mem_i.slot)));

    // The request: the word address, and byte enables and store data on their lanes (lanes not
    // written are driven with zero).
    always @* begin
        dmem_req_o.req = access && !done_q;
        dmem_req_o.we = store;
        dmem_req_o.addr = {ex_mem_i.result[31:2], 2'b00};
        dmem_req_o.be = 4'b0000;
        dmem_req_o.wdata = 32'b0;
        case (ex_mem_i.mem_op)
            MEM_SB: begin
                dmem_req_o.be = 4'b0001 << offset;
                dmem_req_o.wdata = {24'b0, ex_mem_i.rt_val[7:0]} << {offset, 3'b000};
                if (bug_store_ignores_byte_enables_i) dmem_req_o.be = 4'b1111;
            end
            MEM_SH: begin
                dmem_req_o.be = sh_half ? 4'b1100 : 4'b0011;
                dmem_req_o.wdata = {16'b0, ex_mem_i.rt_val[15:0]} << {sh_half, 4'b0000};
                if (bug_store_ignores_byte_enables_i) dmem_req_o.be = 4'b1111;
            end
            MEM_SW: begin
                dmem_req_o.be = 4'b1111;
                dmem_req_o.wdata = ex_mem_i.rt_val;
            end
            MEM_SWL: begin  // the high bytes of rt to the bytes from the word's start to addr
                dmem_req_o.be = 4'b1111 >> (2'd3 - offset);
                dmem_req_o.wdata = ex_mem_i.rt_val >> {2'd3 - offset, 3'b000};
            end
            MEM_SWR: begin  // the low bytes of rt to the bytes from addr to the word's end
                dmem_req_o.be = 4'b1111 << offset;
                dmem_req_o.wdata = ex_mem_i.rt_val << {offset, 3'b000};
            end
            default: ;
        endcase
    end
    assign completes = dmem_req_o.req && dmem_rsp_i.ready;

    // The loaded word (this cycle's answer, or the one held) and the register value made of it.
    assign word = done_q ? done_rdata_q : dmem_rsp_i.rdata;
    assign bus_err = done_q ? done_err_q : completes && dmem_rsp_i.err;
    always @* begin
        case (ex_mem_i.mem_op)
            MEM_LB:
            load_value = {{24{word[8*offset+7] && !bug_lb_zero_extends_i}}, word[8*offset+:8]};
            MEM_LBU: load_value = {24'b0, word[8*offset+:8]};
            MEM_LH: load_value = {{16{word[16*offset[1]+15]}}, word[16*offset[1]+:16]};
            MEM_LHU: load_value = {16'b0, word[16*offset[1]+:16]};
            MEM_LWL:  // the low bytes up to addr become the register's high bytes
            load_value = (word << {2'd3 - offset, 3'b000}) | (bug_lwl_no_merge_i ? 32'd0 :
                ex_mem_i.rt_val & ~(32'hffff_ffff << {2'd3 - offset, 3'b000}));
            MEM_LWR:  // the bytes from addr up become the register's low bytes
            load_value = (word >> {offset, 3'b000}) |
                (ex_mem_i.rt_val & ~(32'hffff_ffff >> {offset, 3'b000}));
            default: load_value = word;
        endcase
    end

    assign exc_o = ex_mem_i.valid && (ex_mem_i.trap || bus_err);

    // An exception the instruction raises itself (see the knobs above).
    assign own_exc = ex_mem_i.trap && ex_mem_i.exc_code != EXC_IBE &&
        ex_mem_i.exc_code != EXC_CPU && !(ex_mem_i.exc_code == EXC_ADEL && !load);

    // Exception entry: taken when the hazard unit flushes for it (not during a wait state).
    always @* begin
        entry_o.take = exc_flush_i;
        entry_o.code = ex_mem_i.trap ? ex_mem_i.exc_code : EXC_DBE;
        entry_o.ce = ex_mem_i.exc_ce;
        entry_o.bd = ex_mem_i.bd;
        entry_o.epc = ex_mem_i.bd && !(bug_epc_at_delay_slot_i && own_exc) ?
            ex_mem_i.pc - 32'd4 : ex_mem_i.pc;
        entry_o.set_badvaddr = ex_mem_i.trap &&
            (ex_mem_i.exc_code == EXC_ADEL || ex_mem_i.exc_code == EXC_ADES);
        entry_o.badvaddr = entry_o.set_badvaddr ?
            ex_mem_i.badvaddr & ~{30'd0, {2{bug_badvaddr_aligned_i && own_exc}}} : 32'd0;
        entry_o.push = !(bug_status_not_pushed_i && own_exc);
    end

    always @* begin
        wm_o.valid = completes && dmem_req_o.we && !dmem_rsp_i.err;
        wm_o.seq = ex_mem_i.seq;
        wm_o.addr = dmem_req_o.addr;
        wm_o.be = dmem_req_o.be;
        wm_o.data = dmem_req_o.wdata;
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            done_q <= 1'b0;
            done_err_q <= 1'b0;
            done_rdata_q <= 32'b0;
        end else if (!freeze_i) begin
            done_q <= 1'b0;
        end else if (completes) begin
            done_q <= 1'b1;
            done_err_q <= dmem_rsp_i.err;
            done_rdata_q <= dmem_rsp_i.rdata;
        end
    end

    // The next MEM/WB: a trap writes nothing.
    always @* begin
        mem_wb_d.valid = ex_mem_i.valid;
        mem_wb_d.pc = ex_mem_i.pc;
        mem_wb_d.insn = ex_mem_i.insn;
        mem_wb_d.seq = ex_mem_i.seq;
        mem_wb_d.wdata = load ? load_value : ex_mem_i.result;
        mem_wb_d.dest = ex_mem_i.dest;
        mem_wb_d.reg_write = ex_mem_i.valid && ex_mem_i.reg_write && !exc_o;
        mem_wb_d.writes_hi = ex_mem_i.valid && ex_mem_i.writes_hi && !exc_o;
        mem_wb_d.writes_lo = ex_mem_i.valid && ex_mem_i.writes_lo && !exc_o;
        mem_wb_d.wrote_mem = access && store && !exc_o;
        mem_wb_d.trap = exc_o;
        mem_wb_d.exc_code = exc_o ? entry_o.code : EXC_INT;
        mem_wb_d.bd = entry_o.bd;
        mem_wb_d.epc = entry_o.epc;
        mem_wb_d.badvaddr = entry_o.badvaddr;
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) mem_wb_o <= '0;
        else if (!freeze_i) mem_wb_o <= mem_wb_d;
    end

endmodule
`default_nettype wire
