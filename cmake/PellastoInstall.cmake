# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Release layout. `cmake --install` and the release archive give the same
# tree:
#
#   LICENSE                 the project's licence (Apache-2.0)
#   THIRD-PARTY-NOTICES     what the compiler links into the binaries, with
#                           the licence texts as Debian ships them (kept in
#                           the source tree, cmake/PellastoNotices.cmake)
#   shaders/                the module, its declaration, INSTALL.txt
#   bin/                    pellasto-check, the self-check (tools/check)
#
# The debug information of the module and of the programs (<file>.debug
# beside each, named by its .gnu_debuglink) is the component "Symbols": left out of a plain
# `cmake --install`, packed into an archive of its own beside the release
# archive, and installed on request (--component Symbols).

include(${CMAKE_CURRENT_LIST_DIR}/PellastoSign.cmake)

set(PELLASTO_SHADER_DIR shaders)
# Folders the install makes get these modes whatever the builder's umask, so the
# archives do not depend on it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
get_target_property(_pellasto_suffix Pellasto SUFFIX)
if(NOT _pellasto_suffix)
  set(_pellasto_suffix ${CMAKE_SHARED_MODULE_SUFFIX})
endif()
set(PELLASTO_MODULE_FILE Pellasto${_pellasto_suffix})
pellasto_sign(Pellasto)

install(TARGETS Pellasto LIBRARY DESTINATION ${PELLASTO_SHADER_DIR} COMPONENT Runtime)
install(FILES $<TARGET_FILE:Pellasto>.debug DESTINATION ${PELLASTO_SHADER_DIR}
        COMPONENT Symbols EXCLUDE_FROM_ALL)

install(FILES ${PROJECT_SOURCE_DIR}/declarations/Pellasto.mtlx
        DESTINATION ${PELLASTO_SHADER_DIR} COMPONENT Runtime)
set(PELLASTO_DECLARATION_NOTE
    "Pellasto.mtlx - the shader's declaration: its parameters and result")

configure_file(${CMAKE_CURRENT_LIST_DIR}/templates/INSTALL.txt.in
               ${CMAKE_BINARY_DIR}/INSTALL-${PELLASTO_PLATFORM}.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/INSTALL-${PELLASTO_PLATFORM}.txt
        DESTINATION ${PELLASTO_SHADER_DIR} RENAME INSTALL.txt COMPONENT Runtime)

# pellasto_install_program(<target>): a program of the release, in bin/, with
# its debug information in the Symbols component, signed where PE files are.
set(PELLASTO_PROGRAM_DIR bin)
function(pellasto_install_program target)
  pellasto_sign(${target})
  install(TARGETS ${target} RUNTIME DESTINATION ${PELLASTO_PROGRAM_DIR} COMPONENT Runtime)
  install(FILES $<TARGET_FILE:${target}>.debug DESTINATION ${PELLASTO_PROGRAM_DIR}
          COMPONENT Symbols EXCLUDE_FROM_ALL)
  set_property(GLOBAL APPEND PROPERTY pellasto_installed_programs
               ${PELLASTO_PROGRAM_DIR}/$<TARGET_FILE_NAME:${target}>)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/PellastoNotices.cmake)
pellasto_notice_binary(Pellasto)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PELLASTO_NOTICES_FILE}
        DESTINATION . COMPONENT Runtime)

# The archives, made by the release workflow's package step (cpack):
#   Pellasto-<version>-<platform>.zip (Windows) or .tar.gz (Linux)
#   Pellasto-<version>-<platform>-symbols.zip or .tar.gz
# each with a .sha256 beside it for `sha256sum -c`. Entry times are the
# commit's (cmake/PellastoVersion.cmake), so an archive is the same bytes
# whenever and wherever the commit is built.
set(CPACK_PACKAGE_NAME Pellasto)
set(CPACK_PACKAGE_VENDOR "The Pellasto authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME Pellasto-${PROJECT_VERSION}-${PELLASTO_PLATFORM})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Symbols)
set(CPACK_ARCHIVE_RUNTIME_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-symbols)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Stripping happens at link time (pellasto_split_debug_info); a second strip
# here would stamp the time into a PE header.
set(CPACK_STRIP_FILES OFF)
set(CPACK_SOURCE_GENERATOR "")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(PELLASTO_ARCHIVE_EXTENSION zip)
else()
  set(CPACK_GENERATOR TGZ)
  set(PELLASTO_ARCHIVE_EXTENSION tar.gz)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/templates/CPackProjectConfig.cmake.in
               ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)

# The release check, for scripts/release.sh (tests/cmake/check_release.cmake),
# with the field's binary checkers (the binary checks of tests/ use them too).
# Only the release check needs them: a configure without them goes on, and
# the release check says what is missing.
# Debian's python3, where python3-jsonschema is, checks the bills of
# materials.
find_program(PELLASTO_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(WIN32)
  find_program(PELLASTO_PESEC pesec NO_CMAKE_FIND_ROOT_PATH)
  find_program(PELLASTO_READPE readpe NO_CMAKE_FIND_ROOT_PATH)
  set(PELLASTO_CHECKSEC unused)
  set(PELLASTO_HARDENING_CHECK unused)
else()
  find_program(PELLASTO_CHECKSEC checksec NO_CMAKE_FIND_ROOT_PATH)
  find_program(PELLASTO_HARDENING_CHECK hardening-check NO_CMAKE_FIND_ROOT_PATH)
  set(PELLASTO_PESEC unused)
  set(PELLASTO_READPE unused)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/templates/check-release.cmake.in
               ${CMAKE_BINARY_DIR}/check-release.cmake @ONLY)

# pellasto_add_install_test(): once every program is known, a test that
# installs the build and checks the layout above.
function(pellasto_add_install_test)
  if(NOT BUILD_TESTING)
    return()
  endif()
  get_property(programs GLOBAL PROPERTY pellasto_installed_programs)
  list(JOIN programs "|" programs)
  add_test(NAME install_lays_out_the_release_folder
           COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR}
                   -DPREFIX=${CMAKE_BINARY_DIR}/install-check
                   -DMODULE=$<TARGET_FILE:Pellasto> "-DEXTRA=${programs}"
                   -P ${PROJECT_SOURCE_DIR}/tests/cmake/check_install.cmake)
  # The installed tree is left for the tests that run the installed programs.
  set_tests_properties(install_lays_out_the_release_folder PROPERTIES
                       FIXTURES_SETUP release_folder)
endfunction()
