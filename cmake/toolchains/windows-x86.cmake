# 32-bit x86 Windows (MinGW-w64, Debian g++-mingw-w64-i686): the shipped
# Pellasto.dll. No emulator: its programs are built and the DLL is checked
# statically, but nothing is run.
set(PELLASTO_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
