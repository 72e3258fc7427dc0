# The fuzz targets in the test run: built with clang (libFuzzer) in a build folder of their own,
# then each replays its seed corpus once and fuzzes for a few seconds from it. Without clang the
# fuzz tests are skipped with a message. Long runs: scripts/fuzz.sh.
find_program(CORETEST_CLANGXX NAMES clang++ clang++-14)
set(fuzz_source ${PROJECT_SOURCE_DIR}/fuzz)
set(fuzz_build ${PROJECT_BINARY_DIR}/fuzz)
if(NOT CORETEST_CLANGXX)
  add_test(NAME fuzz_skipped
           COMMAND sh -c "echo 'clang++ not found: fuzz targets not built (scripts/install-deps.sh installs clang)'; exit 77")
  set_tests_properties(fuzz_skipped PROPERTIES SKIP_RETURN_CODE 77)
  return()
endif()

add_test(NAME fuzz_build
         COMMAND sh -c "cmake -S '${fuzz_source}' -B '${fuzz_build}' -DCMAKE_CXX_COMPILER='${CORETEST_CLANGXX}' -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && cmake --build '${fuzz_build}' -j2")
set_tests_properties(fuzz_build PROPERTIES FIXTURES_SETUP fuzz_targets TIMEOUT 1800)

foreach(target image numbers fault_selection trace)
  set(fuzzer ${fuzz_build}/${target}_fuzzer)
  # Every seed once: a regression found by fuzzing stays in the corpus.
  add_test(NAME fuzz_${target}_replay COMMAND ${fuzzer} -runs=0 ${fuzz_source}/corpus/${target})
  # A short run from the seeds; new inputs go to a folder of the build, never into the sources.
  add_test(NAME fuzz_${target}_short
           COMMAND sh -c "rm -rf work-${target} && mkdir work-${target} && exec '${fuzzer}' -max_total_time=4 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix='${fuzz_build}/${target}-' work-${target} '${fuzz_source}/corpus/${target}'"
           WORKING_DIRECTORY ${fuzz_build})
  set_tests_properties(fuzz_${target}_replay fuzz_${target}_short PROPERTIES
                       FIXTURES_REQUIRED fuzz_targets TIMEOUT 300)
endforeach()
