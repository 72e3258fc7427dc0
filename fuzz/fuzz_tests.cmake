# The fuzz targets in the test run: each replays its seed corpus once and fuzzes for a few seconds
# from it. They are built with CORETEST_FUZZ (clang); without it the fuzz tests are skipped with a
# message. Long runs: scripts/fuzz.sh.
if(NOT CORETEST_FUZZ)
  add_test(NAME fuzz_skipped
           COMMAND sh -c "echo 'fuzz targets not built: configure with clang++, -DCORETEST_SANITIZE=ON and -DCORETEST_FUZZ=ON (test.sh does)'; exit 77")
  set_tests_properties(fuzz_skipped PROPERTIES SKIP_RETURN_CODE 77)
  return()
endif()

set(fuzz_source ${PROJECT_SOURCE_DIR}/fuzz)
set(fuzz_work ${PROJECT_BINARY_DIR}/fuzz)
foreach(target image numbers fault_selection trace cosim_api)
  set(fuzzer $<TARGET_FILE:${target}_fuzzer>)
  # Every seed once: a regression found by fuzzing stays in the corpus.
  add_test(NAME fuzz_${target}_replay COMMAND ${fuzzer} -runs=0 ${fuzz_source}/corpus/${target})
  # A short run from the seeds; new inputs go to a folder of the build, never into the sources.
  # Traces up to 4 MiB: a gzip seed inflates to ~100 k records of repeated and crowded @SEQ.
  set(max_len "")
  if(target STREQUAL "trace" OR target STREQUAL "compare")
    set(max_len "-max_len=4194304")
  endif()
  add_test(NAME fuzz_${target}_short
           COMMAND sh -c "rm -rf work-${target} && mkdir work-${target} && exec \"$0\" -max_total_time=4 -timeout=10 -rss_limit_mb=2048 ${max_len} -print_final_stats=1 -artifact_prefix='${fuzz_work}/${target}-' work-${target} '${fuzz_source}/corpus/${target}'" ${fuzzer}
           WORKING_DIRECTORY ${fuzz_work})
  set_tests_properties(fuzz_${target}_replay fuzz_${target}_short PROPERTIES TIMEOUT 300)
endforeach()
