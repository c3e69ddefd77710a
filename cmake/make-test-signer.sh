#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Makes a throwaway certificate authority and a code-signing certificate
# issued by it, for builds that sign without a certificate of their own (the
# test and CI legs), with openssl:
#
#   bash cmake/make-test-signer.sh <folder> [expired|server]
#
# <folder>/ca.pem           the authority's certificate, to verify against
# <folder>/signer.p12       the signing key and certificate (and the CA's)
# <folder>/password         the PKCS#12 file's password
# Both certificates are valid from 2000 to 2099, so that they cover any
# commit's time; "expired" makes a signer valid in 2000 only, "server" one
# for TLS servers rather than code signing (the wrong certificates the
# signing step must refuse). Nothing here is secret beyond the folder, and
# the folder is made anew each time.
set -euo pipefail
out=$1
kind=${2:-good}
rm -rf "$out"
mkdir -p "$out/ca"
umask 077
cd "$out/ca"
cat >ca.cnf <<'CONF'
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
organizationName = optional
[ca_ext]
basicConstraints = critical,CA:true
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[good_ext]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[expired_ext]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
[server_ext]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
CONF
: >index.txt
echo 01 >serial
quiet() { "$@" >log 2>&1 || { cat log >&2; exit 1; }; }
quiet openssl req -new -newkey rsa:3072 -nodes -keyout ca.key \
  -subj "/CN=Pellasto throwaway test CA" -out ca.csr
quiet openssl ca -batch -notext -config ca.cnf -selfsign -keyfile ca.key -in ca.csr \
  -out ../ca.pem -startdate 20000101000000Z -enddate 20991231235959Z -extensions ca_ext
end=20991231235959Z
[ "$kind" = expired ] && end=20001231235959Z
quiet openssl req -new -newkey rsa:3072 -nodes -keyout signer.key \
  -subj "/CN=Pellasto throwaway code signing/O=Pellasto test" -out signer.csr
quiet openssl ca -batch -notext -config ca.cnf -cert ../ca.pem -keyfile ca.key -in signer.csr \
  -out signer.pem -startdate 20000101000000Z -enddate "$end" -extensions "${kind}_ext"
openssl rand -hex 16 >../password
quiet openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ../ca.pem \
  -name "Pellasto throwaway code signing" -passout file:../password -out ../signer.p12
cd ..
rm -rf ca
