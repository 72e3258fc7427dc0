`default_nettype none
// Puts a core's instruction and data ports (both request/ready, as the board's) on one shared
// request/ready port, for a memory or bus with a single port. A request on the shared port is held
// until its ready, as the port requires; when both wait and neither holds the port, the data
// access goes first (it belongs to the older instruction). fetch_o tells which port an access
// came from; coretest_bus_split turns the shared port back into the board's two.
module coretest_bus_arbiter
    import coretest_pkg::*;
(
    input  wire logic              clk_i, rst_i,
    /* verilator lint_off UNUSEDSIGNAL */
    input  wire coretest_mem_req_t i_req_i,    // instruction port (req and addr)
    /* verilator lint_on UNUSEDSIGNAL */
    output coretest_mem_rsp_t      i_rsp_o,
    input  wire coretest_mem_req_t d_req_i,    // data port
    output coretest_mem_rsp_t      d_rsp_o,
    output coretest_mem_req_t      s_req_o,    // the shared port
    output logic                   s_fetch_o,  // its access is a fetch
    input  wire coretest_mem_rsp_t s_rsp_i
);
    logic locked_q, locked_data_q;  // a request waits on the shared port, from this port
    logic data;                     // the data port has the shared port in this cycle
    assign data = locked_q ? locked_data_q : d_req_i.req;

    // A fetch goes out with we = 0 and be = 1111, whatever the core drives there.
    assign s_req_o = data ? d_req_i : coretest_fetch_req(i_req_i.req, i_req_i.addr);
    assign s_fetch_o = !data;
    assign i_rsp_o = {!data && s_req_o.req && s_rsp_i.ready, s_rsp_i.rdata, s_rsp_i.err};
    assign d_rsp_o = {data && s_req_o.req && s_rsp_i.ready, s_rsp_i.rdata, s_rsp_i.err};

    always_ff @(posedge clk_i) begin
        if (rst_i) locked_q <= 1'b0;
        else begin
            locked_q <= s_req_o.req && !s_rsp_i.ready;
            locked_data_q <= data;
        end
    end
endmodule
`default_nettype wire
