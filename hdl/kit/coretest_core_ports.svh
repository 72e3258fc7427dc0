// The port list of a core in the template top (hdl/tb/coretest_tb.sv instantiates the module
// CORETEST_CORE names with these ports): the clock and reset, the bug knobs, the kit's memory
// ports and the retirement interface (coretest_pkg). A module that stands for the core there (a
// wrapper around a core with other ports) imports coretest_pkg and includes this file between
// the parentheses of its port list:
//   module my_core_wrapped import coretest_pkg::*; (
//       `include "coretest_core_ports.svh"
//   );
    input  wire logic              clk_i, rst_i,
    input  wire logic       [31:0] bugs_i,
    output coretest_mem_req_t      imem_req_o, dmem_req_o,
    input  wire coretest_mem_rsp_t imem_rsp_i, dmem_rsp_i,
    output coretest_retirement_t   retirement_o
