// The Verilator model of coretest_bus_tb, clocked until the monitor or a protocol checker ends
// the run. Plusargs reach the testbench unchanged.
#include <verilated.h>

#include <memory>

#include "Vcoretest_bus_tb.h"

int main(int argc, char** argv) {
    const auto context = std::make_unique<VerilatedContext>();
    context->commandArgs(argc, argv);
    const auto tb = std::make_unique<Vcoretest_bus_tb>(context.get());
    tb->clk_i = 0;
    while (!context->gotFinish()) {
        tb->eval();
        context->timeInc(5);
        tb->clk_i = !tb->clk_i;
    }
    tb->final();
    return 0;
}
