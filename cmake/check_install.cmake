# cmake -DBUILD=<build folder> -DPREFIX=<empty folder> -DMODULE_FILE=Pellasto.dll
#       -P check_install.cmake
#
# Installs the build into PREFIX and checks the release layout: one folder,
# shaders/, holding the module, the declaration and the install note; nothing
# else (no test programs or test hosts).
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD} failed")
endif()
set(expected shaders/INSTALL.txt shaders/${MODULE_FILE} shaders/Pellasto.mtlx)
list(SORT expected)
file(GLOB_RECURSE found RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "installed: ${found}\nexpected: ${expected}")
endif()
file(READ ${PREFIX}/shaders/INSTALL.txt note)
if(NOT note MATCHES "${MODULE_FILE}")
  message(FATAL_ERROR "the install note does not name ${MODULE_FILE}")
endif()
message(STATUS "installed: ${found}")
