# /s: one borderless, topmost window titled "Quillmoor" covers the primary
# screen, the system is told that a screen saver runs, and every frame clears
# the screen to dark blue before adding the scene's light; a key press ends it.
source "$E2E_LIB"

section "before the saver starts"
expect "the screen-saver-running flag" "$(screensaver_flag)" 0

section "the full-screen window"
start_saver /s
window="$(active_saver_window)"
expect "caption" "$(field caption <<<"$window")" "$SAVER_CAPTION"
expect "shown" "$(field visible <<<"$window")" 1
expect "the active window" "$(field foreground <<<"$window")" 1
expect "popup style" "$(field popup <<<"$window")" 1
expect "no border, caption bar or sizing frame" "$(field frame <<<"$window")" 0
expect "topmost" "$(field topmost <<<"$window")" 1
expect "screen size" "$(field screen_size <<<"$window")" "$SCREEN_WIDTH $SCREEN_HEIGHT"
expect "window rectangle" "$(field rect <<<"$window")" "0 0 $SCREEN_WIDTH $SCREEN_HEIGHT"
expect "client area origin" "$(field client_origin <<<"$window")" "0 0"
expect "client area size" "$(field client_size <<<"$window")" "$SCREEN_WIDTH $SCREEN_HEIGHT"
expect "the screen-saver-running flag while it runs" "$(field screensaver_running <<<"$window")" 1
expect "one monitor: no black window for another" "$(probe gone --class QuillmoorDarkWindow | field gone)" 1

section "the application's window"
# It owns the full-screen window, which so gets no task bar button of its
# own: the task bar and Alt+Tab show the application's window, under the
# application's title. It is shown, but has no size.
expect "the full-screen window's owner" "$(field owner <<<"$window")" "$APPLICATION_TITLE"
application="$(probe find --caption "$APPLICATION_TITLE")"
expect "the saver's own" "$(field pid <<<"$application")" "$(field pid <<<"$window")"
expect "shown, for the task bar" "$(field visible <<<"$application")" 1
expect "no size" "$(field size <<<"$application")" "0 0"
expect "owned by none" "$(field owner <<<"$application")" ""
# Chosen in the task bar or with Alt+Tab it passes the activation on, so that
# the keyboard reaches the full-screen window (the key below ends the saver).
expect "activated, it hands the activation to the full-screen window" \
  "$(probe activate --caption "$APPLICATION_TITLE" | field foreground)" "$SAVER_CAPTION"

section "the picture"
# The frame clears to dark blue and the scene only adds light to it or blends
# white into it: at the two top corners, the middle of the top edge and both
# side edges halfway down (the ground fills the bottom) no channel lies below
# the clear colour, and neither does the darkest level of any channel over
# the whole screen. (How much the randomly patterned curtain adds differs
# from run to run, so the clear colour itself is checked exactly by the
# headless render tests.) Before the first frame the window is black. The
# first frames come with the 30 ms timer; wait for them.
shot="$E2E_OUT/full_screen.png"
points="0,0 $((SCREEN_WIDTH - 1)),0 $((SCREEN_WIDTH / 2)),0 0,$((SCREEN_HEIGHT / 2)) $((SCREEN_WIDTH - 1)),$((SCREEN_HEIGHT / 2))"
for attempt in $(seq 1 40); do
  screenshot "$shot"
  drawn=1
  for point in $points; do over_clear_colour "$(pixel "$shot" "${point%,*}" "${point#*,}")" || drawn=0; done
  over_clear_colour "$(darkest_levels "$shot")" || drawn=0
  [ "$drawn" = 1 ] && break
  sleep 0.25
done
for point in $points; do
  colour="$(pixel "$shot" "${point%,*}" "${point#*,}")"
  if over_clear_colour "$colour"; then pass "pixel at $point lies over the clear colour ($colour)"
  else fail "pixel at $point ($colour) is darker than the clear colour $DARK_BLUE"; fi
done
darkest="$(darkest_levels "$shot")"
if over_clear_colour "$darkest"; then pass "the darkest levels over the screen lie over the clear colour ($darkest)"
else fail "the darkest levels ($darkest) lie below the clear colour $DARK_BLUE"; fi
echo "  screenshot: $shot"

section "a key press ends it"
xdotool key a
expect_saver_ended "key a"

section "a close from elsewhere ends it cleanly too"
start_saver_and_wait /s
expect "the close request reached the window" "$(probe close --caption "$SAVER_CAPTION" | field closed)" 1
expect_saver_ended "closed by another program"

finish
