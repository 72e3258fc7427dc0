// Multiply/divide unit: holds HI and LO. A multiply takes MULT_CYCLES (4) cycles counted from
// the one it spends in EX, adding one 32x8-bit partial product per cycle (the first in EX); a
// divide takes DIV_CYCLES (33): its EX cycle, then 32 cycles of restoring division on the
// operands' magnitudes, one quotient bit per cycle, the last of which also gives quotient and
// remainder their signs. HI and LO are written at the end of the last cycle, and the write is
// reported (wh/wl) then, tagged with the instruction's sequence number: an instruction that
// reaches EX 4 (33) or more cycles after the multiply (divide) did sees the result.
// mthi and mtlo write HI or LO at the end of their EX cycle.
// Hazards: `pending_o` tells the hazard unit that a result is still to come after this cycle, so
// mfhi, mflo, mthi, mtlo and a new multiply or divide wait in ID; in the last cycle they may go
// on, since they reach EX after HI and LO are written. The unit stands still while the
// pipeline is frozen, so its cycle counts are those of the pipeline.
// Division by zero gives LO all ones (1 for a negative signed dividend) and HI the dividend;
// 0x80000000 / -1 gives LO 0x80000000 and HI 0. Bug knob: div-remainder-sign.
`default_nettype none

module mips_muldiv
    import mips_pkg::*;
    import coretest_pkg::*;
(
    input  wire logic     clk_i,
    input  wire logic     rst_i,
    input  wire logic     freeze_i,
    input  wire logic     bug_div_remainder_sign_i,
    input  wire md_cmd_t  cmd_i,
    output logic   [31:0] hi_o,
    output logic   [31:0] lo_o,
    output logic          pending_o,
    // the writes of HI and LO, for the retirement interface
    output coretest_hilo_write_t wh_o,
    output coretest_hilo_write_t wl_o
);

    logic start;
    md_op_e op;
    logic [31:0] a, b, seq;
    assign start = cmd_i.start;
    assign op = cmd_i.op;
    assign a = cmd_i.a;
    assign b = cmd_i.b;
    assign seq = cmd_i.seq;

    logic [31:0] hi_q, lo_q, seq_q;
    logic [5:0] count_q;  // cycles left, 0 when idle
    logic is_div_q, neg_quot_q, neg_rem_q;
    logic [31:0] x_q;  // multiply: the multiplicand; divide: the divisor's magnitude
    logic [31:0] y_q;  // multiply: multiplier bytes still to add; divide: dividend bits, quotient
    logic [63:0] acc_q;  // multiply: the product so far; divide: the remainder in the low half
    logic [63:0] acc_d, product;
    logic [31:0] product_hi, product_lo;
    logic [31:0] y_d, quot, rem, a_mag, b_mag;
    logic [32:0] rem_shifted, trial;
    logic signed_op, finishing, mult_start, div_start;

    function automatic logic [31:0] magnitude(input logic [31:0] v, input logic take);
        return take && v[31] ? -v : v;
    endfunction

    assign signed_op = op == MD_MULT || op == MD_DIV;
    assign mult_start = start && (op == MD_MULT || op == MD_MULTU);
    assign div_start = start && (op == MD_DIV || op == MD_DIVU);
    assign finishing = count_q == 6'd1;
    assign a_mag = magnitude(a, signed_op);
    assign b_mag = magnitude(b, signed_op);
    assign pending_o = count_q > 6'd1;

    // One step: multiply adds the top byte's partial product to the product shifted by a byte;
    // divide shifts the next dividend bit into the remainder and subtracts the divisor if it fits.
    assign rem_shifted = {acc_q[31:0], y_q[31]};
    assign trial = rem_shifted - {1'b0, x_q};
    always @* begin
        if (is_div_q) begin
            if (!trial[32]) begin
                acc_d = {32'b0, trial[31:0]};
                y_d = {y_q[30:0], 1'b1};
            end else begin
                acc_d = {32'b0, rem_shifted[31:0]};
                y_d = {y_q[30:0], 1'b0};
            end
        end else begin
            acc_d = (acc_q << 8) + {32'b0, x_q} * {56'b0, y_q[31:24]};
            y_d = {y_q[23:0], 8'b0};
        end
    end

    // The signed results from the magnitudes.
    assign product = neg_quot_q ? -acc_d : acc_d;
    assign product_hi = product[63:32];
    assign product_lo = product[31:0];
    assign quot = neg_quot_q ? -y_d : y_d;
    assign rem = neg_rem_q ? -acc_d[31:0] : acc_d[31:0];

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            hi_q <= 32'b0;
            lo_q <= 32'b0;
            seq_q <= 32'b0;
            count_q <= 6'd0;
            is_div_q <= 1'b0;
            neg_quot_q <= 1'b0;
            neg_rem_q <= 1'b0;
            x_q <= 32'b0;
            y_q <= 32'b0;
            acc_q <= 64'b0;
        end else if (!freeze_i) begin
            if (mult_start || div_start) begin
                count_q <= (mult_start ? MULT_CYCLES : DIV_CYCLES) - 6'd1;
                seq_q <= seq;
                is_div_q <= div_start;
                neg_quot_q <= signed_op && (a[31] ^ b[31]);
                neg_rem_q <= signed_op && (bug_div_remainder_sign_i ? a[31] ^ b[31] : a[31]);
                if (div_start) begin
                    x_q <= b_mag;
                    y_q <= a_mag;
                    acc_q <= 64'b0;
                end else begin  // the first partial product, of the multiplier's top byte
                    x_q <= a_mag;
                    y_q <= {b_mag[23:0], 8'b0};
                    acc_q <= {32'b0, a_mag} * {56'b0, b_mag[31:24]};
                end
            end else if (count_q != 6'd0) begin
                count_q <= count_q - 6'd1;
                acc_q <= acc_d;
                y_q <= y_d;
            end
            if (start && op == MD_MTHI) hi_q <= a;
            if (start && op == MD_MTLO) lo_q <= a;
            if (finishing) begin
                hi_q <= wh_o.data;
                lo_q <= wl_o.data;
            end
        end
    end

    assign hi_o = hi_q;
    assign lo_o = lo_q;

    // Writes of HI and LO as they happen: the end of a multiply or divide, or mthi/mtlo.
    always @* begin
        wh_o.valid = 1'b0;
        wl_o.valid = 1'b0;
        wh_o.seq = seq_q;
        wl_o.seq = seq_q;
        if (is_div_q) begin
            wh_o.data = rem;
            wl_o.data = quot;
        end else begin
            wh_o.data = product_hi;
            wl_o.data = product_lo;
        end
        if (!freeze_i && finishing) begin
            wh_o.valid = 1'b1;
            wl_o.valid = 1'b1;
        end else if (!freeze_i && start && op == MD_MTHI) begin
            wh_o.valid = 1'b1;
            wh_o.seq = seq;
            wh_o.data = a;
        end else if (!freeze_i && start && op == MD_MTLO) begin
            wl_o.valid = 1'b1;
            wl_o.seq = seq;
            wl_o.data = a;
        end
    end

endmodule
`default_nettype wire
