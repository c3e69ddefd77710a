# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# 64-bit Windows (MinGW-w64, Debian g++-mingw-w64-x86-64). The test programs
# run under wine64 through cmake/wine-run.sh, in the Wine prefix PELLASTO_WINEPREFIX
# (the presets share one per architecture: build/wine/win64; default: one in
# the build folder).
set(PELLASTO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Wine's own folders before PATH.
find_program(PELLASTO_WINE64 NAMES wine64 HINTS /usr/lib/wine /usr/lib64/wine)
if(PELLASTO_WINE64)
  get_filename_component(_pellasto_cmake_dir ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
  set(PELLASTO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "The tests' Wine prefix")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${_pellasto_cmake_dir}/wine-run.sh ${PELLASTO_WINE64} ${PELLASTO_WINEPREFIX})
endif()
