# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# What a build leaves in the files it makes: the product version
# (project(VERSION), one number for everything), the time that archives
# carry, the version inside the module, and the module split into the
# stripped file that ships and the debug information that a crash is
# symbolised with.

# Archive times come from the commit, so that two builds of one commit give
# the same bytes: SOURCE_DATE_EPOCH when the caller sets it, else the
# commit's own time, else (a source tree without git) 1980-01-01, the
# earliest time a zip entry can carry.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(PELLASTO_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE PELLASTO_SOURCE_DATE_EPOCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT PELLASTO_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(PELLASTO_SOURCE_DATE_EPOCH 315532800)
  endif()
endif()

# The version inside the module: a VERSIONINFO resource in the DLL (Explorer's
# Details tab, inventory tools), an ELF note "Pellasto" in the Linux module
# (readelf -n).
set(PELLASTO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/templates/pellasto_version.h.in
               ${PELLASTO_GENERATED_DIR}/pellasto_version.h @ONLY)
if(WIN32)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/templates/Pellasto.rc.in
                 ${PELLASTO_GENERATED_DIR}/Pellasto.rc @ONLY)
  set(PELLASTO_VERSION_SOURCE ${PELLASTO_GENERATED_DIR}/Pellasto.rc)
else()
  set(PELLASTO_VERSION_SOURCE ${PROJECT_SOURCE_DIR}/shader/version_note.cpp)
endif()

# pellasto_split_debug_info(<target>): after each link, the debug information
# goes into <file>.debug beside the target file, which is stripped and names
# that file (.gnu_debuglink, with its CRC), so debuggers and symbolisers find
# it beside the module. objcopy and strip write the current time into a PE
# header unless SOURCE_DATE_EPOCH says otherwise; 0 keeps it empty, as the
# linker left it.
function(pellasto_split_debug_info target)
  set(file $<TARGET_FILE:${target}>)
  set(tool ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${tool} ${CMAKE_OBJCOPY} --only-keep-debug ${file} ${file}.debug
    COMMAND ${tool} ${CMAKE_STRIP} --strip-all ${file}
    COMMAND ${tool} ${CMAKE_OBJCOPY} --add-gnu-debuglink=${file}.debug ${file}
    COMMENT "Moving the debug information of ${target} to its .debug file"
    VERBATIM)
endfunction()
