#!/usr/bin/env bash
# Installs a build into a scratch folder and checks what a Linux desktop expects of it: the
# programs in bin, the manual where the program looks for it, a valid desktop entry and AppStream
# metainfo, the icon at the theme's sizes. Usage: scripts/check-install.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/reelweld
  bin/reelweld-cli
  share/doc/reelweld/manual.html
  share/applications/example.quillon.reelweld.desktop
  share/metainfo/example.quillon.reelweld.metainfo.xml
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/reelweld.png")
done
for f in "${expected[@]}"; do
  [ -f "$prefix/$f" ] || { echo "check-install: $f is not installed" >&2; exit 1; }
done

desktop-file-validate "$prefix/share/applications/example.quillon.reelweld.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/example.quillon.reelweld.metainfo.xml" >/dev/null
"$prefix/bin/reelweld-cli" --version >/dev/null
echo "check-install: the install in $build is complete and valid"
