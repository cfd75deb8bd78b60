# Any key ends the saver while its window is active: letters, modifiers
# alone, and the system keys Alt and F10, which would otherwise go to a
# window menu; at the press, not at the release. When the program that took
# the activation ends and no window is active, the saver takes it back, so
# that the next key ends it.
source "$E2E_LIB"

for key in a Shift_L Control_L Alt_L F10 Escape space; do
  section "key $key"
  start_saver_and_wait /s
  xdotool key "$key"
  expect_saver_ended "key $key"
  stop_saver
done

section "a key pressed and held, not released"
start_saver_and_wait /s
xdotool keydown a
expect_saver_ended "key a held down"
xdotool keyup a
stop_saver

section "another program's topmost window merely shown, not made active"
start_saver_and_wait /s
other="Quillmoor probe window"
wine "$QUILLMOOR_PROBE" window --caption "$other" --topmost --no-activate --at 600 100 --size 300 200 \
  --wait 60000 >/dev/null 2>&1 &
other_pid=$!
expect "the other window is shown" "$(probe find --caption "$other" --visible --wait "$WINDOW_WAIT_MS" | field visible)" 1
expect "the saver's window stays the active one" "$(active_saver_window | field foreground)" 1
screenshot "$E2E_OUT/topmost_shown.png"
# Under Wine it covers the saver (its white over the scene), as it would on Windows.
echo "  the other window over the saver on the screen (1 yes, 0 no): $(convert "$E2E_OUT/topmost_shown.png" \
  -crop 300x200+600+100 +repage -format '%[fx:mean>0.9]' info:)"
xdotool key a
expect_saver_ended "a key while the other window is shown"
kill "$other_pid"
wait "$other_pid" 2>/dev/null
stop_saver

section "another program that took the activation ends, and no window is active"
start_saver_and_wait /s
other="Quillmoor probe window"
wine "$QUILLMOOR_PROBE" window --caption "$other" --topmost --at 600 100 --size 300 200 --wait 60000 \
  >/dev/null 2>&1 &
other_pid=$!
expect "the other program's window is the active one" \
  "$(probe find --caption "$other" --visible --active --wait "$WINDOW_WAIT_MS" | field foreground)" 1
xdotool key a
expect_saver_still_up "a key that went to the other program"
# Ended outright: a window closed in the usual way hands the activation back
# itself.
kill "$other_pid"
wait "$other_pid" 2>/dev/null
expect "the saver's window takes the activation back" "$(active_saver_window | field foreground)" 1
xdotool key a
expect_saver_ended "a key after the active program ended"
stop_saver

finish
