#!/usr/bin/env bash
# Configures and builds the native Linux targets, the Windows saver and the
# web page.
#   scripts/build.sh linux | windows | web | all
# The native tree has its tests and benchmarks unless QUILLMOOR_TESTS=OFF
# (scripts/run.sh builds without them, so it needs no test packages).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
what=${1:-all}
tests=${QUILLMOOR_TESTS:-ON}
version=$(sed -n 's/^project(quillmoor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

build_windows() {
  cmake --preset windows >/dev/null
  cmake --build build/windows -j "$jobs"
}

build_linux() {
  local scr="" probe="" setup="" zip="" html=""
  if [ -f build/windows/quillmoor.scr ]; then
    scr=$PWD/build/windows/quillmoor.scr
    probe=$PWD/build/windows/win_probe.exe
    [ -f "build/windows/quillmoor-$version-setup.exe" ] && setup=$PWD/build/windows/quillmoor-$version-setup.exe
    [ -f "build/windows/quillmoor-$version-windows-x64.zip" ] && zip=$PWD/build/windows/quillmoor-$version-windows-x64.zip
  fi
  [ -f build/web/quillmoor.html ] && html=$PWD/build/web/quillmoor.html
  cmake --preset linux -DQUILLMOOR_TESTS="$tests" -DQUILLMOOR_BENCH="$tests" -DQUILLMOOR_SCR="$scr" \
    -DQUILLMOOR_WIN_PROBE="$probe" -DQUILLMOOR_SETUP="$setup" -DQUILLMOOR_WINDOWS_ZIP="$zip" \
    -DQUILLMOOR_HTML="$html" >/dev/null
  cmake --build build/linux -j "$jobs"
}

# The page needs the native font converter first; a native tree already
# configured is reused, else one is configured for the converter alone.
build_web() {
  [ -f build/linux/CMakeCache.txt ] ||
    cmake --preset linux -DQUILLMOOR_TESTS="$tests" -DQUILLMOOR_BENCH="$tests" >/dev/null
  cmake --build build/linux -j "$jobs" --target quillmoor-bake-glyphs
  # Debian's emscripten wants its own Node modules when another node comes
  # first on the PATH.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
  cmake --preset emscripten >/dev/null
  cmake --build build/web -j "$jobs"
}

case "$what" in
  linux) build_linux ;;
  windows) build_windows ;;
  web) build_web ;;
  # The web page before the native tree, whose tests look for it.
  all) build_windows && build_web && build_linux ;;
  *) echo "usage: $0 linux|windows|web|all" >&2; exit 2 ;;
esac
