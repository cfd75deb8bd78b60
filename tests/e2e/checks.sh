# The checks every end-to-end script reports with, and the picture measures
# shared by the Windows, X11 and Wayland scripts. Sourced by lib.sh,
# lib_x11.sh and lib_wayland.sh.

FAILURES=0

pass() { echo "  ok: $*"; }
fail() {
  echo "  FAIL: $*"
  FAILURES=$((FAILURES + 1))
}
section() { echo "== $*"; }

# The saver runs as this shell's child, SAVER_PID; only a hang makes a wait
# for its end reach this bound.
readonly EXIT_WAIT_SECONDS=30

# Whether the saver process is still there.
saver_running() { [ -n "$SAVER_PID" ] && kill -0 "$SAVER_PID" 2>/dev/null; }

# The Linux savers run as the child of this small reaper, which writes the
# saver's PID to its descriptor 3 ("pid N") and, once it has ended, how:
# "exit N", or "signal N" for a death by signal N; the shell's $? says 128 + N
# for either. The saver gets the signal dispositions the shell gave the reaper.
REAPER=(python3 -c '
import os, signal, sys
os.set_inheritable(3, False)
report = os.fdopen(3, "w", buffering=1)
pid = os.fork()
if pid == 0:
    try:
        for number in (signal.SIGPIPE, signal.SIGXFSZ):
            signal.signal(number, signal.SIG_DFL)
        os.execvp(sys.argv[1], sys.argv[1:])
    finally:
        os._exit(127)
report.write(f"pid {pid}\n")
status = os.waitpid(pid, 0)[1]
report.write(f"signal {os.WTERMSIG(status)}\n" if os.WIFSIGNALED(status) else f"exit {os.WEXITSTATUS(status)}\n")
')
REAPER_PID=""
SAVER_STATUS=""

# start_reaped COMMAND...: runs COMMAND, which starts the saver under the
# reaper, in the background (its standard error to $E2E_OUT/saver.err), and
# sets SAVER_PID to the saver's PID once the reaper has told it.
start_reaped() {
  local tries=0
  SAVER_STATUS="$E2E_OUT/saver.status" SAVER_PID=""
  : >"$SAVER_STATUS"
  "$@" 2>"$E2E_OUT/saver.err" 3>"$SAVER_STATUS" &
  REAPER_PID=$!
  echo "$REAPER_PID" >>"$E2E_CHILDREN"
  until SAVER_PID="$(sed -n 's/^pid //p' "$SAVER_STATUS")"; [ -n "$SAVER_PID" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] && kill -0 "$REAPER_PID" 2>/dev/null || { fail "the saver never started"; return 1; }
    sleep 0.01
  done
  echo "$SAVER_PID" >>"$E2E_CHILDREN"
}

# Reaps the ended saver (its reaper for a Linux saver) and sets SAVER_EXIT to
# its exit code, or "signal N" if it died by signal N.
reap_saver() {
  if [ -z "$SAVER_STATUS" ]; then
    wait "$SAVER_PID" 2>/dev/null
    SAVER_EXIT=$?
    return
  fi
  wait "$REAPER_PID" 2>/dev/null
  SAVER_EXIT="$(sed -n 's/^exit //p; /^signal /p' "$SAVER_STATUS")"
  REAPER_PID="" SAVER_STATUS=""
}

# Ends a saver that a failed check left running, so the next case starts
# clean. (The Wine scripts' library has its own.)
stop_saver() {
  if saver_running; then
    kill -KILL "$SAVER_PID" 2>/dev/null
    reap_saver
  fi
  SAVER_PID=""
}

# Ends the script with its verdict, any saver still running ended first.
finish() {
  stop_saver
  report_and_exit
}

# Waits for the saver process to end and sets SAVER_EXIT as reap_saver does,
# or to "running" if it is still there after EXIT_WAIT_SECONDS (it is then
# killed). Not for a subshell: the saver is this shell's child.
wait_saver_exit() {
  local tries=0
  while saver_running && [ "$tries" -lt $((EXIT_WAIT_SECONDS * 20)) ]; do
    tries=$((tries + 1))
    sleep 0.05
  done
  if saver_running; then
    kill -KILL "$SAVER_PID" 2>/dev/null
    reap_saver
    SAVER_EXIT=running
  else
    reap_saver
  fi
  SAVER_PID=""
}

# expect DESCRIPTION ACTUAL EXPECTED
expect() {
  if [ "$2" = "$3" ]; then pass "$1 ($2)"; else fail "$1: got '$2', expected '$3'"; fi
}

# at_least DESCRIPTION ACTUAL MINIMUM (an empty or non-numeric ACTUAL fails)
at_least() {
  if [ "${2:-0}" -ge "$3" ] 2>/dev/null; then pass "$1 ($2 >= $3)"; else fail "$1: got '$2', expected at least $3"; fi
}

# at_most DESCRIPTION ACTUAL MAXIMUM
at_most() {
  if [ -n "$2" ] && [ "$2" -le "$3" ] 2>/dev/null; then pass "$1 ($2 <= $3)"; else fail "$1: got '$2', expected at most $3"; fi
}

# contains DESCRIPTION TEXT PART
contains() {
  if [[ "$2" == *"$3"* ]]; then pass "$1"; else fail "$1: '$2' does not contain '$3'"; fi
}

# Ends the script with the verdict: exit 1 if any check failed.
report_and_exit() {
  if [ "$FAILURES" -ne 0 ]; then
    echo "$FAILURES check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}

# Every control character that an argument or a variable can hold (all but
# NUL), and how the savers' messages write them: as C escapes.
CONTROLS="$(printf "$(printf '\\x%02x' $(seq 1 31) 127)")"
readonly CONTROLS_ESCAPED='\x01\x02\x03\x04\x05\x06\a\b\t\n\v\f\r\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\x7f'

# field NAME < key=value lines
# cpu_ticks PID: the process's CPU time so far, in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

field() { sed -n "s/^$1=//p" | head -n 1; }

# count_bright FILE X Y W H PERCENT: pixels of the box whose red channel
# exceeds PERCENT of full scale.
count_bright() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -channel R -separate +channel -threshold "$6%" \
    -format "%[fx:round(mean*w*h)]" info:
}

# count_dark FILE X Y W H: pixels of the box whose blue is below half.
count_dark() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -channel B -separate +channel -threshold 50% -negate \
    -format "%[fx:round(mean*w*h)]" info:
}

# count_raised FILE X Y W H PERCENT: pixels of the box whose red channel
# stands more than PERCENT of full scale above the mean of its neighbourhood
# (a Gaussian of 4 pixels). The curtain behind everything changes smoothly
# across many pixels, so what stands out is what the clock and the text add:
# cells, blades and glyph strokes a few pixels wide.
count_raised() {
  convert "$1" -channel R -separate +channel \( +clone -blur 0x4 \) -compose minus_src -composite \
    -crop "$4x$5+$2+$3" +repage -threshold "$6%" -format "%[fx:round(mean*w*h)]" info:
}

# The clear colour (0, 0, 0.2) in 8-bit channels.
readonly CLEAR_BLUE=51

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

# outside_band FILE W: how many pixels above and below the band are not black.
outside_band() {
  convert "$1" -fill black -draw "rectangle 0,$BAND_TOP $(($2 - 1)),$((BAND_TOP + BAND_HEIGHT - 1))" \
    -fill white +opaque black -format "%[fx:round(mean*w*h)]" info:
}

# screenshot_clock FILE TARGET W H MINIMUM: screenshots TARGET (the sourcing
# library's `capture FILE TARGET`: an X window, a Wayland output) into FILE
# until the scene shows as it should for a drawing area of W x H
# (clock_place), or until it is clear it never will: at least MINIMUM bright
# pixels in the clock's box, the hands' hub bright, and no pixel in the band
# less blue than the clear colour. Sets CLOCK_BRIGHT, HUB_RED and LEAST_BLUE
# from the last try, and the clock_place values.
screenshot_clock() {
  local file="$1" target="$2" box attempt
  clock_place "$3" "$4"
  box=$((DIAL_RADIUS * 2 + 20))
  for attempt in $(seq 1 60); do
    capture "$file" "$target"
    CLOCK_BRIGHT=$(count_raised "$file" $((CLOCK_X - box / 2)) $((CLOCK_Y - box / 2)) "$box" "$box" 12)
    HUB_RED=$(hub_red "$file" "$CLOCK_X" "$CLOCK_Y")
    LEAST_BLUE=$(least_blue "$file" "$3")
    [ "$CLOCK_BRIGHT" -ge "$5" ] && [ "$HUB_RED" -ge 120 ] && [ "$LEAST_BLUE" -ge "$CLEAR_BLUE" ] && break
    sleep 0.1
  done
}

# expect_scene DESCRIPTION FILE TARGET W H: the clock drawn whole at its place
# for a drawing area of W x H, nothing in the band left undrawn, and black
# outside it.
expect_scene() {
  screenshot_clock "$2" "$3" "$4" "$5" 500
  echo "  screenshot: $2 (clock centre at $CLOCK_X,$CLOCK_Y)"
  at_least "$1: pixels of the clock standing out" "$CLOCK_BRIGHT" 500
  at_least "$1: the hands' hub at the clock's centre" "$HUB_RED" 120
  at_least "$1: the least blue anywhere in the band" "$LEAST_BLUE" "$CLEAR_BLUE"
  at_most "$1: the dial's right edge inside the area" "$((CLOCK_X + DIAL_RADIUS))" "$(($4 - 1))"
  expect "$1: pixels outside the band that are not black" "$(outside_band "$2" "$4")" 0
}

# caught_signals PID: the names of the signals the process has handlers for
# (leaving out the C library's own for its threads, 32 and 33, which have none).
caught_signals() {
  local mask number name names=()
  mask=$((16#$(sed -n 's/^SigCgt:\s*//p' "/proc/$1/status")))
  for number in $(seq 1 64); do
    name="$(kill -l "$number")"
    (((mask >> (number - 1)) & 1)) && [ -n "$name" ] && names+=("$name")
  done
  echo "${names[*]}"
}

# expect_signal_ends DESCRIPTION SIGNAL: the saver handles exactly the stop
# signals, SIGHUP, SIGINT and SIGTERM; after its clean-up it dies by SIGNAL.
expect_signal_ends() {
  expect "$1: the signals it catches" "$(caught_signals "$SAVER_PID")" "HUP INT TERM"
  kill "-$2" "$SAVER_PID"
  wait_saver_exit
  expect "$1: ended by SIG$2" "$SAVER_EXIT" "signal $(kill -l "$2")"
}
