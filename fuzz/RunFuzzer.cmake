# Runs the fuzzer for SECONDS over the seeds in SEEDS, keeping what it
# learns in WORK; fails when it finds an input that crashes, hangs (more than
# 30 s on one input) or exhausts memory. Such an input is left in ARTIFACTS,
# the fuzzer's whole output in ARTIFACTS/fuzzer.log.
#
# Variables: FUZZER, SEEDS, WORK, ARTIFACTS, SECONDS
foreach(var FUZZER SEEDS WORK ARTIFACTS SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake: ${var} is not set")
  endif()
endforeach()
file(GLOB seed_files "${SEEDS}/*.chm")
list(LENGTH seed_files seed_count)
if(seed_count LESS 2)
  message(FATAL_ERROR "RunFuzzer.cmake: no seeds in ${SEEDS}")
endif()
file(MAKE_DIRECTORY "${WORK}" "${ARTIFACTS}")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
          "-artifact_prefix=${ARTIFACTS}/" "${WORK}" "${SEEDS}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
file(WRITE "${ARTIFACTS}/fuzzer.log" "${output}")
# The progress lines are many; the summary and any report are shown.
string(REGEX REPLACE "#[0-9]+[\t ]+(NEW|REDUCE|pulse|RELOAD)[^\n]*\n" "" summary "${output}")
string(REGEX REPLACE "###### Recommended dictionary.*###### End of recommended dictionary. ######\n" ""
       summary "${summary}")
message("${summary}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The fuzzer found an input the help-file reader does not survive (exit ${result}); "
                      "see ${ARTIFACTS}")
endif()
