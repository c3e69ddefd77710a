# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Runs pellasto-check (PROGRAM, under EMULATOR) on each faulty module of a
# family: TABLE lists them (rows) with their module, arguments and the
# regular expressions their output must and must not match. Each must end
# with exit status 1 and name its fault. Every module runs; those that are
# not found as they must be are listed at the end, each with its output.
include("${TABLE}")
string(REPLACE "|" ";" emulator "${EMULATOR}")
string(RANDOM LENGTH 12 run)
set(out_file "${CMAKE_CURRENT_BINARY_DIR}/run_faulty-${run}.out")
set(err_file "${CMAKE_CURRENT_BINARY_DIR}/run_faulty-${run}.err")
set(missed "")
foreach(class IN LISTS rows)
  string(REPLACE "|" ";" args "${${class}_args}")
  # Into files, not pipes: a module may leave a process behind that holds
  # them open.
  execute_process(COMMAND ${emulator} ${PROGRAM} ${args} "${${class}_module}"
                  OUTPUT_FILE "${out_file}" ERROR_FILE "${err_file}" RESULT_VARIABLE status)
  file(READ "${out_file}" out)
  file(READ "${err_file}" err)
  set(output "${out}${err}")
  set(why "")
  if(NOT status STREQUAL "1")
    set(why "pellasto-check exited with ${status}, not 1")
  elseif(NOT output MATCHES "${${class}_match}")
    set(why "the output does not match: ${${class}_match}")
  elseif(${class}_not_match AND output MATCHES "${${class}_not_match}")
    set(why "the output matches what it must not: ${${class}_not_match}")
  endif()
  if(why)
    message("faulty_${class}: ${why}\n${output}")
    list(APPEND missed ${class})
  else()
    message("faulty_${class}: found")
  endif()
endforeach()
file(REMOVE "${out_file}" "${err_file}")
if(missed)
  message(FATAL_ERROR "not found as they must be: ${missed}")
endif()
