#!/usr/bin/env bash
# Installs what is missing, builds, and runs the saver: with a DISPLAY the X11
# saver runs full screen (extra arguments go to it, e.g. --root); without one
# the headless renderer draws it into a PNG whose path is printed (extra
# arguments go to the renderer, e.g. --at "2026-12-24 18:00:00" --size 1280x720).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh all

out=${QUILLMOOR_OUT:-$PWD/build/quillmoor.png}
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Running the X11 saver on $DISPLAY: any key, or a jump of the pointer, ends it"
  ./build/linux/quillmoor "$@"
else
  ./build/linux/quillmoor-render --frames 60 --out "$out" "$@"
  echo "Rendered picture: $out"
fi
echo "Windows saver: $PWD/build/windows/quillmoor.scr"
