`default_nettype none
// Connects one shared request/ready port to the board's two: an access with fetch_i set goes to
// the instruction port, every other to the data port, combinationally, so the shared port has the
// board's timing. The monitor watches the instruction port for the ROM's idle loops: a core that
// cannot tell fetches from loads ties fetch_i to 0, and its run then ends at the end mark or the
// cycle limit only.
module coretest_bus_split
    import coretest_pkg::*;
(
    input  wire coretest_mem_req_t s_req_i,    // the shared port
    input  wire logic              s_fetch_i,  // its access is a fetch
    output coretest_mem_rsp_t      s_rsp_o,
    output coretest_mem_req_t      i_req_o,    // the board's instruction port
    input  wire coretest_mem_rsp_t i_rsp_i,
    output coretest_mem_req_t      d_req_o,    // the board's data port
    input  wire coretest_mem_rsp_t d_rsp_i
);
    assign i_req_o = {s_req_i.req && s_fetch_i, s_req_i[68:0]};
    assign d_req_o = {s_req_i.req && !s_fetch_i, s_req_i[68:0]};
    assign s_rsp_o = s_fetch_i ? i_rsp_i : d_rsp_i;
endmodule
`default_nettype wire
