# The display turned off, dimmed and on again while the saver runs, as the
# system tells it: a power setting change of the console display's state,
# handed to the saver's window inside its own thread (Wine never sends one).
# Off stops the frames, the last one staying on the screen; dimmed and on
# draw again; a key while the display is off ends the saver as ever.
source "$E2E_LIB"

# changed_pixels: how many pixels of the screen change in half a second (the
# snow falls and the curtain ripples on every frame).
changed_pixels() {
  screenshot "$E2E_OUT/power_a.png"
  sleep 0.5
  screenshot "$E2E_OUT/power_b.png"
  compare -metric AE "$E2E_OUT/power_a.png" "$E2E_OUT/power_b.png" null: 2>&1 | cut -d' ' -f1
}

# display STATE DESCRIPTION: the display's state told to the saver, which
# answers TRUE; then the frames drawn since.
display() {
  local out
  out="$(probe power --caption "$SAVER_CAPTION" --state "$1")"
  expect "$2: told, and the saver answers TRUE" "$(field delivered <<<"$out")/$(field answer <<<"$out")" 1/1
  # A tick already queued when the message came may still draw.
  sleep 0.2
  CHANGED="$(changed_pixels)"
}

section "off, dimmed, off, on"
start_saver_and_wait /s
at_least "before: pixels changed in half a second" "$(changed_pixels)" 1000
display 0 "off"
expect "off: pixels changed in half a second" "$CHANGED" 0
display 2 "dimmed"
at_least "dimmed: pixels changed in half a second" "$CHANGED" 1000
display 0 "off again"
expect "off again: pixels changed in half a second" "$CHANGED" 0
display 1 "on"
at_least "on: pixels changed in half a second" "$CHANGED" 1000
expect_saver_still_up "after it all"

section "a key while the display is off ends it"
display 0 "off"
expect "off: pixels changed in half a second" "$CHANGED" 0
xdotool key a
expect_saver_ended "key a with the display off"
stop_saver

finish
