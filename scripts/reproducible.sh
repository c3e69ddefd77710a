#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Shows that a commit's release is reproducible to the byte: builds it again
# from a fresh clone in a folder of another name and depth, later, under
# another umask and time zone, and compares every archive, checksum and
# shipped binary of every platform with the first build's.
#
#   bash scripts/reproducible.sh [PLATFORM...]   (default: all five)
#
# The commit built is HEAD of this repository (uncommitted changes are not
# part of it). The first build is the release scripts/release.sh made in
# build/PLATFORM/ when its release-source.txt says it is HEAD's, from
# a tree without uncommitted changes, signed as this run would sign: the
# test command's release leg, just before this one. Where there is no such
# release, the first build is made here too, from a clone of its own. Work
# folders go under build/reproducible/ and are removed on success.
#
# The Windows files are signed. With a certificate named in the environment
# (PELLASTO_SIGN_PKCS12 and the rest, cmake/PellastoSign.cmake) both builds
# sign with it. Without one, the second build signs with the throwaway test
# certificate the release leg made for that platform
# (build/PLATFORM/test-signer/); with no release to reuse, one
# throwaway certificate is made here and both builds sign with it, so that the
# signatures, like everything else, must come out the same.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

platforms=("$@")
[ ${#platforms[@]} -gt 0 ] || platforms=(windows-x86 windows-x64 linux-x64 linux-x86 linux-arm64)
work=$repo/build/reproducible
rm -rf "$work"
mkdir -p "$work"
commit=$(git rev-parse HEAD)
given_signer=0
[ -z "${PELLASTO_SIGN_PKCS12:-}" ] && [ -z "${PELLASTO_SIGN_PKCS11_MODULE:-}" ] || given_signer=1

# What release.sh writes in release-source.txt for HEAD built here now.
expected_stamp() {
  echo "commit $commit"
  echo "signer ${PELLASTO_SIGN_PKCS12:-}${PELLASTO_SIGN_PKCS11_MODULE:+ pkcs11 $PELLASTO_SIGN_PKCS11_MODULE ${PELLASTO_SIGN_KEY:-}}"
}

# The release leg's archives serve as the first build when every platform's
# were made from HEAD as it is now, signed as this run would sign.
reuse=1
if [ -n "$(git status --porcelain --untracked-files=normal)" ]; then
  reuse=0
  echo "reproducible: the tree has uncommitted changes; HEAD is built twice"
fi
for platform in "${platforms[@]}"; do
  [ $reuse -eq 1 ] || break
  stamp=build/$platform/release-source.txt
  if [ "$(cat "$stamp" 2>/dev/null)" != "$(expected_stamp)" ]; then
    reuse=0
    echo "reproducible: no release of $commit in build/$platform; HEAD is built twice"
  elif [ $given_signer -eq 0 ] && [[ $platform == windows-* ]] &&
    [ ! -f "build/$platform/test-signer/signer.p12" ]; then
    reuse=0
    echo "reproducible: build/$platform has no test signer; HEAD is built twice"
  fi
done
if [ $reuse -eq 0 ] && [ $given_signer -eq 0 ]; then
  bash cmake/make-test-signer.sh "$work/signer"
  export PELLASTO_SIGN_PKCS12=$work/signer/signer.p12
  export PELLASTO_SIGN_PASSWORD_FILE=$work/signer/password
  export PELLASTO_SIGN_CAFILE=$work/signer/ca.pem
fi

# release DIR PLATFORM...: scripts/release.sh in the clone DIR. A Windows
# platform reusing the release leg's archives signs with that leg's test
# certificate.
release() {
  local dir=$1 platform signer
  shift
  for platform in "$@"; do
    signer=$repo/build/$platform/test-signer
    if [ $reuse -eq 1 ] && [ $given_signer -eq 0 ] && [[ $platform == windows-* ]]; then
      (cd "$dir" && PELLASTO_SIGN_PKCS12=$signer/signer.p12 \
        PELLASTO_SIGN_PASSWORD_FILE=$signer/password PELLASTO_SIGN_CAFILE=$signer/ca.pem \
        bash scripts/release.sh "$platform")
    else
      (cd "$dir" && bash scripts/release.sh "$platform")
    fi
  done
}

# build FOLDER UMASK TZ: a fresh clone of the commit in FOLDER, released.
# The Wine prefixes are this tree's (build/wine): a prefix is not part of a
# release, and booting two more costs minutes.
build() {
  local dir=$1
  git clone --quiet --no-checkout "$repo" "$dir"
  git -C "$dir" checkout --quiet "$commit"
  mkdir -p "$repo/build/wine" "$dir/build"
  ln -s "$repo/build/wine" "$dir/build/wine"
  (umask "$2" && TZ=$3 release "$dir" "${platforms[@]}") >"$dir.log" 2>&1 || {
    tail -30 "$dir.log"
    echo "reproducible: the release failed in $dir (log: $dir.log)" >&2
    exit 1
  }
}
if [ $reuse -eq 1 ]; then
  first=$repo
  echo "reproducible: comparing with the release of $commit in build/<platform>/"
else
  first=$work/a
  build "$first" 022 UTC
  sleep 1 # a later second, whatever the build time
fi
second=$work/second/clone-of-pellasto
build "$second" 002 Pacific/Kiritimati

# Every archive, checksum and shipped binary of the second build, which
# built nothing else (the first build's folder may also hold a test build's
# programs).
compared=0 differ=0
for platform in "${platforms[@]}"; do
  for file in "$second"/build/"$platform"/Pellasto-* "$second"/build/"$platform"/bin/*; do
    [ -f "$file" ] || continue
    other=$first/${file#"$second"/}
    compared=$((compared + 1))
    if ! cmp -s "$file" "$other"; then
      echo "reproducible: ${file#"$second"/} differs between the two builds"
      differ=$((differ + 1))
    fi
  done
done
if [ $compared -eq 0 ]; then
  echo "reproducible: nothing was compared" >&2
  exit 1
fi
if [ $differ -gt 0 ]; then
  echo "reproducible: $differ of $compared files differ (the clones are kept in $work)" >&2
  exit 1
fi
rm -rf "$work"
echo "reproducible: $compared files identical in two builds of $commit (${platforms[*]})"
