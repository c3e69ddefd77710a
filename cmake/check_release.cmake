# Included by a release build's check-release.cmake (generated from
# cmake/templates/check-release.cmake.in), after its package step and
# scripts/release.sh's `sha256sum -c` of the two archives' checksum files.
# Each fact about the archives is checked once, here:
#   - the install route: cmake/check_install.cmake installs the build (both
#     components) and checks its layout, the programs (pellasto-check must
#     ship) and the debug file beside each binary;
#   - the archives unpack into one folder, Pellasto-<version>-<platform>/,
#     holding exactly the files of that install, byte for byte;
#   - the module, as shipped, passes its PE or ELF check, stripped and with
#     this version;
#   - the highest GLIBC version of each shipped ELF binary: the module's is
#     held to GLIBC_BASELINE by its check, and each program in bin/ needs
#     nothing newer either, so that it runs where the module loads;
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
foreach(tool CHECKSEC HARDENING_CHECK PESEC READPE)
  if(NOT ${tool})
    fail("${tool} was not found at configure time (checksec, devscripts, pev)")
  endif()
endforeach()

# The install route and its layout.
if(FORMAT STREQUAL "PE")
  set(check_program bin/pellasto-check.exe)
else()
  set(check_program bin/pellasto-check)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -DBUILD=${BUILD} -DPREFIX=${work}/installed
                        -DMODULE=${BUILD}/bin/${MODULE_FILE} -DEXTRA=${check_program}
                        -P ${CMAKE_CURRENT_LIST_DIR}/check_install.cmake
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  fail("the install of ${BUILD} is not the release's layout")
endif()

# The archives hold that install, in one folder named like them.
foreach(archive ${name}.${ARCHIVE_EXTENSION} ${name}-symbols.${ARCHIVE_EXTENSION})
  file(ARCHIVE_EXTRACT INPUT ${BUILD}/${archive} DESTINATION ${work}/unpacked)
endforeach()
file(GLOB top RELATIVE ${work}/unpacked ${work}/unpacked/*)
if(NOT top STREQUAL name)
  fail("the archives unpack into \"${top}\", not into ${name}/")
endif()
set(tree ${work}/unpacked/${name})
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

# The module's own checks, on the file as shipped.
set(args -DMODULE=${tree}/shaders/${MODULE_FILE} -DMACHINE=${MACHINE} -DVERSION=${VERSION}
         -DSTRIPPED=ON)
if(FORMAT STREQUAL "PE")
  list(APPEND args -DOBJDUMP=${OBJDUMP} -DSYMBOLS=${tree}/shaders/${MODULE_FILE}.debug
       -DPESEC=${PESEC} -DREADPE=${READPE})
else()
  list(APPEND args -DREADELF=${READELF} -DMAX_GLIBC=${GLIBC_BASELINE} -DCHECKSEC=${CHECKSEC}
       -DHARDENING_CHECK=${HARDENING_CHECK})
endif()
string(TOLOWER ${FORMAT} format)
execute_process(COMMAND ${CMAKE_COMMAND} ${args}
                        -P ${CMAKE_CURRENT_LIST_DIR}/check_${format}_module.cmake
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  fail("the shipped ${MODULE_FILE} fails its ${FORMAT} check")
endif()
# The programs shipped in bin/.
set(programs ${packed})
list(FILTER programs INCLUDE REGEX "^bin/[^/]+$")
list(FILTER programs EXCLUDE REGEX "\\.debug$")
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
