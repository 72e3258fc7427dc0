// Execute stage: the ALU and shifter (addu, slt, sra, ... are computed here), the signed
// overflow and address-alignment checks, branch and jump resolution, the link address, and the
// start of multiply/divide and mthi/mtlo in the muldiv unit, and the coprocessor instructions:
// mfc0 reads coprocessor 0 here (its result then forwards like any other), mtc0 and rfe are
// sent to mips_cp0 as they leave EX, so an mfc0 right behind them reads the new value. A
// coprocessor instruction whose coprocessor is not usable (its CU bit clear, and for
// coprocessor 0 also user mode) traps instead. The exception code of every trap is settled
// here (one raised earlier first, then coprocessor unusable, overflow, address error). Fills
// the EX/MEM register.
// Hazards handled here: every source operand (ALU, address, store data, branch compare, jr
// target, mthi/mtlo value, multiply/divide operands) passes the same forwarding mux, whose
// select the hazard unit decides. A taken branch is reported to the hazard unit, which squashes
// the fetch behind the delay slot. Each instruction leaving EX for MEM gets its retirement
// sequence number here: from then on it retires, possibly as a trap.
`default_nettype none

module mips_ex_stage
    import mips_pkg::*;
(
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    input  wire logic        freeze_i,
    input  wire logic        exc_flush_i,    // the instruction in MEM traps: this one is dropped
    input  wire logic        bug_link_pc_plus_4_i,
    input  wire logic        bug_sra_zero_fill_i,
    input  wire logic        bug_slt_unsigned_i,
    input  wire logic        bug_delay_slot_store_dropped_i,
    // The register numbers are for the hazard unit, which reads ID/EX too.
    /* verilator lint_off UNUSEDSIGNAL */
    input  wire id_ex_t      id_ex_i,
    /* verilator lint_on UNUSEDSIGNAL */
    // forwarding
    input  wire fwd_sel_e    fwd_rs_i,
    input  wire fwd_sel_e    fwd_rt_i,
    input  wire logic [31:0] mem_result_i,   // the result of the instruction in MEM
    input  wire logic [31:0] wb_result_i,    // the value the instruction in WB writes
    // HI and LO as the muldiv unit holds them
    input  wire logic [31:0] hi_i,
    input  wire logic [31:0] lo_i,
    input  wire cp0_regs_t   cp0_i,          // coprocessor 0 as it is this cycle
    output branch_t          branch_o,
    output md_cmd_t          md_cmd_o,
    output cp0_cmd_t         cp0_cmd_o,
    output ex_mem_t          ex_mem_o
);

    logic [31:0] seq_q;  // the number the next instruction leaving EX gets
    logic [31:0] a, b, rt_val, result, sum, diff;
    logic [4:0] shamt;
    logic a_neg, b_neg, sum_neg, diff_neg;
    logic overflow, misaligned, taken, advance, cop_usable, cop_trap;
    logic [31:0] cp0_value;
    logic [3:0] cu;  // Status.CU3-0
    ex_mem_t ex_mem_d;

    function automatic logic [31:0] forward(input fwd_sel_e sel, input logic [31:0] id_val,
                                            input logic [31:0] mem_val,
                                            input logic [31:0] wb_val);
        case (sel)
            FWD_MEM: return mem_val;
            FWD_WB: return wb_val;
            default: return id_val;
        endcase
    endfunction

    assign a = forward(fwd_rs_i, id_ex_i.rs_val, mem_result_i, wb_result_i);
    assign rt_val = forward(fwd_rt_i, id_ex_i.rt_val, mem_result_i, wb_result_i);
    assign b = id_ex_i.use_imm ? id_ex_i.imm : rt_val;
    assign shamt = id_ex_i.var_shift ? a[4:0] : id_ex_i.insn[10:6];
    assign sum = a + b;
    assign diff = a - b;
    assign a_neg = a[31];
    assign b_neg = b[31];
    assign sum_neg = sum[31];
    assign diff_neg = diff[31];

    // mfc0: the register rd; those the core lacks read 0.
    always @* begin
        case (id_ex_i.insn[15:11])
            CP0_BADVADDR: cp0_value = cp0_i.badvaddr;
            CP0_STATUS: cp0_value = cp0_i.status;
            CP0_CAUSE: cp0_value = cp0_i.cause;
            CP0_EPC: cp0_value = cp0_i.epc;
            CP0_PRID: cp0_value = PRID_VALUE;
            default: cp0_value = 32'd0;
        endcase
    end

    // A coprocessor is usable with its CU bit set; coprocessor 0 also in kernel mode.
    assign cu = cp0_i.status[STATUS_CU0+:4];
    assign cop_usable = cu[id_ex_i.cop_num] ||
        (id_ex_i.cop_num == 2'd0 && !cp0_i.status[STATUS_KUC]);
    assign cop_trap = id_ex_i.cop_op != COP_NONE && !cop_usable;

    // The ALU.
    always @* begin
        case (id_ex_i.alu_op)
            ALU_ADD: result = sum;
            ALU_SUB: result = diff;
            ALU_AND: result = a & b;
            ALU_OR: result = a | b;
            ALU_XOR: result = a ^ b;
            ALU_NOR: result = ~(a | b);
            ALU_SLT:
            result = {31'b0, bug_slt_unsigned_i ? a < b : $signed(a) < $signed(b)};
            ALU_SLTU: result = {31'b0, a < b};
            ALU_SLL: result = b << shamt;
            ALU_SRL: result = b >> shamt;
            ALU_SRA: result = bug_sra_zero_fill_i ? b >> shamt : $unsigned($signed(b) >>> shamt);
            ALU_PASS_B: result = b;
            ALU_LINK: result = id_ex_i.pc + (bug_link_pc_plus_4_i ? 32'd4 : 32'd8);
            ALU_MFHI: result = hi_i;
            ALU_MFLO: result = lo_i;
            ALU_MFC0: result = cp0_value;
            default: result = sum;
        endcase
    end

    // add, addi and sub trap when the signed result does not fit.
    always @* begin
        case (id_ex_i.alu_op)
            ALU_ADD: overflow = (a_neg == b_neg) && (sum_neg != a_neg);
            ALU_SUB: overflow = (a_neg != b_neg) && (diff_neg != a_neg);
            default: overflow = 1'b0;
        endcase
    end

    // Halfword and word accesses must be aligned to their size. (With delay-slot-store-dropped a
    // store in a taken branch's slot is dropped whole, its address check too; MEM drops the rest.)
    always @* begin
        case (id_ex_i.mem_op)
            MEM_LH, MEM_LHU, MEM_SH: misaligned = sum[0];
            MEM_LW, MEM_SW: misaligned = sum[1:0] != 2'b00;
            default: misaligned = 1'b0;
        endcase
        if (bug_delay_slot_store_dropped_i && id_ex_i.slot && is_store(id_ex_i.mem_op))
            misaligned = 1'b0;
    end

    // Branch and jump resolution; the delay slot in ID always goes on (see the hazard unit).
    always @* begin
        case (id_ex_i.br_op)
            BR_BEQ: taken = a == rt_val;
            BR_BNE: taken = a != rt_val;
            BR_BLEZ: taken = $signed(a) <= 0;
            BR_BGTZ: taken = $signed(a) > 0;
            BR_BLTZ: taken = a_neg;
            BR_BGEZ: taken = !a_neg;
            BR_J, BR_JR: taken = 1'b1;
            default: taken = 1'b0;
        endcase
        case (id_ex_i.br_op)
            BR_J: branch_o.target = {id_ex_i.pc[31:28], id_ex_i.insn[25:0], 2'b00};
            BR_JR: branch_o.target = a;
            default: branch_o.target = id_ex_i.pc + 32'd4 + {id_ex_i.imm[29:0], 2'b00};
        endcase
        branch_o.taken = id_ex_i.valid && taken;
    end

    assign advance = !freeze_i && !exc_flush_i && id_ex_i.valid;

    always @* begin
        md_cmd_o.start = advance && id_ex_i.md_op != MD_NONE;
        md_cmd_o.op = id_ex_i.md_op;
        md_cmd_o.a = a;
        md_cmd_o.b = rt_val;
        md_cmd_o.seq = seq_q;
    end

    // mtc0 and rfe act as they leave EX (an older instruction in MEM did not trap).
    always @* begin
        cp0_cmd_o.mtc0 = advance && id_ex_i.cop_op == COP_MTC0 && cop_usable;
        cp0_cmd_o.rfe = advance && id_ex_i.cop_op == COP_RFE && cop_usable;
        cp0_cmd_o.rd = id_ex_i.insn[15:11];
        cp0_cmd_o.value = rt_val;
    end

    // The next EX/MEM: what acts is cleared when nothing leaves EX.
    always @* begin
        ex_mem_d.valid = advance;
        ex_mem_d.pc = id_ex_i.pc;
        ex_mem_d.insn = id_ex_i.insn;
        ex_mem_d.seq = seq_q;
        ex_mem_d.result = id_ex_i.mem_op != MEM_NONE ? sum : result;
        ex_mem_d.rt_val = rt_val;
        ex_mem_d.slot = id_ex_i.slot;
        ex_mem_d.bd = id_ex_i.bd;
        // an address error's address: the pc for a fetch, else the data address
        ex_mem_d.badvaddr = id_ex_i.trap ? id_ex_i.pc : sum;
        ex_mem_d.exc_ce = cop_trap ? id_ex_i.cop_num : 2'd0;
        if (id_ex_i.trap) ex_mem_d.exc_code = id_ex_i.exc_code;
        else if (cop_trap) ex_mem_d.exc_code = EXC_CPU;
        else if (id_ex_i.ovf_trap && overflow) ex_mem_d.exc_code = EXC_OV;
        else if (misaligned) ex_mem_d.exc_code = is_store(id_ex_i.mem_op) ? EXC_ADES : EXC_ADEL;
        else ex_mem_d.exc_code = EXC_INT;
        if (advance) begin
            ex_mem_d.trap = id_ex_i.trap || cop_trap || (id_ex_i.ovf_trap && overflow) ||
                misaligned;
            ex_mem_d.mem_op = id_ex_i.mem_op;
            ex_mem_d.dest = id_ex_i.dest;
            ex_mem_d.reg_write = id_ex_i.reg_write;
            ex_mem_d.writes_hi = id_ex_i.md_op != MD_NONE && id_ex_i.md_op != MD_MTLO;
            ex_mem_d.writes_lo = id_ex_i.md_op != MD_NONE && id_ex_i.md_op != MD_MTHI;
        end else begin
            ex_mem_d.trap = 1'b0;
            ex_mem_d.mem_op = MEM_NONE;
            ex_mem_d.dest = 5'd0;
            ex_mem_d.reg_write = 1'b0;
            ex_mem_d.writes_hi = 1'b0;
            ex_mem_d.writes_lo = 1'b0;
        end
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            seq_q <= 32'd1;
            ex_mem_o <= '0;
        end else if (!freeze_i) begin
            if (advance) seq_q <= seq_q + 32'd1;
            ex_mem_o <= ex_mem_d;
        end
    end

endmodule
`default_nettype wire
