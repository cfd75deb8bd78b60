# /p with the host's window handle: the preview becomes a disabled child of
# the host's window, exactly the size of the host's window rectangle, at its
# top-left corner; it draws the scene over and over, takes no notice of the
# pointer, and ends, leaving nothing behind, when the host destroys its window.
source "$(dirname "${BASH_SOURCE[0]}")/preview_lib.sh"

readonly HOST="Quillmoor preview host"
readonly WIDTH=328 HEIGHT=214 LEFT=150 TOP=90

# Wine draws OpenGL in a child window into an X window of its own, off
# screen, of the child's size, and fails to copy it onto the host's window
# (see the README's Wine notes); the scene is looked at there as well as on
# the screen. Nothing else on this screen is WIDTH x HEIGHT.
preview_drawable() {
  xwininfo -root -tree | awk -v size=" ${WIDTH}x${HEIGHT}+0+0 " 'index($0, size) { print $1; exit }'
}

section "a child of the host's window"
start_host "$HOST" "$E2E_OUT/preview_host.txt" --at "$LEFT" "$TOP" --size "$WIDTH" "$HEIGHT" -- /p "{hwnd}"
child="$(preview_child "$HOST")"
expect "the preview's window is shown" "$(field visible <<<"$child")" 1
expect "its style: child, visible, disabled" "$(field style <<<"$child")" 0x58000000
expect "it takes no input of its own" "$(field enabled <<<"$child")" 0
expect "no extended style" "$(field exstyle <<<"$child")" 0x00000000
expect "it sits at the host's top-left corner" "$(field position_in_parent <<<"$child")" "0 0"
expect "its rectangle on the screen is the host's" "$(field rect <<<"$child")" \
  "$(report_field host_rect)"
expect "its size" "$(field size <<<"$child")" "$WIDTH $HEIGHT"

section "it draws the scene, frame after frame"
drawable=""
for attempt in $(seq 1 100); do
  drawable="$(preview_drawable)"
  [ -n "$drawable" ] && break
  sleep 0.1
done
if [ -z "$drawable" ]; then
  fail "no drawing surface of ${WIDTH}x${HEIGHT} for the preview"
else
  first="$E2E_OUT/preview_host_1.png" second="$E2E_OUT/preview_host_2.png"
  # The first frames come once the scene is built; wait for the clock.
  for attempt in $(seq 1 40); do
    import -window "$drawable" "$first"
    [ "$(clock_pixels "$first" "$WIDTH" "$HEIGHT")" -ge 150 ] && break
    sleep 0.25
  done
  sleep 1
  import -window "$drawable" "$second"
  echo "  pictures: $first $second"
  expect_scene "preview in the host" "$first" "$second" "$WIDTH" "$HEIGHT"
fi

section "what the screen shows over the host's window"
screen="$E2E_OUT/preview_host_screen.png"
scene_on_screen=no
for attempt in $(seq 1 20); do
  screenshot "$E2E_OUT/preview_host_root.png"
  convert "$E2E_OUT/preview_host_root.png" -crop "${WIDTH}x${HEIGHT}+$LEFT+$TOP" +repage "$screen"
  if over_clear_colour "$(darkest_levels "$screen")" && [ "$(clock_pixels "$screen" "$WIDTH" "$HEIGHT")" -ge 150 ]; then
    scene_on_screen=yes
    break
  fi
  sleep 0.25
done
echo "  screen over the host: $screen (the scene there: $scene_on_screen)"

section "the pointer over the preview never ends it"
xdotool mousemove $((LEFT + 20)) $((TOP + 20))
for step in 1 2 3 4; do xdotool mousemove $((LEFT + 20 + step * 70)) $((TOP + 20 + step * 40)); done
for button in 1 2 3; do xdotool click "$button"; done
# And the same messages straight at the preview's window, as if the system
# gave it the pointer after all.
for message in mousemove lbuttondown rbuttondown mbuttondown; do
  expect "$message posted to the preview" "$(probe post --parent "$HOST" --class "$PREVIEW_CLASS" \
    --message "$message" | field posted)" 1
done
after="$(probe sync --parent "$HOST" --class "$PREVIEW_CLASS")"
expect "after moves and clicks: the preview is still shown" "$(field visible <<<"$after")" 1
if host_running; then pass "after moves and clicks: the saver still runs"; else fail "the saver ended on the pointer"; fi

section "the host destroys its window"
expect "the host closes its window" "$(probe close --caption "$HOST" | field closed)" 1
wait_host
expect "the saver ends with it" "$HOST_ENDED" 1
expect "the saver did not have to be stopped" "$(report_field timed_out)" 0
expect "exit code" "$(report_field exit_code)" 0
expect "the host's window is gone" "$(report_field host_destroyed)" 1
expect "top-level windows the saver opened" "$(report_own_windows)" 0
expect "no preview window is left" "$(probe gone --class "$PREVIEW_CLASS" --wait 5000 | field gone)" 1
stop_host "$HOST"

section "the smallest OpenGL child window in the same place, and a GDI one"
# The probe's child that only clears itself to green: whether this Wine
# shows OpenGL drawn in a child window at all. Where it does, the preview
# must show the scene on the screen too; where it does not, neither can.
# The same child painted by GDI tells whether anything drawn in another
# process's window shows.
child_shown() {  # COMMAND CLASS: SHOWN is "yes" when the child's green is on the screen
  local host="Quillmoor $1 host"
  SHOWN=no
  PREVIEW_SAVER="$QUILLMOOR_PROBE" start_host "$host" "$E2E_OUT/preview_$1.txt" --at "$LEFT" "$TOP" \
    --size "$WIDTH" "$HEIGHT" -- "$1" "{hwnd}"
  expect "the $1 is shown" "$(probe find --parent "$host" --class "$2" --visible \
    --wait "$WINDOW_WAIT_MS" | field visible)" 1
  for attempt in $(seq 1 12); do
    sleep 0.25
    screenshot "$E2E_OUT/preview_$1_root.png"
    [ "$(convert "$E2E_OUT/preview_$1_root.png" -crop "${WIDTH}x${HEIGHT}+$LEFT+$TOP" +repage \
      -format '%[fx:round(255*mean.r)],%[fx:round(255*mean.g)],%[fx:round(255*mean.b)]' info:)" = "0,255,0" ] &&
      SHOWN=yes && break
  done
  probe close --caption "$host" >/dev/null
  wait_host
}
child_shown glchild QuillmoorProbeGlChild
child_on_screen="$SHOWN"
expect "the preview shows the scene on the screen exactly where Wine shows an OpenGL child window" \
  "$scene_on_screen" "$child_on_screen"
[ "$child_on_screen" = no ] && echo "  this Wine shows no OpenGL child window on the screen: the scene was seen in its X window"
child_shown gdichild QuillmoorProbeGdiChild
echo "  a GDI child window in another process's window on the screen: $SHOWN"

section "the host's process ends without destroying its window"
start_host "$HOST" "$E2E_OUT/preview_host_killed.txt" -- /p "{hwnd}"
expect "the preview is shown" "$(preview_child "$HOST" | field visible)" 1
saver_command="quillmoor.scr /p $(report_field host)"
kill -9 "$HOST_PID"
wait "$HOST_PID" 2>/dev/null
HOST_PID=""
for attempt in $(seq 1 $((EXIT_WAIT_SECONDS * 10))); do
  pgrep -f "$saver_command" >/dev/null || break
  sleep 0.1
done
if pgrep -f "$saver_command" >/dev/null; then
  fail "the saver still runs after its host's process ended"
  kill -9 $(pgrep -f "$saver_command") 2>/dev/null
else
  pass "the saver ends with its host's process"
fi

section "a host window with a frame: the whole window rectangle"
start_host "$HOST" "$E2E_OUT/preview_host_framed.txt" --at 200 120 --size 300 200 --framed -- /p "{hwnd}"
child="$(preview_child "$HOST")"
read -r left top right bottom <<<"$(report_field host_rect)"
expect "the preview is as large as the host's window rectangle, frame included" \
  "$(field size <<<"$child")" "$((right - left)) $((bottom - top))"
expect "at the top-left corner of the host's client area" "$(field position_in_parent <<<"$child")" "0 0"
expect "the host closes its window" "$(probe close --caption "$HOST" | field closed)" 1
wait_host
expect "the saver ends with it" "$HOST_ENDED" 1
expect "exit code" "$(report_field exit_code)" 0
stop_host "$HOST"

finish
