# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# 32-bit x86 Linux with the host compiler in -m32 mode (Debian gcc-multilib,
# g++-multilib). The test programs run under qemu-i386, since the kernel here
# need not run 32-bit programs itself.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT -m32)
endforeach()
# The installed GoogleTest is 64-bit: the tests build it from source instead.
set(CMAKE_DISABLE_FIND_PACKAGE_GTest ON)

find_program(PELLASTO_QEMU_I386 NAMES qemu-i386 qemu-i386-static)
if(PELLASTO_QEMU_I386)
  # -L /: the 32-bit loader and libraries are found in the host's own tree.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PELLASTO_QEMU_I386} -L /)
  # A program that starts programs of its own (pellasto-check's workers):
  # each of them goes to qemu too.
  set(PELLASTO_PROGRAM_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/../binfmt-run.sh i386
      ${PELLASTO_QEMU_I386})
endif()
