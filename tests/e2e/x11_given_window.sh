# Given a window (--window-id, else XSCREENSAVER_WINDOW, else the virtual
# root for --root) the saver draws the scene there at the window's size,
# follows its size, leaves input alone, and ends on SIGTERM, SIGINT or SIGHUP,
# killed by that signal; a window destroyed under it ends it too, quietly,
# even while it starts. --fps adds the figures.
source "$E2E_LIB"

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

section "turned to portrait"
xdotool windowsize "$HOST" 360 640
expect_scene "360x640" "$E2E_OUT/given_window_portrait.png" "$HOST" 360 640
expect_signal_ends "--window-id" TERM
expect "the window is still there" "$(xwininfo -id "$HOST" >/dev/null 2>&1 && echo yes)" yes

section "XSCREENSAVER_WINDOW, over --root"
make_host 400 300
XSCREENSAVER_WINDOW="$HOST" start_saver --root
expect_scene "from the environment" "$E2E_OUT/environment_window.png" "$HOST" 400 300
expect "no window of its own" "$(saver_windows | wc -l)" 0
expect_signal_ends "XSCREENSAVER_WINDOW" INT

section "--fps, with the options a daemon passes every hack"
make_host 400 300
XSCREENSAVER_WINDOW="$HOST" start_saver -root -fps -delay 20000 -install -visual default
# In the lower left corner a dark box over the bright ground, with the figures
# in white on it; beside it the ground as ever, and the clock drawn as ever.
# dark FILE X: pixels of the 50x20 box at (X, 262) whose blue is below half.
dark() { count_dark "$1" "$2" 262 50 20; }
shot="$E2E_OUT/fps.png"
clock_place 400 300
for attempt in $(seq 1 60); do
  import -window "$HOST" "$shot" 2>/dev/null
  in_box=$(dark "$shot" 15)
  white=$(count_bright "$shot" 15 262 50 20 90)
  [ "$in_box" -ge 500 ] && [ "$white" -ge 20 ] && break
  sleep 0.1
done
echo "  screenshot: $shot"
at_least "the figures' box: dark pixels of 1000" "$in_box" 500
at_least "the figures' box: white text pixels" "$white" 20
at_most "the ground beside it: dark pixels of 1000" "$(dark "$shot" 250)" 100
at_least "the hands' hub at the clock's centre" "$(hub_red "$shot" "$CLOCK_X" "$CLOCK_Y")" 120
expect_signal_ends "--fps" TERM

section "the window destroyed under it"
make_host 600 300
start_saver --window-id "$(printf '%d' "$HOST")"
expect_scene "given in decimal" "$E2E_OUT/before_destroy.png" "$HOST" 600 300
kill "$HOST_PID"
wait "$HOST_PID" 2>/dev/null
HOST_PID=""
wait_saver_exit
expect "the saver ends with code 0" "$SAVER_EXIT" 0
expect "and prints nothing" "$(cat "$E2E_OUT/saver.err")" ""

section "resized, or destroyed, while it sets up GLX"
make_host 627 536
XSCREENSAVER_WINDOW="$HOST" start_saver --root
wait_glx_setup
xdotool windowsize "$HOST" 480 300
expect_scene "at the size it has now" "$E2E_OUT/resized_at_start.png" "$HOST" 480 300
expect_signal_ends "resized at start" TERM
for signal in none TERM; do
  make_host 600 300
  start_saver --window-id "$HOST"
  wait_glx_setup
  probe destroy "$HOST"
  [ "$signal" = none ] || kill -TERM "$SAVER_PID"
  wait_saver_exit
  expect "destroyed, signal $signal: how it ends" "$SAVER_EXIT" "$([ "$signal" = none ] && echo 0 || echo "signal 15")"
  expect "destroyed, signal $signal: nothing said" "$(cat "$E2E_OUT/saver.err")" ""
done

section "--root"
start_saver --root
expect_scene "root" "$E2E_OUT/root_window.png" root "$SCREEN_WIDTH" "$SCREEN_HEIGHT"
expect_signal_ends "--root" TERM

section "--root with a virtual root"
# A child of the root that names itself with __SWM_VROOT stands for the root.
make_host 400 300
xprop -id "$HOST" -f __SWM_VROOT 32c -set __SWM_VROOT "$(printf '%d' "$HOST")"
start_saver --root
expect_scene "virtual root" "$E2E_OUT/virtual_root.png" "$HOST" 400 300
expect_signal_ends "--root" HUP

finish
