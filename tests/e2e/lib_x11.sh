# Helpers for the X11 saver's end-to-end scripts; with_xvfb.sh sets
# QUILLMOOR_BIN, QUILLMOOR_X11_PROBE, E2E_OUT, E2E_CHILDREN, SCREEN_WIDTH,
# SCREEN_HEIGHT, DISPLAY and NO_GLX_DISPLAY before a script sources this file.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

readonly SAVER_TITLE="Quillmoor"
# Bounds that only a hang reaches.
readonly WAIT_TRIES=300          # times 0.1 s
# The clear colour (0, 0, 0.2) in 8-bit channels.
readonly CLEAR_BLUE=51

SAVER_PID=""
SAVER_WINDOW=""
SAVER_EXIT=""

finish() {
  stop_saver
  report_and_exit
}

probe() { "$QUILLMOOR_X11_PROBE" "$@"; }


# Starts the saver in the background with the given arguments; its standard
# error goes to $E2E_OUT/saver.err.
start_saver() {
  "$QUILLMOOR_BIN" "$@" 2>"$E2E_OUT/saver.err" &
  SAVER_PID=$!
  echo "$SAVER_PID" >>"$E2E_CHILDREN"
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

# Ends a saver that a failed check left running, so the next case starts clean.
stop_saver() {
  if saver_running; then
    kill -KILL "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
  fi
  SAVER_PID=""
}

# Where the scene puts the clock in a drawing area of W x H pixels. An area
# narrower than 4:3 shows the scene in a band of its full width and 3/4 of
# that in height (rounded, halves up), centred with any odd row at the top,
# black above and below; otherwise the band is the whole area. In the band
# the clock's centre lies at eye-space (0.28 * aspect, 0.2, -1.5) and its dial
# marks at radius 0.4, seen through a 45-degree perspective. Sets BAND_TOP and
# BAND_HEIGHT (in rows from the top), CLOCK_X, CLOCK_Y and DIAL_RADIUS.
clock_place() {
  read -r BAND_TOP BAND_HEIGHT CLOCK_X CLOCK_Y DIAL_RADIUS <<<"$(awk -v w="$1" -v h="$2" 'BEGIN {
    b = h; if (3 * w < 4 * h) b = int((3 * w + 2) / 4); top = h - b - int((h - b) / 2);
    aspect = w / b; f = cos(3.14159265 / 8) / sin(3.14159265 / 8);
    printf "%d %d %d %d %d\n", top, b, (f / aspect * 0.28 * aspect / 1.5 + 1) / 2 * w,
      top + (1 - f * 0.2 / 1.5) / 2 * b, f * 0.4 / 1.5 / 2 * b }')"
}

# The brightest red in the 5x5 box around X Y.
hub_red() {
  convert "$1" -crop "5x5+$(($2 - 2))+$(($3 - 2))" +repage -channel R -separate \
    -format "%[fx:round(255*maxima)]" info:
}

# least_blue FILE W: the lowest blue in the band of a W-wide picture.
least_blue() {
  convert "$1" -crop "$2x$BAND_HEIGHT+0+$BAND_TOP" +repage -channel B -separate \
    -format "%[fx:round(255*minima)]" info:
}

# outside_band FILE W H: how many pixels above and below the band are not black.
outside_band() {
  convert "$1" -fill black -draw "rectangle 0,$BAND_TOP $(($2 - 1)),$((BAND_TOP + BAND_HEIGHT - 1))" \
    -fill white +opaque black -format "%[fx:round(mean*w*h)]" info:
}

# screenshot_clock FILE WINDOW W H MINIMUM: screenshots WINDOW (an id, or
# root) into FILE until the scene shows as it should for a drawing area of
# W x H (clock_place), or until it is clear it never will: at least MINIMUM
# bright pixels in the clock's box, the hands' hub bright, and no pixel less
# blue than the clear colour in the band. Sets CLOCK_BRIGHT, HUB_RED and
# LEAST_BLUE from the last try, and the clock_place values.
screenshot_clock() {
  local file="$1" window="$2" box attempt
  clock_place "$3" "$4"
  box=$((DIAL_RADIUS * 2 + 20))
  for attempt in $(seq 1 60); do
    import -window "$window" "$file" 2>/dev/null
    CLOCK_BRIGHT=$(count_raised "$file" $((CLOCK_X - box / 2)) $((CLOCK_Y - box / 2)) "$box" "$box" 12)
    HUB_RED=$(hub_red "$file" "$CLOCK_X" "$CLOCK_Y")
    LEAST_BLUE=$(least_blue "$file" "$3")
    [ "$CLOCK_BRIGHT" -ge "$5" ] && [ "$HUB_RED" -ge 120 ] && [ "$LEAST_BLUE" -ge "$CLEAR_BLUE" ] && break
    sleep 0.1
  done
}

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

# expect_scene DESCRIPTION FILE WINDOW W H: the clock drawn whole at its place
# for a drawing area of W x H, nothing in the band left undrawn, and black
# outside it.
expect_scene() {
  screenshot_clock "$2" "$3" "$4" "$5" 500
  echo "  screenshot: $2 (clock centre at $CLOCK_X,$CLOCK_Y)"
  at_least "$1: pixels of the clock standing out" "$CLOCK_BRIGHT" 500
  at_least "$1: the hands' hub at the clock's centre" "$HUB_RED" 120
  at_least "$1: the least blue anywhere in the band" "$LEAST_BLUE" "$CLEAR_BLUE"
  at_most "$1: the dial's right edge inside the window" "$((CLOCK_X + DIAL_RADIUS))" "$(($4 - 1))"
  expect "$1: pixels outside the band that are not black" "$(outside_band "$2" "$4" "$5")" 0
}

# expect_signal_ends DESCRIPTION SIGNAL: after its clean-up the saver ends
# killed by that signal, which the shell reports as 128 + its number.
expect_signal_ends() {
  kill "-$2" "$SAVER_PID"
  wait_saver_exit
  expect "$1: ended by SIG$2" "$SAVER_EXIT" "$((128 + $(kill -l "$2")))"
}
