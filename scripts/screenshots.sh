#!/usr/bin/env bash
# Takes pictures of the main window (three differing files, highlight on), the About box, the
# progress dialog, the join options dialog in its states, a compressor's options dialog and the
# report of a join with a file cut short under a virtual X server. Usage: scripts/screenshots.sh [OUTPUT_FOLDER]
# (default build/screenshots/png; REELWELD_BUILD names the build folder to use).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${REELWELD_BUILD:-$root/build/screenshots}"
out="$(realpath -m "${1:-$build/png}")"
mkdir -p "$out"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target reelweld-screenshots
REELWELD_SCREENSHOTS="$out" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/reelweld-screenshots"
ls "$out"/*.png
