# What keeps the saver from running is said on standard error, with exit code
# 1; a bad command line is said in one line and a line naming --help, with
# exit code 2. Nothing hangs and nothing crashes: a run longer than 20 s
# counts as a hang (exit code 124). No display, no lock file.
source "$E2E_LIB"

# run ENV... -- ARGUMENTS...: runs the saver with the environment changes
# given (NAME=VALUE, or -u NAME); sets STATUS, OUT and ERR.
run() {
  local environment=()
  while [ "$1" != "--" ]; do environment+=("$1"); shift; done
  shift
  env "${environment[@]}" timeout 20 "$QUILLMOOR_BIN" "$@" >"$E2E_OUT/run.out" 2>"$E2E_OUT/run.err"
  STATUS=$?
  OUT="$(cat "$E2E_OUT/run.out")"
  ERR="$(cat "$E2E_OUT/run.err")"
}

section "no display to draw on"
run -u DISPLAY --
expect "DISPLAY not set: exit code" "$STATUS" 1
contains "DISPLAY not set: says so" "$ERR" "DISPLAY is not set"
mkdir -p "$E2E_OUT/runtime"
run DISPLAY=:9999 XDG_RUNTIME_DIR="$E2E_OUT/runtime" --
expect "no server at the display: exit code" "$STATUS" 1
contains "no server at the display: names it" "$ERR" "cannot open the X display ':9999'"
expect "no server at the display: no lock file made" "$(ls "$E2E_OUT/runtime")" ""
run DISPLAY=":9999$CONTROLS" --
contains "a display name with control characters: escaped" "$ERR" "cannot open the X display ':9999$CONTROLS_ESCAPED'"

run DISPLAY="$NO_GLX_DISPLAY" XDG_RUNTIME_DIR="/nowhere$CONTROLS" --
contains "a runtime folder with control characters: escaped" "$ERR" "lock file /nowhere$CONTROLS_ESCAPED/quillmoor-saver"

section "no GLX"
for arguments in "" "--root"; do
  run DISPLAY="$NO_GLX_DISPLAY" -- $arguments
  expect "a display without GLX ${arguments:-full screen}: exit code" "$STATUS" 1
  contains "a display without GLX ${arguments:-full screen}: says so" "$ERR" "has no GLX extension"
done

section "no such window"
run -- --window-id 0x7ffffff
expect "--window-id of no window: exit code" "$STATUS" 1
contains "--window-id of no window: says so" "$ERR" "no window 0x7ffffff"
# The id wins over --root, and so does the environment's.
run -- --root --window-id 0x7ffffff
expect "--root --window-id of no window: exit code" "$STATUS" 1
contains "--root --window-id of no window: says so" "$ERR" "no window 0x7ffffff"
run XSCREENSAVER_WINDOW=0x7ffffff -- --root
expect "XSCREENSAVER_WINDOW of no window: exit code" "$STATUS" 1
contains "XSCREENSAVER_WINDOW of no window: says so" "$ERR" "no window 0x7ffffff"

section "bad command lines"
for arguments in "--bogus" "--window-id" "--window-id zz" "--window-id 0" "--delay --root" "extra"; do
  run -- $arguments
  expect "'$arguments': exit code" "$STATUS" 2
  expect "'$arguments': a line naming --help follows the message" "$(sed -n '2,$p' <<<"$ERR")" \
    "quillmoor: try 'quillmoor --help' for the options"
done
run XSCREENSAVER_WINDOW=garbage --
expect "XSCREENSAVER_WINDOW=garbage: exit code" "$STATUS" 2
contains "XSCREENSAVER_WINDOW=garbage: names the variable" "$ERR" "XSCREENSAVER_WINDOW"

section "--help"
run -u DISPLAY -- --help
expect "exit code" "$STATUS" 0
contains "the usage on standard output" "$OUT" "--window-id ID"
expect "nothing on standard error" "$ERR" ""

section "--help and --version where nothing can be written"
for option in --help --version; do
  timeout 20 "$QUILLMOOR_BIN" "$option" >/dev/full 2>"$E2E_OUT/run.err"
  expect "$option > /dev/full: exit code" "$?" 1
  expect "$option > /dev/full: one line says so" "$(cat "$E2E_OUT/run.err")" \
    "quillmoor: cannot write to standard output: No space left on device"
done

finish
