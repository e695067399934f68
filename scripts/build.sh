#!/usr/bin/env bash
# Configures and builds one flavour: scripts/build.sh release|sanitize|tsan [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
shift || true
case "$flavour" in
  release) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DREELWELD_SANITIZE=OFF) ;;
  sanitize) flags=(-DCMAKE_BUILD_TYPE=Debug -DREELWELD_SANITIZE=ON) ;;
  # ThreadSanitizer for the engines' worker threads; without the windows, which run on one thread.
  tsan) flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DREELWELD_TSAN=ON -DREELWELD_GUI=OFF) ;;
  *) echo "usage: $0 release|sanitize|tsan [targets...]" >&2; exit 2 ;;
esac
# A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
command -v ccache >/dev/null && flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "build/$flavour" -G Ninja "${flags[@]}" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "build/$flavour" --target "$@"
else
  cmake --build "build/$flavour"
fi
