# Writes the testbench's table of bug knobs (coretest_bug_knobs.svh) from the core's knob list,
# a Markdown table whose rows start with the knob's bit and its name: | 3 | `name` | ... |
# Included by hdl/CMakeLists.txt with KNOBS (the list) and OUT (the file to write) set.
set(names "")
set(checks "")
if(EXISTS ${KNOBS})
  file(STRINGS ${KNOBS} lines)
  foreach(line IN LISTS lines)
    if(line MATCHES "^\\|[ ]*`?([0-9]+)`?[ ]*\\|[ ]*`?([A-Za-z0-9_.-]+)`?[ ]*\\|")
      set(bit ${CMAKE_MATCH_1})
      set(name ${CMAKE_MATCH_2})
      if(names)
        string(APPEND names ", ")
      endif()
      string(APPEND names ${name})
      string(APPEND checks "    if (name == \"${name}\") return ${bit};\n")
    endif()
  endforeach()
endif()
if(NOT names)
  set(names "none")
endif()
set(text "// Generated from the core's bug_knobs.md: the bug knobs by name.
localparam BUG_KNOB_NAMES = \"${names}\";
function automatic int bug_knob_bit(string name);
${checks}    return -1;
endfunction
")
# Rewritten only when it changes, so the simulators are not rebuilt for nothing.
file(CONFIGURE OUTPUT ${OUT} CONTENT "${text}" @ONLY)
