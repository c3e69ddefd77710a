# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# THIRD-PARTY-NOTICES, kept at the top of the source tree and installed as it
# is: what the compiler links into each shipped binary, by Debian source
# package, and the licence of each as Debian ships it. Configuring needs no
# package tools; where dpkg is there (the Debian legs), a test compares the
# file with what this build really links:
#
#   pellasto_notice_binary(<target> [<header>...])
#       <target> ships; the test reads its linker map (-Wl,-Map), and takes the
#       headers named (absolute paths of header-only libraries compiled in)
#       as parts of it too.
#   pellasto_write_notices()
#       once every shipped target is known: the test
#       third_party_notices_match_the_link (tests/cmake/check_notices.cmake), and
#       with PELLASTO_BOM the bill of materials of each archive
#       (cmake/write_bom.cmake), from the same trace of the linker maps.

set(PELLASTO_NOTICES_FILE ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES)
find_program(PELLASTO_DPKG dpkg)
find_program(PELLASTO_DPKG_QUERY dpkg-query)

function(pellasto_notice_binary target)
  target_link_options(${target} PRIVATE
    -Wl,-Map=${CMAKE_BINARY_DIR}/link-maps/$<TARGET_FILE_NAME:${target}>.map)
  set_property(GLOBAL APPEND PROPERTY pellasto_notice_targets ${target})
  set_property(GLOBAL PROPERTY pellasto_notice_headers_${target} ${ARGN})
endfunction()

function(pellasto_write_notices)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/link-maps)
  get_property(targets GLOBAL PROPERTY pellasto_notice_targets)
  set(binaries "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      set(binary ${PELLASTO_PROGRAM_DIR}/$<TARGET_FILE_NAME:${target}>)
    else()
      set(binary ${PELLASTO_SHADER_DIR}/$<TARGET_FILE_NAME:${target}>)
    endif()
    get_property(headers GLOBAL PROPERTY pellasto_notice_headers_${target})
    list(JOIN headers "," headers)
    list(APPEND binaries
         "${binary}|${CMAKE_BINARY_DIR}/link-maps/$<TARGET_FILE_NAME:${target}>.map|${headers}")
  endforeach()
  list(JOIN binaries "^" binaries)
  pellasto_install_bom("${binaries}")
  if(NOT BUILD_TESTING)
    return()
  endif()
  if(PELLASTO_SANITIZE)
    message(STATUS "THIRD-PARTY-NOTICES is not compared with the link: a sanitized build "
                   "links the sanitizers' runtimes, which no release ships")
    return()
  endif()
  if(NOT PELLASTO_DPKG OR NOT PELLASTO_DPKG_QUERY)
    message(STATUS "THIRD-PARTY-NOTICES is not compared with the link: "
                   "no dpkg to tell which package each linked file comes from")
    return()
  endif()
  add_test(NAME third_party_notices_match_the_link
           COMMAND ${CMAKE_COMMAND} -DNOTICES=${PELLASTO_NOTICES_FILE}
                   -DPLATFORM=${PELLASTO_PLATFORM} -DBUILD=${CMAKE_BINARY_DIR}
                   -DDPKG=${PELLASTO_DPKG} -DDPKG_QUERY=${PELLASTO_DPKG_QUERY}
                   "-DBINARIES=${binaries}"
                   -P ${PROJECT_SOURCE_DIR}/tests/cmake/check_notices.cmake)
  # The same check on a copy whose module names another package than the C
  # library's for the start-up files: both the missing and the stale notice
  # must be reported.
  file(READ ${PELLASTO_NOTICES_FILE} text)
  string(REPLACE "crti.o, crtn.o [glibc]" "crti.o, crtn.o [zlib]" faulty "${text}")
  string(REPLACE "crti.o, crtn.o [cross-toolchain-base]" "crti.o, crtn.o [zlib]" faulty
                 "${faulty}")
  string(REPLACE "start-up code (dllcrt2.o), libmingw32, libmingwex and the system DLLs' import libraries [mingw-w64]"
                 "start-up code [zlib]" faulty "${faulty}")
  file(WRITE ${CMAKE_BINARY_DIR}/notices-with-a-wrong-part "${faulty}")
  add_test(NAME notices_check_rejects_a_missing_and_a_stale_part
           COMMAND ${CMAKE_COMMAND} -DNOTICES=${CMAKE_BINARY_DIR}/notices-with-a-wrong-part
                   -DPLATFORM=${PELLASTO_PLATFORM} -DBUILD=${CMAKE_BINARY_DIR}
                   -DDPKG=${PELLASTO_DPKG} -DDPKG_QUERY=${PELLASTO_DPKG_QUERY}
                   "-DBINARIES=${binaries}"
                   -P ${PROJECT_SOURCE_DIR}/tests/cmake/check_notices.cmake)
  set_tests_properties(notices_check_rejects_a_missing_and_a_stale_part PROPERTIES
    PASS_REGULAR_EXPRESSION
    "Debian source (glibc|cross-toolchain-base|mingw-w64)\\), which the notices do not list.*stale: the notices list zlib.*no licence text \"==== \\[zlib\\]")
endfunction()

# pellasto_install_bom(<binaries>): with PELLASTO_BOM (the release presets),
# the last step of installing each component writes its bill of materials,
# Pellasto-<version>-<platform>[-symbols].cdx.json at the top of the tree,
# over the files that component installed.
option(PELLASTO_BOM "Install a CycloneDX bill of materials with each component" OFF)
function(pellasto_install_bom binaries)
  if(NOT PELLASTO_BOM)
    return()
  endif()
  if(NOT PELLASTO_DPKG OR NOT PELLASTO_DPKG_QUERY)
    message(FATAL_ERROR "PELLASTO_BOM needs dpkg and dpkg-query to tell which Debian "
                        "package each linked file comes from")
  endif()
  set(name Pellasto-${PROJECT_VERSION}-${PELLASTO_PLATFORM})
  foreach(component Runtime Symbols)
    set(archive ${name})
    set(symbols OFF)
    set(optional "")
    if(component STREQUAL "Symbols")
      set(archive ${name}-symbols)
      set(symbols ON)
      set(optional EXCLUDE_FROM_ALL)
    endif()
    set(file ${archive}.cdx.json)
    install(CODE "
      set(_root \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
      execute_process(COMMAND \"${CMAKE_COMMAND}\" \"-DROOT=\${_root}\"
          \"-DFILES=\${CMAKE_INSTALL_MANIFEST_FILES}\" \"-DOUT=\${_root}/${file}\"
          -DNAME=${archive} -DVERSION=${PROJECT_VERSION}
          -DPLATFORM=${PELLASTO_PLATFORM} \"-DBUILD=${CMAKE_BINARY_DIR}\"
          -DDPKG=${PELLASTO_DPKG} -DDPKG_QUERY=${PELLASTO_DPKG_QUERY}
          \"-DBINARIES=${binaries}\" -DCOMPILER=${CMAKE_CXX_COMPILER_ID}
          -DCOMPILER_VERSION=${CMAKE_CXX_COMPILER_VERSION}
          \"-DCOMPILER_PATH=${CMAKE_CXX_COMPILER}\" \"-DLINKER=${CMAKE_LINKER}\"
          -DSYMBOLS=${symbols} -P \"${CMAKE_CURRENT_FUNCTION_LIST_DIR}/write_bom.cmake\"
          RESULT_VARIABLE _status)
      if(NOT _status EQUAL 0)
        message(FATAL_ERROR \"the bill of materials ${file} could not be written\")
      endif()
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_root}/${file}\")
    " COMPONENT ${component} ${optional})
  endforeach()
endfunction()
