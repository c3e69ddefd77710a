# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# What the checks of Linux binaries share (check_elf_module.cmake,
# check_elf_program.cmake): the libraries a binary needs and the glibc
# versions it asks for.

# check_elf_c_library(<dump> <max glibc>): from `readelf -W --dynamic
# --dyn-syms --version-info` of a binary, appends to `problems` each library
# it needs beyond the C library's own (the dynamic loader is one), and the symbols it asks for at a GLIBC_
# version above <max glibc>, by name. Sets `needed` (the libraries) and
# `highest` (the highest GLIBC_ version asked for).
function(check_elf_c_library dump max)
  set(allowed "^(libc\\.so\\.6|libdl\\.so\\.2|libm\\.so\\.6|libpthread\\.so\\.0|ld-linux[-a-z0-9_]*\\.so\\.[12])$")
  string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" needed "${dump}")
  list(TRANSFORM needed REPLACE ".*\\[([^]]+)\\]" "\\1")
  foreach(library IN LISTS needed)
    if(NOT library MATCHES "${allowed}")
      list(APPEND problems "needs ${library}, which is not part of the C library")
    endif()
  endforeach()
  string(REGEX MATCHALL "Name: GLIBC_[0-9.]+" versions "${dump}")
  list(TRANSFORM versions REPLACE "Name: GLIBC_" "")
  set(highest 0)
  if(versions)
    list(SORT versions COMPARE NATURAL ORDER DESCENDING)
    list(GET versions 0 highest)
  endif()
  if(highest VERSION_GREATER max)
    # The symbols that ask for it, defined ones (copied data) included.
    string(REGEX MATCHALL "\n *[0-9]+: [0-9a-f]+ +[0-9a-fx]+ [A-Z_]+ +[A-Z]+ +[A-Z]+ +[A-Z0-9]+ [^ @\n]+@GLIBC_[0-9.]+"
           lines "${dump}")
    set(above "")
    foreach(line IN LISTS lines)
      if(line MATCHES " ([^ @\n]+)@GLIBC_([0-9.]+)$" AND CMAKE_MATCH_2 VERSION_GREATER max)
        list(APPEND above "${CMAKE_MATCH_1}@GLIBC_${CMAKE_MATCH_2}")
      endif()
    endforeach()
    list(REMOVE_DUPLICATES above)
    list(JOIN above " " above)
    list(APPEND problems "needs GLIBC_${highest}, newer than ${max}: ${above}")
  endif()
  set(problems "${problems}" PARENT_SCOPE)
  set(needed "${needed}" PARENT_SCOPE)
  set(highest "${highest}" PARENT_SCOPE)
endfunction()
