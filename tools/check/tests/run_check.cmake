# cmake -DPROGRAM=<pellasto-check> [-DEMULATOR=<command>|...] [-DARGS=<arg>|...]
#       -DSTATUS=<exit status> -DMATCH=<regex> [-DNOT_MATCH=<regex>]
#       [-DDIR=<working folder>] [-DENVIRONMENT=<NAME=VALUE>|...]
#       [-DCOPY_FROM=<file> -DCOPY_TO=<file> [-DTRUNCATE=<bytes>] [-DUNREADABLE=1]]
#       [-DFIFO=<path>] [-DLOOP=<path>] [-DJSON=1]
#       [-DJUNIT=<file> [-DXMLLINT=<xmllint>] [-DJUNIT_MATCH=<regex>]]
#       -P run_check.cmake
#
# Runs pellasto-check (through the build's emulator, if any) and requires
# its exit status to be STATUS and its output, both streams together, to
# match MATCH (and not NOT_MATCH). Lists are separated by "|". Before the run
# it can make the file the test names: a copy of COPY_FROM (its first
# TRUNCATE bytes only; unreadable to the user running the check), a FIFO, or
# a loop of two symbolic links. "<ff>" in ARGS is the byte 0xff (no UTF-8).
# JSON requires the standard output to parse as JSON; JUNIT names the JUnit
# file the run must write, which XMLLINT, when given, must accept, and whose
# text must match JUNIT_MATCH, when given.
string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "|" ";" environment "${ENVIRONMENT}")
string(ASCII 255 byte_ff)
string(REPLACE "<ff>" "${byte_ff}" args "${args}")
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

execute_process(COMMAND ${CMAKE_COMMAND} -E env ${environment} ${run_as} ${emulator} ${PROGRAM}
                        ${args}
                WORKING_DIRECTORY "${DIR}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
set(output "${out}${err}")
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
