# cmake -DPROGRAM=<pellasto-check> [-DEMULATOR=<command>|...] [-DARGS=<arg>|...]
#       -DSTATUS=<exit status> -DMATCH=<regex> [-DNOT_MATCH=<regex>]
#       [-DFILE=<path> -DFILE_MATCH=<regex>] -P run_check.cmake
#
# Runs pellasto-check (through the build's emulator, if any) and requires
# its exit status to be STATUS and its output, both streams together, to
# match MATCH (and not NOT_MATCH), and the file FILE that it writes, removed
# before, to match FILE_MATCH. Lists are separated by "|".
string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" args "${ARGS}")
if(FILE)
  file(REMOVE "${FILE}")
endif()
execute_process(COMMAND ${emulator} ${PROGRAM} ${args}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
message("${output}")
if(NOT status STREQUAL "${STATUS}")
  message(FATAL_ERROR "pellasto-check exited with ${status}, not ${STATUS}")
endif()
if(NOT output MATCHES "${MATCH}")
  message(FATAL_ERROR "the output does not match: ${MATCH}")
endif()
if(NOT_MATCH AND output MATCHES "${NOT_MATCH}")
  message(FATAL_ERROR "the output matches what it must not: ${NOT_MATCH}")
endif()
if(FILE)
  if(NOT EXISTS "${FILE}")
    message(FATAL_ERROR "pellasto-check did not write ${FILE}")
  endif()
  file(READ "${FILE}" written)
  if(NOT written MATCHES "${FILE_MATCH}")
    message(FATAL_ERROR "${FILE} does not match: ${FILE_MATCH}")
  endif()
endif()
