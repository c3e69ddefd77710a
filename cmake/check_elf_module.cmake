# cmake -DMODULE=Pellasto.so -DREADELF=readelf -DMACHINE=x86-64|i386|aarch64
#       [-DEXPORTS=a;b;c] [-DMAX_GLIBC=2.28] [-DVERSION=1.0.0] [-DSTRIPPED=ON]
#       -P check_elf_module.cmake
#
# Checks a built Linux module without loading it, as a distribution's
# hardening checks judge binaries:
#   - an ELF shared object of the expected class and machine;
#   - its dynamic symbol table exports exactly EXPORTS (default: the module's
#     five entries);
#   - full RELRO: a GNU_RELRO segment and every symbol bound at load (BIND_NOW);
#   - a non-executable stack (GNU_STACK without the execute flag);
#   - no text relocations;
#   - a stack protector (it calls __stack_chk_fail);
#   - _FORTIFY_SOURCE: it calls checked variants (__*_chk) and none of the
#     printf family unchecked;
#   - it needs no library beyond the C library's own (no libstdc++, no
#     libgcc_s) and no GLIBC symbol version above MAX_GLIBC (default 2.28);
#   - with VERSION, the version note "Pellasto" carries it;
#   - with STRIPPED, no symbol table or debug information is left, and a
#     .gnu_debuglink names the file that has them.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/check_module_common.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/check_elf_glibc.cmake)
check_module_arguments(check_elf_module MODULE READELF MACHINE)
if(NOT DEFINED MAX_GLIBC)
  set(MAX_GLIBC 2.28)
endif()

execute_process(COMMAND ${READELF} -W --file-header --program-headers --section-headers
                        --dynamic --dyn-syms --version-info --notes ${MODULE}
                OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} ${MODULE} failed: ${dump_error}")
endif()

set(problems "")

# What kind of file, for which machine.
if(MACHINE STREQUAL "x86-64")
  set(class ELF64)
  set(machine_name "Advanced Micro Devices X86-64")
elseif(MACHINE STREQUAL "i386")
  set(class ELF32)
  set(machine_name "Intel 80386")
elseif(MACHINE STREQUAL "aarch64")
  set(class ELF64)
  set(machine_name "AArch64")
else()
  message(FATAL_ERROR "check_elf_module: unknown MACHINE ${MACHINE}")
endif()
if(NOT dump MATCHES "\n *Class: +${class}\n")
  string(REGEX MATCH "Class: +[^\n]*" found "${dump}")
  list(APPEND problems "not an ${class} file (${found})")
endif()
if(NOT dump MATCHES "\n *Machine: +${machine_name}\n")
  string(REGEX MATCH "Machine: +[^\n]*" found "${dump}")
  list(APPEND problems "not for ${machine_name} (${found})")
endif()
if(NOT dump MATCHES "\n *Type: +DYN ")
  list(APPEND problems "not a shared object")
endif()

# Exports: the defined global and weak symbols of the dynamic symbol table.
set(exports "")
set(imports "")
set(symbol "\n *[0-9]+: [0-9a-f]+ +[0-9a-fx]+ [A-Z_]+ +(GLOBAL|WEAK) +[A-Z]+ +(UND|ABS|[0-9]+) ([^ @\n]+)[^\n]*")
string(REGEX MATCHALL "${symbol}" symbols "${dump}")
foreach(line IN LISTS symbols)
  string(REGEX MATCH "${symbol}" fields "${line}")
  set(name ${CMAKE_MATCH_3})
  if(CMAKE_MATCH_2 STREQUAL "UND")
    list(APPEND imports ${name})
  elseif(NOT CMAKE_MATCH_2 STREQUAL "ABS")
    list(APPEND exports ${name})
  endif()
endforeach()
list(SORT exports)
set(expected ${EXPORTS})
list(SORT expected)
if(NOT exports STREQUAL expected)
  check_module_export_difference(exports)
  list(JOIN unexpected " " unexpected)
  list(JOIN missing " " missing)
  list(APPEND problems "exports differ: unexpected [${unexpected}], missing [${missing}]")
endif()

# Full RELRO.
if(NOT dump MATCHES "\n +GNU_RELRO ")
  list(APPEND problems "no GNU_RELRO segment (not linked with -z relro)")
endif()
if(NOT dump MATCHES "\\(FLAGS\\)[^\n]*BIND_NOW" AND NOT dump MATCHES "\\(FLAGS_1\\)[^\n]*NOW")
  list(APPEND problems "symbols are bound lazily, so RELRO is partial (not linked with -z now)")
endif()

# The stack.
string(REGEX MATCH "\n +GNU_STACK [^\n]*" stack "${dump}")
if(NOT stack)
  list(APPEND problems "no GNU_STACK segment: the stack is executable")
elseif(stack MATCHES " RWE ")
  list(APPEND problems "the stack is executable (GNU_STACK RWE)")
endif()

# Text relocations.
if(dump MATCHES "\\(TEXTREL\\)" OR dump MATCHES "\\(FLAGS\\)[^\n]*TEXTREL")
  list(APPEND problems "has text relocations")
endif()

# Stack protector and _FORTIFY_SOURCE, by what the module calls.
if(NOT "__stack_chk_fail" IN_LIST imports)
  list(APPEND problems "no stack protector (nothing calls __stack_chk_fail)")
endif()
set(checked ${imports})
list(FILTER checked INCLUDE REGEX "^__.*_chk$")
list(REMOVE_ITEM checked __stack_chk_fail)
set(unchecked ${imports})
list(FILTER unchecked INCLUDE REGEX "^v?(s|sn|f|d)?printf$")
if(NOT checked)
  list(APPEND problems "not built with _FORTIFY_SOURCE (no checked __*_chk calls)")
endif()
if(unchecked)
  list(JOIN unchecked " " text)
  list(APPEND problems "calls unchecked ${text} (not built with _FORTIFY_SOURCE)")
endif()

# Libraries and symbol versions needed.
check_elf_c_library("${dump}" ${MAX_GLIBC})

# The version note.
if(DEFINED VERSION)
  string(REGEX MATCH "\n *Pellasto +0x[0-9a-f]+\t[^\n]*description data: ([0-9a-f ]+)"
         note "${dump}")
  set(expected_data "")
  string(LENGTH "${VERSION}" length)
  math(EXPR last "${length} - 1")
  foreach(i RANGE ${last})
    string(SUBSTRING "${VERSION}" ${i} 1 char)
    string(HEX "${char}" hex)
    string(APPEND expected_data "${hex} ")
  endforeach()
  if(NOT note)
    list(APPEND problems "no version note \"Pellasto\"")
  elseif(NOT CMAKE_MATCH_1 STREQUAL "${expected_data}00 ")
    list(APPEND problems "the version note says ${CMAKE_MATCH_1}, not ${VERSION}")
  endif()
endif()

# Stripped, with its debug information elsewhere.
if(STRIPPED)
  if(dump MATCHES "\\] \\.symtab " OR dump MATCHES "\\] \\.debug_info ")
    list(APPEND problems "not stripped (has .symtab or .debug_info)")
  endif()
  if(NOT dump MATCHES "\\] \\.gnu_debuglink ")
    list(APPEND problems "no .gnu_debuglink naming its debug information")
  endif()
endif()

check_module_verdict()
list(JOIN exports " " exports)
list(JOIN needed " " needed)
message(STATUS "${MODULE}: ${class} ${MACHINE} shared object; exports ${exports}; "
               "needs ${needed} up to GLIBC_${highest}; full RELRO, no executable "
               "stack, no text relocations, stack protector, _FORTIFY_SOURCE")
