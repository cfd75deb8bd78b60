#!/usr/bin/env bash
# Runs one end-to-end script against the Windows saver under Wine, on an Xvfb
# server of its own, and afterwards ends everything it started, whether the
# script passed or not.
#
#   with_wine.sh [--prefix DIR] [--out DIR] [--heads "WxH+X+Y ..."] SCRIPT SCR PROBE
#       Runs SCRIPT with quillmoor.scr SCR and the Win32 probe PROBE. With
#       --prefix it runs in the Wine prefix DIR made by --make-prefix (each run
#       still gets its own wineserver); without, it makes a fresh one in a
#       temporary folder and removes it afterwards. --out names a folder for
#       screenshots (default: the temporary folder, removed afterwards).
#       --heads gives the screen several monitors: a Xephyr server inside the
#       Xvfb one, with a Xinerama head of each size at each place, the first
#       being the primary monitor. The script finds them in HEADS, and the
#       primary monitor's size in SCREEN_WIDTH and SCREEN_HEIGHT.
#   with_wine.sh --make-prefix DIR
#       Makes a Wine prefix in DIR (replacing what is there) for the runs to
#       share: booting a prefix takes far longer than any one test.
#   with_wine.sh --remove-prefix DIR
#       Removes it again.
#
# The screen is 1024x768x24 with GLX, so Wine's OpenGL runs on Mesa there.
set -u

readonly E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SCREEN_WIDTH=1024
SCREEN_HEIGHT=768

readonly RUNNER=with_wine
WORK_DIR=""
source "$E2E_DIR/xvfb.sh"
OWN_PREFIX=""
SERVER_STARTED=""
HEADS=""

usage() {
  echo "usage: with_wine.sh [--prefix DIR] [--out DIR] [--heads \"WxH+X+Y ...\"] SCRIPT SCR PROBE" >&2
  echo "       with_wine.sh --make-prefix DIR | --remove-prefix DIR" >&2
  exit 2
}

cleanup() {
  local status=$?
  if [ -n "$SERVER_STARTED" ]; then
    # Ends every Wine process of this prefix, the saver included.
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  stop_xvfbs
  [ -n "$OWN_PREFIX" ] && rm -rf "$OWN_PREFIX"
  [ -n "$WORK_DIR" ] && rm -rf "$WORK_DIR"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The saver's screen, with GLX so that Wine's OpenGL runs on Mesa there.
start_screen() {
  start_xvfb screen +extension GLX
  export DISPLAY="$STARTED_DISPLAY"
  if [ -n "$HEADS" ]; then
    # shellcheck disable=SC2086
    start_xephyr heads $HEADS
    export DISPLAY="$STARTED_DISPLAY"
  fi
}

wine_environment() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  # No Mono or Gecko installers: nothing here needs .NET or HTML.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
}

# A fresh prefix: booted, and told that no window manager runs on the screen,
# so Wine places and hides its windows itself instead of waiting for one.
make_prefix() {
  local prefix="$1"
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wine_environment "$prefix"
  SERVER_STARTED=1
  wineboot -i >"$WORK_DIR/wineboot.log" 2>&1 || { cat "$WORK_DIR/wineboot.log" >&2; return 1; }
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || return 1
  # Let the server write the registry out and end on its own.
  wineserver -w
  SERVER_STARTED=""
}

require Xvfb wine wineboot wineserver winepath xdotool import convert
WORK_DIR="$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-e2e.XXXXXX")"

case "${1:-}" in
  --make-prefix)
    [ $# -eq 2 ] || usage
    start_screen
    echo "making the Wine prefix $2"
    make_prefix "$2" || { echo "with_wine: the prefix could not be made" >&2; exit 1; }
    exit 0
    ;;
  --remove-prefix)
    [ $# -eq 2 ] || usage
    rm -rf "$2"
    exit 0
    ;;
esac

shared_prefix=""
out_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) [ $# -ge 2 ] || usage; shared_prefix="$2"; shift 2 ;;
    --out) [ $# -ge 2 ] || usage; out_dir="$2"; shift 2 ;;
    --heads) [ $# -ge 2 ] || usage; HEADS="$2"; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] || usage
script="$1"
export QUILLMOOR_SCR="$(realpath "$2")"
export QUILLMOOR_PROBE="$(realpath "$3")"
[ -f "$QUILLMOOR_SCR" ] || { echo "with_wine: no saver at $2" >&2; exit 1; }
[ -f "$QUILLMOOR_PROBE" ] || { echo "with_wine: no probe at $3" >&2; exit 1; }
if [ -n "$HEADS" ]; then
  require Xephyr
  IFS='x+' read -r SCREEN_WIDTH SCREEN_HEIGHT _ <<<"${HEADS%% *}"
fi

start_screen
if [ -n "$shared_prefix" ]; then
  [ -f "$shared_prefix/system.reg" ] || { echo "with_wine: $shared_prefix is not a prepared prefix" >&2; exit 1; }
  wine_environment "$shared_prefix"
else
  OWN_PREFIX="$WORK_DIR/prefix"
  make_prefix "$OWN_PREFIX" || { echo "with_wine: the prefix could not be made" >&2; exit 1; }
  wine_environment "$OWN_PREFIX"
fi
SERVER_STARTED=1

if [ -n "$out_dir" ]; then
  mkdir -p "$out_dir"
  export E2E_OUT="$(realpath "$out_dir")"
else
  export E2E_OUT="$WORK_DIR"
fi
export E2E_LIB="$E2E_DIR/lib.sh"
export SCREEN_WIDTH SCREEN_HEIGHT HEADS

echo "display $DISPLAY, prefix $WINEPREFIX"
bash "$script"
