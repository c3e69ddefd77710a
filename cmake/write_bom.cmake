# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Writes one archive's bill of materials, run at install by PellastoNotices.cmake:
#
# cmake -DROOT=<installed tree> -DFILES=<installed files> -DOUT=<bill of materials>
#       -DNAME=<archive name> -DVERSION=<version> -DPLATFORM=<platform>
#       -DBUILD=<build folder> -DDPKG=dpkg -DDPKG_QUERY=dpkg-query
#       -DBINARIES=<release path>|<linker map>|<header>,...^...
#       -DCOMPILER=<id> -DCOMPILER_VERSION=<version> -DCOMPILER_PATH=<path>
#       -DLINKER=<ld> [-DSYMBOLS=ON] -P write_bom.cmake
#
# The bill of materials of one archive, CycloneDX 1.6 JSON, written at
# install time (the release and symbols archives each get one, inside them;
# scripts/release.sh puts a copy beside each):
#   - every file of the archive (FILES under ROOT), with its SHA-256;
#   - for each shipped binary, what the linker put into it, traced from its
#     linker map by cmake/PellastoLinkTrace.cmake as THIRD-PARTY-NOTICES is
#     checked: one component per Debian source package (winpthreads apart
#     from the rest of the MinGW-w64 runtime), with its version, an SPDX
#     licence expression and a package URL, and a dependency of the binary on
#     it (the symbols archive's debug files have none of their own);
#   - the compiler and binutils as the tools of the build.
# Nothing in it depends on when or where it is made: no time stamp, and a
# serial number derived from the rest of its contents.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/PellastoLinkTrace.cmake)

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "bill of materials ${NAME}: ${text}")
endfunction()

# The SPDX licence expression of each source package, as its Debian copyright
# file gives the parts that are linked (the texts are in THIRD-PARTY-NOTICES).
set(gcc_exception "GPL-3.0-or-later WITH GCC-exception-3.1")
set(licence_gcc ${gcc_exception})
set(licence_gcc-12-cross ${gcc_exception})
set(licence_gcc-mingw-w64 ${gcc_exception})
set(licence_glibc "LGPL-2.1-or-later")
set(licence_cross-toolchain-base "LGPL-2.1-or-later")
set(licence_mingw-w64
    "ZPL-2.1 AND MIT AND BSD-3-Clause AND BSD-2-Clause AND ISC AND LicenseRef-public-domain")
set(licence_winpthreads "MIT AND BSD-3-Clause AND LicenseRef-public-domain")
set(licence_cli11 "BSD-3-Clause")
set(licence_nlohmann-json3 "MIT")
set(summary_gcc "GCC runtime and GNU C++ library")
set(summary_gcc-12-cross ${summary_gcc})
set(summary_gcc-mingw-w64 "GCC runtime and GNU C++ library (MinGW-w64 build)")
set(summary_glibc "GNU C Library start-up files")
set(summary_cross-toolchain-base ${summary_glibc})
set(summary_mingw-w64 "MinGW-w64 runtime")
set(summary_winpthreads "winpthreads, MinGW-w64's POSIX threads")
set(summary_cli11 "CLI11, command-line parsing (header-only)")
set(summary_nlohmann-json3 "nlohmann-json, JSON (header-only)")

# JSON text: a string with its quotes, backslashes and control characters
# escaped.
function(json_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

set(json "{}")
macro(put)
  string(JSON json SET "${json}" ${ARGN})
endmacro()
put(bomFormat "\"CycloneDX\"")
put(specVersion "\"1.6\"")
put(serialNumber "\"urn:uuid:00000000-0000-0000-0000-000000000000\"")
put(version 1)

# The build's tools.
execute_process(COMMAND ${LINKER} --version OUTPUT_VARIABLE linker_text ERROR_QUIET)
string(REGEX MATCH "^[^\n]*" linker_line "${linker_text}")
string(REGEX MATCH "[0-9]+\\.[0-9]+(\\.[0-9]+)?$" linker_version "${linker_line}")
if(NOT linker_version)
  fail("no binutils version in \"${LINKER} --version\": ${linker_line}")
endif()
execute_process(COMMAND ${COMPILER_PATH} -dumpfullversion OUTPUT_VARIABLE compiler_version
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT compiler_version)
  set(compiler_version ${COMPILER_VERSION})
endif()
# deb_package(<out> <file>): "the Debian package <name> <version>" that
# installed the file, or nothing.
function(deb_package out file)
  set(${out} "" PARENT_SCOPE)
  file(REAL_PATH "${file}" real)
  execute_process(COMMAND ${DPKG} -S ${real} OUTPUT_VARIABLE owner ERROR_QUIET)
  if(owner MATCHES "^([^:, ]+(:[a-z0-9]+)?): ")
    execute_process(COMMAND ${DPKG_QUERY} -W "-f=\${Version}" ${CMAKE_MATCH_1}
                    OUTPUT_VARIABLE version ERROR_QUIET)
    set(${out} ", Debian package ${CMAKE_MATCH_1} ${version}" PARENT_SCOPE)
  endif()
endfunction()
get_filename_component(compiler_name "${COMPILER_PATH}" NAME)
get_filename_component(linker_name "${LINKER}" NAME)
deb_package(compiler_package "${COMPILER_PATH}")
deb_package(linker_package "${LINKER}")
json_string(compiler_description "C++ compiler (${compiler_name}${compiler_package})")
json_string(linker_description
            "linker and binary tools (${linker_name}: ${linker_line}${linker_package})")
set(compiler_tool ${COMPILER})
if(COMPILER STREQUAL "GNU")
  set(compiler_tool gcc)
endif()
put(metadata "{}")
put(metadata lifecycles "[{\"phase\": \"build\"}]")
put(metadata tools "{\"components\": []}")
put(metadata tools components 0 "{\"type\": \"application\", \"name\": \"${compiler_tool}\",
    \"version\": \"${compiler_version}\", \"description\": ${compiler_description}}")
put(metadata tools components 1 "{\"type\": \"application\", \"name\": \"binutils\",
    \"version\": \"${linker_version}\", \"description\": ${linker_description}}")
set(archive_kind "release archive")
if(SYMBOLS)
  set(archive_kind "debug symbols archive")
endif()
put(metadata component "{\"type\": \"application\", \"bom-ref\": \"${NAME}\",
    \"name\": \"Pellasto\", \"version\": \"${VERSION}\",
    \"description\": \"${NAME}: the ${archive_kind} for ${PLATFORM}\",
    \"licenses\": [{\"license\": {\"id\": \"Apache-2.0\"}}],
    \"properties\": [{\"name\": \"pellasto:platform\", \"value\": \"${PLATFORM}\"}]}")

# The archive's files.
put(components "[]")
put(dependencies "[]")
set(n 0)
set(paths "")
foreach(file IN LISTS FILES)
  cmake_path(IS_PREFIX ROOT "${file}" NORMALIZE inside)
  if(NOT inside OR file STREQUAL OUT)
    continue()
  endif()
  file(RELATIVE_PATH path "${ROOT}" "${file}")
  list(APPEND paths "${path}")
endforeach()
list(REMOVE_DUPLICATES paths)
list(SORT paths)
if(NOT paths)
  fail("no installed file under ${ROOT}")
endif()
foreach(path IN LISTS paths)
  file(SHA256 "${ROOT}/${path}" digest)
  json_string(name "${path}")
  json_string(ref "file:${path}")
  put(components ${n} "{\"type\": \"file\", \"bom-ref\": ${ref}, \"name\": ${name},
      \"hashes\": [{\"alg\": \"SHA-256\", \"content\": \"${digest}\"}]}")
  math(EXPR n "${n} + 1")
endforeach()

# What is linked into each binary of the release archive.
set(libraries "")
set(d 0)
pellasto_trace_binaries(BINARIES)
foreach(entry IN LISTS BINARIES)
  if(SYMBOLS)
    break()
  endif()
  pellasto_trace_binary("${entry}" ${BUILD})
  if(NOT binary IN_LIST paths)
    fail("${binary} is not among the installed files")
  endif()
  if(trace_problems)
    fail("${binary} ${trace_problems}")
  endif()
  # winpthreads comes from the MinGW-w64 source package but is a library,
  # and a licence, of its own.
  if(mingw-w64 IN_LIST trace_linked)
    set(threads ${trace_files_mingw-w64})
    # (libpthread.a is the same library under the name POSIX gives it.)
    set(threads_file "/lib(win)?pthread[^/]*$")
    list(FILTER threads INCLUDE REGEX "${threads_file}")
    if(threads)
      list(FILTER trace_files_mingw-w64 EXCLUDE REGEX "${threads_file}")
      list(APPEND trace_linked winpthreads)
      set(trace_files_winpthreads ${threads})
      set(trace_source_winpthreads ${trace_source_mingw-w64})
      set(trace_version_winpthreads ${trace_version_mingw-w64})
      set(trace_subpath_winpthreads "#mingw-w64-libraries/winpthreads")
    endif()
  endif()
  set(refs "")
  foreach(package IN LISTS trace_linked)
    if(NOT DEFINED licence_${package})
      fail("${binary} links ${from_${package}} (Debian source ${package}), whose licence "
           "this file does not give: add it to cmake/write_bom.cmake")
    endif()
    if(NOT trace_version_${package})
      fail("no version of the Debian source package ${trace_source_${package}}")
    endif()
    # pkg:deb/debian/<source>@<version>?arch=source, the epoch's colon escaped.
    string(REPLACE ":" "%3A" purl_version "${trace_version_${package}}")
    set(purl "pkg:deb/debian/${trace_source_${package}}@${purl_version}?arch=source")
    string(APPEND purl "${trace_subpath_${package}}")
    list(APPEND refs "\"${purl}\"")
    list(FIND libraries "${purl}" i)
    if(i EQUAL -1)
      list(LENGTH libraries i)
      list(APPEND libraries "${purl}")
      set(library_${i}_package ${package})
      set(library_${i}_source ${trace_source_${package}})
      set(library_${i}_version ${trace_version_${package}})
      set(library_${i}_parts "")
    endif()
    foreach(file IN LISTS trace_files_${package})
      get_filename_component(file_name "${file}" NAME)
      list(APPEND library_${i}_parts "${file_name}")
    endforeach()
  endforeach()
  list(JOIN refs ", " refs)
  json_string(ref "file:${binary}")
  put(dependencies ${d} "{\"ref\": ${ref}, \"dependsOn\": [${refs}]}")
  math(EXPR d "${d} + 1")
endforeach()

# One component for each library, naming the files of it linked anywhere.
set(i 0)
foreach(purl IN LISTS libraries)
  set(package ${library_${i}_package})
  list(REMOVE_DUPLICATES library_${i}_parts)
  list(SORT library_${i}_parts)
  list(JOIN library_${i}_parts ", " parts)
  json_string(description "${summary_${package}}: ${parts}")
  set(name ${library_${i}_source})
  if(package STREQUAL "winpthreads")
    set(name "${name}-winpthreads")
  endif()
  put(components ${n} "{\"type\": \"library\", \"bom-ref\": \"${purl}\",
      \"name\": \"${name}\", \"version\": \"${library_${i}_version}\",
      \"description\": ${description},
      \"licenses\": [{\"expression\": \"${licence_${package}}\"}],
      \"purl\": \"${purl}\"}")
  math(EXPR n "${n} + 1")
  math(EXPR i "${i} + 1")
endforeach()

# The serial number: a name-based UUID (version 5 layout) from the SHA-256 of
# everything else.
string(SHA256 digest "${json}")
string(SUBSTRING "${digest}" 0 8 a)
string(SUBSTRING "${digest}" 8 4 b)
string(SUBSTRING "${digest}" 13 3 c)
string(SUBSTRING "${digest}" 17 3 e)
string(SUBSTRING "${digest}" 20 12 f)
put(serialNumber "\"urn:uuid:${a}-${b}-5${c}-a${e}-${f}\"")
file(WRITE "${OUT}" "${json}\n")
# The same mode whatever the builder's umask, as every other file installed.
file(CHMOD "${OUT}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
message(STATUS "bill of materials: ${OUT}")
