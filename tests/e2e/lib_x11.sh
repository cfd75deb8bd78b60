# Helpers for the X11 saver's end-to-end scripts; with_xvfb.sh sets
# QUILLMOOR_BIN, QUILLMOOR_X11_PROBE, E2E_OUT, E2E_CHILDREN, SCREEN_WIDTH,
# SCREEN_HEIGHT, DISPLAY and NO_GLX_DISPLAY before a script sources this file.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

readonly SAVER_TITLE="Quillmoor"
# Bounds that only a hang reaches.
readonly WAIT_TRIES=300          # times 0.1 s

SAVER_PID=""
SAVER_WINDOW=""
SAVER_EXIT=""

probe() { "$QUILLMOOR_X11_PROBE" "$@"; }

# poll TRIES COMMAND...: runs COMMAND every 0.05 s until it succeeds, at most TRIES times.
poll() {
  local tries="$1"
  shift
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.05
  done
}

# Starts the saver in the background with the given arguments; its standard
# error goes to $E2E_OUT/saver.err. Every buffer it draws into has been filled
# green (fill_after_swap.so, built beside the probe), so that a picture shows
# what its frame left undrawn. SAVER_PRELOAD names more libraries to preload.
start_saver() {
  LD_PRELOAD="${QUILLMOOR_X11_PROBE%/*}/fill_after_swap.so${SAVER_PRELOAD:+ $SAVER_PRELOAD}" \
    start_reaped "${REAPER[@]}" "$QUILLMOOR_BIN" "$@"
  SAVER_WINDOW=""
}

# The ids of mapped windows titled exactly "Quillmoor".
saver_windows() { xdotool search --onlyvisible --name "^${SAVER_TITLE}\$" 2>/dev/null; }

# Waits for the saver's own window to be shown, then for the saver to hold the
# keyboard and the pointer; sets SAVER_WINDOW (empty if it never shows).
wait_saver_window() {
  local tries=0 grabs
  until SAVER_WINDOW="$(saver_windows | head -n 1)"; [ -n "$SAVER_WINDOW" ]; do
    tries=$((tries + 1))
    if [ "$tries" -ge "$WAIT_TRIES" ] || ! saver_running; then
      fail "the saver's window never showed"
      return 1
    fi
    sleep 0.1
  done
  tries=0
  until grabs="$(probe grabbed | tr '\n' ' ')"; [ "$grabs" = "keyboard=1 pointer=1 " ]; do
    tries=$((tries + 1))
    if [ "$tries" -ge "$WAIT_TRIES" ]; then
      fail "the saver never took the keyboard and the pointer ($grabs)"
      return 1
    fi
    sleep 0.1
  done
}

# Waits until the saver sets up GLX (Mesa's GLX library is mapped in it): by
# then it has found the window it was given and read its size.
wait_glx_setup() { while saver_running && ! grep -q libGLX_mesa "/proc/$SAVER_PID/maps" 2>/dev/null; do :; done; }

# Whether the saver has handled all input so far and is still up: its window
# answers a ping (events are handled in order) and is still shown.
saver_still_up() {
  [ -n "$SAVER_WINDOW" ] && saver_running &&
    [ "$(probe ping "$SAVER_WINDOW" --wait 10000 | field alive)" = 1 ] &&
    [ -n "$(saver_windows)" ]
}

# expect_saver_still_up DESCRIPTION
expect_saver_still_up() {
  if saver_still_up; then pass "$1: the saver is still up"; else fail "$1: the saver ended"; fi
}

# expect_saver_ended DESCRIPTION: the full-screen saver ended after the input
# so far: exit code 0, its window gone, keyboard and pointer free again.
expect_saver_ended() {
  wait_saver_exit
  expect "$1: the saver exits with code 0" "$SAVER_EXIT" 0
  expect "$1: its window is gone" "$(saver_windows | wc -l)" 0
  expect "$1: keyboard and pointer are free" "$(probe grabbed | tr '\n' ' ')" "keyboard=0 pointer=0 "
}

# capture FILE WINDOW: a screenshot of WINDOW (an id, or root), for
# screenshot_clock.
capture() { import -window "$2" "$1" 2>/dev/null; }

HOST_PID=""
# make_host W H: shows a fresh black window of the probe's (ending the last
# one) and sets HOST to its id. A picture in it is the running saver's.
make_host() {
  local ids="$E2E_OUT/host.id" tries=0
  if [ -n "$HOST_PID" ]; then
    kill "$HOST_PID"
    wait "$HOST_PID" 2>/dev/null
  fi
  : >"$ids"
  # The probe itself in the background, not a subshell around it: its id is
  # what ends it, and with it the window.
  "$QUILLMOOR_X11_PROBE" window "$1" "$2" >"$ids" &
  HOST_PID=$!
  echo "$HOST_PID" >>"$E2E_CHILDREN"
  until HOST="$(field id <"$ids")"; [ -n "$HOST" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt "$WAIT_TRIES" ] || { fail "the probe's window never showed"; finish; }
    sleep 0.1
  done
}

# start_resizable_screen W H: starts a Xephyr of W x H in a window on the
# screen, whose size RandR can change (xrandr -s), and points DISPLAY at it;
# end_resizable_screen ends it and points DISPLAY back.
start_resizable_screen() {
  local number="$E2E_OUT/xephyr.display" tries=0
  : >"$number"
  Xephyr -displayfd 3 -nolisten tcp -noreset -resizeable -screen "$1x$2" 3>"$number" >"$E2E_OUT/xephyr.log" 2>&1 &
  XEPHYR_PID=$!
  echo "$XEPHYR_PID" >>"$E2E_CHILDREN"
  until [ -s "$number" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt "$WAIT_TRIES" ] && kill -0 "$XEPHYR_PID" 2>/dev/null || { fail "Xephyr never started"; finish; }
    sleep 0.1
  done
  OUTER_DISPLAY="$DISPLAY"
  export DISPLAY=":$(head -n 1 "$number")"
}

end_resizable_screen() {
  kill "$XEPHYR_PID" 2>/dev/null
  wait "$XEPHYR_PID" 2>/dev/null
  export DISPLAY="$OUTER_DISPLAY"
}

# start_under_subreaper LOG COMMAND...: runs COMMAND in the background under a
# subreaper, which inherits the orphans COMMAND leaves (a locker's hacks,
# when the locker ends before them) and waits for them, writing "PID STATUS"
# to LOG for each (STATUS -N for a death by signal N). Sets SUBREAPER_PID.
start_under_subreaper() {
  local log="$1"
  shift
  : >"$log"
  python3 -c '
import ctypes, os, sys
ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
if os.fork() == 0:
    os.execvp(sys.argv[2], sys.argv[2:])
with open(sys.argv[1], "a", buffering=1) as out:
    while True:
        try:
            pid, status = os.wait()
        except ChildProcessError:
            break
        out.write(f"{pid} {os.waitstatus_to_exitcode(status)}\n")
' "$log" "$@" &
  SUBREAPER_PID=$!
  echo "$SUBREAPER_PID" >>"$E2E_CHILDREN"
}
