`default_nettype none
// Puts a core's instruction and data ports (both request/ready, as the board's) on one shared
// request/ready port, for a memory or bus with a single port. A request on the shared port is held
// until its ready, as the port requires; when both wait and neither holds the port, the data
// access goes first (it belongs to the older instruction). fetch_o tells which port an access
// came from; coretest_bus_split turns the shared port back into the board's two.
module coretest_bus_arbiter (
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
    // the shared port
    output logic             s_req_o,
    output logic             s_fetch_o,
    output logic             s_we_o,
    output logic      [ 3:0] s_be_o,
    output logic      [31:0] s_addr_o,
    output logic      [31:0] s_wdata_o,
    input  wire logic        s_ready_i,
    input  wire logic [31:0] s_rdata_i,
    input  wire logic        s_err_i
);
    logic locked_q, locked_data_q;  // a request waits on the shared port, from this port
    logic data;                     // the data port has the shared port in this cycle
    assign data = locked_q ? locked_data_q : d_req_i;

    assign s_req_o = data ? d_req_i : i_req_i;
    assign s_fetch_o = !data;
    assign s_we_o = data && d_we_i;
    assign s_be_o = data ? d_be_i : 4'b1111;
    assign s_addr_o = data ? d_addr_i : i_addr_i;
    assign s_wdata_o = data ? d_wdata_i : '0;
    assign i_ready_o = !data && s_req_o && s_ready_i;
    assign d_ready_o = data && s_req_o && s_ready_i;
    assign i_rdata_o = s_rdata_i;
    assign d_rdata_o = s_rdata_i;
    assign i_err_o = s_err_i;
    assign d_err_o = s_err_i;

    always_ff @(posedge clk_i) begin
        if (rst_i) locked_q <= 1'b0;
        else begin
            locked_q <= s_req_o && !s_ready_i;
            locked_data_q <= data;
        end
    end
endmodule
`default_nettype wire
