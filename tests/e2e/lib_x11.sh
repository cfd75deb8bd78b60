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

# Starts the saver in the background with the given arguments; its standard
# error goes to $E2E_OUT/saver.err. Every buffer it draws into has been filled
# green (fill_after_swap.so, built beside the probe), so that a picture shows
# what its frame left undrawn.
start_saver() {
  LD_PRELOAD="${QUILLMOOR_X11_PROBE%/*}/fill_after_swap.so" start_reaped "${REAPER[@]}" "$QUILLMOOR_BIN" "$@"
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
