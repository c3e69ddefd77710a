# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# What the checks of a built module share (check_pe_module.cmake,
# check_elf_module.cmake): their arguments, the module's entries, the export
# comparison and the verdict.

# check_module_arguments(<script> <variable>...): each variable must be given;
# EXPORTS is the module's five entries unless given.
macro(check_module_arguments script)
  foreach(var ${ARGN})
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${script}: ${var} not given")
    endif()
  endforeach()
  if(NOT DEFINED EXPORTS)
    set(EXPORTS Pellasto Pellasto_exit Pellasto_init Pellasto_version miSetModuleHandle)
  endif()
endmacro()

# check_module_export_difference(<found>): sets `unexpected` to the names of
# the list <found> that EXPORTS lacks, and `missing` to those of EXPORTS that
# <found> lacks.
function(check_module_export_difference found)
  set(unexpected ${${found}})
  list(REMOVE_ITEM unexpected ${EXPORTS})
  set(missing ${EXPORTS})
  list(REMOVE_ITEM missing ${${found}})
  set(unexpected ${unexpected} PARENT_SCOPE)
  set(missing ${missing} PARENT_SCOPE)
endfunction()

# check_module_verdict(): stops with every problem found, if there is one.
macro(check_module_verdict)
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "${MODULE}:\n  ${text}")
  endif()
endmacro()
