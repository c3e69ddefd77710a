# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# cmake -DNOTICES=THIRD-PARTY-NOTICES -DPLATFORM=<platform> -DBUILD=<build folder>
#       -DDPKG=dpkg -DDPKG_QUERY=dpkg-query
#       -DBINARIES=<release path>|<linker map>|<header>,...^... -P check_notices.cmake
#
# Compares THIRD-PARTY-NOTICES with what this build links into each shipped
# binary. The parts of a binary are traced to Debian source packages by
# cmake/PellastoLinkTrace.cmake, which the bill of materials reads too
# (version suffix dropped: gcc-12 is gcc). The file must list, for
# this platform and binary, exactly those packages ("<binary> (<platforms>)
# contains:" and a "  - ... [<package>]" line each), and hold the licence
# text of every package it lists and of no other.
cmake_policy(VERSION 3.25)
set(problems "")

file(READ ${NOTICES} notices)
string(REGEX MATCHALL "\n==== \\[[^]\n]+\\]" texts "${notices}")
list(TRANSFORM texts REPLACE "\n==== \\[([^]\n]+)\\]" "\\1")
# One text may stand for several packages that ship it word for word
# ("[gcc, gcc-12-cross]").
string(REPLACE ", " ";" texts "${texts}")
# The lists: "<binary> (<platform>, ...) contains:" and a line per part.
string(REGEX MATCHALL "\n[^\n]+ \\([^)\n]+\\) contains:\n(  - [^\n]+\n)*" blocks "${notices}")

include(${CMAKE_CURRENT_LIST_DIR}/PellastoLinkTrace.cmake)

set(listed_anywhere "")
string(REPLACE "^" ";" BINARIES "${BINARIES}")
foreach(entry IN LISTS BINARIES)
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 binary)
  list(GET entry 1 map)
  list(LENGTH entry n)
  set(headers "")
  if(n GREATER 2)
    list(GET entry 2 headers)
    string(REPLACE "," ";" headers "${headers}")
  endif()
  if(NOT EXISTS ${map})
    message(FATAL_ERROR "no linker map ${map}: build ${binary} first")
  endif()

  pellasto_trace_link(${map} ${BUILD} ${headers})
  foreach(problem IN LISTS trace_problems)
    list(APPEND problems "${binary} ${problem}")
  endforeach()
  set(linked ${trace_linked})

  # What the notices say of this binary on this platform.
  set(listed "")
  set(found OFF)
  foreach(block IN LISTS blocks)
    string(REGEX MATCH "^\n([^\n]+) \\(([^)\n]+)\\) contains:" head "${block}")
    if(NOT CMAKE_MATCH_1 STREQUAL binary)
      continue()
    endif()
    string(REPLACE ", " ";" platforms "${CMAKE_MATCH_2}")
    if(NOT PLATFORM IN_LIST platforms)
      continue()
    endif()
    set(found ON)
    string(REGEX MATCHALL "\\[[^]\n]+\\]\n" listed "${block}")
    list(TRANSFORM listed REPLACE "\\[([^]\n]+)\\]\n" "\\1")
  endforeach()
  if(NOT found)
    list(APPEND problems "no \"${binary} (... ${PLATFORM} ...) contains:\" list")
  endif()
  foreach(package IN LISTS linked)
    if(NOT package IN_LIST listed)
      list(APPEND problems "${binary} links ${from_${package}} (Debian source ${package}), which the notices do not list for ${PLATFORM}")
    endif()
  endforeach()
  foreach(package IN LISTS listed)
    if(NOT package IN_LIST linked)
      list(APPEND problems "stale: the notices list ${package} in ${binary} on ${PLATFORM}, which it does not link")
    endif()
  endforeach()
  list(JOIN linked ", " text)
  message(STATUS "${binary} on ${PLATFORM} links: ${text}")
endforeach()

# A licence text for every package listed anywhere, and none for another.
string(REGEX MATCHALL "\\[[^]\n]+\\]\n" all_listed "${blocks}")
list(TRANSFORM all_listed REPLACE "\\[([^]\n]+)\\]\n" "\\1")
list(REMOVE_DUPLICATES all_listed)
foreach(package IN LISTS all_listed)
  if(NOT package IN_LIST texts)
    list(APPEND problems "no licence text \"==== [${package}] ...\" for ${package}")
  endif()
endforeach()
foreach(package IN LISTS texts)
  if(NOT package IN_LIST all_listed)
    list(APPEND problems "stale: the licence text of ${package}, which no binary lists")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${NOTICES} does not match the link:\n  ${text}")
endif()
message(STATUS "${NOTICES} matches what ${PLATFORM} links")
