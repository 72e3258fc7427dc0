`default_nettype none
// The protocols coretest_bus_core puts between our core and the board (+bus=NAME), and the
// switches that keep the paths not chosen idle.
package coretest_bus_tb_pkg;
    import coretest_pkg::*;

    typedef enum logic [2:0] {
        HOLD,          // hold: no adapter, the core's ports on the board's
        WB_CLASSIC,    // wb-classic
        WB_PIPELINED,  // wb-pipelined
        AXI4_LITE,     // axi4-lite
        PIPELINED,     // pipelined: up to two requests in flight
        FOUR_PHASE,    // four-phase: word addresses
        SHARED         // shared: both ports through coretest_bus_arbiter and coretest_bus_split
    } coretest_bus_e;

    // A request that reaches a path only while it is chosen (on), and the board's answer that
    // reaches it only then.
    function automatic coretest_mem_req_t request_on(logic on, coretest_mem_req_t r);
        return {on && r.req, r.we, r.be, r.addr, r.wdata};
    endfunction
    function automatic coretest_mem_rsp_t answer_on(logic on, coretest_mem_rsp_t r);
        return {on && r.ready, r.rdata, r.err};
    endfunction

    // An AXI4-Lite master's request with ARVALID taken down (drop): +broken_master.
    function automatic coretest_axil_req_t arvalid_dropped(coretest_axil_req_t r, logic drop);
        coretest_axil_req_t q;
        q = r;
        q.arvalid = r.arvalid && !drop;
        return q;
    endfunction
endpackage
`default_nettype wire
