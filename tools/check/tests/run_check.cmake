# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# cmake -DPROGRAM=<pellasto-check> [-DEMULATOR=<command>|...] [-DARGS=<arg>|...]
#       -DSTATUS=<exit status> -DMATCH=<regex> [-DNOT_MATCH=<regex>]
#       [-DDIR=<working folder>] [-DENVIRONMENT=<NAME=VALUE>|...]
#       [-DCOPY_FROM=<file> -DCOPY_TO=<file> [-DTRUNCATE=<bytes>] [-DUNREADABLE=1]]
#       [-DFIFO=<path>] [-DLOOP=<path>] [-DJSON=1]
#       [-DJUNIT=<file> [-DXMLLINT=<xmllint>] [-DJUNIT_MATCH=<regex>]]
#       [-DNO_CONTROLS=1] -P run_check.cmake
#
# Runs pellasto-check (through the build's emulator, if any) and requires
# its exit status to be STATUS and its output, both streams together, to
# match MATCH (and not NOT_MATCH). Lists are separated by "|". Before the run
# it can make the file the test names: a copy of COPY_FROM (its first
# TRUNCATE bytes only; unreadable to the user running the check), a FIFO, or
# a loop of two symbolic links. In ARGS and COPY_TO "<ff>" is the byte 0xff
# (no UTF-8), "<fffe>" the character U+FFFE, "<esc>" and "<cr>" those
# controls. JSON requires the standard output to parse as JSON; JUNIT names
# the JUnit file the run must write, which XMLLINT, when given, must accept,
# and whose text must match JUNIT_MATCH, when given. NO_CONTROLS requires the
# output, both streams, to hold no control byte but tab and line ends.
string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "|" ";" environment "${ENVIRONMENT}")
string(ASCII 255 byte_ff)
string(ASCII 239 191 190 char_fffe)
string(ASCII 27 char_esc)
string(ASCII 13 char_cr)
foreach(variable args COPY_TO)
  string(REPLACE "<ff>" "${byte_ff}" ${variable} "${${variable}}")
  string(REPLACE "<fffe>" "${char_fffe}" ${variable} "${${variable}}")
  string(REPLACE "<esc>" "${char_esc}" ${variable} "${${variable}}")
  string(REPLACE "<cr>" "${char_cr}" ${variable} "${${variable}}")
endforeach()
if(JUNIT)
  file(REMOVE "${JUNIT}")
endif()
set(run_as "")

if(COPY_TO)
  get_filename_component(folder "${COPY_TO}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(REMOVE "${COPY_TO}")
  if(TRUNCATE)
    execute_process(COMMAND head -c ${TRUNCATE} "${COPY_FROM}" OUTPUT_FILE "${COPY_TO}"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot cut ${COPY_FROM} to ${TRUNCATE} bytes")
    endif()
  else()
    file(COPY_FILE "${COPY_FROM}" "${COPY_TO}")
  endif()
  if(UNREADABLE)
    file(CHMOD "${COPY_TO}" PERMISSIONS OWNER_WRITE)
    # Root reads any file: the check runs as nobody then, so that the
    # permission is really refused.
    execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(uid STREQUAL "0")
      find_program(SETPRIV setpriv REQUIRED)
      set(run_as ${SETPRIV} --reuid=65534 --regid=65534 --clear-groups)
    endif()
  endif()
endif()
if(FIFO)
  file(REMOVE "${FIFO}")
  execute_process(COMMAND mkfifo "${FIFO}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot make the FIFO ${FIFO}")
  endif()
endif()
if(LOOP)
  file(REMOVE "${LOOP}" "${LOOP}.other")
  file(CREATE_LINK "${LOOP}.other" "${LOOP}" SYMBOLIC)
  file(CREATE_LINK "${LOOP}" "${LOOP}.other" SYMBOLIC)
endif()
if(NOT DIR)
  set(DIR ".")
endif()

# The output goes to files first: a NUL byte in it would end a variable.
string(RANDOM LENGTH 12 run)
set(out_file "${CMAKE_CURRENT_BINARY_DIR}/run_check-${run}.out")
set(err_file "${CMAKE_CURRENT_BINARY_DIR}/run_check-${run}.err")
execute_process(COMMAND ${CMAKE_COMMAND} -E env ${environment} ${run_as} ${emulator} ${PROGRAM}
                        ${args}
                WORKING_DIRECTORY "${DIR}"
                OUTPUT_FILE "${out_file}" ERROR_FILE "${err_file}" RESULT_VARIABLE status)
file(READ "${out_file}" out)
file(READ "${err_file}" err)
if(NO_CONTROLS)
  # Every byte as two hex digits; a control is 00-1f or 7f, and a carriage
  # return counts only before a line feed (a Windows line end).
  file(READ "${out_file}" out_hex HEX)
  file(READ "${err_file}" err_hex HEX)
  string(REGEX MATCHALL "[0-9a-f][0-9a-f]" bytes "${out_hex}0a${err_hex}")
  list(JOIN bytes " " bytes)
  string(REPLACE "0d 0a" "0a" bytes "${bytes}")
  if(bytes MATCHES "(^| )(0[0-8b-f]|1[0-9a-f]|7f)( |$)")
    set(controls "${CMAKE_MATCH_2}")
  endif()
endif()
file(REMOVE "${out_file}" "${err_file}")
set(output "${out}${err}")
message("${output}")
if(controls)
  message(FATAL_ERROR "the output holds the control byte 0x${controls}")
endif()
if(NOT status STREQUAL "${STATUS}")
  message(FATAL_ERROR "pellasto-check exited with ${status}, not ${STATUS}")
endif()
if(NOT output MATCHES "${MATCH}")
  message(FATAL_ERROR "the output does not match: ${MATCH}")
endif()
if(NOT_MATCH AND output MATCHES "${NOT_MATCH}")
  message(FATAL_ERROR "the output matches what it must not: ${NOT_MATCH}")
endif()
if(JSON)
  string(JSON kind ERROR_VARIABLE invalid TYPE "${out}")
  if(invalid)
    message(FATAL_ERROR "the standard output is not JSON: ${invalid}")
  endif()
endif()
if(JUNIT)
  if(NOT EXISTS "${JUNIT}")
    message(FATAL_ERROR "no JUnit file was written: ${JUNIT}")
  endif()
  if(XMLLINT)
    execute_process(COMMAND ${XMLLINT} --noout "${JUNIT}" RESULT_VARIABLE invalid)
    if(invalid)
      message(FATAL_ERROR "xmllint does not accept ${JUNIT}")
    endif()
  endif()
  file(READ "${JUNIT}" junit_text)
  if(JUNIT_MATCH AND NOT junit_text MATCHES "${JUNIT_MATCH}")
    message(FATAL_ERROR "${JUNIT} does not match: ${JUNIT_MATCH}")
  endif()
endif()
