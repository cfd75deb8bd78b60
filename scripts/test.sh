#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test: unit
# tests against the recording OpenGL, render tests through Mesa, and the
# Windows saver end to end under Wine on a virtual X screen.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh all
ctest --test-dir build/linux --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
