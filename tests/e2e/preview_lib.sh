# Helpers for the preview scripts, on top of lib.sh: the Win32 probe plays the
# host, whose window the saver's preview becomes a child of.
source "$E2E_LIB"

readonly PREVIEW_CLASS="QuillmoorPreviewWindow"
# A preview without a host shows in a window of its own at the top left.
readonly HOSTLESS_WIDTH=320
readonly HOSTLESS_HEIGHT=240

HOST_PID=""
HOST_REPORT=""

# start_host CAPTION REPORT [HOST OPTIONS...] -- SAVER ARGUMENTS...
# Opens the host's window and starts the saver from it in the background;
# "{hwnd}" and "{hwnd_hex}" in the saver's arguments become the window's
# handle. The host's report goes to the file REPORT; the host ends when the
# saver does. PREVIEW_SAVER, if set, names another copy of the saver to start.
start_host() {
  local caption="$1" report="$2" options=()
  shift 2
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    options+=("$1")
    shift
  done
  shift
  # Straight to the file: a pipe would hold the report back until the end.
  wine "$QUILLMOOR_PROBE" host --caption "$caption" "${options[@]}" -- "$(windows_path "${PREVIEW_SAVER:-$QUILLMOOR_SCR}")" "$@" \
    >"$report" 2>/dev/null &
  HOST_PID=$!
  HOST_REPORT="$report"
}

host_running() { [ -n "$HOST_PID" ] && kill -0 "$HOST_PID" 2>/dev/null; }

# report_field NAME: a line of the host's report.
report_field() { tr -d '\r' <"$HOST_REPORT" | field "$1"; }

# Top-level windows the saver opened, apart from the input-method window the
# system gives every thread that has windows.
report_own_windows() { tr -d '\r' <"$HOST_REPORT" | grep '^window=' | grep -cv '^window=IME|'; }

# Waits for the host, and so the saver, to end; HOST_ENDED is 1, or 0 if it
# was still there after EXIT_WAIT_SECONDS (it is then ended).
wait_host() {
  local tries=0
  while host_running && [ "$tries" -lt $((EXIT_WAIT_SECONDS * 20)) ]; do
    tries=$((tries + 1))
    sleep 0.05
  done
  if host_running; then
    HOST_ENDED=0
    kill "$HOST_PID" 2>/dev/null
  else
    HOST_ENDED=1
  fi
  wait "$HOST_PID" 2>/dev/null
  HOST_PID=""
}

# Ends a host that a failed check left running.
stop_host() {
  if host_running; then
    probe close --caption "$1" >/dev/null
    wait_host
  fi
}

# preview_child HOST_CAPTION: waits for the preview's window inside the host's
# and prints its properties.
preview_child() { probe find --parent "$1" --class "$PREVIEW_CLASS" --visible --wait "$WINDOW_WAIT_MS"; }

# count_changed FILE1 FILE2: pixels that differ between two pictures.
count_changed() { compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1 | sed 's/[^0-9].*//'; }

# clock_pixels FILE W H: pixels of the clock's numerals, marks and hands that
# stand out of the curtain in the upper right of a W x H preview.
clock_pixels() { count_raised "$1" $(($2 / 2)) 0 $(($2 / 2)) $(($3 * 3 / 4)) 12; }

# expect_scene DESCRIPTION FILE1 FILE2 W H: two pictures of a W x H preview,
# taken a second apart, show the scene and show it moving: nothing darker
# than the clear colour anywhere, the clock's numerals, marks and hands upper
# right, and pixels that changed in between.
expect_scene() {
  local description="$1" first="$2" second="$3" width="$4" height="$5" darkest
  darkest="$(darkest_levels "$second")"
  if over_clear_colour "$darkest"; then pass "$description: the darkest levels lie over the clear colour ($darkest)"
  else fail "$description: the darkest levels ($darkest) lie below the clear colour $DARK_BLUE"; fi
  at_least "$description: pixels of the clock standing out in the upper right half" \
    "$(clock_pixels "$second" "$width" "$height")" 150
  at_least "$description: pixels that changed within a second" "$(count_changed "$first" "$second")" 40
}
