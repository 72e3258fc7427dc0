`default_nettype none
// The board around a core running the test ROM: the boot ROM (512 KiB window, loaded with
// $readmemh), 256 KiB of data RAM, the six board registers and the switch, behind separate
// instruction and data ports with a request/ready handshake.
//
// Address map as the core presents it (PHYSICAL = 0, virtual):
//   ROM 0xbfc00000-0xbfc7ffff (kseg1), RAM 0x80000000-0x8003ffff (kseg0), board page 0xfffff000
// With PHYSICAL = 1 the ROM answers at 0x1fc00000 and the RAM at 0x00000000; the board page stays.
//
// Board registers (word stores only; loads read the word): 0xfffff000 LED bank, ...004 lamp A, ...008 lamp B,
// ...010 display, 0xfffffff0 end mark, ...ff4 switch. All can be read; writes to the switch
// change nothing. A store into the ROM is refused (not performed) and reported; any other access
// that nothing answers completes with err set, raises bus_error_o and prints one line.
//
// Every display write and the verdict (at the end-mark write) are printed as they happen.
module coretest_board #(
    parameter              ROM_HEX  = "coretest.hex",  // plusarg +rom=FILE overrides
    parameter logic [31:0] SWITCH   = 32'd1,           // plusarg +switch=V (hex) overrides
    parameter int          LATENCY  = 0,               // wait states of every access
    parameter bit          PHYSICAL = 1'b0
) (
    input  wire logic        clk_i,
    input  wire logic        rst_i,
    // instruction port
    input  wire logic        i_req_i,
    input  wire logic [31:0] i_addr_i,
    output logic             i_ready_o,
    output logic      [31:0] i_rdata_o,
    output logic             i_err_o,
    // data port
    input  wire logic        d_req_i,
    input  wire logic        d_we_i,
    input  wire logic [ 3:0] d_be_i,
    input  wire logic [31:0] d_addr_i,
    input  wire logic [31:0] d_wdata_i,
    output logic             d_ready_o,
    output logic      [31:0] d_rdata_o,
    output logic             d_err_o,
    // what the harness watches
    output logic             bus_error_o,  // an access nothing answers completes this cycle
    output logic             end_mark_o,   // 0xff has been written to the end-mark register
    output logic      [31:0] display_o,
    output logic      [15:0] leds_o,
    output logic      [31:0] lamp_a_o,
    output logic      [31:0] lamp_b_o
);
    localparam logic [31:0] ROM_BASE = PHYSICAL ? 32'h1fc0_0000 : 32'hbfc0_0000;
    localparam logic [31:0] RAM_BASE = PHYSICAL ? 32'h0000_0000 : 32'h8000_0000;
    localparam int ROM_WORDS = 512 * 1024 / 4;
    localparam int RAM_WORDS = 256 * 1024 / 4;

    localparam logic [31:0] LED_BANK_REG = 32'hffff_f000;
    localparam logic [31:0] LAMP_A_REG = 32'hffff_f004;
    localparam logic [31:0] LAMP_B_REG = 32'hffff_f008;
    localparam logic [31:0] DISPLAY_REG = 32'hffff_f010;
    localparam logic [31:0] END_MARK_REG = 32'hffff_fff0;
    localparam logic [31:0] SWITCH_REG = 32'hffff_fff4;

    logic [31:0] rom[0:ROM_WORDS-1];
    logic [31:0] ram[0:RAM_WORDS-1];
    logic [31:0] switch_value;
    logic [31:0] led_q, lamp_a_q, lamp_b_q, display_q, end_mark_q;

    initial begin : load
        string rom_file;
        integer fd;
        rom_file = ROM_HEX;
        switch_value = SWITCH;
        if ($value$plusargs("rom=%s", rom_file)) begin end
        if ($value$plusargs("switch=%h", switch_value)) begin end
        for (int w = 0; w < RAM_WORDS; w++) ram[w] = '0;
        // $readmemh alone stops some simulators and only warns in others: check first.
        fd = $fopen(rom_file, "r");
        if (fd == 0) begin
            $display("coretest: ERROR cannot read the ROM file %s (+rom=FILE, one word per line)",
                     rom_file);
            $finish;
        end else begin
            $fclose(fd);
            $readmemh(rom_file, rom);
            if (PHYSICAL)
                $display("board: ROM %s, switch 0x%08h, %0d wait states, physical addresses",
                         rom_file, switch_value, LATENCY);
            else
                $display("board: ROM %s, switch 0x%08h, %0d wait states, virtual addresses",
                         rom_file, switch_value, LATENCY);
        end
    end

    // ---- address decoding ----
    function automatic logic in_rom(logic [31:0] addr);
        return (addr - ROM_BASE) < 32'(ROM_WORDS * 4);
    endfunction
    function automatic logic in_ram(logic [31:0] addr);
        return (addr - RAM_BASE) < 32'(RAM_WORDS * 4);
    endfunction
    function automatic logic [16:0] rom_index(logic [31:0] addr);
        return 17'((addr - ROM_BASE) >> 2);
    endfunction
    function automatic logic [15:0] ram_index(logic [31:0] addr);
        return 16'((addr - RAM_BASE) >> 2);
    endfunction
    function automatic logic is_register(logic [31:0] addr);
        return addr == LED_BANK_REG || addr == LAMP_A_REG || addr == LAMP_B_REG ||
               addr == DISPLAY_REG || addr == END_MARK_REG || addr == SWITCH_REG;
    endfunction

    // The memory words at both ports' addresses. Continuous assignments, not procedural reads:
    // a simulator may make a combinational block sensitive to every word of the array.
    logic [31:0] i_rom_word, i_ram_word, d_rom_word, d_ram_word;
    assign i_rom_word = rom[rom_index(i_addr_i)];
    assign i_ram_word = ram[ram_index(i_addr_i)];
    assign d_rom_word = rom[rom_index(d_addr_i)];
    assign d_ram_word = ram[ram_index(d_addr_i)];

    // ---- instruction port: ROM and RAM ----
    coretest_wait_states #(.LATENCY(LATENCY)) i_wait (.clk_i, .rst_i, .req_i(i_req_i), .ready_o(i_ready_o));

    always_comb begin
        i_err_o = !(in_rom(i_addr_i) || in_ram(i_addr_i));
        if (in_rom(i_addr_i)) i_rdata_o = i_rom_word;
        else if (in_ram(i_addr_i)) i_rdata_o = i_ram_word;
        else i_rdata_o = '0;
    end

    // ---- data port: ROM (read only), RAM, board registers ----
    coretest_wait_states #(.LATENCY(LATENCY)) d_wait (.clk_i, .rst_i, .req_i(d_req_i), .ready_o(d_ready_o));

    // An access to a board register: loads read the whole word (d_be_i describes stores only);
    // stores must write the whole word.
    logic d_register;
    assign d_register = is_register(d_addr_i) && (!d_we_i || d_be_i == 4'b1111);

    always_comb begin
        d_err_o = !(in_rom(d_addr_i) || in_ram(d_addr_i) || d_register);
        d_rdata_o = '0;
        if (in_rom(d_addr_i)) d_rdata_o = d_rom_word;
        else if (in_ram(d_addr_i)) d_rdata_o = d_ram_word;
        else if (d_register)
            case (d_addr_i)
                LED_BANK_REG: d_rdata_o = led_q;
                LAMP_A_REG: d_rdata_o = lamp_a_q;
                LAMP_B_REG: d_rdata_o = lamp_b_q;
                DISPLAY_REG: d_rdata_o = display_q;
                END_MARK_REG: d_rdata_o = end_mark_q;
                SWITCH_REG: d_rdata_o = switch_value;
                default: d_rdata_o = '0;
            endcase
    end

    logic store_done;  // a store completes at the end of this cycle
    assign store_done = d_req_i && d_ready_o && d_we_i && !d_err_o;

    always_ff @(posedge clk_i) begin
        if (store_done && in_ram(d_addr_i))
            for (int lane = 0; lane < 4; lane++)
                if (d_be_i[lane]) ram[ram_index(d_addr_i)][lane*8+:8] <= d_wdata_i[lane*8+:8];
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            led_q <= '0;
            lamp_a_q <= '0;
            lamp_b_q <= '0;
            display_q <= '0;
            end_mark_q <= '0;
        end else if (store_done && d_register) begin
            case (d_addr_i)
                LED_BANK_REG: led_q <= d_wdata_i;
                LAMP_A_REG: lamp_a_q <= d_wdata_i;
                LAMP_B_REG: lamp_b_q <= d_wdata_i;
                DISPLAY_REG: display_q <= d_wdata_i;
                END_MARK_REG: end_mark_q <= d_wdata_i;
                default: ;  // the switch is an input
            endcase
        end
    end

    assign bus_error_o = (i_req_i && i_ready_o && i_err_o) || (d_req_i && d_ready_o && d_err_o);
    assign end_mark_o = end_mark_q == 32'hff;
    assign display_o = display_q;
    assign leds_o = led_q[15:0];
    assign lamp_a_o = lamp_a_q;
    assign lamp_b_o = lamp_b_q;

    // ---- what the board prints (simulation only, hence not always_ff) ----
    always @(posedge clk_i) begin
        if (!rst_i) begin
            if (i_req_i && i_ready_o && i_err_o)
                $display("board: bus error: fetch from 0x%08h, which nothing answers", i_addr_i);
            if (d_req_i && d_ready_o && d_err_o && d_we_i)
                $display("board: bus error: store to 0x%08h (byte enables %b), which nothing answers",
                         d_addr_i, d_be_i);
            if (d_req_i && d_ready_o && d_err_o && !d_we_i)
                $display("board: bus error: load from 0x%08h, which nothing answers", d_addr_i);
            if (d_req_i && d_ready_o && d_we_i && in_rom(d_addr_i))
                $display("board fault: store of 0x%08h (byte enables %b) to the boot ROM at 0x%08h refused",
                         d_wdata_i, d_be_i, d_addr_i);
            if (store_done && d_register && d_addr_i == DISPLAY_REG)
                $display("display 0x%08h: routine %0d, %0d passed", d_wdata_i, d_wdata_i[31:24],
                         d_wdata_i[23:0]);
            if (store_done && d_register && d_addr_i == END_MARK_REG && d_wdata_i == 32'hff)
                $display("verdict: %s, %0d of 58 routines passed (LED bank 0x%04h, lamp A %0d, lamp B %0d, end mark 0xff)",
                         lamp_a_q == 32'd1 && lamp_b_q == 32'd1 ? "pass" : "FAIL",
                         display_q[23:0], led_q[15:0], lamp_a_q, lamp_b_q);
        end
    end
endmodule
`default_nettype wire
