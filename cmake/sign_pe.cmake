# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Signs one PE file (Authenticode), run after its link by PellastoSign.cmake:
#
# cmake -DFILE=<PE file> -DOSSLSIGNCODE=osslsigncode -DOPENSSL=openssl
#       -DTIME=<signing time, seconds since 1970> -DCAFILE=<roots to verify against>
#       ( -DPKCS12=<.p12/.pfx> [-DPASSWORD_FILE=<file>]
#       | -DPKCS11_MODULE=<module .so> -DKEY=<pkcs11: URI> -DCERTS=<PEM chain>
#         [-DPKCS11_ENGINE=<engine .so>] [-DPASSWORD_FILE=<file>] )
#       [-DDESCRIPTION=<text>] [-DURL=<url>] -P sign_pe.cmake
#
# Gives FILE an Authenticode signature, in place, or fails and removes FILE:
# a file that should have been signed never stays behind unsigned for a
# later step to pack. The password comes from the environment variable
# PELLASTO_SIGN_PASSWORD or from PASSWORD_FILE, never from the command line.
#
# Before FILE is replaced:
#   - the certificate is opened with the password, and must be for code
#     signing and not have expired;
#   - the signed file must verify against CAFILE at the signing time;
#   - `osslsigncode remove-signature` on it gives FILE.unsigned, and signing
#     that again gives the same bytes: the signature is all that was added.
#     (FILE.unsigned is the linked file with its PE checksum set and its end
#     padded to 8 bytes, as a signature needs; it is kept beside FILE for
#     the release check to compare with.)
# The signing time is TIME (SOURCE_DATE_EPOCH), not the clock: the same file
# and key give the same signed bytes.
cmake_policy(VERSION 3.25)

get_filename_component(name "${FILE}" NAME)
set(work "${FILE}.signing")

function(fail)
  string(JOIN "" text ${ARGN})
  file(REMOVE_RECURSE "${work}")
  file(REMOVE "${FILE}" "${FILE}.unsigned")
  message(FATAL_ERROR "sign ${name}: ${text}\n"
          "${name} was removed: nothing unsigned is left to pack.")
endfunction()

# run(<what failed> <command>...): runs the command; on failure, fails with
# its first lines of output.
# (PARSE_ARGV keeps an argument with a semicolon, such as a PKCS#11 URI,
# one argument.)
function(run what)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "")
  execute_process(COMMAND ${arg_UNPARSED_ARGUMENTS} RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    # The lines that say what went wrong, not the whole report.
    string(REGEX MATCHALL "[^\n]*([Ee]rror|[Ff]ailed|Unable|[Ii]nvalid)[^\n]*" lines "${out}")
    if(NOT lines)
      string(REGEX MATCHALL "[^\n]+" lines "${out}")
    endif()
    list(SUBLIST lines 0 8 lines)
    list(JOIN lines "\n  " out)
    fail("${what}:\n  ${out}")
  endif()
endfunction()

# optional(<list> <option> <value>): appends the option and its value to the
# list, where the value is given.
function(optional list option value)
  if(NOT value STREQUAL "")
    set(${list} ${${list}} ${option} "${value}" PARENT_SCOPE)
  endif()
endfunction()

if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "sign: no file ${FILE}")
endif()
foreach(tool OSSLSIGNCODE OPENSSL)
  if(NOT ${tool})
    string(TOLOWER ${tool} program)
    fail("${program} was not found; Debian: apt-get install ${program}")
  endif()
endforeach()
if(NOT TIME MATCHES "^[0-9]+$")
  fail("no signing time (SOURCE_DATE_EPOCH): \"${TIME}\"")
endif()
if(NOT CAFILE OR NOT EXISTS "${CAFILE}")
  fail("no certificate authority file \"${CAFILE}\" to verify the signature against "
       "(PELLASTO_SIGN_CAFILE)")
endif()

file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
file(CHMOD "${work}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# The password, in a file only this user reads, for openssl and osslsigncode.
set(password_file "")
if(DEFINED ENV{PELLASTO_SIGN_PASSWORD})
  set(password_file "${work}/password")
  file(WRITE "${password_file}" "$ENV{PELLASTO_SIGN_PASSWORD}")
elseif(PASSWORD_FILE)
  if(NOT EXISTS "${PASSWORD_FILE}")
    fail("the password file ${PASSWORD_FILE} does not exist (PELLASTO_SIGN_PASSWORD_FILE)")
  endif()
  set(password_file "${PASSWORD_FILE}")
endif()

# The certificate that signs, and how osslsigncode reaches the key.
set(leaf "${work}/certificate.pem")
if(PKCS12)
  if(NOT EXISTS "${PKCS12}")
    fail("the PKCS#12 file ${PKCS12} does not exist (PELLASTO_SIGN_PKCS12)")
  endif()
  set(pass_in -passin pass:)
  if(password_file)
    set(pass_in -passin "file:${password_file}")
  endif()
  # Files exported by older tools use algorithms OpenSSL 3 keeps apart: those
  # open with -legacy. The first attempt's error is the one reported.
  foreach(legacy "" -legacy)
    execute_process(COMMAND ${OPENSSL} pkcs12 ${legacy} -in "${PKCS12}" -nokeys -clcerts
                            ${pass_in} -out "${leaf}"
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE attempt)
    if(status EQUAL 0)
      break()
    elseif(NOT legacy)
      set(error "${attempt}")
    endif()
  endforeach()
  if(NOT status EQUAL 0)
    string(REGEX MATCH "[^\n]*" error "${error}")
    fail("${PKCS12} cannot be opened: the password is wrong, or it is not a PKCS#12 file "
         "(openssl: ${error})")
  endif()
  set(signer -pkcs12 "${PKCS12}")
  optional(signer -readpass "${password_file}")
elseif(PKCS11_MODULE)
  if(NOT EXISTS "${PKCS11_MODULE}")
    fail("the PKCS#11 module ${PKCS11_MODULE} does not exist (PELLASTO_SIGN_PKCS11_MODULE)")
  endif()
  if(NOT KEY)
    fail("no key on the token named (PELLASTO_SIGN_KEY, e.g. \"pkcs11:object=signing\")")
  endif()
  if(NOT CERTS OR NOT EXISTS "${CERTS}")
    fail("the certificate file \"${CERTS}\" does not exist (PELLASTO_SIGN_CERTS)")
  endif()
  # The signer's certificate comes first in the chain file.
  run("${CERTS} holds no PEM certificate" ${OPENSSL} x509 -in "${CERTS}" -out "${leaf}")
  # The key's URI goes to osslsigncode on its own (sign_file below).
  set(signer "")
  optional(signer -pkcs11engine "${PKCS11_ENGINE}")
  list(APPEND signer -pkcs11module "${PKCS11_MODULE}" -certs "${CERTS}")
  optional(signer -readpass "${password_file}")
else()
  fail("no certificate: set PELLASTO_SIGN_PKCS12, or PELLASTO_SIGN_PKCS11_MODULE, "
       "PELLASTO_SIGN_KEY and PELLASTO_SIGN_CERTS")
endif()

execute_process(COMMAND ${OPENSSL} x509 -in "${leaf}" -noout -subject -enddate
                        -ext extendedKeyUsage
                OUTPUT_VARIABLE facts RESULT_VARIABLE status ERROR_QUIET)
string(REGEX MATCH "subject=[^\n]*" subject "${facts}")
string(REGEX REPLACE "^subject= *" "" subject "${subject}")
string(REGEX MATCH "notAfter=[^\n]*" end "${facts}")
if(NOT status EQUAL 0 OR NOT subject)
  fail("no certificate could be read from the key's file")
endif()
if(NOT facts MATCHES "Code Signing")
  fail("the certificate (${subject}) is not for code signing: its extended key usage "
       "does not list it")
endif()
execute_process(COMMAND ${OPENSSL} x509 -in "${leaf}" -noout -checkend 0
                RESULT_VARIABLE expired OUTPUT_QUIET ERROR_QUIET)
if(NOT expired EQUAL 0)
  fail("the certificate (${subject}) has expired (${end})")
endif()

set(describe "")
optional(describe -n "${DESCRIPTION}")
optional(describe -i "${URL}")
set(sign ${OSSLSIGNCODE} sign ${signer} -h sha256 ${describe} -time ${TIME})
set(signer_named "${subject}")
if(PKCS11_MODULE AND NOT PKCS12)
  # (The URI's semicolons escaped: it stays one argument of run().)
  string(REPLACE ";" "\\;" key "${KEY}")
  list(APPEND sign -key "${key}")
  string(APPEND signer_named " (the key ${KEY})")
endif()
# sign_file(<in> <out>)
function(sign_file in out)
  run("osslsigncode could not sign ${name} with ${signer_named}"
      ${sign} -in "${in}" -out "${out}")
endfunction()
sign_file("${FILE}" "${work}/signed")
run("the signature of ${name} does not verify against ${CAFILE} at time ${TIME}"
    ${OSSLSIGNCODE} verify -CAfile "${CAFILE}" -time ${TIME} -in "${work}/signed")
run("osslsigncode cannot remove the signature it made"
    ${OSSLSIGNCODE} remove-signature -in "${work}/signed" -out "${work}/unsigned")
sign_file("${work}/unsigned" "${work}/signed-again")
file(SHA256 "${work}/signed" a)
file(SHA256 "${work}/signed-again" b)
if(NOT a STREQUAL b)
  fail("signing ${name}, and signing it again after osslsigncode remove-signature, give "
       "different files: either the signature is not the same for the same bytes, or "
       "removing it does not give back the file it was made over")
endif()
file(COPY_FILE "${work}/unsigned" "${FILE}.unsigned")
file(RENAME "${work}/signed" "${FILE}")
file(REMOVE_RECURSE "${work}")
message(STATUS "sign ${name}: signed by ${subject}, verified against ${CAFILE}")
