`default_nettype none
// Drives each bus checker of hdl/kit/bus with a master that breaks one rule, chosen by
// +rule=NAME, or with correct traffic on every bus (+rule=clean), and the pipelined adapter with
// more requests than it may hold (+rule=outstanding), and the Wishbone, AXI4-Lite and 4-phase
// adapters' answers, the bus error among them, from a scripted memory (+rule=errors). A checker that fires prints its line and
// ends the run; otherwise the testbench prints "bus_checker_tb: no violation".
module bus_checker_tb
    import coretest_pkg::*;
;
    logic clk = 1'b0;
    always #5 clk = ~clk;
    logic rst;

    // ---- Wishbone, classic and pipelined ----
    logic        cyc, stb, we, ack, err, stall, pcyc, pstb, pack, pstall;
    logic [ 3:0] sel;
    logic [31:0] adr, dat;
    coretest_bus_wb_checker #(.PIPELINED(0), .PORT("instruction")) wb_classic (
        .clk_i(clk), .rst_i(rst), .cyc_i(cyc), .stb_i(stb), .we_i(we), .sel_i(sel), .adr_i(adr),
        .dat_i(dat), .ack_i(ack), .err_i(err), .stall_i(stall));
    coretest_bus_wb_checker #(.PIPELINED(1)) wb_pipelined (
        .clk_i(clk), .rst_i(rst), .cyc_i(pcyc), .stb_i(pstb), .we_i(we), .sel_i(sel), .adr_i(adr),
        .dat_i(dat), .ack_i(pack), .err_i(1'b0), .stall_i(pstall));

    // ---- AXI4-Lite ----
    logic        awvalid, awready, wvalid, wready, arvalid, arready;
    logic [31:0] awaddr, wdata, araddr;
    logic [ 3:0] wstrb;
    coretest_bus_axil_checker axil (
        .clk_i(clk), .rst_i(rst), .awvalid_i(awvalid), .awready_i(awready), .awaddr_i(awaddr),
        .wvalid_i(wvalid), .wready_i(wready), .wdata_i(wdata), .wstrb_i(wstrb),
        .arvalid_i(arvalid), .arready_i(arready), .araddr_i(araddr));

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
    logic        rd, wr, fack;
    logic [ 3:0] fbe;
    logic [31:0] faddr, fwdata;
    coretest_bus_fourphase_checker fourphase (
        .clk_i(clk), .rst_i(rst), .rd_i(rd), .wr_i(wr), .be_i(fbe), .addr_i(faddr),
        .wdata_i(fwdata), .ack_i(fack));

    // ---- request/ready ----
    logic        req, hready;
    logic [31:0] haddr;
    coretest_bus_hold_checker hold (
        .clk_i(clk), .rst_i(rst), .req_i(coretest_fetch_req(req, haddr)),
        .ready_i(hready));

    // ---- adapters on a scripted memory: ready at once, data = ~address, error above 0x80000000 ----
    logic        e_cyc, e_stb, e_we, e_ack, e_err, e_stall;
    logic [31:0] e_adr, e_rdat;
    coretest_mem_req_t wb_b;
    coretest_bus_wb #(.PIPELINED(0)) wb_adapter (
        .clk_i(clk), .rst_i(rst), .wb_cyc_i(e_cyc), .wb_stb_i(e_stb), .wb_we_i(e_we),
        .wb_sel_i(4'b1111), .wb_adr_i(e_adr), .wb_dat_i(32'h0), .wb_dat_o(e_rdat),
        .wb_ack_o(e_ack), .wb_err_o(e_err), .wb_stall_o(e_stall), .b_req_o(wb_b),
        .b_rsp_i(memory(wb_b)));

    logic        x_awvalid, x_awready, x_wvalid, x_wready, x_bvalid, x_bready;
    logic        x_arvalid, x_arready, x_rvalid, x_rready;
    logic [31:0] x_awaddr, x_araddr, x_rdata;
    logic [ 1:0] x_bresp, x_rresp;
    coretest_mem_req_t ax_b;
    coretest_bus_axil axil_adapter (
        .clk_i(clk), .rst_i(rst), .awvalid_i(x_awvalid), .awready_o(x_awready),
        .awaddr_i(x_awaddr), .wvalid_i(x_wvalid), .wready_o(x_wready), .wdata_i(32'h5),
        .wstrb_i(4'b0011), .bvalid_o(x_bvalid), .bready_i(x_bready), .bresp_o(x_bresp),
        .arvalid_i(x_arvalid), .arready_o(x_arready), .araddr_i(x_araddr), .rvalid_o(x_rvalid),
        .rready_i(x_rready), .rdata_o(x_rdata), .rresp_o(x_rresp), .b_req_o(ax_b),
        .b_rsp_i(memory(ax_b)));

    logic        f_rd, f_ack, f_err;
    logic [31:0] f_addr, f_rdata;
    coretest_mem_req_t fp_b;
    coretest_bus_fourphase #(.ADDR_WORDS(1)) fourphase_adapter (
        .clk_i(clk), .rst_i(rst), .rd_i(f_rd), .wr_i(1'b0), .be_i(4'b1111), .addr_i(f_addr),
        .wdata_i(32'h0), .ack_o(f_ack), .rdata_o(f_rdata), .err_o(f_err), .b_req_o(fp_b),
        .b_rsp_i(memory(fp_b)));

    // One Wishbone classic read, answered in its own cycle.
    task automatic wb_read(logic [31:0] a);
        {e_cyc, e_stb, e_adr} = {1'b1, 1'b1, a};
        #1 $display("wishbone: read %08h: ack %b err %b data %08h", a, e_ack, e_err, e_rdat);
        step();
        {e_cyc, e_stb} = '0;
    endtask

    // An AXI4-Lite write (AW, then W) and a read, each waiting for its response.
    task automatic axi_write(logic [31:0] a);
        {x_awvalid, x_awaddr, x_bready} = {1'b1, a, 1'b1};
        while (!x_awready) step();
        step();
        x_awvalid = 1'b0;
        x_wvalid = 1'b1;
        while (!x_wready) step();
        step();
        x_wvalid = 1'b0;
        while (!x_bvalid) step();
        $display("axi4-lite: write %08h: bresp %b", a, x_bresp);
        step();
        x_bready = 1'b0;
    endtask
    task automatic axi_read(logic [31:0] a);
        {x_arvalid, x_araddr, x_rready} = {1'b1, a, 1'b1};
        while (!x_arready) step();
        step();
        x_arvalid = 1'b0;
        while (!x_rvalid) step();
        $display("axi4-lite: read %08h: rresp %b data %08h", a, x_rresp, x_rdata);
        step();
        x_rready = 1'b0;
    endtask

    // A 4-phase read of a word address; the data is read after ack has fallen.
    task automatic fourphase_read(logic [31:0] a);
        {f_rd, f_addr} = {1'b1, a};
        while (!f_ack) step();
        f_rd = 1'b0;
        while (f_ack) step();
        $display("4-phase: read word %08h: err %b data %08h", a, f_err, f_rdata);
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
            if ($test$plusargs("rule=outstanding")) $display("pipe: cycle %0d: took %08h", cycle, addr);
        end
        if (!rst && pipe_rsp.ready) begin
            responses <= responses + 1;
            $display("pipe: cycle %0d: response %08h err %b", cycle, pipe_rsp.rdata, pipe_rsp.err);
        end
    end

    initial begin
        {cyc, stb, we, ack, err, stall, pcyc, pstb, pack, pstall, sel, adr, dat} = '0;
        {awvalid, awready, wvalid, wready, arvalid, arready, awaddr, wdata, araddr, wstrb} = '0;
        {valid, addr, rd, wr, fack, fbe, faddr, fwdata, req, hready, haddr} = '0;
        {e_cyc, e_stb, e_we, e_adr, x_awvalid, x_wvalid, x_bready, x_arvalid, x_rready} = '0;
        {x_awaddr, x_araddr, f_rd, f_addr} = '0;
        accepted = 0;
        responses = 0;
        cycle = 0;
        rst = 1'b1;
        step(2);
        rst = 1'b0;
        step();  // cycle 1 from here
        // Wishbone classic
        if ($test$plusargs("rule=wb_stb_without_cyc")) begin
            stb = 1'b1;
            step();
        end
        if ($test$plusargs("rule=wb_stb_dropped")) begin
            {cyc, stb, adr} = {1'b1, 1'b1, 32'h100};
            step(2);
            stb = 1'b0;
            step();
        end
        if ($test$plusargs("rule=wb_changed")) begin
            {cyc, stb, we, sel, adr, dat} = {1'b1, 1'b1, 1'b1, 4'b0011, 32'h100, 32'h1234};
            step();
            dat = 32'h4321;
            step();
        end
        // Wishbone pipelined
        if ($test$plusargs("rule=wbp_stb_dropped")) begin
            {pcyc, pstb, pstall, adr} = {1'b1, 1'b1, 1'b1, 32'h200};
            step();
            pstb = 1'b0;
            step();
        end
        if ($test$plusargs("rule=wbp_changed")) begin
            {pcyc, pstb, pstall, adr} = {1'b1, 1'b1, 1'b1, 32'h200};
            step();
            adr = 32'h204;
            step();
        end
        if ($test$plusargs("rule=wbp_cyc_dropped")) begin
            {pcyc, pstb, adr} = {1'b1, 1'b1, 32'h200};  // taken at once
            step();
            pstb = 1'b0;
            step();
            pcyc = 1'b0;  // its ACK never came
            step();
        end
        // AXI4-Lite
        if ($test$plusargs("rule=aw_dropped")) begin
            {awvalid, awaddr} = {1'b1, 32'h300};
            step();
            awvalid = 1'b0;
            step();
        end
        if ($test$plusargs("rule=aw_changed")) begin
            {awvalid, awaddr} = {1'b1, 32'h300};
            step();
            awaddr = 32'h304;
            step();
        end
        if ($test$plusargs("rule=w_dropped")) begin
            {wvalid, wdata, wstrb} = {1'b1, 32'h5, 4'b1111};
            step(3);
            wvalid = 1'b0;
            step();
        end
        if ($test$plusargs("rule=w_changed")) begin
            {wvalid, wdata, wstrb} = {1'b1, 32'h5, 4'b1111};
            step();
            wstrb = 4'b0001;
            step();
        end
        if ($test$plusargs("rule=ar_dropped")) begin
            {arvalid, araddr} = {1'b1, 32'h400};
            step();
            arvalid = 1'b0;
            step();
        end
        if ($test$plusargs("rule=ar_changed")) begin
            {arvalid, araddr} = {1'b1, 32'h400};
            step();
            araddr = 32'h0;
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
            {rd, wr} = 2'b11;
            step();
        end
        if ($test$plusargs("rule=fp_dropped")) begin
            {rd, faddr} = {1'b1, 32'h20};
            step();
            rd = 1'b0;
            step();
        end
        if ($test$plusargs("rule=fp_changed")) begin
            {wr, faddr, fbe, fwdata} = {1'b1, 32'h20, 4'b1111, 32'h77};
            step();
            fack = 1'b1;
            step();
            fwdata = 32'h78;  // after ack, before the request falls
            step();
        end
        if ($test$plusargs("rule=fp_early")) begin
            {rd, faddr} = {1'b1, 32'h20};
            step();
            fack = 1'b1;
            step();
            rd = 1'b0;
            step();
            rd = 1'b1;  // ack is still up
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
            {cyc, stb, adr, ack} = {1'b1, 1'b1, 32'h100, 1'b1};
            step();
            {adr, ack} = {32'h104, 1'b0};
            step(2);
            ack = 1'b1;
            step();
            {cyc, stb, ack} = '0;
            {pcyc, pstb, pstall, adr} = {1'b1, 1'b1, 1'b1, 32'h200};
            step();
            pstall = 1'b0;
            step();
            {pstb, adr} = {1'b0, 32'h0};  // the address may change once taken
            step();
            pack = 1'b1;
            step();
            {pcyc, pack} = '0;
            // AXI4-Lite: W before AW, READY before VALID, both in one cycle.
            {wvalid, wdata, wstrb} = {1'b1, 32'h5, 4'b0011};
            step(2);
            wready = 1'b1;
            step();
            {wvalid, wready, wdata, awvalid, awaddr, awready, arready} = {1'b0, 1'b0, 32'h0, 1'b1, 32'h300, 1'b1, 1'b1};
            step();
            {awvalid, awaddr, arvalid, araddr} = {1'b0, 32'h0, 1'b1, 32'h400};
            step();
            arvalid = 1'b0;
            step();
            // 4-phase: a whole handshake, then the next request once ack fell.
            {rd, faddr} = {1'b1, 32'h20};
            step(2);
            fack = 1'b1;
            step();
            rd = 1'b0;
            step();
            fack = 1'b0;
            step();
            {wr, faddr, fbe, fwdata} = {1'b1, 32'h24, 4'b1100, 32'h99};
            step();
            fack = 1'b1;
            step();
            {wr, faddr, fwdata} = '0;
            step();
            fack = 1'b0;
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
    assign unused = ^{b, e_stall, wb_b, fp_b};
endmodule
`default_nettype wire
