# Runs a fuzzer for SECONDS over the seeds in SEEDS, keeping what it learns
# in WORK; fails when it finds an input that crashes, hangs (more than 30 s
# on one input) or exhausts memory. Such an input is left in ARTIFACTS, the
# fuzzer's whole output in ARTIFACTS/fuzzer.log (written as it runs), and
# the number of inputs run and their rate in ARTIFACTS/count.txt.
#
# Variables: FUZZER, SEEDS, WORK, ARTIFACTS, SECONDS
foreach(var FUZZER SEEDS WORK ARTIFACTS SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake: ${var} is not set")
  endif()
endforeach()
file(GLOB_RECURSE seed_files "${SEEDS}/*")
if(NOT seed_files)
  message(FATAL_ERROR "RunFuzzer.cmake: no seeds in ${SEEDS}")
endif()
file(MAKE_DIRECTORY "${WORK}" "${ARTIFACTS}")
set(log "${ARTIFACTS}/fuzzer.log")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
          "-artifact_prefix=${ARTIFACTS}/" "${WORK}" "${SEEDS}"
  RESULT_VARIABLE result
  OUTPUT_FILE "${log}"
  ERROR_FILE "${log}")
file(READ "${log}" output)
# The progress lines are many; the summary and any report are shown.
string(REGEX REPLACE "#[0-9]+[\t ]+(NEW|REDUCE|pulse|RELOAD)[^\n]*\n" "" summary "${output}")
string(REGEX REPLACE "###### Recommended dictionary.*###### End of recommended dictionary. ######\n" ""
       summary "${summary}")
message("${summary}")
string(REGEX MATCH "stat::number_of_executed_units: *([0-9]+)" units "${output}")
set(units "${CMAKE_MATCH_1}")
string(REGEX MATCH "stat::average_exec_per_sec: *([0-9]+)" rate "${output}")
set(rate "${CMAKE_MATCH_1}")
file(WRITE "${ARTIFACTS}/count.txt" "${units} inputs in ${SECONDS} s, ${rate} per second\n")
message("${FUZZER}: ${units} inputs in ${SECONDS} s, ${rate} per second")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The fuzzer found an input that it does not survive (exit ${result}); see ${ARTIFACTS}")
endif()
