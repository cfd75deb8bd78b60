#!/usr/bin/env bash
# Installs what is missing (every set of scripts/install-deps.sh), builds the
# Windows saver, the web page and the native tree, and runs every test: unit
# tests against the recording OpenGL, render tests through Mesa, the Windows
# saver end to end under Wine on a virtual X screen, the Linux savers, and
# the web page in headless Chromium.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh run web test
bash scripts/build.sh all
ctest --test-dir build/linux --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
