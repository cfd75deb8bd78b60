# The checks every end-to-end script reports with, and the picture measures
# shared by the Windows and the X11 scripts. Sourced by lib.sh and lib_x11.sh.

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

# Waits for the saver process to end and sets SAVER_EXIT to its exit code,
# or to "running" if it is still there after EXIT_WAIT_SECONDS (it is then
# killed). Not for a subshell: the saver is this shell's child.
wait_saver_exit() {
  local tries=0
  while saver_running && [ "$tries" -lt $((EXIT_WAIT_SECONDS * 20)) ]; do
    tries=$((tries + 1))
    sleep 0.05
  done
  if saver_running; then
    SAVER_EXIT=running
    kill -KILL "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
  else
    wait "$SAVER_PID"
    SAVER_EXIT=$?
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

# field NAME < key=value lines
field() { sed -n "s/^$1=//p" | head -n 1; }

# count_bright FILE X Y W H PERCENT: pixels of the box whose red channel
# exceeds PERCENT of full scale.
count_bright() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -channel R -separate +channel -threshold "$6%" \
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
