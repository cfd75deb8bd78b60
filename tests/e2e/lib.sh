# Helpers for the end-to-end scripts; with_wine.sh sets QUILLMOOR_SCR,
# QUILLMOOR_PROBE, E2E_OUT, SCREEN_WIDTH, SCREEN_HEIGHT and the Wine and X
# environment before a script sources this file.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

readonly SAVER_CAPTION="Quillmoor"
# The caption of the application's window, which owns the saver's top-level
# window and stands for the program in the task bar and Alt+Tab.
readonly APPLICATION_TITLE="Quillmoor Screensaver"
# Bounds for waiting on Wine; only a hang reaches them.
readonly WINDOW_WAIT_MS=30000
# The clear colour (0, 0, 0.2) in 8-bit channels.
readonly DARK_BLUE="0,0,51"

SAVER_PID=""

# The probe's output without the console's carriage returns.
# Every command of the probe prints at least one line. One that printed
# nothing never ran (Wine failed to start it, as happens rarely under load):
# a query that changes nothing is asked once more.
probe() {
  local out
  out="$(wine "$QUILLMOOR_PROBE" "$@" 2>/dev/null | tr -d '\r')"
  case "$out:$1" in
    :sync | :system | :display) out="$(wine "$QUILLMOOR_PROBE" "$@" 2>/dev/null | tr -d '\r')" ;;
  esac
  [ -z "$out" ] || printf '%s\n' "$out"
}


windows_path() { winepath -w "$1" 2>/dev/null; }

screensaver_flag() { probe system | field screensaver_running; }

# Starts the saver in the background with the given arguments.
start_saver() {
  wine "$QUILLMOOR_SCR" "$@" >/dev/null 2>&1 &
  SAVER_PID=$!
}

# Waits for the saver's window to be shown and prints its properties.
saver_window() { probe find --caption "$SAVER_CAPTION" --visible --wait "$WINDOW_WAIT_MS"; }

# Waits for the saver's window to be shown and active, and prints its
# properties (found=0 if it never is).
active_saver_window() { probe find --caption "$SAVER_CAPTION" --visible --active --wait "$WINDOW_WAIT_MS"; }

# Lets the saver's thread take all queued input, optionally once the pointer
# has reached X Y, and prints its window's properties (found=0 if gone).
sync_saver() {
  if [ $# -eq 2 ]; then
    probe sync --caption "$SAVER_CAPTION" --pointer "$1" "$2" --wait "$WINDOW_WAIT_MS"
  else
    probe sync --caption "$SAVER_CAPTION"
  fi
}

# Starts the saver and waits until its full-screen window is shown and is the
# active window, so that input reaches it.
start_saver_and_wait() {
  local properties
  start_saver "$@"
  properties="$(active_saver_window)"
  expect "'$*': the window is shown and active" "$(field foreground <<<"$properties")" 1
}

# expect_saver_ended DESCRIPTION: the saver ended on its own after the input
# so far: exit code 0, window gone, the system's flag cleared.
expect_saver_ended() {
  wait_saver_exit
  expect "$1: the saver exits with code 0" "$SAVER_EXIT" 0
  expect "$1: its window is gone" "$(probe gone --caption "$SAVER_CAPTION" --wait 5000 | field gone)" 1
  expect "$1: the application's window is gone" "$(probe gone --caption "$APPLICATION_TITLE" --wait 5000 | field gone)" 1
  expect "$1: the screen-saver-running flag is cleared" "$(screensaver_flag)" 0
}

# expect_saver_still_up DESCRIPTION [X Y]: after the input so far (and once
# the pointer has reached X Y) the saver's window is still shown.
expect_saver_still_up() {
  local description="$1" properties
  shift
  properties="$(sync_saver "$@")"
  expect "$description: the saver's window is still shown" "$(field visible <<<"$properties")" 1
}

# Ends a saver that a failed check left running, so the next case starts
# clean: here with a plain kill; the runner's wineserver -k ends what is left.
stop_saver() {
  if saver_running; then
    kill "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
  fi
  SAVER_PID=""
}

# pixel FILE X Y: the pixel's 8-bit channels as R,G,B.
pixel() {
  convert "$1" -format "%[fx:round(255*p{$2,$3}.r)],%[fx:round(255*p{$2,$3}.g)],%[fx:round(255*p{$2,$3}.b)]" info:
}

screenshot() { import -window root "$1"; }

# over_clear_colour R,G,B: a reading of three levels 0..255 whose blue lies
# at or above the clear colour's. The curtain and the text add light and the
# clock blends white, so nothing the scene draws can take blue away from the
# dark blue it clears to, while a black window (before the first frame) or a
# failed reading fails. Red and green are 0 in the clear colour: nothing can
# lie below that, so they are only checked for being levels at all.
over_clear_colour() {
  local r g b level
  IFS=, read -r r g b <<<"$1"
  for level in "$r" "$g" "$b"; do
    [[ "$level" =~ ^[0-9]+$ ]] && [ "$level" -le 255 ] || return 1
  done
  [ "$b" -ge "${DARK_BLUE##*,}" ]
}

# darkest_levels FILE: the lowest level of each channel over the whole picture.
darkest_levels() {
  convert "$1" -format "%[fx:round(255*minima.r)],%[fx:round(255*minima.g)],%[fx:round(255*minima.b)]" info:
}

# Start Wine's server and desktop now: the desktop puts the pointer in the
# middle of the screen when it starts, which would undo a script's first
# pointer placement.
probe system >/dev/null
