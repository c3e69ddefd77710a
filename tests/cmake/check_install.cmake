# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# cmake -DBUILD=<build folder> -DPREFIX=<empty folder> -DMODULE=<built module>
#       [-DEXTRA=<file>|<file>...] [-DBOM=<file>] -P check_install.cmake
#
# Installs the build into PREFIX and checks the release layout: the licence
# files at the top, shaders/ with the module, the declaration and the install
# note, the EXTRA files (the programs in bin/) and the BOM (the bill of
# materials a release build writes at the top); nothing else (no test
# programs or test hosts, no debug information). The module installed is the
# very file the build made, byte for byte. THIRD-PARTY-NOTICES gives the GCC
# runtime's licence exception. The debug information of the module and of
# each program comes with the Symbols component, beside it (left installed).
# The release check runs this on the install it compares its archives with.
string(REPLACE "|" ";" EXTRA "${EXTRA}")
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD} failed")
endif()
get_filename_component(module_file ${MODULE} NAME)
set(expected LICENSE THIRD-PARTY-NOTICES shaders/INSTALL.txt shaders/${module_file}
    shaders/Pellasto.mtlx ${EXTRA} ${BOM})
list(SORT expected)
file(GLOB_RECURSE found RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "installed: ${found}\nexpected: ${expected}")
endif()
file(SHA256 ${MODULE} built)
file(SHA256 ${PREFIX}/shaders/${module_file} installed)
if(NOT built STREQUAL installed)
  message(FATAL_ERROR "the installed ${module_file} differs from the built one")
endif()
file(STRINGS ${PREFIX}/THIRD-PARTY-NOTICES exception REGEX "GCC Runtime Library Exception"
     LIMIT_COUNT 1)
if(NOT exception)
  message(FATAL_ERROR "THIRD-PARTY-NOTICES does not give the GCC Runtime Library Exception")
endif()
file(READ ${PREFIX}/shaders/INSTALL.txt note)
if(NOT note MATCHES "${module_file}")
  message(FATAL_ERROR "the install note does not name ${module_file}")
endif()
# The symbols are there on request, beside the module they belong to.
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                        --component Symbols
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0 OR NOT EXISTS ${PREFIX}/shaders/${module_file}.debug)
  message(FATAL_ERROR "cmake --install --component Symbols gave no ${module_file}.debug")
endif()
foreach(program IN LISTS EXTRA)
  if(NOT EXISTS ${PREFIX}/${program}.debug)
    message(FATAL_ERROR "cmake --install --component Symbols gave no ${program}.debug")
  endif()
endforeach()
message(STATUS "installed: ${found}")
