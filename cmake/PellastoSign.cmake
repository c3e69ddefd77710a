# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Authenticode signatures on the PE files that ship (Windows builds with
# PELLASTO_SIGN on, as the release presets have it): each is signed right
# after its link and the split of its debug information, by
# cmake/sign_pe.cmake, with osslsigncode.
#
# The certificate is the releaser's, named by cache variables or, where one
# is not set, by the environment variable of the same name:
#   PELLASTO_SIGN_PKCS12          a PKCS#12 file (.p12, .pfx) with key and chain
# or, for a key that stays on a token or HSM,
#   PELLASTO_SIGN_PKCS11_MODULE   the token's PKCS#11 module (.so)
#   PELLASTO_SIGN_KEY             the key on it, e.g. "pkcs11:object=codesign"
#   PELLASTO_SIGN_CERTS           the signer's certificate and chain, PEM
#   PELLASTO_SIGN_PKCS11_ENGINE   the OpenSSL engine for it, if osslsigncode
#                                 does not find one itself
# and for either
#   PELLASTO_SIGN_PASSWORD_FILE   a file holding the password or PIN; or the
#                                 environment variable PELLASTO_SIGN_PASSWORD
#                                 when the build runs (never cached)
#   PELLASTO_SIGN_CAFILE          the roots the signature must verify against
#                                 (default: the system's, ca-certificates)
# Without a certificate, the build makes a throwaway certificate authority
# and code-signing certificate in <build>/test-signer/
# (cmake/make-test-signer.sh) and signs with that: for tests and CI, never
# for distribution. The signing time is PELLASTO_SOURCE_DATE_EPOCH.

option(PELLASTO_SIGN "Sign the shipped PE files (Authenticode, osslsigncode)" OFF)

# pellasto_sign(<target>): the target's file is signed after each link.
# (Nothing without PELLASTO_SIGN, or off Windows.)
function(pellasto_sign target)
  if(NOT PELLASTO_SIGN OR NOT WIN32)
    return()
  endif()
  if(TARGET pellasto_test_signer)
    add_dependencies(${target} pellasto_test_signer)
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${_pellasto_sign_settings}
               ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/sign_pe.cmake ${_pellasto_signer_files})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}>
            -DOSSLSIGNCODE=${PELLASTO_OSSLSIGNCODE} -DOPENSSL=${PELLASTO_OPENSSL}
            -DTIME=${PELLASTO_SOURCE_DATE_EPOCH} -DCAFILE=${_pellasto_sign_cafile}
            ${_pellasto_sign_key} "-DDESCRIPTION=${PROJECT_NAME} ${PROJECT_VERSION}"
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/sign_pe.cmake
    COMMENT "Signing ${target}"
    VERBATIM)
endfunction()

if(NOT PELLASTO_SIGN OR NOT WIN32)
  return()
endif()

# A cache variable given wins; else the environment variable, read at every
# configure (so that a certificate named once is not kept for later builds).
foreach(setting PKCS12 PKCS11_MODULE KEY CERTS PKCS11_ENGINE PASSWORD_FILE CAFILE)
  set(PELLASTO_SIGN_${setting} "" CACHE STRING
      "Authenticode signing: see cmake/PellastoSign.cmake")
  if(NOT PELLASTO_SIGN_${setting})
    set(PELLASTO_SIGN_${setting} "$ENV{PELLASTO_SIGN_${setting}}")
  endif()
endforeach()
find_program(PELLASTO_OSSLSIGNCODE osslsigncode NO_CMAKE_FIND_ROOT_PATH)
find_program(PELLASTO_OPENSSL openssl NO_CMAKE_FIND_ROOT_PATH)
if(NOT PELLASTO_OSSLSIGNCODE OR NOT PELLASTO_OPENSSL)
  message(FATAL_ERROR "PELLASTO_SIGN needs osslsigncode and openssl "
                      "(Debian: osslsigncode from bookworm-backports, openssl)")
endif()

set(_pellasto_signer_files "")
if(PELLASTO_SIGN_PKCS12 OR PELLASTO_SIGN_PKCS11_MODULE)
  # What can be told now is told now; the signing step checks it all again.
  foreach(setting PKCS12 PKCS11_MODULE CERTS PASSWORD_FILE CAFILE)
    if(PELLASTO_SIGN_${setting} AND NOT EXISTS "${PELLASTO_SIGN_${setting}}")
      message(FATAL_ERROR "PELLASTO_SIGN_${setting}: there is no file "
                          "\"${PELLASTO_SIGN_${setting}}\"")
    endif()
  endforeach()
  set(PELLASTO_SIGN_TEST_CERTIFICATE OFF)
  # A PKCS#11 URI's semicolons stay inside the one argument.
  string(REPLACE ";" "$<SEMICOLON>" _pellasto_sign_uri "${PELLASTO_SIGN_KEY}")
  set(_pellasto_sign_key -DPKCS12=${PELLASTO_SIGN_PKCS12}
      -DPKCS11_MODULE=${PELLASTO_SIGN_PKCS11_MODULE} -DKEY=${_pellasto_sign_uri}
      -DCERTS=${PELLASTO_SIGN_CERTS} -DPKCS11_ENGINE=${PELLASTO_SIGN_PKCS11_ENGINE}
      -DPASSWORD_FILE=${PELLASTO_SIGN_PASSWORD_FILE})
  set(_pellasto_sign_cafile ${PELLASTO_SIGN_CAFILE})
  if(NOT _pellasto_sign_cafile)
    set(_pellasto_sign_cafile /etc/ssl/certs/ca-certificates.crt)
  endif()
  message(STATUS "Signing the PE files with ${PELLASTO_SIGN_PKCS12}${PELLASTO_SIGN_KEY}")
else()
  set(PELLASTO_SIGN_TEST_CERTIFICATE ON)
  set(_pellasto_test_signer ${CMAKE_BINARY_DIR}/test-signer)
  set(PELLASTO_SIGN_TEST_SIGNER ${_pellasto_test_signer})
  set(_pellasto_signer_files ${_pellasto_test_signer}/signer.p12)
  add_custom_command(OUTPUT ${_pellasto_test_signer}/signer.p12
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make-test-signer.sh ${_pellasto_test_signer}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/make-test-signer.sh
    COMMENT "Making a throwaway code-signing certificate (tests only)" VERBATIM)
  add_custom_target(pellasto_test_signer DEPENDS ${_pellasto_test_signer}/signer.p12)
  set(_pellasto_sign_key -DPKCS12=${_pellasto_test_signer}/signer.p12
      -DPASSWORD_FILE=${_pellasto_test_signer}/password)
  set(_pellasto_sign_cafile ${_pellasto_test_signer}/ca.pem)
  message(STATUS "Signing the PE files with a throwaway test certificate "
                 "(${_pellasto_test_signer}): set PELLASTO_SIGN_PKCS12 or "
                 "PELLASTO_SIGN_PKCS11_MODULE to sign a release for distribution")
endif()
set(PELLASTO_SIGN_CAFILE_USED ${_pellasto_sign_cafile})
# A signed file is only signed after a link: a change of certificate, of its
# settings or of the signing step relinks (the file is written only when its
# text changes).
set(_pellasto_sign_settings ${CMAKE_BINARY_DIR}/signing-settings.txt)
file(CONFIGURE OUTPUT ${_pellasto_sign_settings}
     CONTENT "${_pellasto_sign_key};${_pellasto_sign_cafile};${PELLASTO_SOURCE_DATE_EPOCH}\n")
