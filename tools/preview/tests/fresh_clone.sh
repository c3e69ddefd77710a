#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# The README's two preview commands, run in a fresh clone of the committed tree
# (uncommitted changes are not in it): the main job must write the contact
# sheet, and the built program must render the single-panel example.
set -euo pipefail
src=$1
command -v git >/dev/null && git -C "$src" rev-parse HEAD >/dev/null 2>&1 || {
  echo "fresh_clone: $src is not a git checkout; skipped"
  exit 77
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
git clone --quiet --no-hardlinks "$src" "$tmp/clone"
git -C "$tmp/clone" checkout --quiet "$(git -C "$src" rev-parse HEAD)"
cd "$tmp/clone"

bash scripts/preview.sh --size 80x60 >"$tmp/log" 2>&1 || { cat "$tmp/log"; exit 1; }
grep -q "^wrote contact-sheet.png (264x" "$tmp/log" || { cat "$tmp/log"; exit 1; }
[ "$(head -c 4 out/contact-sheet.png | tail -c 3)" = PNG ] || { echo "no PNG written"; exit 1; }

build/preview/bin/pellasto-preview --mode 2 --rotation 0.25 --size 80x60 --out out/swirl.png
[ "$(head -c 4 out/swirl.png | tail -c 3)" = PNG ] || { echo "no out/swirl.png written"; exit 1; }
# Examples write under out/ (ignored by git), never into the tree itself.
stray=$(git status --porcelain --untracked-files=all)
[ -z "$stray" ] || { echo "the README commands left files in the tree: $stray"; exit 1; }
echo "fresh_clone: both README commands work"
