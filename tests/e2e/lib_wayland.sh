# Helpers for the Wayland saver's end-to-end scripts; with_compositor.sh sets
# QUILLMOOR_BIN, WAYLAND_POINTER, E2E_OUT, E2E_CHILDREN, E2E_RUNTIME,
# E2E_COMPOSITOR (sway or weston) and COMPOSITOR_PID before a script sources
# this file.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

SAVER_PID=""
SAVER_EXIT=""

# Sets RUN_AS_USER to what runs a command in the compositor's session, as the
# user the compositor runs as (65534 when the tests run as root); in the nested
# sway's while NESTED_DISPLAY names its socket (start_nested_sway). Each program
# execs the next, so a command started in the background has the PID $! says.
session_prefix() {
  local socket
  RUN_AS_USER=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$E2E_RUNTIME" XDG_RUNTIME_DIR="$E2E_RUNTIME"
    WAYLAND_DISPLAY="${NESTED_DISPLAY:-wayland-1}")
  for socket in "$E2E_RUNTIME"/sway-ipc.*.sock; do [ -S "$socket" ] && RUN_AS_USER+=(SWAYSOCK="$socket"); done
  [ -z "${NESTED_DISPLAY:-}" ] || RUN_AS_USER+=(SWAYSOCK="$E2E_RUNTIME/nested-sway.sock")
  [ "$(id -u)" -ne 0 ] || RUN_AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups "${RUN_AS_USER[@]}")
}

# as_user [NAME=VALUE...] COMMAND...: runs COMMAND in the session, and waits.
as_user() {
  session_prefix
  "${RUN_AS_USER[@]}" "$@"
}

# in_background COMMAND...: the same in the background, ended with the run.
in_background() {
  session_prefix
  "${RUN_AS_USER[@]}" "$@" &
  echo "$!" >>"$E2E_CHILDREN"
}

# Starts the saver in the background with the given arguments; its standard
# error goes to $E2E_OUT/saver.err. Every buffer it draws into has been filled
# green (fill_after_swap.so, copied beside it), so that a picture shows what
# its frame left undrawn.
start_saver() {
  session_prefix
  start_reaped "${RUN_AS_USER[@]}" LD_PRELOAD="${QUILLMOOR_BIN%/*}/fill_after_swap.so" "${REAPER[@]}" "$QUILLMOOR_BIN" "$@"
}

# capture FILE OUTPUT: a screenshot of one output (Weston: of its only one).
capture() {
  if [ "$E2E_COMPOSITOR" = sway ]; then
    as_user grim -o "$2" - >"$1" 2>/dev/null
  else
    # The screenshot tool writes into its working folder, under a name of its own.
    as_user sh -c 'mkdir -p "$HOME/shots" && cd "$HOME/shots" && rm -f ./*.png && weston-screenshooter' &&
      convert "$E2E_RUNTIME"/shots/*.png -alpha off "$1" 2>/dev/null
  fi
}

# brightest FILE: the highest level of any channel anywhere in the picture.
brightest() { convert "$1" -format "%[fx:round(255*max(maxima.r,max(maxima.g,maxima.b)))]" info:; }

# expect_black DESCRIPTION OUTPUT: the output shows black all over, soon.
expect_black() {
  local shot="$E2E_OUT/black-$2.png" level tries=0
  until capture "$shot" "$2"; level="$(brightest "$shot")"; [ "$level" = 0 ] || [ "$tries" -ge 100 ]; do
    tries=$((tries + 1))
    sleep 0.1
  done
  expect "$1: the brightest level on $2" "$level" 0
}

# sway_command ARGUMENTS...: a sway command, its answer dropped.
sway_command() { as_user swaymsg -q "$@"; }
pointer_at() { sway_command seat seat0 cursor set "$1" "$2"; }

# expect_saver_still_up DESCRIPTION: after the input so far, the saver is
# still running a second later (what ends it does so within a frame or two).
expect_saver_still_up() {
  local tries=0
  while saver_running && [ "$tries" -lt 10 ]; do
    tries=$((tries + 1))
    sleep 0.1
  done
  if saver_running; then pass "$1: the saver is still up"; else fail "$1: the saver ended"; fi
}

# expect_saver_ended DESCRIPTION: the saver ended after the input so far, with
# exit code 0.
expect_saver_ended() {
  wait_saver_exit
  expect "$1: the saver exits with code 0" "$SAVER_EXIT" 0
}


# On sway: a seat with a pointer and a keyboard from the start, as a desktop
# has them, so that the saver binds both as it starts and wtype's keys and the
# pointer's moves reach it (a keyboard that only comes with wtype's key may
# come after the key).
give_seat_devices() {
  local tries=0
  in_background "$WAYLAND_POINTER" >/dev/null
  in_background wtype -s 3600000
  until as_user swaymsg -r -t get_seats | grep -q '"capabilities": 3'; do
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] || { fail "the seat never got its pointer and keyboard"; finish; }
    sleep 0.1
  done
}

NESTED_PID=""
# The session's outputs as NAME:X,Y,WxH on the layout.
outputs_on_layout() {
  as_user swaymsg -r -t get_outputs | python3 -c 'import json, sys
print(" ".join("%s:%d,%d,%dx%d" % (o["name"], o["rect"]["x"], o["rect"]["y"], o["rect"]["width"], o["rect"]["height"])
               for o in json.load(sys.stdin)))'
}

# On sway: starts a second sway as a window client of the first, with two
# outputs of 640x480, WL-1 at 0,0 and WL-2 at 640,0, each shown in a
# borderless floating window of the first ("wlroots - WL-1", "wlroots -
# WL-2"); closing a window unplugs its output. Sets NESTED_DISPLAY, so that
# what follows runs in the nested session, and gives its seat a pointer.
# end_nested_sway goes back to the first.
start_nested_sway() {
  local tries=0 before
  sway_command 'for_window [app_id="wlroots"] floating enable, border none'
  before="$(ls "$E2E_RUNTIME")"
  # Beside the runtime folder, which the compositor's user can reach wherever
  # the build tree lies (a checkout in a private folder included).
  local conf
  conf="$(dirname "$E2E_RUNTIME")/nested.conf"
  printf 'xwayland disable\noutput WL-1 mode 640x480 position 0 0\noutput WL-2 mode 640x480 position 640 0\n' \
    >"$conf"
  chmod 644 "$conf"
  session_prefix
  "${RUN_AS_USER[@]}" WLR_BACKENDS=wayland WLR_WL_OUTPUTS=2 WLR_RENDERER=pixman SWAYSOCK="$E2E_RUNTIME/nested-sway.sock" \
    sway -c "$conf" >"$E2E_OUT/nested-sway.log" 2>&1 &
  NESTED_PID=$!
  echo "$NESTED_PID" >>"$E2E_CHILDREN"
  until NESTED_DISPLAY="$(comm -13 <(echo "$before") <(ls "$E2E_RUNTIME") | grep -m 1 '^wayland-[0-9]*$')" &&
    [ -n "$NESTED_DISPLAY" ] && [ -S "$E2E_RUNTIME/nested-sway.sock" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] && kill -0 "$NESTED_PID" 2>/dev/null || { fail "the nested sway never started"; cat "$E2E_OUT/nested-sway.log"; finish; }
    sleep 0.1
  done
  in_background "$WAYLAND_POINTER" >/dev/null
  tries=0
  until as_user swaymsg -r -t get_seats | grep -q '"capabilities": [13]' &&
    [ "$(outputs_on_layout)" = "WL-1:0,0,640x480 WL-2:640,0,640x480" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] || { fail "the nested sway's seat and outputs never got ready"; finish; }
    sleep 0.1
  done
}

end_nested_sway() {
  kill "$NESTED_PID" 2>/dev/null
  wait "$NESTED_PID" 2>/dev/null
  NESTED_DISPLAY=""
}
