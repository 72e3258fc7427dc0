# coretest_rom(): one ROM image from the calling folder's start.S and test units inst/n*.S,
# each assembled with GNU as, linked by link.ld with GNU ld, then stripped of the file symbols
# that ld adds. rom/CMakeLists.txt finds the tools (CORETEST_MIPS_AS, _LD, _OBJCOPY).
#
#   coretest_rom(TARGET rom ELF coretest.elf UNITS 58 REGENERATE "casegen --out rom/inst"
#                PATH_VARIABLE CORETEST_ROM DESCRIPTION "Path of the built ROM image"
#                [FRAME_DIR dir])
#
# UNITS is the number of units inst/ must hold (REGENERATE says how to make them again);
# FRAME_DIR is a folder of shared templates the units include (its frame.inc), added to the
# assembler's include path. The image's path goes to the cache variable PATH_VARIABLE.
include_guard(GLOBAL)

function(coretest_rom)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "TARGET;ELF;UNITS;REGENERATE;PATH_VARIABLE;DESCRIPTION;FRAME_DIR" "")
  # Little-endian MIPS I, o32, not position-independent, DWARF 2 line records.
  set(as_flags -EL -mips1 -mabi=32 -non_shared --gdwarf-2)
  set(source_dir ${CMAKE_CURRENT_SOURCE_DIR})
  set(binary_dir ${CMAKE_CURRENT_BINARY_DIR})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${source_dir})
  file(GLOB templates CONFIGURE_DEPENDS ${source_dir}/inst/*.inc)
  set(include_flags)
  if(arg_FRAME_DIR)
    list(APPEND templates ${arg_FRAME_DIR}/frame.inc)
    set(include_flags -I ${arg_FRAME_DIR})
  endif()
  file(GLOB units CONFIGURE_DEPENDS ${source_dir}/inst/n*.S)
  list(LENGTH units unit_count)
  if(NOT unit_count EQUAL arg_UNITS)
    message(FATAL_ERROR "${folder}/inst holds ${unit_count} test units, expected ${arg_UNITS}: "
                        "regenerate them with ${arg_REGENERATE}")
  endif()
  file(MAKE_DIRECTORY ${binary_dir}/inst)

  # Each unit is assembled in its own folder under its bare file name: the line records then
  # name the file without a directory, whatever the checkout's path. The include path adds no
  # file entry or row to them.
  add_custom_command(
    OUTPUT ${binary_dir}/start.o
    COMMAND ${CORETEST_MIPS_AS} ${as_flags} ${include_flags} -o ${binary_dir}/start.o start.S
    WORKING_DIRECTORY ${source_dir}
    DEPENDS ${source_dir}/start.S ${templates}
    COMMENT "Assembling ${folder}/start.S"
    VERBATIM)
  set(objects start.o)
  foreach(unit ${units})
    get_filename_component(name ${unit} NAME_WE)
    add_custom_command(
      OUTPUT ${binary_dir}/inst/${name}.o
      COMMAND ${CORETEST_MIPS_AS} ${as_flags} ${include_flags} -o ${binary_dir}/inst/${name}.o
              ${name}.S
      WORKING_DIRECTORY ${source_dir}/inst
      DEPENDS ${unit} ${templates}
      COMMENT "Assembling ${folder}/inst/${name}.S"
      VERBATIM)
    list(APPEND objects inst/${name}.o)
  endforeach()
  list(TRANSFORM objects PREPEND ${binary_dir}/ OUTPUT_VARIABLE object_paths)

  # link.ld names the objects relative to the image's build folder.
  get_filename_component(stem ${arg_ELF} NAME_WE)
  add_custom_command(
    OUTPUT ${binary_dir}/${arg_ELF}
    COMMAND ${CORETEST_MIPS_LD} -T ${source_dir}/link.ld -o ${stem}.linked.elf ${objects}
    COMMAND ${CORETEST_MIPS_OBJCOPY} --wildcard --strip-symbol=*.o ${stem}.linked.elf ${arg_ELF}
    WORKING_DIRECTORY ${binary_dir}
    DEPENDS ${object_paths} ${source_dir}/link.ld
    BYPRODUCTS ${binary_dir}/${stem}.linked.elf
    COMMENT "Linking ${folder}/${arg_ELF}"
    VERBATIM)
  add_custom_target(${arg_TARGET} ALL DEPENDS ${binary_dir}/${arg_ELF})

  set(${arg_PATH_VARIABLE} ${binary_dir}/${arg_ELF} CACHE INTERNAL "${arg_DESCRIPTION}")
endfunction()
