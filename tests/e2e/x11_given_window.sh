# Given a window (--window-id, XSCREENSAVER_WINDOW, --root) the saver draws the
# scene there at the window's size, follows its size, leaves input alone, and
# ends on SIGTERM or SIGINT with exit code 0; a window destroyed under it ends
# it too.
source "$E2E_LIB"

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

# expect_scene DESCRIPTION FILE WINDOW W H: the clock drawn at its place for a
# drawing area of W x H, and nothing left undrawn.
expect_scene() {
  screenshot_clock "$2" "$3" "$4" "$5" 500
  echo "  screenshot: $2 (clock centre at $CLOCK_X,$CLOCK_Y)"
  at_least "$1: pixels of the clock standing out" "$CLOCK_BRIGHT" 500
  at_least "$1: the hands' hub at the clock's centre" "$HUB_RED" 120
  at_least "$1: the least blue anywhere in the window" "$LEAST_BLUE" "$CLEAR_BLUE"
}

# expect_signal_ends DESCRIPTION SIGNAL
expect_signal_ends() {
  kill "-$2" "$SAVER_PID"
  wait_saver_exit
  expect "$1: SIG$2 ends it with code 0" "$SAVER_EXIT" 0
}

section "--window-id"
make_host 480 360
start_saver --window-id "$HOST"
expect_scene "480x360" "$E2E_OUT/given_window.png" "$HOST" 480 360
expect "no window of its own" "$(saver_windows | wc -l)" 0
expect "keyboard and pointer left alone" "$(probe grabbed | tr '\n' ' ')" "keyboard=0 pointer=0 "
# Keys are its owner's business: the same saver draws on below.
xdotool key a

section "the window grows"
xdotool windowsize "$HOST" 720 360
expect_scene "720x360" "$E2E_OUT/given_window_wider.png" "$HOST" 720 360
if saver_running; then pass "the key before did not end it"; else fail "the key before ended it"; fi
expect_signal_ends "--window-id" TERM
expect "the window is still there" "$(xwininfo -id "$HOST" >/dev/null 2>&1 && echo yes)" yes

section "XSCREENSAVER_WINDOW"
make_host 400 300
XSCREENSAVER_WINDOW="$HOST" start_saver
expect_scene "from the environment" "$E2E_OUT/environment_window.png" "$HOST" 400 300
expect "no window of its own" "$(saver_windows | wc -l)" 0
expect_signal_ends "XSCREENSAVER_WINDOW" INT

section "the window destroyed under it"
make_host 600 300
start_saver --window-id "$(printf '%d' "$HOST")"
expect_scene "given in decimal" "$E2E_OUT/before_destroy.png" "$HOST" 600 300
kill "$HOST_PID"
wait "$HOST_PID" 2>/dev/null
HOST_PID=""
wait_saver_exit
expect "the saver ends with code 0" "$SAVER_EXIT" 0
contains "and says why" "$(cat "$E2E_OUT/saver.err")" "destroyed"

section "--root"
start_saver --root
expect_scene "root" "$E2E_OUT/root_window.png" root "$SCREEN_WIDTH" "$SCREEN_HEIGHT"
expect_signal_ends "--root" TERM

finish
