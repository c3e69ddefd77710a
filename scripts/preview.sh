#!/usr/bin/env bash
# The main job: builds the module and the preview host (dev preset) and renders
# the contact sheet from the embedded default scene into out/contact-sheet.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target pellasto-preview

mkdir -p out
(cd out && "$root/build/dev/bin/pellasto-preview")
echo "contact sheet: $root/out/contact-sheet.png"
