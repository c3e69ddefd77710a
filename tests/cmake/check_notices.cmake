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

include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/PellastoLinkTrace.cmake)

# missing_from(<out> <list> <other list>): the items of <list> that <other
# list> lacks.
function(missing_from out list other)
  set(rest ${${list}})
  if(rest AND ${other})
    list(REMOVE_ITEM rest ${${other}})
  endif()
  set(${out} ${rest} PARENT_SCOPE)
endfunction()

pellasto_trace_binaries(BINARIES)
foreach(entry IN LISTS BINARIES)
  pellasto_trace_binary("${entry}" ${BUILD})
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
  missing_from(unlisted linked listed)
  foreach(package IN LISTS unlisted)
    list(APPEND problems "${binary} links ${from_${package}} (Debian source ${package}), which the notices do not list for ${PLATFORM}")
  endforeach()
  missing_from(stale listed linked)
  list(TRANSFORM stale REPLACE "^(.+)$"
       "stale: the notices list \\1 in ${binary} on ${PLATFORM}, which it does not link")
  list(APPEND problems ${stale})
  list(JOIN linked ", " text)
  message(STATUS "${binary} on ${PLATFORM} links: ${text}")
endforeach()

# A licence text for every package listed anywhere, and none for another.
string(REGEX MATCHALL "\\[[^]\n]+\\]\n" all_listed "${blocks}")
list(TRANSFORM all_listed REPLACE "\\[([^]\n]+)\\]\n" "\\1")
list(REMOVE_DUPLICATES all_listed)
missing_from(textless all_listed texts)
list(TRANSFORM textless REPLACE "^(.+)$" "no licence text \"==== [\\1] ...\" for \\1")
missing_from(unused texts all_listed)
list(TRANSFORM unused REPLACE "^(.+)$" "stale: the licence text of \\1, which no binary lists")
list(APPEND problems ${textless} ${unused})

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${NOTICES} does not match the link:\n  ${text}")
endif()
message(STATUS "${NOTICES} matches what ${PLATFORM} links")
