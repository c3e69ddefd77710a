#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Shows that a commit's release is reproducible to the byte: builds it twice,
# from two clones in folders of different names and depths, one after the
# other (so at different times), under different umasks and time zones, and
# compares every archive, checksum and shipped binary of every platform.
#
#   bash scripts/reproducible.sh [PLATFORM...]   (default: all five)
#
# The commit built is HEAD of this repository (uncommitted changes are not
# part of it). Work folders go under build/reproducible/ and are removed on
# success.
#
# The Windows files are signed. With a certificate named in the environment
# (PELLASTO_SIGN_PKCS12 and the rest, cmake/PellastoSign.cmake) both builds
# sign with it; without one, a throwaway test certificate is made once here
# and both builds sign with that, so that the signatures, like everything
# else, must come out the same.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

platforms=("$@")
[ ${#platforms[@]} -gt 0 ] || platforms=(windows-x86 windows-x64 linux-x64 linux-x86 linux-arm64)
work=$repo/build/reproducible
rm -rf "$work"
mkdir -p "$work"
commit=$(git rev-parse HEAD)
if [ -z "${PELLASTO_SIGN_PKCS12:-}" ] && [ -z "${PELLASTO_SIGN_PKCS11_MODULE:-}" ]; then
  bash cmake/make-test-signer.sh "$work/signer"
  export PELLASTO_SIGN_PKCS12=$work/signer/signer.p12
  export PELLASTO_SIGN_PASSWORD_FILE=$work/signer/password
  export PELLASTO_SIGN_CAFILE=$work/signer/ca.pem
fi

# build FOLDER UMASK TZ: a fresh clone of the commit in FOLDER, released.
build() {
  local dir=$1
  git clone --quiet --no-checkout "$repo" "$dir"
  git -C "$dir" checkout --quiet "$commit"
  (umask "$2" && cd "$dir" && TZ=$3 bash scripts/release.sh "${platforms[@]}") >"$dir.log" 2>&1 || {
    tail -30 "$dir.log"
    echo "reproducible: the release failed in $dir (log: $dir.log)" >&2
    exit 1
  }
}
first=$work/a
second=$work/second/clone-of-pellasto
build "$first" 022 UTC
sleep 1  # a later second, whatever the build time
build "$second" 002 Pacific/Kiritimati

compared=0 differ=0
for platform in "${platforms[@]}"; do
  for file in "$first"/build/release-"$platform"/Pellasto-* \
    "$first"/build/release-"$platform"/bin/*; do
    [ -f "$file" ] || continue
    other=$second/${file#"$first"/}
    compared=$((compared + 1))
    if ! cmp -s "$file" "$other"; then
      echo "reproducible: ${file#"$first"/} differs between the two builds"
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
