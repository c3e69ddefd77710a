# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# cmake -DMODULE=Pellasto.so -DMACHINE=x86-64|i386|aarch64 -DREADELF=readelf
#       -DCHECKSEC=checksec -DHARDENING_CHECK=hardening-check
#       [-DEXPORTS=a;b;c] [-DMAX_GLIBC=2.28] [-DVERSION=1.0.0] [-DSTRIPPED=ON]
#       -P check_elf_module.cmake
#
# Checks a built Linux module without loading it. The hardening is judged by
# the distributions' own checkers:
#   - hardening-check (devscripts): stack protector, _FORTIFY_SOURCE, RELRO
#     and BIND_NOW (not PIE, which is for programs, nor control-flow marks,
#     which the module is not built with);
#   - checksec: a shared object ("pie": "dso"), a non-executable stack, no
#     RPATH or RUNPATH, and with STRIPPED no symbol table.
# What they do not judge is checked here, from readelf:
#   - an ELF file of the class and machine expected;
#   - its dynamic symbol table exports exactly EXPORTS (default: the module's
#     five entries);
#   - it needs no library beyond the C library's own, and no GLIBC symbol
#     version above MAX_GLIBC (default 2.28);
#   - no segment both writable and executable, and no text relocations;
#   - with VERSION, the version note "Pellasto" carries it;
#   - with STRIPPED, no debug information, and a .gnu_debuglink naming the
#     file that has it.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/check_module_common.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/check_elf_glibc.cmake)
check_module_arguments(check_elf_module MODULE READELF MACHINE CHECKSEC HARDENING_CHECK)
if(NOT DEFINED MAX_GLIBC)
  set(MAX_GLIBC 2.28)
endif()
set(problems "")

# hardening-check: its own verdict, and the lines of what it found missing.
execute_process(COMMAND ${HARDENING_CHECK} --nopie --nocfprotection --quiet ${MODULE}
                OUTPUT_VARIABLE verdict ERROR_VARIABLE verdict RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  string(REGEX MATCHALL "\n [^\n]*: no[^\n]*" lines "${verdict}")
  list(FILTER lines EXCLUDE REGEX "\\(ignored\\)")
  list(TRANSFORM lines STRIP)
  list(JOIN lines "; " lines)
  list(APPEND problems "hardening-check: ${lines}")
endif()

# checksec, in JSON: one object named after the file.
execute_process(COMMAND ${CHECKSEC} --output=json --file=${MODULE}
                OUTPUT_VARIABLE json RESULT_VARIABLE status)
string(JSON report ERROR_VARIABLE json_error GET "${json}" "${MODULE}")
if(json_error)
  message(FATAL_ERROR "${CHECKSEC} gave no report of ${MODULE}: ${json}")
endif()
set(expected "pie=dso" "nx=yes" "rpath=no" "runpath=no")
if(STRIPPED)
  list(APPEND expected "symbols=no")
endif()
foreach(pair IN LISTS expected)
  string(REPLACE "=" ";" pair ${pair})
  list(GET pair 0 key)
  list(GET pair 1 want)
  string(JSON got GET "${report}" ${key})
  if(NOT got STREQUAL want)
    list(APPEND problems "checksec: ${key} is \"${got}\", not \"${want}\"")
  endif()
endforeach()

# The rest from readelf.
execute_process(COMMAND ${READELF} -W --file-header --program-headers --section-headers
                        --dynamic --dyn-syms --version-info --notes ${MODULE}
                OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} ${MODULE} failed: ${dump_error}")
endif()

# Class and machine.
set(elf_x86-64 "ELF64|Advanced Micro Devices X86-64")
set(elf_i386 "ELF32|Intel 80386")
set(elf_aarch64 "ELF64|AArch64")
if(NOT DEFINED elf_${MACHINE})
  message(FATAL_ERROR "check_elf_module: unknown MACHINE ${MACHINE}")
endif()
string(REPLACE "|" ";" want "${elf_${MACHINE}}")
list(GET want 0 class)
list(GET want 1 machine_name)
string(REGEX MATCH "Class: +([^\n]*)" found_class "${dump}")
string(REGEX MATCH "Machine: +([^\n]*)" found_machine "${dump}")
if(NOT found_class MATCHES " ${class}$" OR NOT found_machine MATCHES " ${machine_name}$")
  list(APPEND problems "not an ${class} file for ${machine_name} (${found_class}, ${found_machine})")
endif()

# Exports: the defined global and weak symbols of the dynamic symbol table.
set(symbol "\n *[0-9]+: [0-9a-f]+ +[0-9a-fx]+ [A-Z_]+ +(GLOBAL|WEAK) +[A-Z]+ +([0-9]+) ([^ @\n]+)")
string(REGEX MATCHALL "${symbol}" exports "${dump}")
list(TRANSFORM exports REPLACE "${symbol}" "\\3")
list(SORT exports)
set(expected ${EXPORTS})
list(SORT expected)
if(NOT exports STREQUAL expected)
  check_module_export_difference(exports)
  list(JOIN unexpected " " unexpected)
  list(JOIN missing " " missing)
  list(APPEND problems "exports differ: unexpected [${unexpected}], missing [${missing}]")
endif()

# Libraries and C library versions needed.
check_elf_c_library("${dump}" ${MAX_GLIBC})

# No code that is writable when loaded.
string(REGEX MATCHALL "\n +LOAD [^\n]*" segments "${dump}")
foreach(segment IN LISTS segments)
  if(segment MATCHES " RWE ")
    string(STRIP "${segment}" segment)
    list(APPEND problems "a segment is both writable and executable (${segment})")
  endif()
endforeach()
if(dump MATCHES "\\(TEXTREL\\)" OR dump MATCHES "\\(FLAGS\\)[^\n]*TEXTREL")
  list(APPEND problems "has text relocations")
endif()

# The version note: "Pellasto", the version's characters and a zero.
if(DEFINED VERSION)
  string(HEX "${VERSION}" hex)
  string(REGEX REPLACE "(..)" "\\1 " hex "${hex}")
  if(NOT dump MATCHES "\n *Pellasto +0x[0-9a-f]+\t[^\n]*description data: ([0-9a-f ]+)")
    list(APPEND problems "no version note \"Pellasto\"")
  elseif(NOT CMAKE_MATCH_1 STREQUAL "${hex}00 ")
    list(APPEND problems "the version note says ${CMAKE_MATCH_1}, not ${VERSION}")
  endif()
endif()

# The debug information in a file of its own.
if(STRIPPED)
  if(dump MATCHES "\\] \\.debug_info ")
    list(APPEND problems "not stripped (has .debug_info)")
  endif()
  if(NOT dump MATCHES "\\] \\.gnu_debuglink ")
    list(APPEND problems "no .gnu_debuglink naming its debug information")
  endif()
endif()

check_module_verdict()
list(JOIN exports " " exports)
list(JOIN needed " " needed)
message(STATUS "${MODULE}: ${class} ${MACHINE} shared object; exports ${exports}; needs "
               "${needed} up to GLIBC_${highest}; passes hardening-check and checksec")
