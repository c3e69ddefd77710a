# cmake -DMODULE=Pellasto.so -DNM=nm -P check_elf_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${listing}")
list(TRANSFORM names STRIP)
list(SORT names)
set(expected Pellasto Pellasto_exit Pellasto_init Pellasto_version miSetModuleHandle)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports: ${names}\nexpected: ${expected}")
endif()
message(STATUS "exports: ${names}")
