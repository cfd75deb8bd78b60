# The pointer ends the saver only by a jump of more than 100 pixels along
# either axis between two mouse moves (the first move is measured from where
# the pointer was when the window was created). While another window is
# active, moves only update the remembered position; where the system puts
# the pointer as the monitors change is no jump either.
source "$E2E_LIB"

# move X Y: puts the pointer at X Y.
move() { xdotool mousemove "$1" "$2"; }

section "jumps of exactly 100 pixels, a click, then a jump of 101"
move 200 200
start_saver_and_wait /s
move 300 300
expect_saver_still_up "100 right and 100 down from where it started" 300 300
# 200 from the start: measured from the previous move, not from creation.
move 400 300
expect_saver_still_up "another 100 right" 400 300
move 400 400
expect_saver_still_up "another 100 down" 400 400
move 300 400
expect_saver_still_up "100 left" 300 400
move 300 300
expect_saver_still_up "100 up" 300 300
xdotool click 1
expect_saver_still_up "a click without moving"
move 199 300
expect_saver_ended "101 left"
stop_saver

section "the first move is measured from the position at creation"
move 200 200
start_saver_and_wait /s
move 200 301
expect_saver_ended "101 down as the first move"
stop_saver

section "a move the system makes for a change of the monitors is no jump"
move 200 200
start_saver_and_wait /s
# The change told, and the pointer put 300 to the right at once, as the
# system does when the monitor under the pointer goes; the next moves are
# measured from there.
expect "the change posted" "$(probe post --caption "$SAVER_CAPTION" --message displaychange)" "posted=1"
move 500 200
expect_saver_still_up "the pointer put 300 right with the change" 500 200
move 600 200
expect_saver_still_up "then 100 right" 600 200
move 600 301
expect_saver_ended "then 101 down"
stop_saver

section "while another window is active"
move 200 200
start_saver_and_wait /s
other="Quillmoor probe window"
probe window --caption "$other" --wait 60000 >/dev/null &
other_pid=$!
expect "the other window became the active one" \
  "$(probe find --caption "$other" --visible --active --wait "$WINDOW_WAIT_MS" | field foreground)" 1
move 600 600
properties="$(sync_saver 600 600)"
expect "a jump of 400 while inactive: the saver's window is still shown" "$(field visible <<<"$properties")" 1
expect "the saver is not the active window" "$(field foreground <<<"$properties")" 0
# A click on the saver makes it active again without moving the pointer.
xdotool click 1
properties="$(sync_saver)"
expect "after a click the saver is the active window" "$(field foreground <<<"$properties")" 1
# 50 from where the inactive jump left the pointer, 450 from the start.
move 650 650
expect_saver_still_up "50 from the position remembered while inactive" 650 650
move 751 650
expect_saver_ended "101 right once active again"
stop_saver
kill "$other_pid" 2>/dev/null
wait "$other_pid" 2>/dev/null

finish
