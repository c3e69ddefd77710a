# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# 32-bit x86 Windows (MinGW-w64, Debian g++-mingw-w64-i686): the shipped
# Pellasto.dll. The test programs run under the i386 wine loader (wine32:i386),
# itself run by a user-mode qemu-i386 through cmake/wine32-run.sh, since the
# kernel here need not execute 32-bit code; in the Wine prefix PELLASTO_WINEPREFIX
# (the presets share one per architecture: build/wine/win32; default: one in
# the build folder).
set(PELLASTO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# The qemu must honour MAP_FIXED_NOREPLACE (qemu 7.2 does not, and wine then
# cannot map its shared user data): scripts/install-deps.sh puts a newer
# static one in a folder of its own, which is looked for first.
find_program(PELLASTO_WINE32_QEMU NAMES qemu-i386
             PATHS /opt/pellasto/qemu/bin NO_DEFAULT_PATH)
find_program(PELLASTO_WINE32 NAMES wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine
             NO_DEFAULT_PATH)
if(PELLASTO_WINE32_QEMU AND PELLASTO_WINE32)
  get_filename_component(_pellasto_cmake_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
  set(PELLASTO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "The tests' Wine prefix")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${_pellasto_cmake_dir}/wine32-run.sh ${PELLASTO_WINE32_QEMU} ${PELLASTO_WINE32}
      ${PELLASTO_WINEPREFIX})
endif()
