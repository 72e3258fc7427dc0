`default_nettype none
// Connects one shared request/ready port to the board's two: an access with fetch_i set goes to
// the instruction port, every other to the data port, combinationally, so the shared port has the
// board's timing. The monitor watches the instruction port for the ROM's idle loops: a core that
// cannot tell fetches from loads ties fetch_i to 0, and its run then ends at the end mark or the
// cycle limit only.
module coretest_bus_split (
    // the shared port
    input  wire logic        s_req_i,
    input  wire logic        s_fetch_i,
    input  wire logic        s_we_i,
    input  wire logic [ 3:0] s_be_i,
    input  wire logic [31:0] s_addr_i,
    input  wire logic [31:0] s_wdata_i,
    output logic             s_ready_o,
    output logic      [31:0] s_rdata_o,
    output logic             s_err_o,
    // the board's instruction port
    output logic             i_req_o,
    output logic      [31:0] i_addr_o,
    input  wire logic        i_ready_i,
    input  wire logic [31:0] i_rdata_i,
    input  wire logic        i_err_i,
    // the board's data port
    output logic             d_req_o,
    output logic             d_we_o,
    output logic      [ 3:0] d_be_o,
    output logic      [31:0] d_addr_o,
    output logic      [31:0] d_wdata_o,
    input  wire logic        d_ready_i,
    input  wire logic [31:0] d_rdata_i,
    input  wire logic        d_err_i
);
    assign i_req_o = s_req_i && s_fetch_i;
    assign i_addr_o = s_addr_i;
    assign d_req_o = s_req_i && !s_fetch_i;
    assign d_we_o = s_we_i;
    assign d_be_o = s_be_i;
    assign d_addr_o = s_addr_i;
    assign d_wdata_o = s_wdata_i;
    assign s_ready_o = s_fetch_i ? i_ready_i : d_ready_i;
    assign s_rdata_o = s_fetch_i ? i_rdata_i : d_rdata_i;
    assign s_err_o = s_fetch_i ? i_err_i : d_err_i;
endmodule
`default_nettype wire
