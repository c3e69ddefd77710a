# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Included by a release build's check-release.cmake (generated from
# cmake/templates/check-release.cmake.in), after its package step and
# scripts/release.sh's `sha256sum -c` of the two archives' checksum files.
# Each fact about the archives is checked once, here:
#   - the install route: check_install.cmake installs the build (both
#     components) and checks its layout, the programs (pellasto-check must
#     ship) and the debug file beside each binary;
#   - the archives unpack into one folder, Pellasto-<version>-<platform>/,
#     holding exactly the files of that install, byte for byte;
#   - each archive has its CycloneDX bill of materials inside and beside it,
#     valid against the schema (cyclonedx/ here, offline) and listing the
#     archive's files and what its binaries link (validate_bom.py);
#   - the module, as shipped, passes its PE or ELF check, stripped and with
#     this version;
#   - the highest GLIBC version of each shipped ELF binary: the module's is
#     held to GLIBC_BASELINE by its check, and each program in bin/ needs
#     nothing newer either, so that it runs where the module loads;
#   - on Windows, every PE file shipped carries an Authenticode signature
#     that `osslsigncode verify` accepts against the signing authority, and
#     `osslsigncode remove-signature` gives back the build's file as it was
#     signed (<file>.unsigned, cmake/sign_pe.cmake) byte for byte;
#   - a program shipped in bin/ passes when run on the archive's own module,
#     and on Windows says who signed it.
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
                        -DMODULE=${BUILD}/bin/${MODULE_FILE}
                        -DEXTRA=${check_program} -DBOM=${name}.cdx.json
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

# Each archive's bill of materials: inside it, the same beside it, valid
# CycloneDX 1.6, and true to the archive's files and what its binaries link.
if(NOT PYTHON)
  fail("no python3 with jsonschema to check the bills of materials (Debian: "
       "python3-jsonschema)")
endif()
foreach(archive ${name} ${name}-symbols)
  set(bom ${archive}.cdx.json)
  if(NOT EXISTS ${tree}/${bom} OR NOT EXISTS ${BUILD}/${bom})
    fail("${bom} is not both in its archive and beside it")
  endif()
  file(SHA256 ${tree}/${bom} a)
  file(SHA256 ${BUILD}/${bom} b)
  if(NOT a STREQUAL b)
    fail("the ${bom} beside the archive is not the one inside it")
  endif()
  set(symbols "")
  if(archive MATCHES "-symbols$")
    set(symbols --symbols)
  endif()
  execute_process(COMMAND ${PYTHON} ${CMAKE_CURRENT_LIST_DIR}/validate_bom.py
                          ${CMAKE_CURRENT_LIST_DIR}/cyclonedx ${tree}/${bom} ${tree} ${symbols}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    fail("${bom} is not the archive's bill of materials")
  endif()
endforeach()
# ... and the check sees a file whose digest the bill gets wrong.
file(READ ${tree}/${name}.cdx.json text)
string(REGEX REPLACE "\"content\" : \"[0-9a-f]" "\"content\" : \"x" wrong "${text}")
file(WRITE ${work}/wrong.cdx.json "${wrong}")
execute_process(COMMAND ${PYTHON} ${CMAKE_CURRENT_LIST_DIR}/validate_bom.py
                        ${CMAKE_CURRENT_LIST_DIR}/cyclonedx ${work}/wrong.cdx.json ${tree}
                OUTPUT_QUIET ERROR_VARIABLE out RESULT_VARIABLE status)
if(status EQUAL 0 OR NOT out MATCHES "SHA-256 x")
  fail("the bill of materials check passes a bill whose digests are wrong")
endif()

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
# Authenticode: every PE file of the archive is signed, the signature
# verifies at its signing time, and it is all that signing added.
if(FORMAT STREQUAL "PE")
  if(NOT SIGN OR NOT OSSLSIGNCODE)
    fail("the PE files were not signed: configure with PELLASTO_SIGN=ON (the release "
         "presets do) and osslsigncode installed")
  endif()
  set(pe_files ${packed})
  list(FILTER pe_files INCLUDE REGEX "\\.(dll|exe)$")
  foreach(required shaders/${MODULE_FILE} ${check_program})
    if(NOT required IN_LIST pe_files)
      fail("${required} is not in the archive")
    endif()
  endforeach()
  foreach(pe ${pe_files})
    get_filename_component(pe_name ${pe} NAME)
    execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile ${SIGN_CAFILE} -time ${SIGN_TIME}
                            -in ${tree}/${pe}
                    OUTPUT_VARIABLE verified ERROR_VARIABLE verified RESULT_VARIABLE status)
    file(WRITE ${work}/verify-${pe_name}.txt "${verified}")
    if(NOT status EQUAL 0)
      fail("${pe} has no signature that verifies against ${SIGN_CAFILE}:\n${verified}")
    endif()
    execute_process(COMMAND ${OSSLSIGNCODE} remove-signature -in ${tree}/${pe}
                            -out ${work}/${pe_name}.without-signature
                    OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT EXISTS ${BUILD}/bin/${pe_name}.unsigned)
      fail("the signature of ${pe} cannot be removed, or the build kept no "
           "bin/${pe_name}.unsigned to compare with")
    endif()
    file(SHA256 ${work}/${pe_name}.without-signature a)
    file(SHA256 ${BUILD}/bin/${pe_name}.unsigned b)
    if(NOT a STREQUAL b)
      fail("${pe} without its signature is not the file that was signed")
    endif()
    # The signing step itself, against bad input (once, on the module).
    if(pe STREQUAL "shaders/${MODULE_FILE}")
      execute_process(COMMAND ${CMAKE_COMMAND} -DUNSIGNED=${BUILD}/bin/${pe_name}.unsigned
                              -DSIGNED=${tree}/${pe} -DSIGNER=${SIGN_TEST_SIGNER}
                              -DCAFILE=${SIGN_CAFILE} -DTIME=${SIGN_TIME}
                              "-DDESCRIPTION=Pellasto ${VERSION}"
                              -DOSSLSIGNCODE=${OSSLSIGNCODE} -DOPENSSL=${OPENSSL}
                              -DWORK=${work}/signing
                              -P ${CMAKE_CURRENT_LIST_DIR}/check_signing.cmake
                      RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        fail("the signing step does not refuse bad input as it should")
      endif()
    endif()
    string(REGEX MATCH "Subject: [^\n]*" subject "${verified}")
    message(STATUS "check-release: ${pe} is signed (${subject}), verifies against "
                   "${SIGN_CAFILE}, and without its signature is the file that was signed")
  endforeach()
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
  execute_process(COMMAND ${EMULATOR} ${tree}/${program} RESULT_VARIABLE status
                  OUTPUT_VARIABLE out)
  message("${out}")
  if(NOT status EQUAL 0)
    fail("${program} failed (${status}) on the shipped module")
  endif()
  if(FORMAT STREQUAL "PE" AND NOT out MATCHES "\nsignature: signed by CN=")
    fail("${program} does not say who signed the shipped module")
  endif()
endforeach()

message(STATUS "check-release: ${name} and its symbols hold what they should: "
               "${packed}")
