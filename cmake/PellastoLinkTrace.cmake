# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# What the linker put into a shipped binary, traced to Debian source
# packages: read by tests/cmake/check_notices.cmake (THIRD-PARTY-NOTICES
# must list exactly these) and by cmake/write_bom.cmake (the bill of
# materials lists them), so that the two cannot disagree. Needs DPKG and
# DPKG_QUERY set.
#
# The parts of a binary are the object files and archive members its linker
# map shows coming from outside the build, and the header-only libraries it
# compiles in; each is traced to the Debian source package that owns it.
#
#   pellasto_trace_link(<linker map> <build folder> [<header>...])
#     sets, in the caller's scope:
#       trace_linked          the source packages, version suffix dropped
#                             (gcc-12 is gcc), in the order first linked
#       trace_problems        the inputs that no installed package owns
#       trace_files_<p>       the files of package <p> linked (real paths)
#       trace_source_<p>      its source package as Debian names it
#       trace_version_<p>     that source package's version
#       from_<p>              one of its files, to name in a message
#
#   pellasto_trace_binaries(<binaries>)
#     the list <binaries> (BINARIES as PellastoNotices.cmake hands it over:
#     "<release path>|<linker map>|<header>,...", joined by "^") as a list of
#     entries, one for each shipped binary, for
#   pellasto_trace_binary(<entry> <build folder>)
#     sets `binary` (its path in the release) and traces its link as above.

# source_packages(<files>): sets source_<file>, raw_source_<file> and
# version_<file> for the source package owning each file (the path as given,
# normalised, or with its links resolved), or leaves them empty. One dpkg
# and one dpkg-query for all.
function(source_packages)
  set(paths "")
  foreach(file IN LISTS ARGN)
    cmake_path(NORMAL_PATH file OUTPUT_VARIABLE normal)
    file(REAL_PATH "${file}" real)
    set(candidates_${file} ${normal} ${real})
    list(APPEND paths ${normal} ${real})
  endforeach()
  list(REMOVE_DUPLICATES paths)
  execute_process(COMMAND ${DPKG} -S ${paths} OUTPUT_VARIABLE owners ERROR_QUIET)
  string(REGEX MATCHALL "[^\n]+" owners "${owners}")
  set(packages "")
  foreach(line IN LISTS owners)
    if(line MATCHES "^([^:, ]+(:[a-z0-9]+)?): (/.*)$")
      set(owner_${CMAKE_MATCH_3} ${CMAKE_MATCH_1})
      list(APPEND packages ${CMAKE_MATCH_1})
    endif()
  endforeach()
  if(packages)
    list(REMOVE_DUPLICATES packages)
    execute_process(COMMAND ${DPKG_QUERY} -W
                            "-f=\${binary:Package} \${source:Package} \${source:Version}\n"
                            ${packages} OUTPUT_VARIABLE sources)
    string(REGEX MATCHALL "[^\n]+" sources "${sources}")
    foreach(line IN LISTS sources)
      string(REPLACE " " ";" line "${line}")
      list(GET line 0 package)
      list(GET line 1 source)
      list(GET line 2 version)
      string(REGEX REPLACE "-[0-9][0-9.]*$" "" source_of_${package} "${source}")
      set(raw_source_of_${package} ${source})
      set(version_of_${package} ${version})
    endforeach()
  endif()
  foreach(file IN LISTS ARGN)
    set(source "")
    set(raw "")
    set(version "")
    foreach(path IN LISTS candidates_${file})
      if(DEFINED owner_${path} AND NOT source)
        set(source ${source_of_${owner_${path}}})
        set(raw ${raw_source_of_${owner_${path}}})
        set(version ${version_of_${owner_${path}}})
      endif()
    endforeach()
    set(source_${file} ${source} PARENT_SCOPE)
    set(raw_source_${file} ${raw} PARENT_SCOPE)
    set(version_${file} ${version} PARENT_SCOPE)
  endforeach()
endfunction()

macro(pellasto_trace_link map build)
  set(_trace_headers ${ARGN})
  # Linked in: whole object files the linker loaded, and archive members it
  # took (the map's first section, one "archive(member)" line each).
  file(STRINGS ${map} _trace_loads REGEX "^LOAD /.*\\.o$")
  list(TRANSFORM _trace_loads REPLACE "^LOAD " "")
  file(STRINGS ${map} _trace_members REGEX "^/[^ ]+\\.a\\([^)]+\\)")
  list(TRANSFORM _trace_members REPLACE "^(/[^ ]+\\.a)\\(.*" "\\1")
  set(_trace_inputs ${_trace_loads} ${_trace_members} ${_trace_headers})
  list(REMOVE_DUPLICATES _trace_inputs)
  set(_trace_outside "")
  set(_trace_build "${build}")
  foreach(_trace_input IN LISTS _trace_inputs)
    cmake_path(IS_PREFIX _trace_build "${_trace_input}" NORMALIZE _trace_ours)
    if(NOT _trace_ours)
      list(APPEND _trace_outside ${_trace_input})
    endif()
  endforeach()
  source_packages(${_trace_outside})
  set(trace_linked "")
  set(trace_problems "")
  foreach(_trace_input IN LISTS _trace_outside)
    set(_trace_package ${source_${_trace_input}})
    if(NOT _trace_package)
      list(APPEND trace_problems "links ${_trace_input}, which no installed package owns")
      continue()
    endif()
    if(NOT _trace_package IN_LIST trace_linked)
      set(trace_files_${_trace_package} "")
    endif()
    list(APPEND trace_linked ${_trace_package})
    file(REAL_PATH "${_trace_input}" from_${_trace_package})
    list(APPEND trace_files_${_trace_package} ${from_${_trace_package}})
    set(trace_source_${_trace_package} ${raw_source_${_trace_input}})
    set(trace_version_${_trace_package} ${version_${_trace_input}})
  endforeach()
  list(REMOVE_DUPLICATES trace_linked)
endmacro()

macro(pellasto_trace_binaries binaries)
  string(REPLACE "^" ";" ${binaries} "${${binaries}}")
endmacro()

macro(pellasto_trace_binary entry build)
  string(REPLACE "|" ";" _trace_entry "${entry}")
  list(GET _trace_entry 0 binary)
  list(GET _trace_entry 1 _trace_map)
  set(_trace_entry_headers "")
  list(LENGTH _trace_entry _trace_parts)
  if(_trace_parts GREATER 2)
    list(GET _trace_entry 2 _trace_entry_headers)
    string(REPLACE "," ";" _trace_entry_headers "${_trace_entry_headers}")
  endif()
  if(NOT EXISTS "${_trace_map}")
    message(FATAL_ERROR "no linker map ${_trace_map}: build ${binary} first")
  endif()
  pellasto_trace_link(${_trace_map} ${build} ${_trace_entry_headers})
endmacro()
