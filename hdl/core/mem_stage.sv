// Memory stage: performs the load or store of the instruction in EX/MEM on the data port (word
// address, byte enables and store data shifted to its byte lanes), picks and extends the loaded
// bytes (lwl and lwr merge them into the old register value), and takes exceptions: an
// instruction that arrives here with a trap, or whose access the board answers with a bus
// error, empties the younger stages (the hazard unit turns `exc` into the flush) and retires
// as a trap without writing anything. Fills the MEM/WB register.
// Hazards handled here: a data access that completes while the pipeline is frozen by the
// instruction port is performed once; its answer is held until the pipeline moves.
// Bug knobs decided here: store-ignores-byte-enables, delay-slot-store-dropped.
`default_nettype none

module mem_stage
    import mips_pkg::*;
(
    input  logic        clk,
    input  logic        rst,
    input  logic        freeze,
    input  logic        bug_store_ignores_byte_enables,
    input  logic        bug_delay_slot_store_dropped,
    // EX/MEM
    input  logic        exmem_valid_q,
    input  logic [31:0] exmem_pc_q,
    input  logic [31:0] exmem_insn_q,
    input  logic [31:0] exmem_seq_q,
    input  logic [31:0] exmem_result_q,
    input  logic [31:0] exmem_rt_val_q,
    input  logic [ 3:0] exmem_mem_op_q,
    input  logic [ 4:0] exmem_dest_q,
    input  logic        exmem_reg_write_q,
    input  logic        exmem_writes_hi_q,
    input  logic        exmem_writes_lo_q,
    input  logic        exmem_trap_q,
    input  logic        exmem_slot_q,
    // data port
    output logic        d_req,
    output logic        d_we,
    output logic [ 3:0] d_be,
    output logic [31:0] d_addr,
    output logic [31:0] d_wdata,
    input  logic        d_ready,
    input  logic [31:0] d_rdata,
    input  logic        d_err,
    // the instruction here traps (to the hazard unit)
    output logic        exc,
    // a store completed on the board this cycle
    output logic        wm_valid,
    output logic [31:0] wm_seq,
    output logic [31:0] wm_addr,
    output logic [ 3:0] wm_be,
    output logic [31:0] wm_data,
    // MEM/WB
    output logic        memwb_valid_q,
    output logic [31:0] memwb_pc_q,
    output logic [31:0] memwb_insn_q,
    output logic [31:0] memwb_seq_q,
    output logic [31:0] memwb_wdata_q,
    output logic [ 4:0] memwb_dest_q,
    output logic        memwb_reg_write_q,
    output logic        memwb_writes_hi_q,
    output logic        memwb_writes_lo_q,
    output logic        memwb_wrote_mem_q,
    output logic        memwb_trap_q
);

    logic done_q, done_err_q;  // the access completed while the pipeline stayed frozen
    logic [31:0] done_rdata_q;
    logic is_load, is_store, access, completes, bus_err;
    logic [1:0] offset;
    logic [31:0] word, load_value;

    assign offset = exmem_result_q[1:0];
    always_comb begin
        case (exmem_mem_op_q)
            MEM_LB, MEM_LBU, MEM_LH, MEM_LHU, MEM_LW, MEM_LWL, MEM_LWR: {is_load, is_store} = 2'b10;
            MEM_SB, MEM_SH, MEM_SW, MEM_SWL, MEM_SWR: {is_load, is_store} = 2'b01;
            default: {is_load, is_store} = 2'b00;
        endcase
    end
    // a trapping instruction makes no access; nor does the dropped delay-slot store
    assign access = exmem_valid_q && !exmem_trap_q && (is_load || (is_store &&
                    !(bug_delay_slot_store_dropped && exmem_slot_q)));

    assign d_req = access && !done_q;
    assign d_we = is_store;
    assign d_addr = {exmem_result_q[31:2], 2'b00};
    assign completes = d_req && d_ready;

    // Byte enables and store data on their lanes (lanes not written are driven with zero).
    always_comb begin
        d_be = 4'b0000;
        d_wdata = 32'b0;
        case (exmem_mem_op_q)
            MEM_SB: begin
                d_be = 4'b0001 << offset;
                d_wdata = {24'b0, exmem_rt_val_q[7:0]} << {offset, 3'b000};
                if (bug_store_ignores_byte_enables) d_be = 4'b1111;
            end
            MEM_SH: begin
                d_be = offset[1] ? 4'b1100 : 4'b0011;
                d_wdata = {16'b0, exmem_rt_val_q[15:0]} << {offset[1], 4'b0000};
                if (bug_store_ignores_byte_enables) d_be = 4'b1111;
            end
            MEM_SW: begin
                d_be = 4'b1111;
                d_wdata = exmem_rt_val_q;
            end
            MEM_SWL: begin  // the high bytes of rt to the bytes from the word's start to addr
                d_be = 4'b1111 >> (2'd3 - offset);
                d_wdata = exmem_rt_val_q >> {2'd3 - offset, 3'b000};
            end
            MEM_SWR: begin  // the low bytes of rt to the bytes from addr to the word's end
                d_be = 4'b1111 << offset;
                d_wdata = exmem_rt_val_q << {offset, 3'b000};
            end
            default: ;
        endcase
    end

    // The loaded word (this cycle's answer, or the one held) and the register value made of it.
    assign word = done_q ? done_rdata_q : d_rdata;
    assign bus_err = done_q ? done_err_q : completes && d_err;
    always_comb begin
        case (exmem_mem_op_q)
            MEM_LB: load_value = {{24{word[8*offset+7]}}, word[8*offset+:8]};
            MEM_LBU: load_value = {24'b0, word[8*offset+:8]};
            MEM_LH: load_value = {{16{word[16*offset[1]+15]}}, word[16*offset[1]+:16]};
            MEM_LHU: load_value = {16'b0, word[16*offset[1]+:16]};
            MEM_LWL:  // the low bytes up to addr become the register's high bytes
            load_value = (word << {2'd3 - offset, 3'b000}) |
                (exmem_rt_val_q & ~(32'hffff_ffff << {2'd3 - offset, 3'b000}));
            MEM_LWR:  // the bytes from addr up become the register's low bytes
            load_value = (word >> {offset, 3'b000}) |
                (exmem_rt_val_q & ~(32'hffff_ffff >> {offset, 3'b000}));
            default: load_value = word;
        endcase
    end

    assign exc = exmem_valid_q && (exmem_trap_q || bus_err);

    assign wm_valid = completes && d_we && !d_err;
    assign wm_seq = exmem_seq_q;
    assign wm_addr = d_addr;
    assign wm_be = d_be;
    assign wm_data = d_wdata;

    always_ff @(posedge clk) begin
        if (rst) begin
            done_q <= 1'b0;
            done_err_q <= 1'b0;
            done_rdata_q <= 32'b0;
        end else if (!freeze) begin
            done_q <= 1'b0;
        end else if (completes) begin
            done_q <= 1'b1;
            done_err_q <= d_err;
            done_rdata_q <= d_rdata;
        end
    end

    always_ff @(posedge clk) begin
        if (rst) begin
            memwb_valid_q <= 1'b0;
            memwb_pc_q <= 32'b0;
            memwb_insn_q <= 32'b0;
            memwb_seq_q <= 32'b0;
            memwb_wdata_q <= 32'b0;
            memwb_dest_q <= 5'd0;
            memwb_reg_write_q <= 1'b0;
            memwb_writes_hi_q <= 1'b0;
            memwb_writes_lo_q <= 1'b0;
            memwb_wrote_mem_q <= 1'b0;
            memwb_trap_q <= 1'b0;
        end else if (!freeze) begin
            memwb_valid_q <= exmem_valid_q;
            memwb_pc_q <= exmem_pc_q;
            memwb_insn_q <= exmem_insn_q;
            memwb_seq_q <= exmem_seq_q;
            memwb_wdata_q <= is_load ? load_value : exmem_result_q;
            memwb_dest_q <= exmem_dest_q;
            memwb_reg_write_q <= exmem_valid_q && exmem_reg_write_q && !exc;
            memwb_writes_hi_q <= exmem_valid_q && exmem_writes_hi_q && !exc;
            memwb_writes_lo_q <= exmem_valid_q && exmem_writes_lo_q && !exc;
            memwb_wrote_mem_q <= access && is_store && !exc;
            memwb_trap_q <= exc;
        end
    end

endmodule
