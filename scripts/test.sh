#!/usr/bin/env bash
# Installs what is missing (every set of scripts/install-deps.sh), builds the
# Windows saver, the web page and the native tree, and runs every test: unit
# tests against the recording OpenGL, render tests through Mesa, the Windows
# saver end to end under Wine on a virtual X screen, the Linux savers, and
# the web page in headless Chromium; then the unit, layer and render tests
# once more under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
bash scripts/install-deps.sh run web test
bash scripts/build.sh all
status=0
ctest --test-dir build/linux --output-on-failure -j "$jobs" || status=1

# Then the unit, OpenGL 1.1 layer and render tests again, and the renderer
# they start, built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build/linux-asan): only those targets, so that the run stays short.
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs"
ctest --preset linux-asan -j "$jobs" || status=1
exit "$status"
