# The bus adapters (hdl/kit/bus): our core through each of them on the kit's board, as one
# Verilator model (coretest_bus_sim) and one Icarus Verilog program (coretest_bus_tb.vvp); the
# protocol is chosen at run time (+bus=NAME). Included by hdl/CMakeLists.txt, after the kit's and
# the core's source lists.
file(GLOB bus_kit_sources CONFIGURE_DEPENDS ${hdl_src}/kit/bus/*.sv)
set(CORETEST_BUS_SOURCES ${bus_kit_sources} CACHE INTERNAL "The kit's bus adapters, checkers and shims")
set(bus_tb_sources ${kit_sources} ${core_packages} ${core_sources} ${bus_kit_sources}
                   ${hdl_src}/kit/bus/tb/coretest_bus_tb.sv)

set(bus_targets "")
if(verilator_FOUND)
  # The template top's main: exit 0 PASS, 1 FAIL (a checker's line too), 2 ERROR (bad input).
  add_executable(coretest_bus_sim ${hdl_src}/tb/sim_main.cpp)
  target_compile_options(coretest_bus_sim PRIVATE -Wno-unused-parameter -Wno-error)
  target_compile_definitions(coretest_bus_sim PRIVATE VM_PREFIX=Vcoretest_bus_tb)
  verilate(coretest_bus_sim
    SOURCES ${bus_tb_sources}
    TOP_MODULE coretest_bus_tb
    PREFIX Vcoretest_bus_tb
    INCLUDE_DIRS ${hdl_bin}
    VERILATOR_ARGS -O3 --x-assign fast --x-initial fast --assert)
  list(APPEND bus_targets coretest_bus_sim)
endif()

find_program(CORETEST_IVERILOG iverilog)
if(CORETEST_IVERILOG)
  add_custom_command(
    OUTPUT ${hdl_bin}/coretest_bus_tb.vvp
    COMMAND ${CORETEST_IVERILOG} -g2012 -I ${hdl_bin} -s coretest_bus_tb -o ${hdl_bin}/coretest_bus_tb.vvp
            ${bus_tb_sources}
    DEPENDS ${bus_tb_sources} ${hdl_bin}/coretest_bug_knobs.svh
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
