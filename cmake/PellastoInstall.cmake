# Release layout: `cmake --install` (or the CPack archive) gives one folder,
# shaders/, holding the module, its declaration and a short install note, for
# the user to copy into the host's shader path.

if(WIN32)
  set(PELLASTO_PLATFORM_OS windows)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}" PELLASTO_PLATFORM_OS)
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(PELLASTO_PLATFORM_ARCH x86)
else()
  set(PELLASTO_PLATFORM_ARCH x64)
endif()
set(PELLASTO_PLATFORM ${PELLASTO_PLATFORM_OS}-${PELLASTO_PLATFORM_ARCH})

set(PELLASTO_SHADER_DIR shaders)
get_target_property(_pellasto_suffix Pellasto SUFFIX)
if(NOT _pellasto_suffix)
  set(_pellasto_suffix ${CMAKE_SHARED_MODULE_SUFFIX})
endif()
set(PELLASTO_MODULE_FILE Pellasto${_pellasto_suffix})

install(TARGETS Pellasto LIBRARY DESTINATION ${PELLASTO_SHADER_DIR})

install(FILES ${PROJECT_SOURCE_DIR}/declarations/Pellasto.mtlx
        DESTINATION ${PELLASTO_SHADER_DIR})
set(PELLASTO_DECLARATION_NOTE
    "Pellasto.mtlx - the shader's declaration: its parameters and result")

configure_file(${CMAKE_CURRENT_LIST_DIR}/INSTALL.txt.in
               ${CMAKE_BINARY_DIR}/INSTALL-${PELLASTO_PLATFORM}.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/INSTALL-${PELLASTO_PLATFORM}.txt
        DESTINATION ${PELLASTO_SHADER_DIR} RENAME INSTALL.txt)

# cpack --config build/<leg>/CPackConfig.cmake: Pellasto-<version>-<leg>.zip
# (Windows) or .tar.gz, with the shaders/ folder inside.
set(CPACK_PACKAGE_NAME Pellasto)
set(CPACK_PACKAGE_VENDOR Pellasto)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME Pellasto-${PROJECT_VERSION}-${PELLASTO_PLATFORM})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

if(BUILD_TESTING)
  add_test(NAME install_lays_out_the_shader_folder
           COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR}
                   -DPREFIX=${CMAKE_BINARY_DIR}/install-check
                   -DMODULE_FILE=${PELLASTO_MODULE_FILE}
                   -P ${CMAKE_CURRENT_LIST_DIR}/check_install.cmake)
endif()
