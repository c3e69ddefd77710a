# THIRD-PARTY-NOTICES: what the compiler links into each shipped binary, and
# the licence of each part as Debian ships it (the package's copyright file,
# found through the file the compiler links and the package that owns it),
# followed by the full texts of the licences those files refer to.
#
#   pellasto_notice_part(<key> <what it is> <file name the compiler links,
#                        or the absolute path of a header compiled in>)
#   pellasto_notice_binary(<path in the release> <key>...)
#   pellasto_write_notices(<licence>...)  writes ${PELLASTO_NOTICES_FILE}, with
#                               the texts of the licences named (files of
#                               /usr/share/common-licenses) at the end
#
# The parts are those the linker map shows (-Wl,-Map): on Windows the module
# takes the MinGW-w64 start-up code and import libraries and GCC's libgcc and
# libssp (the stack protector's guard); on Linux the module takes only GCC's
# and the C library's start-up files. pellasto-check also takes the C++
# library (libstdc++), on Windows the POSIX threads library (winpthreads),
# and the header-only CLI11 and nlohmann-json.

set(PELLASTO_NOTICES_FILE ${CMAKE_BINARY_DIR}/THIRD-PARTY-NOTICES)

find_program(PELLASTO_DPKG dpkg)

function(pellasto_notice_part key what probe)
  if(IS_ABSOLUTE "${probe}")
    set(path ${probe})
  else()
    string(REPLACE ";" " " flags "${CMAKE_CXX_FLAGS}")
    separate_arguments(flags UNIX_COMMAND "${flags}")
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${flags} -print-file-name=${probe}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "notices: ${CMAKE_CXX_COMPILER} links no ${probe}")
  endif()
  file(REAL_PATH "${path}" path)
  if(NOT PELLASTO_DPKG)
    message(FATAL_ERROR "notices: dpkg is needed to find which package holds ${path}")
  endif()
  execute_process(COMMAND ${PELLASTO_DPKG} -S ${path}
                  OUTPUT_VARIABLE owner RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "notices: no installed package holds ${path}")
  endif()
  string(REGEX REPLACE "[:,].*" "" package "${owner}")
  set(copyright /usr/share/doc/${package}/copyright)
  if(NOT EXISTS ${copyright})
    message(FATAL_ERROR "notices: ${package} has no ${copyright}")
  endif()
  set_property(GLOBAL PROPERTY pellasto_notice_what_${key} "${what}")
  set_property(GLOBAL PROPERTY pellasto_notice_package_${key} ${package})
  set_property(GLOBAL PROPERTY pellasto_notice_copyright_${key} ${copyright})
endfunction()

function(pellasto_notice_binary binary)
  set_property(GLOBAL PROPERTY pellasto_notice_parts_${binary} ${ARGN})
  set_property(GLOBAL APPEND PROPERTY pellasto_notice_binaries ${binary})
endfunction()

function(pellasto_write_notices)
  set(text "Third-party notices for Pellasto ${PROJECT_VERSION} (${PELLASTO_PLATFORM})\n\n")
  string(APPEND text
    "Pellasto is licensed under the Apache License 2.0 (see LICENSE). The\n"
    "binaries below also contain code of the compiler's runtime libraries,\n"
    "which the compiler links into every program or library it builds. Each\n"
    "part comes with its own licence, given below as the Debian package that\n"
    "supplied it states it. The GCC runtime libraries are under the GNU\n"
    "General Public License 3 with the GCC Runtime Library Exception 3.1,\n"
    "which lets them be combined with code under any licence.\n")
  set(copyrights "")
  get_property(binaries GLOBAL PROPERTY pellasto_notice_binaries)
  foreach(binary IN LISTS binaries)
    string(APPEND text "\n${binary} contains:\n")
    get_property(parts GLOBAL PROPERTY pellasto_notice_parts_${binary})
    foreach(key IN LISTS parts)
      get_property(package GLOBAL PROPERTY pellasto_notice_package_${key})
      if(NOT package)
        message(FATAL_ERROR "notices: no part ${key}")
      endif()
      get_property(what GLOBAL PROPERTY pellasto_notice_what_${key})
      get_property(copyright GLOBAL PROPERTY pellasto_notice_copyright_${key})
      string(APPEND text "  - ${what}\n    (Debian package ${package})\n")
      list(APPEND copyrights ${copyright})
    endforeach()
  endforeach()
  # One copy of each copyright text: packages built from one source share it.
  set(seen "")
  foreach(copyright IN LISTS copyrights)
    file(SHA256 ${copyright} hash)
    if(hash IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${hash})
    file(READ ${copyright} body)
    string(APPEND text "\n\n==== ${copyright} ====\n\n${body}")
  endforeach()
  foreach(licence IN LISTS ARGN)
    file(READ /usr/share/common-licenses/${licence} body)
    string(APPEND text "\n\n==== /usr/share/common-licenses/${licence} ====\n\n${body}")
  endforeach()
  # Rewritten only when it changes, so that a reconfigure rebuilds nothing.
  file(WRITE ${PELLASTO_NOTICES_FILE}.new "${text}")
  configure_file(${PELLASTO_NOTICES_FILE}.new ${PELLASTO_NOTICES_FILE} COPYONLY)
  file(REMOVE ${PELLASTO_NOTICES_FILE}.new)
endfunction()

if(WIN32)
  pellasto_notice_part(gcc
    "GCC runtime: libgcc, libssp (the stack protector's guard), crtbegin.o, crtend.o"
    libgcc.a)
  pellasto_notice_part(mingw
    "MinGW-w64 runtime: DLL start-up code (dllcrt2.o), libmingw32, libmingwex and the system DLLs' import libraries"
    dllcrt2.o)
  pellasto_notice_binary(shaders/${PELLASTO_MODULE_FILE} gcc mingw)
  set(PELLASTO_NOTICE_LICENCES GPL-3)
else()
  pellasto_notice_part(gcc "GCC runtime: crtbeginS.o, crtendS.o" crtbeginS.o)
  pellasto_notice_part(libc "GNU C Library start-up files: crti.o, crtn.o" crti.o)
  pellasto_notice_binary(shaders/${PELLASTO_MODULE_FILE} gcc libc)
  set(PELLASTO_NOTICE_LICENCES GPL-3 LGPL-2.1)
endif()

# The parts that only pellasto-check (tools/check) links in.
if(PELLASTO_BUILD_CHECK)
  pellasto_notice_part(libstdcxx "GNU C++ library: libstdc++ (linked in)" libstdc++.a)
  pellasto_notice_part(cli11 "CLI11 (command-line parsing, header-only)"
    ${PELLASTO_CLI_HEADERS}/CLI.hpp)
  pellasto_notice_part(json "nlohmann-json (JSON output, header-only)"
    ${PELLASTO_nlohmann_HEADERS}/json.hpp)
  if(WIN32)
    pellasto_notice_part(mingw-program
      "MinGW-w64 runtime: program start-up code (crt2.o), libmingw32, libmingwex and the system DLLs' import libraries"
      crt2.o)
    pellasto_notice_part(winpthreads "MinGW-w64 POSIX threads library: libwinpthread (linked in)"
      libwinpthread.a)
  else()
    pellasto_notice_part(gcc-program
      "GCC runtime: libgcc, libgcc_eh, crtbeginS.o, crtendS.o" libgcc.a)
    pellasto_notice_part(libc-program
      "GNU C Library start-up files: Scrt1.o, crti.o, crtn.o, libc_nonshared.a" crti.o)
  endif()
endif()
