# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# cmake -DPROGRAM=pellasto-check -DREADELF=readelf [-DMAX_GLIBC=2.28]
#       [-DREMOVE_ON_FAILURE=ON] -P check_elf_program.cmake
#
# Checks that a Linux program that ships starts wherever the module loads: it
# needs no library beyond the C library's own and no GLIBC_ symbol version
# above MAX_GLIBC (default 2.28). Each symbol that asks for more is named. With
# REMOVE_ON_FAILURE the program is deleted when it fails (run after each link,
# so that the next build links and checks it again).
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/check_elf_glibc.cmake)
foreach(var PROGRAM READELF)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_elf_program: ${var} not given")
  endif()
endforeach()
if(NOT DEFINED MAX_GLIBC)
  set(MAX_GLIBC 2.28)
endif()

execute_process(COMMAND ${READELF} -W --file-header --dynamic --dyn-syms --version-info ${PROGRAM}
                OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE status)
set(problems "")
if(NOT status EQUAL 0)
  list(APPEND problems "${READELF} failed: ${dump_error}")
elseif(NOT dump MATCHES "\n *Type: +(DYN|EXEC) ")
  list(APPEND problems "not an ELF program")
else()
  check_elf_c_library("${dump}" ${MAX_GLIBC})
endif()

if(problems)
  if(REMOVE_ON_FAILURE)
    file(REMOVE ${PROGRAM})
    set(how "rebind or replace what asks for more in cmake/PellastoGlibc.cmake")
    list(APPEND problems "so it was removed: ${how}")
  endif()
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${PROGRAM} would not start on glibc ${MAX_GLIBC}:\n  ${text}")
endif()
list(JOIN needed " " needed)
message(STATUS "${PROGRAM}: needs ${needed} up to GLIBC_${highest}")
