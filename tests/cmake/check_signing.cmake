# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# cmake -DUNSIGNED=<file as signed: <file>.unsigned> -DSIGNED=<the shipped file>
#       -DSIGNER=<the build's signer folder, or empty> -DCAFILE=<its authority>
#       -DTIME=<signing time> -DDESCRIPTION=<the signature's description>
#       -DOSSLSIGNCODE=... -DOPENSSL=... -DWORK=<folder>
#       -P check_signing.cmake
#
# The signing step (cmake/sign_pe.cmake) against bad input, on a copy of a
# file the release signed: a missing certificate file, a wrong password, an
# expired certificate and one not for code signing each stop it with its
# reason and leave no file behind; a signature that does not verify against
# the given authority does too. The same key on a PKCS#11 token (SoftHSM)
# signs exactly as from the PKCS#12 file, and a wrong PIN stops it. With the
# build's own throwaway signer
# (SIGNER), signing the file again gives the shipped bytes: the signature
# depends on the file, the key and SOURCE_DATE_EPOCH alone.
cmake_policy(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(failures "")
set(cases 0)

# sign(<name> <expected failure regex or "ok"> <settings>...)
function(sign name expected)
  set(target ${WORK}/${name}.dll)
  file(COPY_FILE ${UNSIGNED} ${target})
  execute_process(COMMAND ${CMAKE_COMMAND} -DFILE=${target} -DOSSLSIGNCODE=${OSSLSIGNCODE}
                          -DOPENSSL=${OPENSSL} -DTIME=${TIME} ${ARGN}
                          -P ${CMAKE_CURRENT_LIST_DIR}/../../cmake/sign_pe.cmake
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX REPLACE "[ \n]+" " " flat "${out}")
  if(expected STREQUAL "ok")
    if(NOT status EQUAL 0)
      set(failures "${failures}\n  ${name}: signing failed: ${flat}" PARENT_SCOPE)
    endif()
  elseif(status EQUAL 0 OR NOT flat MATCHES "${expected}")
    set(failures "${failures}\n  ${name}: expected a failure matching \"${expected}\", got status ${status}: ${flat}"
        PARENT_SCOPE)
  elseif(EXISTS ${target} OR EXISTS ${target}.unsigned)
    set(failures "${failures}\n  ${name}: failed, but left ${target} behind" PARENT_SCOPE)
  else()
    message(STATUS "check-signing: ${name}: refused as it should be")
  endif()
  math(EXPR n "${cases} + 1")
  set(cases ${n} PARENT_SCOPE)
endfunction()

foreach(kind good expired server)
  execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../../cmake/make-test-signer.sh ${WORK}/${kind}
                          ${kind} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "check-signing: could not make the ${kind} test certificate")
  endif()
endforeach()
file(WRITE ${WORK}/wrong-password "not the password")
set(good -DPKCS12=${WORK}/good/signer.p12 -DPASSWORD_FILE=${WORK}/good/password
         -DCAFILE=${WORK}/good/ca.pem)

sign(good ok ${good})
sign(missing-certificate "the PKCS#12 file .*/no-such.p12 does not exist"
     -DPKCS12=${WORK}/no-such.p12 -DPASSWORD_FILE=${WORK}/good/password
     -DCAFILE=${WORK}/good/ca.pem)
sign(wrong-password "cannot be opened: the password is wrong"
     -DPKCS12=${WORK}/good/signer.p12 -DPASSWORD_FILE=${WORK}/wrong-password
     -DCAFILE=${WORK}/good/ca.pem)
sign(expired "has expired \\(notAfter=Dec 31 23:59:59 2000 GMT\\)"
     -DPKCS12=${WORK}/expired/signer.p12 -DPASSWORD_FILE=${WORK}/expired/password
     -DCAFILE=${WORK}/expired/ca.pem)
sign(not-for-code-signing "is not for code signing"
     -DPKCS12=${WORK}/server/signer.p12 -DPASSWORD_FILE=${WORK}/server/password
     -DCAFILE=${WORK}/server/ca.pem)
sign(other-authority "does not verify against .*/expired/ca.pem"
     -DPKCS12=${WORK}/good/signer.p12 -DPASSWORD_FILE=${WORK}/good/password
     -DCAFILE=${WORK}/expired/ca.pem)
sign(no-certificate "no certificate: set PELLASTO_SIGN_PKCS12" -DCAFILE=${WORK}/good/ca.pem)

# A key on a PKCS#11 token: the good key in a SoftHSM token of its own
# (softhsm2, and libp11's engine for osslsigncode), which must sign exactly
# as the PKCS#12 file with that key did; and a wrong PIN.
find_program(SOFTHSM softhsm2-util)
find_file(SOFTHSM_MODULE libsofthsm2.so PATHS /usr/lib/softhsm /usr/lib/x86_64-linux-gnu/softhsm
          NO_DEFAULT_PATH)
if(SOFTHSM AND SOFTHSM_MODULE)
  set(hsm ${WORK}/hsm)
  file(MAKE_DIRECTORY ${hsm}/tokens)
  file(WRITE ${hsm}/softhsm2.conf "directories.tokendir = ${hsm}/tokens\nlog.level = ERROR\n")
  set(ENV{SOFTHSM2_CONF} ${hsm}/softhsm2.conf)
  file(WRITE ${hsm}/pin "4321")
  file(READ ${WORK}/good/password password)
  execute_process(
    COMMAND ${SOFTHSM} --init-token --free --label pellasto-test --pin 4321 --so-pin 87654321
    COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
  execute_process(COMMAND ${OPENSSL} pkcs12 -in ${WORK}/good/signer.p12 -nocerts -nodes
                          -passin file:${WORK}/good/password -out ${hsm}/key.pem
                  COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${OPENSSL} pkcs8 -topk8 -nocrypt -in ${hsm}/key.pem
                          -out ${hsm}/key8.pem COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${OPENSSL} pkcs12 -in ${WORK}/good/signer.p12 -nokeys
                          -passin file:${WORK}/good/password -out ${hsm}/chain.pem
                  COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${SOFTHSM} --import ${hsm}/key8.pem --token pellasto-test
                          --label codesign --id 01 --pin 4321
                  COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
  file(REMOVE ${hsm}/key.pem ${hsm}/key8.pem)
  set(token -DPKCS11_MODULE=${SOFTHSM_MODULE} "-DKEY=pkcs11:token=pellasto-test;object=codesign"
            -DCERTS=${hsm}/chain.pem -DCAFILE=${WORK}/good/ca.pem)
  sign(token ok ${token} -DPASSWORD_FILE=${hsm}/pin)
  file(SHA256 ${WORK}/token.dll a)
  file(SHA256 ${WORK}/good.dll b)
  if(NOT a STREQUAL b)
    string(APPEND failures "\n  the key on the token does not sign as the same key in a "
                           "PKCS#12 file does")
  endif()
  sign(token-wrong-pin "osslsigncode could not sign" ${token}
       -DPASSWORD_FILE=${WORK}/wrong-password)
else()
  message(STATUS "check-signing: no SoftHSM (softhsm2): the PKCS#11 route is not tried")
endif()

if(SIGNER)
  sign(again ok -DPKCS12=${SIGNER}/signer.p12 -DPASSWORD_FILE=${SIGNER}/password
       -DCAFILE=${CAFILE} "-DDESCRIPTION=${DESCRIPTION}")
  file(SHA256 ${WORK}/again.dll a)
  file(SHA256 ${SIGNED} b)
  if(NOT a STREQUAL b)
    string(APPEND failures "\n  signing the file again with the same key and time does not "
                           "give the shipped bytes")
  endif()
endif()

if(failures)
  message(FATAL_ERROR "check-signing: the signing step does not hold:${failures}")
endif()
file(REMOVE_RECURSE ${WORK})
message(STATUS "check-signing: ${cases} cases: a good certificate signs, from a file or a "
               "token; a missing file, a wrong password or PIN, an expired certificate, one "
               "not for code signing, another authority and no certificate each stop it and "
               "leave no file")
