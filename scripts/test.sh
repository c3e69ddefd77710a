#!/usr/bin/env bash
# Runs every test leg this machine can run and says which ran and which were
# skipped. With --require-all (CI), a skipped leg is a failure.
set -uo pipefail
cd "$(dirname "$0")/.."

require_all=0
[ "${1:-}" = "--require-all" ] && require_all=1

bash scripts/install-deps.sh || echo "test: could not install every package; legs may be skipped"

ran=() skipped=() failed=()

# leg NAME WHY-SKIPPED-OR-EMPTY COMMAND...
leg() {
  local name=$1 missing=$2; shift 2
  if [ -n "$missing" ]; then
    skipped+=("$name ($missing)")
    return
  fi
  echo "=== leg $name: $*"
  if "$@"; then ran+=("$name"); else failed+=("$name"); fi
}

have() { command -v "$1" >/dev/null 2>&1; }

leg linux-x64 "" cmake --workflow --preset dev
leg lint "$(have clang-tidy || echo 'clang-tidy not installed')" bash scripts/lint.sh build/dev
leg asan "$(have clang++ || echo 'clang++ not installed')" cmake --workflow --preset asan
leg fuzz "$(have clang++ || echo 'clang++ not installed')" cmake --workflow --preset fuzz
leg tsan "$(have clang++ || echo 'clang++ not installed')" cmake --workflow --preset tsan

echo
echo "legs run:     ${ran[*]:-none}"
echo "legs failed:  ${failed[*]:-none}"
echo "legs skipped: ${skipped[*]:-none}"
if [ ${#failed[@]} -gt 0 ]; then exit 1; fi
if [ $require_all -eq 1 ] && [ ${#skipped[@]} -gt 0 ]; then
  echo "test: every leg must run here"; exit 1
fi
echo "${#ran[@]} passed, ${#failed[@]} failed"
