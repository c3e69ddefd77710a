# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# The oldest glibc the Linux binaries that ship start on: the module and
# pellasto-check alike load on PELLASTO_GLIBC_BASELINE and later (the render
# farms' baseline: RHEL/Rocky 8), although they are linked on a newer system.
#
#   pellasto_glibc_versions(<target>)
#     lets <target>'s sources bind a function to its baseline version
#     (host/glibc_versions.h).
#   pellasto_glibc_baseline(<program>)
#     links tools/glibc_baseline/glibc_compat.cpp into <program> and redirects to it
#     (-Wl,--wrap) every name of the two lists below, in the program's own
#     code and in the static C++ runtime alike; after each link
#     tests/cmake/check_elf_program.cmake holds the program to the baseline, and the
#     build fails naming whatever asks for more. Nothing is done on other
#     systems, nor for sanitized builds (whose runtimes want a newer glibc
#     anyway; they do not ship).
set(PELLASTO_GLIBC_BASELINE 2.28)

# Functions that newer glibc versions gave a new symbol version and that
# every glibc still has at the version the baseline gave them: the program
# asks for that one (the libdl and libpthread functions, which glibc 2.34
# moved into libc). A call of another such function added to the program is
# added here.
set(PELLASTO_GLIBC_REBOUND
  dlopen dlsym dlerror dlclose dladdr1
  pthread_create pthread_join pthread_detach pthread_once __pthread_key_create
  pthread_key_create pthread_key_delete pthread_getspecific pthread_setspecific)

# Names the baseline lacks or that changed their meaning, each written out
# in glibc_compat.cpp from what the baseline has.
set(PELLASTO_GLIBC_REPLACED
  __libc_start_main __libc_single_threaded arc4random arc4random_buf _dl_find_object
  pthread_cond_clockwait
  stat lstat fstat fstatat stat64 lstat64 fstat64 fstatat64)

# What glibc_compat.cpp calls at the baseline's version, beside the rebound
# functions.
set(_pellasto_glibc_called __libc_start_main
  __xstat __lxstat __fxstat __fxstatat __xstat64 __lxstat64 __fxstat64 __fxstatat64)

# _pellasto_glibc_versions(<header>): writes <header> with the version each
# function had in the baseline, as the C library the compiler links against
# says (readelf): the newest of its versions not newer than the baseline.
# glibc never drops a version, so that is the one the baseline exports by
# default. Sets <header> to "" where the C library is not glibc.
function(_pellasto_glibc_versions header)
  get_property(done GLOBAL PROPERTY PELLASTO_GLIBC_VERSIONS_HEADER SET)
  if(done)
    get_property(result GLOBAL PROPERTY PELLASTO_GLIBC_VERSIONS_HEADER)
    set(${header} "${result}" PARENT_SCOPE)
    return()
  endif()
  set(result "")
  separate_arguments(flags UNIX_COMMAND "${CMAKE_CXX_FLAGS}")
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${flags} -print-file-name=libc.so.6
                  OUTPUT_VARIABLE libc OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${libc}" AND EXISTS "${libc}")
    execute_process(COMMAND ${CMAKE_READELF} -W --dyn-syms ${libc}
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${CMAKE_READELF} --dyn-syms ${libc} failed")
    endif()
  endif()
  if(symbols MATCHES "@GLIBC_2")
    set(result ${PELLASTO_GENERATED_DIR}/pellasto_glibc_versions.h)
    string(CONCAT text "// Made by cmake/PellastoGlibc.cmake from ${libc}:\n"
             "// the version each function had in glibc ${PELLASTO_GLIBC_BASELINE}.\n")
    foreach(name IN LISTS PELLASTO_GLIBC_REBOUND _pellasto_glibc_called)
      # The newest of its versions at or before the baseline.
      string(REGEX MATCHALL " ${name}@@?GLIBC_[0-9.]+\n" found "${symbols}")
      list(TRANSFORM found REPLACE ".*GLIBC_([0-9.]+)\n" "\\1")
      set(best "")
      foreach(version IN LISTS found)
        if(version VERSION_LESS_EQUAL PELLASTO_GLIBC_BASELINE)
          list(APPEND best ${version})
        endif()
      endforeach()
      list(SORT best COMPARE NATURAL ORDER DESCENDING)
      list(SUBLIST best 0 1 best)
      if(NOT best)
        message(FATAL_ERROR "${libc} has no version of ${name} at or before glibc "
          "${PELLASTO_GLIBC_BASELINE}: a program that must start there cannot call it "
          "(replace it in tools/glibc_baseline/glibc_compat.cpp, or do without it)")
      endif()
      string(APPEND text "#define PELLASTO_GLIBC_VERSION_${name} \"GLIBC_${best}\"\n")
    endforeach()
    list(JOIN PELLASTO_GLIBC_REBOUND ") X(" rebound)
    string(APPEND text "#define PELLASTO_GLIBC_REBOUND(X) X(${rebound})\n")
    file(CONFIGURE OUTPUT ${result} CONTENT "${text}" @ONLY)
  endif()
  set_property(GLOBAL PROPERTY PELLASTO_GLIBC_VERSIONS_HEADER "${result}")
  set(${header} "${result}" PARENT_SCOPE)
endfunction()

# pellasto_glibc_versions(<target>): <target>'s sources may bind the
# functions of PELLASTO_GLIBC_REBOUND to their baseline versions themselves
# (host/glibc_versions.h), as the module does dlsym and dlerror. Sets
# PELLASTO_GLIBC to ON where the C library is glibc.
function(pellasto_glibc_versions target)
  _pellasto_glibc_versions(header)
  if(header)
    target_include_directories(${target} PRIVATE ${PELLASTO_GENERATED_DIR})
    set(PELLASTO_GLIBC ON PARENT_SCOPE)
  else()
    set(PELLASTO_GLIBC OFF PARENT_SCOPE)
  endif()
endfunction()

function(pellasto_glibc_baseline target)
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR PELLASTO_SANITIZE)
    return()
  endif()
  pellasto_glibc_versions(${target})
  if(NOT PELLASTO_GLIBC)
    message(STATUS "${target}: the C library is not glibc; no glibc baseline")
    return()
  endif()
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/glibc_baseline/glibc_compat.cpp)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  foreach(name IN LISTS PELLASTO_GLIBC_REBOUND PELLASTO_GLIBC_REPLACED)
    target_link_options(${target} PRIVATE -Wl,--wrap=${name})
  endforeach()
  # Where the baseline keeps the rebound functions.
  target_link_libraries(${target} PRIVATE
    -Wl,--push-state,--no-as-needed -l:libdl.so.2 -l:libpthread.so.0 -Wl,--pop-state)
  # After every link: a program that asks for more is removed, so that the
  # next build links and checks it again.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DREADELF=${CMAKE_READELF}
            -DMAX_GLIBC=${PELLASTO_GLIBC_BASELINE} -DREMOVE_ON_FAILURE=ON
            -P ${PROJECT_SOURCE_DIR}/tests/cmake/check_elf_program.cmake
    VERBATIM)
endfunction()
