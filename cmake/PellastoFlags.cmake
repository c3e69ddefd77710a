# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Compiler and linker settings, written once.
#
#   pellasto_settings            every target of this project links it: warnings,
#                                reproducible paths, the runtimes, the hardening
#   pellasto_module_flags(t)     compiles t's code as the module's own code is
#                                compiled (the benchmark's inline limit uses it)
#   pellasto_add_module(n ...)   a shared module built like Pellasto: loaded by
#                                path, only its marked entries visible, hardened
#
# pellasto_add_module(<name> [WITHOUT <setting>...] SOURCES <source>...)
#   WITHOUT leaves out named settings, for the deliberately faulty modules
#   that show a check rejects a module built without them: static-runtime,
#   stack-protector, fortify, stack-clash, relro, noexecstack, text, dynamic-base, nx-compat,
#   high-entropy-va, no-seh, no-timestamp.

# A plain `cmake -S . -B build` gets the optimised build with debug
# information the presets use: _FORTIFY_SOURCE does nothing without
# optimisation, and the module's checks require it.
get_property(_pellasto_multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
if(NOT _pellasto_multi_config AND NOT CMAKE_BUILD_TYPE)
  message(STATUS "No CMAKE_BUILD_TYPE given: building RelWithDebInfo")
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "The build type" FORCE)
endif()

# 32-bit x86: SSE2 arithmetic gives the same float results as every other
# build (no x87 excess precision) and never quiets a NaN on a plain copy.
# PELLASTO_X86_32 comes from PellastoPlatform.cmake, which asks the compiler
# what it builds for (a toolchain file need not set CMAKE_SYSTEM_PROCESSOR).

# Warnings are errors in the project's own builds (every preset turns this
# on), not in a plain configure: a newer compiler's new warning must not stop
# someone else's build of a release.
option(PELLASTO_WARNINGS_AS_ERRORS "Treat compiler warnings as errors (the presets do)" OFF)

# -DPELLASTO_SANITIZE=address,undefined (or thread): every target, module
# included, is built with those sanitizers.
set(PELLASTO_SANITIZE "" CACHE STRING "Sanitizers for every target, e.g. address,undefined")
if(PELLASTO_SANITIZE)
  add_compile_options(-fsanitize=${PELLASTO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${PELLASTO_SANITIZE})
endif()

# The warnings (errors with PELLASTO_WARNINGS_AS_ERRORS); on 32-bit x86 the
# SSE2 arithmetic above. No build path reaches a binary: the debug
# information places the source tree at /pellasto-<version> and the build
# tree at /pellasto-<version>/build, wherever they were (the more specific
# map, given last, wins). A debugger finds the sources with
# `set substitute-path /pellasto-<version> <checkout>`.
set(PELLASTO_DEBUG_SOURCE_DIR /pellasto-${PROJECT_VERSION})
add_library(pellasto_warnings INTERFACE)
target_compile_options(pellasto_warnings INTERFACE -Wall -Wextra
  $<$<BOOL:${PELLASTO_WARNINGS_AS_ERRORS}>:-Werror>
  -ffile-prefix-map=${PROJECT_SOURCE_DIR}=${PELLASTO_DEBUG_SOURCE_DIR}
  -ffile-prefix-map=${CMAKE_BINARY_DIR}=${PELLASTO_DEBUG_SOURCE_DIR}/build)
if(PELLASTO_X86_32)
  target_compile_options(pellasto_warnings INTERFACE -msse2 -mfpmath=sse)
endif()
# No contraction of a*b+c into a fused multiply-add, in the module and in
# everything that works out what it should give. GCC contracts by default in
# C++ wherever the processor has the instruction (aarch64 always; x86 with
# -mfma), across statements too. The fused form rounds once instead of twice,
# so the cross product and the tangent's dot products would come out a unit
# in the last place apart from what every x86 build gives: a farm of mixed
# x86 and ARM nodes would shade one surface with two frames, and bit-exact
# comparisons between platforms would fail. A frame costs a few dozen
# multiplies; a handful of fused ones saves nothing measurable. (A target
# whose PELLASTO_FP_CONTRACT property says otherwise, "fast", is the test's
# contracted build that shows the difference is caught.)
target_compile_options(pellasto_warnings INTERFACE
  "-ffp-contract=$<IF:$<BOOL:$<TARGET_PROPERTY:PELLASTO_FP_CONTRACT>>,$<TARGET_PROPERTY:PELLASTO_FP_CONTRACT>,off>")

# On Windows the compiler's runtimes go inside: only system DLLs may be
# imported, so that the module and every program run under any Windows loader
# without the compiler's DLLs beside them.
add_library(pellasto_runtime INTERFACE)
if(WIN32)
  target_link_options(pellasto_runtime INTERFACE -static-libgcc -static-libstdc++ -static)
endif()

# The programs that ship (pellasto-check) link the C++ runtime in on Linux
# too, so that they need nothing beyond the C library. (Not the sanitized
# builds, whose runtimes want the shared C++ library.)
add_library(pellasto_program_runtime INTERFACE)
if(NOT WIN32 AND NOT PELLASTO_SANITIZE)
  target_link_options(pellasto_program_runtime INTERFACE -static-libgcc -static-libstdc++)
endif()

# The hardening, by name (see WITHOUT above). Each setting sets
# _pellasto_compile_<name> and/or _pellasto_link_<name>.
set(_pellasto_hardening stack-protector)
set(_pellasto_compile_stack-protector -fstack-protector-strong)
# At link time too: MinGW's driver then links the guard's support (libssp).
set(_pellasto_link_stack-protector -fstack-protector-strong)
if(WIN32)
  list(APPEND _pellasto_hardening dynamic-base nx-compat no-timestamp)
  set(_pellasto_link_dynamic-base -Wl,--dynamicbase)
  set(_pellasto_link_nx-compat -Wl,--nxcompat)
  # No link time in the PE header or the export directory: the same sources
  # give the same bytes.
  set(_pellasto_link_no-timestamp -Wl,--no-insert-timestamp)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND _pellasto_hardening high-entropy-va)
    set(_pellasto_link_high-entropy-va -Wl,--high-entropy-va)
  else()
    # 32-bit: no code here registers a structured exception handler (GCC
    # unwinds with DWARF tables), so the image says so, and the loader
    # refuses any handler that shows up in it.
    list(APPEND _pellasto_hardening no-seh)
    set(_pellasto_link_no-seh -Wl,--no-seh)
  endif()
else()
  list(APPEND _pellasto_hardening fortify stack-clash relro noexecstack text)
  # The checked variants of the C library's string and stdio functions.
  # _FORTIFY_SOURCE needs the optimiser and is not for the sanitizers, which
  # check the same calls themselves.
  if(NOT PELLASTO_SANITIZE)
    set(_pellasto_compile_fortify
        $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  endif()
  # Stack probes for frames larger than a guard page (none of the module's
  # are; programs built here may have them). MinGW probes such frames always.
  set(_pellasto_compile_stack-clash -fstack-clash-protection)
  # Full RELRO: every symbol bound at load, then the tables made read-only.
  set(_pellasto_link_relro -Wl,-z,relro -Wl,-z,now)
  set(_pellasto_link_noexecstack -Wl,-z,noexecstack)
  # A text relocation is a link error, not a writable code page at run time.
  set(_pellasto_link_text -Wl,-z,text)
endif()

# pellasto_harden(<target> <scope> [<setting to leave out>...])
function(pellasto_harden target scope)
  foreach(setting IN LISTS _pellasto_hardening)
    if(NOT setting IN_LIST ARGN)
      target_compile_options(${target} ${scope} ${_pellasto_compile_${setting}})
      target_link_options(${target} ${scope} ${_pellasto_link_${setting}})
    endif()
  endforeach()
endfunction()

add_library(pellasto_hardening INTERFACE)
pellasto_harden(pellasto_hardening INTERFACE)

add_library(pellasto_settings INTERFACE)
target_link_libraries(pellasto_settings INTERFACE pellasto_warnings pellasto_runtime
  pellasto_hardening)

# The module's own code: no exceptions or RTTI, and the optimiser settings
# that the benchmarks hold it to.
function(pellasto_module_flags target)
  target_compile_options(${target} PRIVATE
    -fno-exceptions -fno-rtti
    # sqrt and friends never set errno here; nothing changes in the results.
    -fno-math-errno
    # GCC's straight-line vectoriser pairs the x and y lanes of the frame math
    # and then spends more shuffles taking them apart than the pairing saves
    # (about 20 instructions of 180 per call in mode 1). Results are the same
    # either way: lane-wise operations in the same order.
    $<$<CXX_COMPILER_ID:GNU>:-fno-tree-slp-vectorize>)
  if(PELLASTO_X86_32)
    # 32-bit hosts built with other compilers keep the stack aligned to 4
    # bytes only: where the code wants 16 (an SSE spill), the function aligns
    # its own frame instead of assuming the caller did.
    target_compile_options(${target} PRIVATE -mincoming-stack-boundary=2
      # Such a function reserves its calls' argument space once, with the
      # frame it aligns, instead of adjusting the stack around every call:
      # fewer instructions on every path that calls the host (see
      # BENCHMARKS.md).
      -maccumulate-outgoing-args)
  endif()
endfunction()

# pellasto_add_module(<name> [OBJECT] [WITHOUT <setting>...] SOURCES <source>...)
# A module built as Pellasto is, without the settings named in WITHOUT; with
# OBJECT, its objects only, for modules that share them.
function(pellasto_add_module name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OBJECT" "" "WITHOUT;SOURCES")
  foreach(setting IN LISTS arg_WITHOUT)
    if(NOT setting IN_LIST _pellasto_hardening AND NOT setting STREQUAL "static-runtime")
      message(FATAL_ERROR "pellasto_add_module(${name}): no setting ${setting} here")
    endif()
  endforeach()
  if(arg_OBJECT)
    add_library(${name} OBJECT ${arg_SOURCES})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  else()
    add_library(${name} MODULE ${arg_SOURCES})
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # Hosts load modules by file name, so there is no "lib" prefix; only what
  # the sources mark for export is visible.
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PRIVATE pellasto_warnings)
  if(NOT "static-runtime" IN_LIST arg_WITHOUT)
    target_link_libraries(${name} PRIVATE pellasto_runtime)
  endif()
  pellasto_harden(${name} PRIVATE ${arg_WITHOUT})
  pellasto_module_flags(${name})
  if(UNIX AND NOT APPLE AND NOT PELLASTO_SANITIZE)
    # Every symbol resolved at link time. (A sanitized module leaves the
    # runtime's symbols to the host program.)
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()

# The oldest glibc the Linux programs that ship start on, and how they are
# held to it.
include(${CMAKE_CURRENT_LIST_DIR}/PellastoGlibc.cmake)
