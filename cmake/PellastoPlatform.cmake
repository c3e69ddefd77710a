# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# What the build is for, as the compiler itself says: the platform's name
# (windows-x86 and so on), its image format and machine as the binary checks
# name them (tests/cmake/check_pe_module.cmake, check_elf_module.cmake), and
# PELLASTO_X86_32 for the settings that only 32-bit x86 needs.
#
# The processor is asked of the compiler (with the toolchain's flags, -m32
# included), not read from CMAKE_SYSTEM_PROCESSOR: a toolchain file of one's
# own, or a plain -DCMAKE_CXX_COMPILER=i686-w64-mingw32-g++, often leaves that
# unset or naming the build machine.
include(CheckCXXSourceCompiles)

# pellasto_compiler_defines(<macro> <result>): whether the compiler predefines
# <macro> (cached in <result>).
function(pellasto_compiler_defines macro result)
  set(CMAKE_REQUIRED_QUIET ON)
  check_cxx_source_compiles("
#if !defined(${macro})
#error not ${macro}
#endif
int main() { return 0; }" ${result})
endfunction()
pellasto_compiler_defines(__aarch64__ PELLASTO_COMPILER_AARCH64)
pellasto_compiler_defines(__i386__ PELLASTO_COMPILER_I386)

if(WIN32)
  set(PELLASTO_PLATFORM_OS windows)
  set(PELLASTO_BINARY_FORMAT PE)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}" PELLASTO_PLATFORM_OS)
  set(PELLASTO_BINARY_FORMAT ELF)
endif()
set(PELLASTO_X86_32 OFF)
if(PELLASTO_COMPILER_AARCH64)
  set(PELLASTO_PLATFORM_ARCH arm64)
  set(PELLASTO_WORD_SIZE 64)
  set(PELLASTO_MACHINE aarch64)
elseif(PELLASTO_COMPILER_I386)
  set(PELLASTO_X86_32 ON)
  set(PELLASTO_PLATFORM_ARCH x86)
  set(PELLASTO_WORD_SIZE 32)
  set(PELLASTO_MACHINE i386)
else()
  set(PELLASTO_PLATFORM_ARCH x64)
  set(PELLASTO_WORD_SIZE 64)
  set(PELLASTO_MACHINE x86-64)
endif()
set(PELLASTO_PLATFORM ${PELLASTO_PLATFORM_OS}-${PELLASTO_PLATFORM_ARCH})
message(STATUS "Building for ${PELLASTO_PLATFORM}")
