# Any key ends the saver while its window is active: letters, modifiers
# alone, and the system keys Alt and F10, which would otherwise go to a
# window menu; at the press, not at the release.
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

finish
