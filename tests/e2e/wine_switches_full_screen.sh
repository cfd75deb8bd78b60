# Every switch other than the settings, password and preview ones, and no
# switch at all, runs the saver full screen.
source "$E2E_LIB"

run_full_screen() {
  local description="$1" window
  shift
  section "$description"
  start_saver "$@"
  window="$(active_saver_window)"
  expect "$description: caption" "$(field caption <<<"$window")" "$SAVER_CAPTION"
  expect "$description: window rectangle" "$(field rect <<<"$window")" "0 0 $SCREEN_WIDTH $SCREEN_HEIGHT"
  expect "$description: topmost" "$(field topmost <<<"$window")" 1
  expect "$description: the active window" "$(field foreground <<<"$window")" 1
  xdotool key q
  expect_saver_ended "$description"
  stop_saver
}

run_full_screen "no argument"
run_full_screen "one-character argument 's'" s
run_full_screen "'-s'" -s
run_full_screen "'/S'" /S
run_full_screen "'xs'" xs
run_full_screen "'/1'" /1
run_full_screen "'/?'" "/?"

finish
