# Nothing is drawn while nobody can see the saver, and drawing takes up again
# at once: the X server's own screen saver on (xset s activate) stops the
# frames of the saver in its own window, in a given window and on the root,
# until it is off again (xset s reset); a given window unmapped or wholly
# covered by another stops them too. Input still ends the saver in its own
# window meanwhile, and the saver sleeps: no frame, hardly any processor
# time. Frames are counted at their buffer swaps (fill_after_swap.so's log).
source "$E2E_LIB"

export SWAP_LOG="$E2E_OUT/swaps.log"
readonly TICKS_PER_SECOND="$(getconf CLK_TCK)"

# swaps_in SECONDS: the frames the saver swaps in that time.
swaps_in() {
  local before
  before=$(wc -l <"$SWAP_LOG")
  sleep "$1"
  echo $(($(wc -l <"$SWAP_LOG") - before))
}

swaps() { wc -l <"$SWAP_LOG"; }

# expect_drawing DESCRIPTION: frames come again (two within 10 s, a bound
# only a saver that stays asleep reaches; at 30 a second they come at once).
expect_drawing() {
  local before tries=0
  before=$(swaps)
  until [ $(($(swaps) - before)) -ge 2 ] || [ "$tries" -ge 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  at_least "$1: frames within 10 s" "$(($(swaps) - before))" 2
}

# expect_asleep DESCRIPTION: once a frame under way when the change came is
# done (no frame for half a second, waited for at most 10 s), no frame in
# the next second, and at most a tenth of a processor taken in it.
expect_asleep() {
  local before ticks tries=0
  until before=$(swaps); sleep 0.5; [ "$(swaps)" -eq "$before" ] || [ "$tries" -ge 20 ]; do
    tries=$((tries + 1))
  done
  ticks=$(cpu_ticks "$SAVER_PID")
  expect "$1: frames in a second" "$(swaps_in 1)" 0
  at_most "$1: processor ticks in that second" "$(($(cpu_ticks "$SAVER_PID") - ticks))" \
    $((TICKS_PER_SECOND / 10))
}

# cover W H: shows a window of the probe's of that size over the host's
# place, and waits until it is mapped; COVER is its process.
cover() {
  : >"$E2E_OUT/cover.id"
  "$QUILLMOOR_X11_PROBE" window "$1" "$2" >"$E2E_OUT/cover.id" &
  COVER=$!
  echo "$COVER" >>"$E2E_CHILDREN"
  poll "$WAIT_TRIES" grep -q '^id=' "$E2E_OUT/cover.id"
}
uncover() {
  kill "$COVER"
  wait "$COVER" 2>/dev/null
}

# Nothing ever blanks the screen on its own here.
xset s off

section "its own window: the server's screen saver on, then off"
: >"$SWAP_LOG"
start_saver
wait_saver_window
expect_drawing "shown"
xset s activate
expect_asleep "the server's screen saver on"
xset s reset
expect_drawing "off again"
xset s activate
expect_asleep "on again"
expect_saver_still_up "all the while"
xdotool key a
expect_saver_ended "a key while the server's screen saver is on"

section "a given window: covered, uncovered, unmapped, mapped"
: >"$SWAP_LOG"
make_host 400 300
start_saver --window-id "$HOST"
expect_drawing "shown"
# A bigger window of the probe's over it, at the same place.
cover 420 320
expect_asleep "wholly covered"
uncover
expect_drawing "uncovered"
xdotool windowunmap --sync "$HOST"
expect_asleep "unmapped"
xdotool windowmap --sync "$HOST"
expect_drawing "mapped again"
xset s activate
expect_asleep "the server's screen saver on"
xset s reset
expect_drawing "off again"
expect_signal_ends "--window-id" TERM

section "XSCREENSAVER_WINDOW: partly covered draws on"
make_host 400 300
XSCREENSAVER_WINDOW="$HOST" start_saver
expect_drawing "shown"
cover 200 150
expect_drawing "a quarter of it covered"
uncover
expect_signal_ends "XSCREENSAVER_WINDOW" TERM

section "--root: the server's screen saver on, then off"
: >"$SWAP_LOG"
start_saver --root
expect_drawing "shown"
xset s activate
expect_asleep "the server's screen saver on"
xset s reset
expect_drawing "off again"
expect_signal_ends "--root" TERM

section "started while the server's screen saver is on"
xset s activate
make_host 400 300
start_saver --window-id "$HOST"
wait_glx_setup
expect_asleep "from the start"
xset s reset
expect_drawing "once it is off"
expect_signal_ends "started hidden" TERM

finish
