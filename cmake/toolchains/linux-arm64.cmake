# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# 64-bit ARM Linux (aarch64) with Debian's cross compiler (g++-aarch64-linux-gnu)
# and its C library in /usr/aarch64-linux-gnu. The test programs run under
# qemu-aarch64 (qemu-user), which finds the aarch64 loader and libraries there.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(PELLASTO_ARM64_TRIPLE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${PELLASTO_ARM64_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${PELLASTO_ARM64_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${PELLASTO_ARM64_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The installed GoogleTest is x86-64: the tests build it from source instead.
set(CMAKE_DISABLE_FIND_PACKAGE_GTest ON)

find_program(PELLASTO_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(PELLASTO_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PELLASTO_QEMU_AARCH64} -L /usr/${PELLASTO_ARM64_TRIPLE})
  # A program that starts programs of its own (pellasto-check's workers):
  # each of them goes to qemu too.
  set(PELLASTO_PROGRAM_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/../binfmt-run.sh aarch64
      ${PELLASTO_QEMU_AARCH64} -L /usr/${PELLASTO_ARM64_TRIPLE})
endif()
