`default_nettype none
// Drives each bus checker of hdl/kit/bus with a master that breaks one rule, chosen by
// +rule=NAME, or with correct traffic on every bus (+rule=clean), and the pipelined adapter with
// more requests than it may hold (+rule=outstanding), and the Wishbone, AXI4-Lite and 4-phase
// adapters' answers, the bus error among them, from a scripted memory (+rule=errors). A checker
// that fires prints its line and ends the run; otherwise the testbench prints
// "bus_checker_tb: no violation". Every protocol is its two structs of coretest_pkg, as a master
// with loose signals would fill them field by field.
module bus_checker_tb
    import coretest_pkg::*;
;
    logic clk = 1'b0;
    always #5 clk = ~clk;
    logic rst;

    // ---- Wishbone, classic and pipelined: what the masters drive and the answers they get ----
    coretest_wb_req_t wb, wbp;
    coretest_wb_rsp_t wb_rsp, wbp_rsp;
    coretest_bus_wb_checker #(.PIPELINED(0), .PORT("instruction")) wb_classic (
        .clk_i(clk), .rst_i(rst), .wb_req_i(wb), .wb_rsp_i(wb_rsp));
    coretest_bus_wb_checker #(.PIPELINED(1)) wb_pipelined (
        .clk_i(clk), .rst_i(rst), .wb_req_i(wbp), .wb_rsp_i(wbp_rsp));

    // ---- AXI4-Lite ----
    coretest_axil_req_t axi;
    coretest_axil_rsp_t axi_rsp;
    coretest_bus_axil_checker axil (.clk_i(clk), .rst_i(rst), .axi_req_i(axi), .axi_rsp_i(axi_rsp));

    // ---- pipelined request/response: the checker, and the adapter on a scripted memory ----
    // The scripted memory behind the adapters: ready at once, data = ~address, a bus error above
    // 0x80000000.
    function automatic coretest_mem_rsp_t memory(coretest_mem_req_t r);
        return {r.req, ~r.addr, r.addr[31]};
    endfunction

    logic              valid, ready;
    logic       [31:0] addr;
    coretest_mem_req_t b;
    coretest_mem_rsp_t pipe_rsp;
    coretest_bus_hold_checker #(.PIPELINED(1'b1)) pipe_check (
        .clk_i(clk), .rst_i(rst), .req_i(coretest_fetch_req(valid, addr)), .ready_i(ready));
    coretest_bus_pipe #(.OUTSTANDING(2), .ADDR_WORDS(1)) pipe (
        .clk_i(clk), .rst_i(rst), .req_i(coretest_fetch_req(valid, addr)), .req_ready_o(ready),
        .rsp_o(pipe_rsp), .b_req_o(b), .b_rsp_i(memory(b)));

    // ---- 4-phase ----
    coretest_fourphase_req_t fp;
    coretest_fourphase_rsp_t fp_rsp;
    coretest_bus_fourphase_checker fourphase (
        .clk_i(clk), .rst_i(rst), .fourphase_req_i(fp), .fourphase_rsp_i(fp_rsp));

    // ---- request/ready ----
    logic        req, hready;
    logic [31:0] haddr;
    coretest_bus_hold_checker hold (
        .clk_i(clk), .rst_i(rst), .req_i(coretest_fetch_req(req, haddr)),
        .ready_i(hready));

    // ---- adapters on a scripted memory: ready at once, data = ~address, error at 0x8xxxxxxx ----
    // (Their masters: e_wb reads SEL 1111, x_axi writes WDATA 5 with WSTRB 0011, f_fp reads.)
    coretest_wb_req_t        e_wb;
    coretest_wb_rsp_t        e_wb_rsp;
    coretest_mem_req_t       wb_b;
    coretest_bus_wb #(.PIPELINED(0)) wb_adapter (
        .clk_i(clk), .rst_i(rst), .wb_req_i(e_wb), .wb_rsp_o(e_wb_rsp), .b_req_o(wb_b),
        .b_rsp_i(memory(wb_b)));

    coretest_axil_req_t      x_axi;
    coretest_axil_rsp_t      x_axi_rsp;
    coretest_mem_req_t       ax_b;
    coretest_bus_axil axil_adapter (
        .clk_i(clk), .rst_i(rst), .axi_req_i(x_axi), .axi_rsp_o(x_axi_rsp), .b_req_o(ax_b),
        .b_rsp_i(memory(ax_b)));

    coretest_fourphase_req_t f_fp;
    coretest_fourphase_rsp_t f_fp_rsp;
    coretest_mem_req_t       fp_b;
    coretest_bus_fourphase #(.ADDR_WORDS(1)) fourphase_adapter (
        .clk_i(clk), .rst_i(rst), .fourphase_req_i(f_fp), .fourphase_rsp_o(f_fp_rsp),
        .b_req_o(fp_b), .b_rsp_i(memory(fp_b)));

    // One Wishbone classic read, answered in its own cycle.
    task automatic wb_read(logic [31:0] a);
        {e_wb.cyc, e_wb.stb, e_wb.adr} = {1'b1, 1'b1, a};
        #1 $display("wishbone: read %08h: ack %b err %b data %08h", a, e_wb_rsp.ack, e_wb_rsp.err,
                    e_wb_rsp.dat);
        step();
        {e_wb.cyc, e_wb.stb} = '0;
    endtask

    // An AXI4-Lite write (AW, then W) and a read, each waiting for its response.
    task automatic axi_write(logic [31:0] a);
        {x_axi.awvalid, x_axi.awaddr, x_axi.bready} = {1'b1, a, 1'b1};
        while (!x_axi_rsp.awready) step();
        step();
        x_axi.awvalid = 1'b0;
        x_axi.wvalid = 1'b1;
        while (!x_axi_rsp.wready) step();
        step();
        x_axi.wvalid = 1'b0;
        while (!x_axi_rsp.bvalid) step();
        $display("axi4-lite: write %08h: bresp %b", a, x_axi_rsp.bresp);
        step();
        x_axi.bready = 1'b0;
    endtask
    task automatic axi_read(logic [31:0] a);
        {x_axi.arvalid, x_axi.araddr, x_axi.rready} = {1'b1, a, 1'b1};
        while (!x_axi_rsp.arready) step();
        step();
        x_axi.arvalid = 1'b0;
        while (!x_axi_rsp.rvalid) step();
        $display("axi4-lite: read %08h: rresp %b data %08h", a, x_axi_rsp.rresp, x_axi_rsp.rdata);
        step();
        x_axi.rready = 1'b0;
    endtask

    // A 4-phase read of a word address; the data is read after ack has fallen.
    task automatic fourphase_read(logic [31:0] a);
        {f_fp.rd, f_fp.addr} = {1'b1, a};
        while (!f_fp_rsp.ack) step();
        f_fp.rd = 1'b0;
        while (f_fp_rsp.ack) step();
        $display("4-phase: read word %08h: err %b data %08h", a, f_fp_rsp.err, f_fp_rsp.rdata);
    endtask

    task automatic step(int n = 1);
        repeat (n) @(posedge clk);
        #1;
    endtask

    int accepted, responses, cycle;
    always @(posedge clk) begin
        cycle <= rst ? 0 : cycle + 1;
        if (!rst && valid && ready) begin
            accepted <= accepted + 1;
            if ($test$plusargs("rule=outstanding"))
                $display("pipe: cycle %0d: took %08h", cycle, addr);
        end
        if (!rst && pipe_rsp.ready) begin
            responses <= responses + 1;
            $display("pipe: cycle %0d: response %08h err %b", cycle, pipe_rsp.rdata, pipe_rsp.err);
        end
    end

    initial begin
        {wb, wbp, wb_rsp, wbp_rsp, axi, axi_rsp, fp, fp_rsp} = '0;
        {valid, addr, req, hready, haddr} = '0;
        {e_wb, x_axi, f_fp} = '0;
        e_wb.sel = 4'b1111;
        {x_axi.wdata, x_axi.wstrb} = {32'h5, 4'b0011};
        f_fp.be = 4'b1111;
        accepted = 0;
        responses = 0;
        cycle = 0;
        rst = 1'b1;
        step(2);
        rst = 1'b0;
        step();  // cycle 1 from here
        // Wishbone classic
        if ($test$plusargs("rule=wb_stb_without_cyc")) begin
            wb.stb = 1'b1;
            step();
        end
        if ($test$plusargs("rule=wb_stb_dropped")) begin
            {wb.cyc, wb.stb, wb.adr} = {1'b1, 1'b1, 32'h100};
            step(2);
            wb.stb = 1'b0;
            step();
        end
        if ($test$plusargs("rule=wb_changed")) begin
            wb = {1'b1, 1'b1, 1'b1, 4'b0011, 32'h100, 32'h1234};  // cyc stb we sel adr dat
            step();
            wb.dat = 32'h4321;
            step();
        end
        // Wishbone pipelined
        if ($test$plusargs("rule=wbp_stb_dropped")) begin
            {wbp.cyc, wbp.stb, wbp_rsp.stall, wbp.adr} = {1'b1, 1'b1, 1'b1, 32'h200};
            step();
            wbp.stb = 1'b0;
            step();
        end
        if ($test$plusargs("rule=wbp_changed")) begin
            {wbp.cyc, wbp.stb, wbp_rsp.stall, wbp.adr} = {1'b1, 1'b1, 1'b1, 32'h200};
            step();
            wbp.adr = 32'h204;
            step();
        end
        if ($test$plusargs("rule=wbp_cyc_dropped")) begin
            {wbp.cyc, wbp.stb, wbp.adr} = {1'b1, 1'b1, 32'h200};  // taken at once
            step();
            wbp.stb = 1'b0;
            step();
            wbp.cyc = 1'b0;  // its ACK never came
            step();
        end
        // AXI4-Lite
        if ($test$plusargs("rule=aw_dropped")) begin
            {axi.awvalid, axi.awaddr} = {1'b1, 32'h300};
            step();
            axi.awvalid = 1'b0;
            step();
        end
        if ($test$plusargs("rule=aw_changed")) begin
            {axi.awvalid, axi.awaddr} = {1'b1, 32'h300};
            step();
            axi.awaddr = 32'h304;
            step();
        end
        if ($test$plusargs("rule=w_dropped")) begin
            {axi.wvalid, axi.wdata, axi.wstrb} = {1'b1, 32'h5, 4'b1111};
            step(3);
            axi.wvalid = 1'b0;
            step();
        end
        if ($test$plusargs("rule=w_changed")) begin
            {axi.wvalid, axi.wdata, axi.wstrb} = {1'b1, 32'h5, 4'b1111};
            step();
            axi.wstrb = 4'b0001;
            step();
        end
        if ($test$plusargs("rule=ar_dropped")) begin
            {axi.arvalid, axi.araddr} = {1'b1, 32'h400};
            step();
            axi.arvalid = 1'b0;
            step();
        end
        if ($test$plusargs("rule=ar_changed")) begin
            {axi.arvalid, axi.araddr} = {1'b1, 32'h400};
            step();
            axi.araddr = 32'h0;
            step();
        end
        // pipelined port (its adapter stays busy: the memory is never ready)
        if ($test$plusargs("rule=pipe_dropped") || $test$plusargs("rule=pipe_changed")) begin
            force ready = 1'b0;
            {valid, addr} = {1'b1, 32'h10};
            step();
            if ($test$plusargs("rule=pipe_dropped")) valid = 1'b0;
            else addr = 32'h11;
            step();
            release ready;
        end
        // 4-phase
        if ($test$plusargs("rule=fp_both")) begin
            {fp.rd, fp.wr} = 2'b11;
            step();
        end
        if ($test$plusargs("rule=fp_dropped")) begin
            {fp.rd, fp.addr} = {1'b1, 32'h20};
            step();
            fp.rd = 1'b0;
            step();
        end
        if ($test$plusargs("rule=fp_changed")) begin
            {fp.wr, fp.addr, fp.be, fp.wdata} = {1'b1, 32'h20, 4'b1111, 32'h77};
            step();
            fp_rsp.ack = 1'b1;
            step();
            fp.wdata = 32'h78;  // after ack, before the request falls
            step();
        end
        if ($test$plusargs("rule=fp_early")) begin
            {fp.rd, fp.addr} = {1'b1, 32'h20};
            step();
            fp_rsp.ack = 1'b1;
            step();
            fp.rd = 1'b0;
            step();
            fp.rd = 1'b1;  // ack is still up
            step();
        end
        // request/ready
        if ($test$plusargs("rule=hold_dropped")) begin
            {req, haddr} = {1'b1, 32'h30};
            step();
            req = 1'b0;
            step();
        end
        if ($test$plusargs("rule=hold_changed")) begin
            {req, haddr} = {1'b1, 32'h30};
            step();
            haddr = 32'h34;
            step();
        end
        // Correct traffic on every bus: none of the checkers may fire.
        if ($test$plusargs("rule=clean")) begin
            // Wishbone classic: ACK in the request's cycle, then after two waits; a new request
            // right after the ACK; a pipelined request taken after a STALL, answered later.
            {wb.cyc, wb.stb, wb.adr, wb_rsp.ack} = {1'b1, 1'b1, 32'h100, 1'b1};
            step();
            {wb.adr, wb_rsp.ack} = {32'h104, 1'b0};
            step(2);
            wb_rsp.ack = 1'b1;
            step();
            {wb.cyc, wb.stb, wb_rsp.ack} = '0;
            {wbp.cyc, wbp.stb, wbp_rsp.stall, wbp.adr} = {1'b1, 1'b1, 1'b1, 32'h200};
            step();
            wbp_rsp.stall = 1'b0;
            step();
            {wbp.stb, wbp.adr} = {1'b0, 32'h0};  // the address may change once taken
            step();
            wbp_rsp.ack = 1'b1;
            step();
            {wbp.cyc, wbp_rsp.ack} = '0;
            // AXI4-Lite: W before AW, READY before VALID, both in one cycle.
            {axi.wvalid, axi.wdata, axi.wstrb} = {1'b1, 32'h5, 4'b0011};
            step(2);
            axi_rsp.wready = 1'b1;
            step();
            {axi.wvalid, axi_rsp.wready, axi.wdata} = {1'b0, 1'b0, 32'h0};
            {axi.awvalid, axi.awaddr} = {1'b1, 32'h300};
            {axi_rsp.awready, axi_rsp.arready} = 2'b11;
            step();
            {axi.awvalid, axi.awaddr, axi.arvalid, axi.araddr} = {1'b0, 32'h0, 1'b1, 32'h400};
            step();
            axi.arvalid = 1'b0;
            step();
            // 4-phase: a whole handshake, then the next request once ack fell.
            {fp.rd, fp.addr} = {1'b1, 32'h20};
            step(2);
            fp_rsp.ack = 1'b1;
            step();
            fp.rd = 1'b0;
            step();
            fp_rsp.ack = 1'b0;
            step();
            {fp.wr, fp.addr, fp.be, fp.wdata} = {1'b1, 32'h24, 4'b1100, 32'h99};
            step();
            fp_rsp.ack = 1'b1;
            step();
            {fp.wr, fp.addr, fp.wdata} = '0;
            step();
            fp_rsp.ack = 1'b0;
            // request/ready: a wait, then ready.
            {req, haddr} = {1'b1, 32'h30};
            step(2);
            hready = 1'b1;
            step();
            {req, hready, haddr} = '0;
            step(2);
        end
        // The pipelined adapter takes two requests, holds the third until a response has come,
        // and answers in order from word addresses (the memory returns the byte address
        // inverted; the top address bit is a bus error).
        if ($test$plusargs("rule=outstanding")) begin
            {valid, addr} = {1'b1, 32'h100};
            step();
            addr = 32'h2000_0101;  // byte address 0x80000404: err
            step();
            addr = 32'h102;
            while (!ready) step();
            step();
            valid = 1'b0;
            step(4);
            $display("pipe: %0d accepted, %0d answered", accepted, responses);
        end
        if ($test$plusargs("rule=errors")) begin
            wb_read(32'h0000_0104);
            wb_read(32'h8000_0104);
            axi_write(32'h0000_0200);
            axi_write(32'h9000_0200);
            axi_read(32'h0000_0300);
            axi_read(32'hc000_0300);
            fourphase_read(32'h0000_0040);
            fourphase_read(32'h2000_0040);  // byte address 0x80000100
        end
        $display("bus_checker_tb: no violation");
        $finish;
    end

    // The pipelined adapter's memory sees each request once, in order.
    always @(posedge clk)
        if (!rst && b.req && $test$plusargs("rule=outstanding"))
            $display("pipe: board read %08h", b.addr);

    // What the AXI4-Lite adapter writes on the board.
    always @(posedge clk)
        if (!rst && ax_b.req && ax_b.we)
            $display("axi4-lite: board write %08h be %b data %08h", ax_b.addr, ax_b.be, ax_b.wdata);

    logic unused;
    assign unused = ^{b, e_wb_rsp.stall, wb_b, fp_b};
endmodule
`default_nettype wire
