#!/usr/bin/env bash
# Runs one end-to-end script against the Wayland saver on a headless
# compositor of its own, and afterwards ends the compositor and whatever the
# script left running, whether it passed or not.
#
#   with_compositor.sh [--weston] [--out DIR] SCRIPT QUILLMOOR POINTER
#       Runs SCRIPT with the saver QUILLMOOR and the virtual-pointer probe
#       POINTER. The compositor is sway (wlroots, with the layer shell) with
#       one 1280x720 output, or with --weston Weston (no layer shell) with one
#       1024x768 output. --out names a folder for screenshots (default: a
#       temporary folder, removed afterwards).
#
# sway refuses to run as root: run as root, the compositor and every client
# run as the unprivileged user 65534, with a private XDG_RUNTIME_DIR, and the
# programs are copied where that user can run them.
set -u

readonly E2E_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
readonly RUNNER=with_compositor
WORK_DIR=""
COMPOSITOR_PID=""
source "$E2E_DIR/xvfb.sh"  # require, end_children: no X server is started here

usage() {
  echo "usage: with_compositor.sh [--weston] [--out DIR] SCRIPT QUILLMOOR POINTER" >&2
  exit 2
}

cleanup() {
  local status=$?
  end_children
  if [ -n "$COMPOSITOR_PID" ]; then
    kill -CONT "$COMPOSITOR_PID" 2>/dev/null
    kill "$COMPOSITOR_PID" 2>/dev/null
    wait "$COMPOSITOR_PID" 2>/dev/null
  fi
  [ -n "$WORK_DIR" ] && rm -rf "$WORK_DIR"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

compositor=sway
out_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --weston) compositor=weston; shift ;;
    --out) [ $# -ge 2 ] || usage; out_dir="$2"; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 3 ] || usage
script="$1"
[ -x "$2" ] || { echo "$RUNNER: no saver at $2" >&2; exit 1; }
[ -x "$3" ] || { echo "$RUNNER: no pointer probe at $3" >&2; exit 1; }
require convert timeout setpriv
if [ "$compositor" = sway ]; then require sway swaymsg grim wtype; else require weston weston-screenshooter; fi

WORK_DIR="$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-wayland-e2e.XXXXXX")"
export E2E_RUNTIME="$WORK_DIR/runtime"
mkdir -m 700 "$E2E_RUNTIME" "$WORK_DIR/bin"
cp "$2" "$WORK_DIR/bin/quillmoor-wayland"
cp "$3" "$WORK_DIR/bin/wayland_pointer"
cp "$(dirname "$3")/fill_after_swap.so" "$WORK_DIR/bin/"
export QUILLMOOR_BIN="$WORK_DIR/bin/quillmoor-wayland" WAYLAND_POINTER="$WORK_DIR/bin/wayland_pointer"
if [ "$(id -u)" -eq 0 ]; then
  chmod 711 "$WORK_DIR"
  chmod 755 "$WORK_DIR/bin"
  chown 65534:65534 "$E2E_RUNTIME"
fi
export E2E_LIB="$E2E_DIR/lib_wayland.sh" E2E_CHILDREN="$WORK_DIR/children" E2E_COMPOSITOR="$compositor"
source "$E2E_LIB"

# The compositor, as the user the clients run as; ready once its socket is.
session_prefix
if [ "$compositor" = sway ]; then
  printf 'xwayland disable\noutput HEADLESS-1 resolution 1280x720 position 0 0\n' >"$WORK_DIR/sway.conf"
  chmod 644 "$WORK_DIR/sway.conf"
  "${RUN_AS_USER[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$WORK_DIR/sway.conf" >"$WORK_DIR/compositor.log" 2>&1 &
else
  # GL composition: its screenshots carry the colours as shown (the pixman
  # renderer's carry the alpha the client drew, which the screenshot tool
  # then divides the colours by).
  "${RUN_AS_USER[@]}" weston --backend=headless-backend.so --use-gl --width=1024 --height=768 --socket=wayland-1 \
    --idle-time=0 --debug >"$WORK_DIR/compositor.log" 2>&1 &
fi
COMPOSITOR_PID=$!
export COMPOSITOR_PID
tries=0
until [ -S "$E2E_RUNTIME/wayland-1" ] && { [ "$compositor" = weston ] || ls "$E2E_RUNTIME"/sway-ipc.*.sock >/dev/null 2>&1; }; do
  tries=$((tries + 1))
  if ! kill -0 "$COMPOSITOR_PID" 2>/dev/null || [ "$tries" -ge 400 ]; then
    echo "$RUNNER: $compositor did not start:" >&2
    cat "$WORK_DIR/compositor.log" >&2
    exit 1
  fi
  sleep 0.05
done

if [ -n "$out_dir" ]; then
  mkdir -p "$out_dir"
  export E2E_OUT="$(realpath "$out_dir")"
else
  export E2E_OUT="$WORK_DIR"
fi
echo "$compositor on $E2E_RUNTIME/wayland-1"
bash "$script"
