#!/usr/bin/env bash
# Runs one end-to-end script against the X11 saver on an Xvfb server of its
# own (with GLX, so the saver draws through Mesa), and afterwards ends the
# server and whatever the script left running, whether it passed or not.
#
#   with_xvfb.sh [--out DIR] SCRIPT QUILLMOOR PROBE
#       Runs SCRIPT with the saver QUILLMOOR and the X11 probe PROBE. --out
#       names a folder for screenshots (default: a temporary folder, removed
#       afterwards).
#
# The screen is 1024x768x24.
set -u

readonly E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
readonly SCREEN_WIDTH=1024
readonly SCREEN_HEIGHT=768

readonly RUNNER=with_xvfb
WORK_DIR=""
source "$E2E_DIR/xvfb.sh"

usage() {
  echo "usage: with_xvfb.sh [--out DIR] SCRIPT QUILLMOOR PROBE" >&2
  exit 2
}

cleanup() {
  local status=$?
  # The script's own children (savers, probe windows) first, then the servers.
  end_children
  stop_xvfbs
  [ -n "$WORK_DIR" ] && rm -rf "$WORK_DIR"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

out_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --out) [ $# -ge 2 ] || usage; out_dir="$2"; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] || usage
script="$1"
export QUILLMOOR_BIN="$(realpath "$2")"
export QUILLMOOR_X11_PROBE="$(realpath "$3")"
[ -x "$QUILLMOOR_BIN" ] || { echo "with_xvfb: no saver at $2" >&2; exit 1; }
[ -x "$QUILLMOOR_X11_PROBE" ] || { echo "with_xvfb: no probe at $3" >&2; exit 1; }

require Xvfb xdotool xwininfo xprop import convert timeout
WORK_DIR="$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-x11-e2e.XXXXXX")"

# The screens are started here, not in the script, so that they end with it
# whatever happens: the main one with GLX, and one without for the error cases.
# -noreset: the server keeps its state (the pointer's place above all) when
# its last client leaves, as it does between the steps of a script.
start_xvfb main -noreset +extension GLX
export DISPLAY="$STARTED_DISPLAY"
start_xvfb noglx -noreset -extension GLX
export NO_GLX_DISPLAY="$STARTED_DISPLAY"

if [ -n "$out_dir" ]; then
  mkdir -p "$out_dir"
  export E2E_OUT="$(realpath "$out_dir")"
else
  export E2E_OUT="$WORK_DIR"
fi
export E2E_LIB="$E2E_DIR/lib_x11.sh"
export E2E_CHILDREN="$WORK_DIR/children"
export SCREEN_WIDTH SCREEN_HEIGHT

echo "display $DISPLAY (no GLX: $NO_GLX_DISPLAY)"
bash "$script"
