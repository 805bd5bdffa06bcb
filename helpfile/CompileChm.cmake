# Compiles the help file with chmcmd and checks its context map.
#
# chmcmd writes the topic names of the context map as absolute paths of the
# machine it runs on. Run inside a private mount namespace with the staged
# help folder as the root of the file system, it writes "/topics/x.htm" -
# the topic's own name inside the file.
#
# Variables: SOURCE_DIR, STAGE_DIR, OUTPUT, CHMCMD, CHECKER, CONTEXTS (;-list)
foreach(var SOURCE_DIR STAGE_DIR OUTPUT CHMCMD CHECKER CONTEXTS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CompileChm.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}/usr")
file(COPY "${SOURCE_DIR}/veltaro.hhp" "${SOURCE_DIR}/veltaro.hhc" "${SOURCE_DIR}/veltaro.hhk" "${SOURCE_DIR}/context.h"
          "${SOURCE_DIR}/topics" "${SOURCE_DIR}/images"
     DESTINATION "${STAGE_DIR}")
foreach(link lib lib64 bin)
  if(EXISTS "/${link}")
    file(CREATE_LINK "usr/${link}" "${STAGE_DIR}/${link}" SYMBOLIC)
  endif()
endforeach()

execute_process(
  COMMAND unshare --user --map-root-user --mount
          sh -c "mount --rbind /usr \"$1/usr\" && exec chroot \"$1\" \"$2\" veltaro.hhp" sh "${STAGE_DIR}" "${CHMCMD}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS "${STAGE_DIR}/veltaro.chm")
  message(FATAL_ERROR "chmcmd failed (${result}); it runs in a user and mount namespace (unshare) with the help "
                      "folder as root:\n${output}")
endif()

execute_process(
  COMMAND "${CHECKER}" "${STAGE_DIR}/veltaro.chm" "${STAGE_DIR}" ${CONTEXTS}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "The compiled help file is not usable:\n${output}")
endif()
file(COPY_FILE "${STAGE_DIR}/veltaro.chm" "${OUTPUT}")
