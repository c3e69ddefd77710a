# cmake -DMODULE=Pellasto.dll -DOBJDUMP=<mingw objdump> -DMACHINE=i386|x86-64
#       [-DEXPORTS=a;b;c] -P check_pe_module.cmake
#
# Checks a built Windows module without running it: that it is a DLL for the
# expected machine (PE32 for i386, PE32+ for x86-64); that its export table
# holds exactly EXPORTS (default: the module's five entries), by plain
# undecorated names; and that it imports from system DLLs only, never from a
# compiler runtime such as libgcc_s_*.dll, libstdc++-6.dll or
# libwinpthread-1.dll, which a host's machine need not have.
cmake_policy(VERSION 3.25)
foreach(var MODULE OBJDUMP MACHINE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_pe_module: ${var} not given")
  endif()
endforeach()
if(NOT DEFINED EXPORTS)
  set(EXPORTS Pellasto Pellasto_exit Pellasto_init Pellasto_version miSetModuleHandle)
endif()
set(allowed_imports "^(kernel32\\.dll|msvcrt\\.dll|api-ms-win-crt-[a-z0-9-]+\\.dll)$")

execute_process(COMMAND ${OBJDUMP} -p ${MODULE}
                OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed: ${dump_error}")
endif()

set(problems "")

# What kind of file, for which machine.
if(MACHINE STREQUAL "i386")
  set(format "pei-i386")
  set(magic "010b\t\\(PE32\\)")
elseif(MACHINE STREQUAL "x86-64")
  set(format "pei-x86-64")
  set(magic "020b\t\\(PE32\\+\\)")
else()
  message(FATAL_ERROR "check_pe_module: unknown MACHINE ${MACHINE}")
endif()
if(NOT dump MATCHES "file format ${format}\n")
  string(REGEX MATCH "file format [^\n]*" found "${dump}")
  list(APPEND problems "not a ${format} image (${found})")
endif()
if(NOT dump MATCHES "\nMagic\t+${magic}")
  string(REGEX MATCH "\nMagic[^\n]*" found "${dump}")
  string(STRIP "${found}" found)
  list(APPEND problems "wrong optional header (${found})")
endif()
string(REGEX MATCH "\nCharacteristics 0x[0-9a-f]+\n(\t[^\n]*\n)*" characteristics "${dump}")
if(NOT characteristics MATCHES "\n\tDLL\n")
  list(APPEND problems "not marked as a DLL")
endif()

# Exports: every entry of the address table must carry one of the names.
set(names "")
set(address_count 0)
if(dump MATCHES "\tExport Address Table[ \t]+([0-9a-f]+)\n\t\\[Name Pointer/Ordinal\\] Table")
  math(EXPR address_count "0x${CMAKE_MATCH_1}")
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
  string(SUBSTRING "${dump}" ${at} -1 name_table)
  string(REGEX MATCH "\n(\t\\[ *[0-9]+\\][^\n]*\n)*" name_table "${name_table}")
  # "\t[   0] Pellasto": keep the last word of each line (brackets would upset
  # CMake's lists, so they go first).
  string(SUBSTRING "${name_table}" 1 -1 name_table)
  string(REGEX REPLACE "[^\n]* ([^ \n]+)\n" "\\1;" names "${name_table}")
endif()
list(REMOVE_ITEM names "")
list(SORT names)
set(expected ${EXPORTS})
list(SORT expected)
list(LENGTH expected expected_count)
if(NOT address_count EQUAL expected_count)
  list(APPEND problems
       "the export address table has ${address_count} entries, not ${expected_count}")
endif()
foreach(name IN LISTS names)
  if(name MATCHES "^_|@[0-9]+$")
    list(APPEND problems "decorated export ${name}")
  endif()
endforeach()
set(unexpected ${names})
list(REMOVE_ITEM unexpected ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${names})
if(unexpected)
  list(JOIN unexpected " " text)
  list(APPEND problems "unexpected exports: ${text}")
endif()
if(missing)
  list(JOIN missing " " text)
  list(APPEND problems "missing exports: ${text}")
endif()

# Imports, including delay-loaded ones, come from system DLLs only.
string(REGEX MATCHALL "\tDLL Name: [^\n]+" imports "${dump}")
list(TRANSFORM imports REPLACE "\tDLL Name: " "")
foreach(dll IN LISTS imports)
  string(TOLOWER "${dll}" lower)
  if(NOT lower MATCHES "${allowed_imports}")
    list(APPEND problems "imports from ${dll}, which is not a system DLL")
  endif()
endforeach()
if(NOT dump MATCHES "\nEntry d 0+ 0+ Delay Import Directory")
  list(APPEND problems "has delay-loaded imports")
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${MODULE}:\n  ${text}")
endif()
list(JOIN names " " names)
list(JOIN imports " " imports)
message(STATUS "${MODULE}: ${format} DLL; exports ${names}; imports ${imports}")
