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
//
// The ports' contract (docs/hdl-kit.md, "The data-port contract"): a request (req with addr and,
// on the data port, we, be, wdata) stays up and unchanged until the cycle ready is 1. rdata is
// valid in that cycle and, after a completed read, for as long as the core keeps the address and
// completes no other transfer. Outside that window rdata is poisoned (POISON = 1: X in a
// four-state simulator, CORETEST_READ_POISON in Verilator), so a core that takes read data
// late fails at once instead of passing by luck. A request withdrawn or changed before ready, an
// address that is not a word address or a request with unknown bits ends the run with one line
// "coretest: ERROR data port: ..." (or "instruction port") and a FAIL summary without a verdict.
//
// Byte order: the ROM file and the RAM hold the memory's bytes, the byte at the lowest address of
// a word in bits 7:0 (what `coretest export --format hex` writes). With BIG_ENDIAN = 1 the board
// presents each memory word to the core turned around (the byte at the lowest address in bits
// 31:24) and takes a store's lane n (be[n], wdata[8n+7:8n]) as the byte at addr + 3 - n. The board
// registers are numbers and are never turned around.
//
// The ROM file and the plusargs are checked before the run starts; bad input ends the run with one
// line "coretest: ERROR ..." and no summary.
module coretest_board
    import coretest_pkg::*;
#(
    parameter              ROM_HEX    = "coretest.hex",  // plusarg +rom=FILE overrides
    parameter logic [31:0] SWITCH     = 32'd1,           // plusarg +switch=V (hex) overrides
    parameter int          LATENCY    = 0,               // wait states of every access
    parameter bit          PHYSICAL   = 1'b0,
    parameter bit          BIG_ENDIAN = 1'b0,            // the core's byte order
    parameter bit          POISON     = 1'b1             // rdata outside its valid window
) (
    input  wire logic              clk_i,
    input  wire logic              rst_i,
    input  wire coretest_mem_req_t imem_req_i,   // instruction port: req and addr (we, be and
    output coretest_mem_rsp_t      imem_rsp_o,   // wdata are not read)
    input  wire coretest_mem_req_t dmem_req_i,   // data port
    output coretest_mem_rsp_t      dmem_rsp_o,
    // what the harness watches
    output logic                   bus_error_o,  // an access nothing answers completes this cycle
    output logic                   end_mark_o,   // 0xff has been written to the end-mark register
    output logic            [31:0] display_o,
    output logic            [15:0] leds_o,
    output logic            [31:0] lamp_a_o,
    output logic            [31:0] lamp_b_o
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

    int rom_file_top;  // the ROM words the file reaches, set by rom_file_problem

    // Why the ROM file cannot be loaded, or "" when $readmemh can read it into the ROM window:
    // hexadecimal words of at most 8 digits ('_' allowed), @ADDRESS, // and /* */ comments, and
    // at least one word. Checked character by character first, because $readmemh stops some
    // simulators at a bad character and loads garbage in others, and takes an empty file or a
    // folder without a word.
    function automatic string rom_file_problem(string file);
        integer fd, c, line, digits, chars;
        logic [31:0] value;  // of an @ADDRESS
        logic address, word_seen, bad;
        int next;  // the ROM word the next word of the file goes to
        string problem;
        problem = "";
        fd = $fopen({file, "/."}, "r");  // opens only when file is a folder
        if (fd != 0) begin
            $fclose(fd);
            problem = $sformatf("the ROM file %s is a folder (+rom=FILE: a $readmemh file, one word a line)",
                     file);
            return problem;
        end
        fd = $fopen(file, "r");
        if (fd == 0) begin
            problem = $sformatf("cannot read the ROM file %s (+rom=FILE, one word per line)", file);
            return problem;
        end
        line = 1;
        chars = 0;
        digits = 0;
        value = '0;
        address = 1'b0;
        word_seen = 1'b0;
        next = 0;
        rom_file_top = 0;
        bad = 1'b0;
        c = $fgetc(fd);
        // The common character (a digit of a word) takes the fewest tests: this loop reads the
        // whole ROM file in an interpreting simulator.
        while (!bad && (c != -1 || digits != 0 || address)) begin
            chars++;
            if ((c >= "0" && c <= "9") || (c >= "a" && c <= "f") || (c >= "A" && c <= "F")) begin
                digits++;
                if (address) begin
                    if (c <= "9") value = {value[27:0], 4'(c - "0")};
                    else if (c >= "a") value = {value[27:0], 4'(c - "a" + 10)};
                    else value = {value[27:0], 4'(c - "A" + 10)};
                end
                if (digits > 8) begin
                    bad = 1'b1;
                    problem = $sformatf("the ROM file %s, line %0d: a number longer than 8 hexadecimal digits",
                             file, line);
                end
            end else if (c == "_" && (digits != 0 || address)) begin
                // a separator inside a number
            end else if (c == " " || c == "\t" || c == "\n" || c == "\r" || c == -1 || c == "/" ||
                         c == "@") begin
                // The end of a number (if one was open), then what this character starts.
                if (address && digits == 0) begin
                    bad = 1'b1;
                    problem = $sformatf("the ROM file %s, line %0d: @ without an address", file, line);
                end else if (address) begin
                    next = value > 32'(ROM_WORDS) ? ROM_WORDS + 1 : int'(value);
                    address = 1'b0;
                end else if (digits != 0) begin
                    word_seen = 1'b1;
                    next++;
                    if (next > rom_file_top) rom_file_top = next;
                end
                if (!bad && next > ROM_WORDS) begin
                    bad = 1'b1;
                    problem = $sformatf("the ROM file %s, line %0d: beyond the ROM's %0d words (512 KiB)",
                                        file, line, ROM_WORDS);
                end
                digits = 0;
                value = '0;
                if (c == "\n") line++;
                if (c == "@") address = 1'b1;
                if (!bad && c == "/") begin
                    c = $fgetc(fd);
                    if (c == "/") begin
                        while (c != -1 && c != "\n") c = $fgetc(fd);
                        line++;
                    end else if (c == "*") begin
                        c = $fgetc(fd);
                        while (c != -1 && !(c == "*" && $fgetc(fd) == "/")) begin
                            if (c == "\n") line++;
                            c = $fgetc(fd);
                        end
                    end else begin
                        bad = 1'b1;
                        problem = $sformatf("the ROM file %s, line %0d: a '/' that starts no comment",
                                            file, line);
                    end
                end
            end else begin
                bad = 1'b1;
                problem = $sformatf("the ROM file %s, line %0d: byte 0x%02h is not a hexadecimal digit (a $readmemh file, one word a line)",
                                    file, line, c[7:0]);
            end
            if (!bad && chars > 64 * 1024 * 1024) begin
                bad = 1'b1;
                problem = $sformatf("the ROM file %s is longer than 64 MiB", file);
            end
            if (c != -1) c = $fgetc(fd);
        end
        $fclose(fd);
        if (problem == "" && !word_seen)
            problem = $sformatf("the ROM file %s holds no word (+rom=FILE: a $readmemh file, one word a line)",
                     file);
        return problem;
    endfunction

    // A plusarg's text is all hexadecimal digits, 1 to 8 of them.
    function automatic logic is_hex_word(string text);
        if (text.len() < 1 || text.len() > 8) return 1'b0;
        for (int k = 0; k < text.len(); k++)
            if (!((text[k] >= "0" && text[k] <= "9") || (text[k] >= "a" && text[k] <= "f") ||
                  (text[k] >= "A" && text[k] <= "F")))
                return 1'b0;
        return 1'b1;
    endfunction

    initial begin : load
        string rom_file, switch_text, problem;
        rom_file = ROM_HEX;
        switch_value = SWITCH;
        problem = "";
        if ($value$plusargs("rom=%s", rom_file)) begin end
        for (int w = 0; w < RAM_WORDS; w++) ram[w] = '0;
        if ($value$plusargs("switch=%s", switch_text)) begin
            if (!is_hex_word(switch_text))
                problem = $sformatf("+switch takes a hexadecimal word of 1 to 8 digits, not '%s'",
                                    switch_text);
            else if ($sscanf(switch_text, "%h", switch_value) != 1)
                problem = $sformatf("+switch: '%s' could not be read", switch_text);
        end
        if (problem == "" && rom_file == "") problem = "+rom= names no file (+rom=FILE, one word per line)";
        if (problem == "") problem = rom_file_problem(rom_file);
        if (problem != "") begin
            $display("coretest: ERROR %s", problem);
            $finish;
        end else begin
            // Up to the last word the file gives, so that a short file is no warning.
            $readmemh(rom_file, rom, 0, rom_file_top - 1);
            // One line each: a ?: between strings of different lengths is padded in some simulators.
            if (PHYSICAL && BIG_ENDIAN)
                $display("board: ROM %s, switch 0x%08h, %0d wait states, physical addresses, big-endian",
                         rom_file, switch_value, LATENCY);
            else if (PHYSICAL)
                $display("board: ROM %s, switch 0x%08h, %0d wait states, physical addresses",
                         rom_file, switch_value, LATENCY);
            else if (BIG_ENDIAN)
                $display("board: ROM %s, switch 0x%08h, %0d wait states, virtual addresses, big-endian",
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

    // A memory word as the core sees it: turned around for a big-endian core.
    function automatic logic [31:0] lanes(logic [31:0] word);
        return BIG_ENDIAN ? {word[7:0], word[15:8], word[23:16], word[31:24]} : word;
    endfunction

    // The memory words at both ports' addresses. Continuous assignments, not procedural reads:
    // a simulator may make a combinational block sensitive to every word of the array.
    logic [31:0] i_rom_word, i_ram_word, d_rom_word, d_ram_word;
    assign i_rom_word = rom[rom_index(imem_req_i.addr)];
    assign i_ram_word = ram[ram_index(imem_req_i.addr)];
    assign d_rom_word = rom[rom_index(dmem_req_i.addr)];
    assign d_ram_word = ram[ram_index(dmem_req_i.addr)];

    // Each port's ready (from its wait states) and bus error.
    logic i_ready, i_err, d_ready, d_err;

    // ---- when rdata is valid ----
    // In the cycle a read completes (req and ready), and after it while the core keeps the address
    // and completes no other transfer on that port: *_held_q marks a completed read whose address
    // has not changed since.
`ifdef VERILATOR
    localparam logic [31:0] POISON_WORD = CORETEST_READ_POISON;  // two-state: a word to spot
`else
    localparam logic [31:0] POISON_WORD = 'x;
`endif
    logic        i_held_q, d_held_q;
    logic [31:0] i_held_addr_q, d_held_addr_q;
    logic        i_rdata_valid, d_rdata_valid;
    assign i_rdata_valid = (imem_req_i.req && i_ready) ||
                           (i_held_q && imem_req_i.addr == i_held_addr_q);
    assign d_rdata_valid = (dmem_req_i.req && d_ready && !dmem_req_i.we) ||
                           (d_held_q && dmem_req_i.addr == d_held_addr_q);

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            i_held_q <= 1'b0;
            d_held_q <= 1'b0;
            i_held_addr_q <= '0;
            d_held_addr_q <= '0;
        end else begin
            if (imem_req_i.req && i_ready) begin
                i_held_q <= 1'b1;
                i_held_addr_q <= imem_req_i.addr;
            end else if (imem_req_i.addr != i_held_addr_q) begin
                i_held_q <= 1'b0;
            end
            if (dmem_req_i.req && d_ready) begin
                d_held_q <= !dmem_req_i.we;
                d_held_addr_q <= dmem_req_i.addr;
            end else if (dmem_req_i.addr != d_held_addr_q) begin
                d_held_q <= 1'b0;
            end
        end
    end

    // ---- instruction port: ROM and RAM ----
    coretest_wait_states #(.LATENCY(LATENCY)) i_wait (
        .clk_i, .rst_i, .req_i(imem_req_i.req), .ready_o(i_ready));
    assign i_err = !(in_rom(imem_req_i.addr) || in_ram(imem_req_i.addr));

    always @* begin
        imem_rsp_o.ready = i_ready;
        imem_rsp_o.err = i_err;
        if (POISON && !i_rdata_valid) imem_rsp_o.rdata = POISON_WORD;
        else if (in_rom(imem_req_i.addr)) imem_rsp_o.rdata = lanes(i_rom_word);
        else if (in_ram(imem_req_i.addr)) imem_rsp_o.rdata = lanes(i_ram_word);
        else imem_rsp_o.rdata = '0;
    end

    // ---- data port: ROM (read only), RAM, board registers ----
    coretest_wait_states #(.LATENCY(LATENCY)) d_wait (
        .clk_i, .rst_i, .req_i(dmem_req_i.req), .ready_o(d_ready));

    // An access to a board register: loads read the whole word (dmem_req_i.be describes stores only);
    // stores must write the whole word.
    logic d_register;
    assign d_register = is_register(dmem_req_i.addr) && (!dmem_req_i.we || dmem_req_i.be == 4'b1111);

    assign d_err = !(in_rom(dmem_req_i.addr) || in_ram(dmem_req_i.addr) || d_register);

    always @* begin
        dmem_rsp_o.ready = d_ready;
        dmem_rsp_o.err = d_err;
        dmem_rsp_o.rdata = '0;
        if (POISON && !d_rdata_valid) dmem_rsp_o.rdata = POISON_WORD;
        else if (in_rom(dmem_req_i.addr)) dmem_rsp_o.rdata = lanes(d_rom_word);
        else if (in_ram(dmem_req_i.addr)) dmem_rsp_o.rdata = lanes(d_ram_word);
        else if (d_register)
            case (dmem_req_i.addr)
                LED_BANK_REG: dmem_rsp_o.rdata = led_q;
                LAMP_A_REG: dmem_rsp_o.rdata = lamp_a_q;
                LAMP_B_REG: dmem_rsp_o.rdata = lamp_b_q;
                DISPLAY_REG: dmem_rsp_o.rdata = display_q;
                END_MARK_REG: dmem_rsp_o.rdata = end_mark_q;
                SWITCH_REG: dmem_rsp_o.rdata = switch_value;
                default: dmem_rsp_o.rdata = '0;
            endcase
    end

    logic store_done;  // a store completes at the end of this cycle
    assign store_done = dmem_req_i.req && d_ready && dmem_req_i.we && !d_err;

    // A store's lanes as memory bytes: lane n is the byte at addr + n, or addr + 3 - n for a
    // big-endian core.
    logic [ 3:0] mem_be;
    logic [31:0] mem_wdata;
    assign mem_be = BIG_ENDIAN ? {dmem_req_i.be[0], dmem_req_i.be[1], dmem_req_i.be[2], dmem_req_i.be[3]}
                               : dmem_req_i.be;
    assign mem_wdata = lanes(dmem_req_i.wdata);

    always_ff @(posedge clk_i) begin
        if (store_done && in_ram(dmem_req_i.addr))
            for (int lane = 0; lane < 4; lane++)
                if (mem_be[lane]) ram[ram_index(dmem_req_i.addr)][lane*8+:8] <= mem_wdata[lane*8+:8];
    end

    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            led_q <= '0;
            lamp_a_q <= '0;
            lamp_b_q <= '0;
            display_q <= '0;
            end_mark_q <= '0;
        end else if (store_done && d_register) begin
            case (dmem_req_i.addr)
                LED_BANK_REG: led_q <= dmem_req_i.wdata;
                LAMP_A_REG: lamp_a_q <= dmem_req_i.wdata;
                LAMP_B_REG: lamp_b_q <= dmem_req_i.wdata;
                DISPLAY_REG: display_q <= dmem_req_i.wdata;
                END_MARK_REG: end_mark_q <= dmem_req_i.wdata;
                default: ;  // the switch is an input
            endcase
        end
    end

    // ---- the ports' contract, checked (simulation only) ----
    // The previous cycle's request on each port, and whether it waited for ready.
    logic              i_waiting_q, d_waiting_q;
    coretest_mem_req_t i_req_q, d_req_q;
    logic       [63:0] cycles_q;
    always_ff @(posedge clk_i) begin
        if (rst_i) begin
            i_waiting_q <= 1'b0;
            d_waiting_q <= 1'b0;
            cycles_q <= '0;
        end else begin
            i_waiting_q <= imem_req_i.req && !i_ready;
            d_waiting_q <= dmem_req_i.req && !d_ready;
            cycles_q <= cycles_q + 64'd1;
        end
        i_req_q <= imem_req_i;
        d_req_q <= dmem_req_i;
    end

    function automatic logic [31:0] lane_mask(logic [3:0] be);
        return {{8{be[3]}}, {8{be[2]}}, {8{be[1]}}, {8{be[0]}}};
    endfunction

    // What breaks the contract this cycle, or "" (the first rule broken names it). r is this
    // cycle's request, r_q the last cycle's (whose req is in waiting); an instruction port's we,
    // be and wdata are not read.
    /* verilator lint_off UNUSEDSIGNAL */
    function automatic string port_problem(logic waiting, coretest_mem_req_t r,
                                           coretest_mem_req_t r_q, logic data_port);
    /* verilator lint_on UNUSEDSIGNAL */
        string p;
        logic we;
        we = data_port && r.we;
        p = "";
        if ($isunknown(r.req))
            p = "req has unknown bits (X or Z) after reset";
        else if (waiting && !r.req)
            p = $sformatf("the request for 0x%08h was withdrawn before ready (req must stay 1 until the cycle ready is 1)",
                     r_q.addr);
        else if (r.req && ($isunknown(r.addr) || (data_port && $isunknown(r.we))))
            p = $sformatf("a request with unknown bits in its address 0x%08h or we", r.addr);
        else if (waiting && r.addr != r_q.addr)
            p = $sformatf("the address changed from 0x%08h to 0x%08h before ready (a request stays unchanged until ready)",
                     r_q.addr, r.addr);
        else if (data_port && waiting && r.we != r_q.we)
            p = $sformatf("we changed from %0d to %0d at 0x%08h before ready (a request stays unchanged until ready)",
                     r_q.we, r.we, r.addr);
        else if (waiting && we && r.be != r_q.be)
            p = $sformatf("be changed from %b to %b in the store to 0x%08h before ready (a request stays unchanged until ready)",
                     r_q.be, r.be, r.addr);
        else if (waiting && we && ((r.wdata ^ r_q.wdata) & lane_mask(r.be)) != 32'b0)
            p = $sformatf("wdata changed from 0x%08h to 0x%08h in the store to 0x%08h before ready (a request stays unchanged until ready)",
                     r_q.wdata, r.wdata, r.addr);
        else if (r.req && r.addr[1:0] != 2'b00)
            p = $sformatf("address 0x%08h is not a word address (its low two bits must be 0; be selects the bytes)",
                     r.addr);
        else if (r.req && we && $isunknown(r.be))
            p = $sformatf("a store to 0x%08h with unknown bits in be", r.addr);
        return p;
    endfunction

    always @(posedge clk_i) begin : contract
        string i_problem, d_problem;
        if (!rst_i) begin
            i_problem = port_problem(i_waiting_q, imem_req_i, i_req_q, 1'b0);
            d_problem = port_problem(d_waiting_q, dmem_req_i, d_req_q, 1'b1);
            if (i_problem != "")
                $display("coretest: ERROR instruction port: %s, cycle %0d", i_problem, cycles_q);
            if (d_problem != "")
                $display("coretest: ERROR data port: %s, cycle %0d", d_problem, cycles_q);
            if (d_problem != "") begin
                $display("coretest: FAIL: no verdict: the core broke the data-port contract, display 0x%08h, %0d cycles",
                         display_q, cycles_q);
                $finish;
            end else if (i_problem != "") begin
                $display("coretest: FAIL: no verdict: the core broke the instruction-port contract, display 0x%08h, %0d cycles",
                         display_q, cycles_q);
                $finish;
            end
        end
    end

    assign bus_error_o = (imem_req_i.req && i_ready && i_err) || (dmem_req_i.req && d_ready && d_err);
    assign end_mark_o = end_mark_q == 32'hff;
    assign display_o = display_q;
    assign leds_o = led_q[15:0];
    assign lamp_a_o = lamp_a_q;
    assign lamp_b_o = lamp_b_q;

    // ---- what the board prints (simulation only, hence not always_ff) ----
    // The verdict line counts the image's routines, or a random program's checkpoints
    // (coretest_units_of; +routines=N and +checkpoints=N as the monitor takes them, which checks them).
    logic [7:0] first_routine_q;
    int         routines_arg, checkpoints_arg;
    initial begin
        if (!$value$plusargs("routines=%d", routines_arg)) routines_arg = 0;
        if (!$value$plusargs("checkpoints=%d", checkpoints_arg)) checkpoints_arg = 0;
    end
    always @(posedge clk_i) begin
        if (rst_i) begin
            first_routine_q <= 8'd0;
        end else begin
            if (store_done && d_register && dmem_req_i.addr == DISPLAY_REG &&
                first_routine_q == 8'd0)
                first_routine_q <= dmem_req_i.wdata[31:24];
            if (imem_req_i.req && i_ready && i_err)
                $display("board: bus error: fetch from 0x%08h, which nothing answers", imem_req_i.addr);
            if (dmem_req_i.req && d_ready && d_err && dmem_req_i.we)
                $display("board: bus error: store to 0x%08h (byte enables %b), which nothing answers",
                         dmem_req_i.addr, dmem_req_i.be);
            if (dmem_req_i.req && d_ready && d_err && !dmem_req_i.we)
                $display("board: bus error: load from 0x%08h, which nothing answers", dmem_req_i.addr);
            if (dmem_req_i.req && d_ready && dmem_req_i.we && in_rom(dmem_req_i.addr))
                $display("board fault: store of 0x%08h (byte enables %b) to the boot ROM at 0x%08h refused",
                         dmem_req_i.wdata, dmem_req_i.be, dmem_req_i.addr);
            if (store_done && d_register && dmem_req_i.addr == DISPLAY_REG)
                $display("display 0x%08h: %0s %0d, %0d passed", dmem_req_i.wdata,
                         checkpoints_arg > 0 ? "checkpoint" : "routine", dmem_req_i.wdata[31:24],
                         dmem_req_i.wdata[23:0]);
            if (store_done && d_register && dmem_req_i.addr == END_MARK_REG && dmem_req_i.wdata == 32'hff)
                $display("verdict: %s, %0d%0s passed (LED bank 0x%04h, lamp A %0d, lamp B %0d, end mark 0xff)",
                         lamp_a_q == 32'd1 && lamp_b_q == 32'd1 ? "pass" : "FAIL",
                         display_q[23:0], coretest_units_of(first_routine_q, routines_arg, checkpoints_arg), led_q[15:0],
                         lamp_a_q, lamp_b_q);
        end
    end
endmodule
`default_nettype wire
