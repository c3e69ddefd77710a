# Included by a release build's check-release.cmake (generated from
# cmake/templates/check-release.cmake.in), after its package step. Checks the
# two archives as a user receives them:
#   - each has a .sha256 beside it that names it and holds its digest;
#   - the release archive unpacks into Pellasto-<version>-<platform>/ with
#     LICENSE, THIRD-PARTY-NOTICES (naming the GCC runtime's licence
#     exception), shaders/ with the module, its declaration and INSTALL.txt,
#     and bin/ with pellasto-check;
#   - every file in it is, byte for byte, what `cmake --install` of the same
#     build folder installs, and the module is the one the build made;
#   - the symbols archive unpacks into the same folder and holds the debug
#     file of every stripped binary there, under the name its .gnu_debuglink
#     gives;
#   - the module passes the PE or ELF check, stripped and with this version;
#   - on Linux, each program in bin/ needs nothing newer than the glibc the
#     module loads on (GLIBC_BASELINE), so that it runs where the module does;
#   - a program shipped in bin/ passes when run on the archive's own module.
cmake_policy(VERSION 3.25)

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "check-release (${PLATFORM}): ${text}")
endfunction()

set(name Pellasto-${VERSION}-${PLATFORM})
set(work ${BUILD}/release-check)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/unpacked)

foreach(archive ${name}.${ARCHIVE_EXTENSION} ${name}-symbols.${ARCHIVE_EXTENSION})
  if(NOT EXISTS ${BUILD}/${archive} OR NOT EXISTS ${BUILD}/${archive}.sha256)
    fail("${archive} or its .sha256 is missing from ${BUILD}")
  endif()
  file(SHA256 ${BUILD}/${archive} digest)
  file(READ ${BUILD}/${archive}.sha256 line)
  if(NOT line STREQUAL "${digest}  ${archive}\n")
    fail("${archive}.sha256 does not hold \"${digest}  ${archive}\": ${line}")
  endif()
  file(ARCHIVE_EXTRACT INPUT ${BUILD}/${archive} DESTINATION ${work}/unpacked)
endforeach()

# Everything unpacks into one folder named like the archive.
file(GLOB top RELATIVE ${work}/unpacked ${work}/unpacked/*)
if(NOT top STREQUAL name)
  fail("the archives unpack into \"${top}\", not into ${name}/")
endif()
set(tree ${work}/unpacked/${name})
# pellasto-check is left out of a build that lacks its libraries' headers;
# a release without it is not one.
if(FORMAT STREQUAL "PE")
  set(check_program bin/pellasto-check.exe)
else()
  set(check_program bin/pellasto-check)
endif()
foreach(file LICENSE THIRD-PARTY-NOTICES shaders/${MODULE_FILE} shaders/Pellasto.mtlx
             shaders/INSTALL.txt ${check_program})
  if(NOT EXISTS ${tree}/${file})
    fail("${name}/${file} is missing")
  endif()
endforeach()
file(STRINGS ${tree}/THIRD-PARTY-NOTICES exception REGEX "GCC Runtime Library Exception"
     LIMIT_COUNT 1)
if(NOT exception)
  fail("THIRD-PARTY-NOTICES does not give the GCC Runtime Library Exception")
endif()

# The archive is what `cmake --install` gives: the same files, the same bytes.
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${work}/installed
                RESULT_VARIABLE status OUTPUT_QUIET)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${work}/installed
                        --component Symbols
                RESULT_VARIABLE symbols_status OUTPUT_QUIET)
if(NOT status EQUAL 0 OR NOT symbols_status EQUAL 0)
  fail("cmake --install ${BUILD} failed")
endif()
file(GLOB_RECURSE packed RELATIVE ${tree} ${tree}/*)
file(GLOB_RECURSE installed RELATIVE ${work}/installed ${work}/installed/*)
list(SORT packed)
list(SORT installed)
if(NOT packed STREQUAL installed)
  fail("the archives hold ${packed}\nbut cmake --install gives ${installed}")
endif()
foreach(file ${packed})
  file(SHA256 ${tree}/${file} a)
  file(SHA256 ${work}/installed/${file} b)
  if(NOT a STREQUAL b)
    fail("${file} in the archive differs from the one cmake --install gives")
  endif()
endforeach()
file(SHA256 ${tree}/shaders/${MODULE_FILE} a)
file(SHA256 ${BUILD}/bin/${MODULE_FILE} b)
if(NOT a STREQUAL b)
  fail("the packed ${MODULE_FILE} is not the one the build made")
endif()

# Each binary that ships has its debug file beside it in the symbols archive.
set(binaries shaders/${MODULE_FILE})
file(GLOB programs RELATIVE ${tree} ${tree}/bin/*)
list(FILTER programs EXCLUDE REGEX "\\.debug$")
list(APPEND binaries ${programs})
foreach(binary ${binaries})
  if(NOT EXISTS ${tree}/${binary}.debug)
    fail("the symbols archive has no ${binary}.debug")
  endif()
endforeach()

# The module's own checks, on the file as shipped.
set(args -DMODULE=${tree}/shaders/${MODULE_FILE} -DMACHINE=${MACHINE} -DVERSION=${VERSION}
         -DSTRIPPED=ON)
if(FORMAT STREQUAL "PE")
  list(APPEND args -DOBJDUMP=${OBJDUMP} -DSYMBOLS=${tree}/shaders/${MODULE_FILE}.debug)
else()
  list(APPEND args -DREADELF=${READELF} -DMAX_GLIBC=${GLIBC_BASELINE})
endif()
string(TOLOWER ${FORMAT} format)
execute_process(COMMAND ${CMAKE_COMMAND} ${args}
                        -P ${CMAKE_CURRENT_LIST_DIR}/check_${format}_module.cmake
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  fail("the shipped ${MODULE_FILE} fails its ${FORMAT} check")
endif()
if(FORMAT STREQUAL "ELF")
  foreach(program ${programs})
    execute_process(COMMAND ${CMAKE_COMMAND} -DPROGRAM=${tree}/${program} -DREADELF=${READELF}
                            -DMAX_GLIBC=${GLIBC_BASELINE}
                            -P ${CMAKE_CURRENT_LIST_DIR}/check_elf_program.cmake
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      fail("the shipped ${program} would not start on glibc ${GLIBC_BASELINE}, where the "
           "module loads")
    endif()
  endforeach()
endif()

# The shipped programs, run as a user would, on the module beside them.
foreach(program ${programs})
  message(STATUS "check-release: running ${name}/${program}")
  execute_process(COMMAND ${EMULATOR} ${tree}/${program} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    fail("${program} failed (${status}) on the shipped module")
  endif()
endforeach()

message(STATUS "check-release: ${name} and its symbols hold what they should: "
               "${packed}")
