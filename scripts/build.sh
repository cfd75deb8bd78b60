#!/usr/bin/env bash
# Configures and builds the native Linux targets and the Windows saver.
#   scripts/build.sh linux | windows | all
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
what=${1:-all}

build_windows() {
  cmake --preset windows >/dev/null
  cmake --build build/windows -j "$jobs"
}

build_linux() {
  local scr="" probe=""
  if [ -f build/windows/quillmoor.scr ]; then
    scr=$PWD/build/windows/quillmoor.scr
    probe=$PWD/build/windows/win_probe.exe
  fi
  cmake --preset linux -DQUILLMOOR_SCR="$scr" -DQUILLMOOR_WIN_PROBE="$probe" >/dev/null
  cmake --build build/linux -j "$jobs"
}

case "$what" in
  linux) build_linux ;;
  windows) build_windows ;;
  all) build_windows && build_linux ;;
  *) echo "usage: $0 linux|windows|all" >&2; exit 2 ;;
esac
