# The bus adapters (hdl/kit/bus): our core through each of them on the kit's board, as one
# Verilator model (coretest_bus_sim) and one Icarus Verilog program (coretest_bus_tb.vvp); the
# protocol is chosen at run time (+bus=NAME). The top is the template (tb/coretest_tb.sv) with
# kit/bus/tb/coretest_bus_core.sv as its core. Included by hdl/CMakeLists.txt, after the kit's
# and the core's source lists.
file(GLOB bus_kit_sources CONFIGURE_DEPENDS ${hdl_src}/kit/bus/*.sv)
set(CORETEST_BUS_SOURCES ${bus_kit_sources} CACHE INTERNAL "The kit's bus adapters, checkers and shims")
set(bus_tb_sources ${kit_sources} ${core_packages} ${core_sources} ${bus_kit_sources}
                   ${hdl_src}/kit/bus/tb/coretest_bus_tb_pkg.sv
                   ${hdl_src}/kit/bus/tb/coretest_bus_port.sv
                   ${hdl_src}/kit/bus/tb/coretest_bus_core.sv ${hdl_src}/tb/coretest_tb.sv)
set(bus_tb_defines -DCORETEST_BUG_KNOBS -DCORETEST_CORE=coretest_bus_core)

set(bus_targets "")
if(verilator_FOUND)
  # The template top's main: exit 0 PASS, 1 FAIL (a checker's line too), 2 ERROR (bad input).
  coretest_template_model(coretest_bus_sim Vcoretest_bus_tb SOURCES ${bus_tb_sources}
                          ARGS -DCORETEST_CORE=coretest_bus_core)
  list(APPEND bus_targets coretest_bus_sim)
endif()

find_program(CORETEST_IVERILOG iverilog)
if(CORETEST_IVERILOG)
  add_custom_command(
    OUTPUT ${hdl_bin}/coretest_bus_tb.vvp
    COMMAND ${CORETEST_IVERILOG} -g2012 -I ${hdl_bin} -I ${hdl_src}/kit ${bus_tb_defines}
            -s coretest_tb -o ${hdl_bin}/coretest_bus_tb.vvp ${bus_tb_sources}
    DEPENDS ${bus_tb_sources} ${hdl_bin}/coretest_bug_knobs.svh
            ${hdl_src}/kit/coretest_core_ports.svh
    COMMENT "Compiling the bus adapters' testbench with Icarus Verilog (hdl/coretest_bus_tb.vvp)"
    VERBATIM)
  add_custom_target(coretest_bus_icarus ALL DEPENDS ${hdl_bin}/coretest_bus_tb.vvp)
  list(APPEND bus_targets coretest_bus_icarus)
endif()

# The HDL tests (tests/hdl, defined later) run both builds.
function(coretest_bus_test_dependencies)
  if(TARGET hdl_tests)
    add_dependencies(hdl_tests ${ARGN})
  endif()
endfunction()
if(bus_targets)
  # The target names are expanded now: a deferred call reads variables where it runs.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY \"${PROJECT_SOURCE_DIR}\" CALL coretest_bus_test_dependencies ${bus_targets})")
endif()
