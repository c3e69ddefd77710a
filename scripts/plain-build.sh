#!/usr/bin/env bash
# The plain build of the README's "Building on another system", from an empty
# build folder: configure, build, and run the tests it built (not the slow
# ones), then require the module and pellasto-check to be there.
#
#   bash scripts/plain-build.sh BUILD-FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: plain-build.sh BUILD-FOLDER}
rm -rf "$build"
cmake -S . -B "$build"
cmake --build "$build" -j2
ctest --test-dir "$build" -j2 -LE slow --output-on-failure
for file in bin/Pellasto.so bin/pellasto-check; do
  [ -f "$build/$file" ] || { echo "plain-build: $build/$file was not built" >&2; exit 1; }
done
