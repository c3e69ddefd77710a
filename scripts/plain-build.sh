#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# The plain build of the README's "Building on another system", from an empty
# build folder: configure, build, and run the tests it built (not the slow
# ones), then require what ships to be there: the module and pellasto-check,
# or with --module-only the module alone.
#
#   bash scripts/plain-build.sh [--module-only] BUILD-FOLDER [CMAKE-OPTION...]
set -euo pipefail
cd "$(dirname "$0")/.."
shipped=(bin/Pellasto.so bin/pellasto-check)
if [ "${1:-}" = "--module-only" ]; then
  shipped=(bin/Pellasto.so)
  shift
fi
build=${1:?usage: plain-build.sh [--module-only] BUILD-FOLDER [CMAKE-OPTION...]}
shift
rm -rf "$build"
cmake -S . -B "$build" "$@"
cmake --build "$build" -j2
ctest --test-dir "$build" -j2 -LE slow --output-on-failure
for file in "${shipped[@]}"; do
  [ -f "$build/$file" ] || { echo "plain-build: $build/$file was not built" >&2; exit 1; }
done
