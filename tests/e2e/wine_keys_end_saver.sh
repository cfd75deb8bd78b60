# Any key ends the saver: letters, modifiers alone, and the system keys Alt
# and F10, which would otherwise go to a window menu; at the press, not at
# the release; and wherever the keyboard went: to another program's window
# that keeps itself on top and took the activation, or to no window at all
# once that program has ended.
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

readonly OTHER="Quillmoor probe window"
# other_window: another program's always-on-top window, made the active one
# (its Wine process in OTHER_PID, so that it can be ended without closing it).
other_window() {
  wine "$QUILLMOOR_PROBE" window --caption "$OTHER" --topmost --at 600 100 --size 300 200 --wait 60000 \
    >/dev/null 2>&1 &
  OTHER_PID=$!
  expect "the other program's window is the active one" \
    "$(probe find --caption "$OTHER" --visible --active --wait "$WINDOW_WAIT_MS" | field foreground)" 1
}

section "a key while another program's always-on-top window is active"
start_saver_and_wait /s
other_window
xdotool key a
expect_saver_ended "a key that went to the other program"
stop_saver
kill "$OTHER_PID" 2>/dev/null
wait "$OTHER_PID" 2>/dev/null

section "a key once that program ended and no window is active"
start_saver_and_wait /s
other_window
kill "$OTHER_PID"
wait "$OTHER_PID" 2>/dev/null
expect "the saver's window takes the activation back" "$(active_saver_window | field foreground)" 1
xdotool key a
expect_saver_ended "a key after the active program ended"
stop_saver

finish
