# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# cmake -DMODULE=Pellasto.dll -DMACHINE=i386|x86-64 -DOBJDUMP=<mingw objdump>
#       -DPESEC=pesec -DREADPE=readpe
#       [-DEXPORTS=a;b;c] [-DSYMBOLS=<file with the symbol table>]
#       [-DVERSION=1.0.0] [-DSTRIPPED=ON] -P check_pe_module.cmake
#
# Checks a built Windows module without running it. The loader's exploit
# mitigations are judged by pev's checker, pesec: ASLR (DYNAMIC_BASE), DEP
# (NX_COMPAT) and on i386 no SEH (NO_SEH). pesec does not know high-entropy
# ASLR, and readpe 0.81 prints its flag as UNKNOWN[0x20]: on x86-64 that bit of
# the DllCharacteristics readpe reports is checked here. pesec's stack cookie
# verdict looks for MSVC's load configuration and says yes for any GCC build,
# so the stack protector is checked here too. Also checked here, from objdump:
#   - a DLL for the expected machine (PE32 for i386, PE32+ for x86-64);
#   - its export table holds exactly EXPORTS (default: the module's five
#     entries), by plain undecorated names;
#   - it imports from system DLLs only, never from a compiler runtime such as
#     libgcc_s_*.dll, libstdc++-6.dll or libwinpthread-1.dll, which a host's
#     machine need not have; ADVAPI32.dll only for the stack protector's seed
#     (CryptGenRandom, in the guard set-up of GCC's libssp);
#   - on i386 no code that touches the handler chain at %fs:0 (NO_SEH says
#     there is none);
#   - no section both writable and executable;
#   - no link time in the PE header or the export directory;
#   - a stack protector: __stack_chk_fail and __stack_chk_guard are linked in
#     (found in SYMBOLS, the module's debug file, when the module is stripped);
#   - with VERSION, a version resource naming the product and that version;
#   - with STRIPPED, no symbol table or debug sections are left, and a
#     .gnu_debuglink names the file that has them.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/check_module_common.cmake)
check_module_arguments(check_pe_module MODULE OBJDUMP MACHINE PESEC READPE)
set(allowed_imports "^(kernel32\\.dll|msvcrt\\.dll|api-ms-win-crt-[a-z0-9-]+\\.dll|advapi32\\.dll)$")
set(allowed_advapi32 CryptAcquireContextA CryptGenRandom CryptReleaseContext)
if(NOT DEFINED SYMBOLS)
  set(SYMBOLS ${MODULE})
endif()

foreach(pass p:dump h:sections d:code t:symbols)
  string(REPLACE ":" ";" pass ${pass})
  list(GET pass 0 option)
  list(GET pass 1 var)
  set(file ${MODULE})
  if(option STREQUAL "t")
    set(file ${SYMBOLS})
  endif()
  # objdump prints the link time in the local zone: read it in UTC.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${OBJDUMP} -${option} ${file}
                  OUTPUT_VARIABLE ${var} ERROR_VARIABLE dump_error RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -${option} ${file} failed: ${dump_error}")
  endif()
endforeach()

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
list(LENGTH EXPORTS expected_count)
if(NOT address_count EQUAL expected_count)
  list(APPEND problems
       "the export address table has ${address_count} entries, not ${expected_count}")
endif()
foreach(name IN LISTS names)
  if(name MATCHES "^_|@[0-9]+$")
    list(APPEND problems "decorated export ${name}")
  endif()
endforeach()
check_module_export_difference(names)
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
# Functions imported from ADVAPI32.dll: the guard's seed and nothing else.
string(REGEX MATCH "\tDLL Name: ADVAPI32\\.dll\n[^\n]*\n([^\n]+\n)*" advapi32 "${dump}")
string(REGEX MATCHALL "\t[0-9a-f]+[ \t]+[0-9]+[ \t]+[A-Za-z0-9_]+\n" functions "${advapi32}")
list(TRANSFORM functions REPLACE ".*[ \t]([A-Za-z0-9_]+)\n" "\\1")
set(other_functions ${functions})
if(other_functions)
  list(REMOVE_ITEM other_functions ${allowed_advapi32})
endif()
if(other_functions)
  list(JOIN other_functions " " text)
  list(APPEND problems "imports ${text} from ADVAPI32.dll, beyond the stack protector's seed")
endif()

# Exploit mitigations the loader applies: pesec's verdicts, and on x86-64 the
# high-entropy bit of what readpe reads.
execute_process(COMMAND ${PESEC} -f csv ${MODULE} OUTPUT_VARIABLE verdicts RESULT_VARIABLE status)
set(required "ASLR,yes" "DEP/NX,yes")
if(MACHINE STREQUAL "i386")
  list(APPEND required "SEH,no")
endif()
foreach(verdict IN LISTS required)
  string(REPLACE "," ";" pair "${verdict}")
  list(GET pair 0 feature)
  if(NOT verdicts MATCHES "(^|\n)${verdict}\n")
    string(REGEX MATCH "(^|\n)${feature},[^\n]*" found "${verdicts}")
    string(STRIP "${found}" found)
    list(APPEND problems "pesec: ${found}, not ${verdict}")
  endif()
endforeach()
execute_process(COMMAND ${READPE} -f csv -h optional ${MODULE} OUTPUT_VARIABLE optional)
if(MACHINE STREQUAL "x86-64")
  if(NOT optional MATCHES "\nDLL characteristics,(0x[0-9a-f]+)\n")
    message(FATAL_ERROR "${READPE} gave no DLL characteristics of ${MODULE}")
  endif()
  math(EXPR high_entropy "${CMAKE_MATCH_1} & 0x20")
  if(NOT high_entropy)
    list(APPEND problems "readpe: DLL characteristics ${CMAKE_MATCH_1} lack HIGH_ENTROPY_VA (0x20)")
  endif()
endif()
# NO_SEH says the image has no structured exception handler: then no code
# may push one onto the chain at %fs:0.
if(MACHINE STREQUAL "i386" AND code MATCHES "%fs:0x0[,\n]")
  string(REGEX MATCH "[^\n]*%fs:0x0[,\n][^\n]*" found "${code}")
  string(REGEX REPLACE "[ \t]+" " " found "${found}")
  string(STRIP "${found}" found)
  list(APPEND problems "code touches the exception handler chain at %fs:0 (${found})")
endif()

# Sections: none both writable (no READONLY) and executable (CODE).
string(REGEX MATCHALL "\n +[0-9]+ ([^ \n]+) [^\n]*\n +[^\n]*" headers "${sections}")
foreach(header IN LISTS headers)
  string(REGEX MATCH "\n +[0-9]+ ([^ \n]+)" name "${header}")
  set(name ${CMAKE_MATCH_1})
  if(header MATCHES "CODE" AND NOT header MATCHES "READONLY")
    list(APPEND problems "section ${name} is both writable and executable")
  endif()
endforeach()

# No link time: two links of the same sources give the same bytes.
if(NOT dump MATCHES "\nTime/Date\t+Thu Jan  1 00:00:00 1970\n")
  string(REGEX MATCH "\nTime/Date\t+[^\n]*" found "${dump}")
  string(STRIP "${found}" found)
  list(APPEND problems "the PE header carries a link time (${found})")
endif()
if(dump MATCHES "\nTime/Date stamp[ \t]+([0-9a-f]+)\n")
  set(stamp ${CMAKE_MATCH_1})
  if(NOT stamp MATCHES "^0+$")
    list(APPEND problems "the export directory carries a link time (${stamp})")
  endif()
endif()

# Stack protector: GCC's guard and its failure routine are linked in.
if(NOT symbols MATCHES "[ _]__stack_chk_fail\n" OR NOT symbols MATCHES "[ _]__stack_chk_guard\n")
  list(APPEND problems "no stack protector (no __stack_chk_fail and __stack_chk_guard in ${SYMBOLS})")
endif()

# The version resource, as Explorer's Details tab and inventory tools read it.
if(DEFINED VERSION)
  file(STRINGS ${MODULE} resource ENCODING UTF-16LE)
  list(JOIN resource "|" resource)
  foreach(pair "ProductName|Pellasto" "OriginalFilename|Pellasto.dll" "FileVersion|${VERSION}"
               "ProductVersion|${VERSION}" "FileDescription|" "LegalCopyright|")
    if(NOT "|${resource}|" MATCHES "\\|${pair}")
      string(REPLACE "|" " " pair "${pair}")
      list(APPEND problems "no version resource entry ${pair}")
    endif()
  endforeach()
endif()

# Stripped, with its debug information elsewhere.
if(STRIPPED)
  if(sections MATCHES "\n +[0-9]+ \\.debug_" OR NOT dump MATCHES "\n\tsymbols stripped\n")
    list(APPEND problems "not stripped (has a symbol table or .debug_ sections)")
  endif()
  if(NOT sections MATCHES "\n +[0-9]+ \\.gnu_debuglink ")
    list(APPEND problems "no .gnu_debuglink naming its debug information")
  endif()
endif()

check_module_verdict()
list(JOIN names " " names)
list(JOIN imports " " imports)
message(STATUS "${MODULE}: ${format} DLL; exports ${names}; imports ${imports}; "
               "passes pesec; no W+X section, no link time, stack protector")
