#!/usr/bin/env bash
# Installs what is missing, builds, and runs the saver. On Linux the saver is
# drawn by the headless renderer into a PNG whose path is printed; extra
# arguments go to the renderer (e.g. --at "2026-12-24 18:00:00" --size 1280x720).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh all

out=${QUILLMOOR_OUT:-$PWD/build/quillmoor.png}
./build/linux/quillmoor-render --frames 60 --out "$out" "$@"
echo "Windows saver: $PWD/build/windows/quillmoor.scr"
echo "Rendered picture: $out"
