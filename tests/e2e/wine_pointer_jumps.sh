# The pointer ends the saver only by a jump of more than 100 pixels along
# either axis between two mouse moves (the first move is measured from where
# the pointer was when the window was created), also while another
# program's window is active, and over that window too.
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

# jump_with_other_active DESCRIPTION X Y: with the pointer at 200 200 and
# another program's always-on-top window active over 600..900 x 100..300, a
# jump to X Y ends the saver.
readonly OTHER="Quillmoor probe window"
jump_with_other_active() {
  local other_pid
  move 200 200
  start_saver_and_wait /s
  probe window --caption "$OTHER" --topmost --at 600 100 --size 300 200 --wait 60000 >/dev/null &
  other_pid=$!
  expect "$1: the other program's window is the active one" \
    "$(probe find --caption "$OTHER" --visible --active --wait "$WINDOW_WAIT_MS" | field foreground)" 1
  move 300 300
  expect_saver_still_up "$1: first 100 right and 100 down over the saver's window" 300 300
  move "$2" "$3"
  expect_saver_ended "$1"
  stop_saver
  kill "$other_pid" 2>/dev/null
  wait "$other_pid" 2>/dev/null
}

section "while another program's always-on-top window is active"
jump_with_other_active "then 101 down over the saver's window" 300 401
jump_with_other_active "then a jump of 400 right onto the other program's window" 700 200

finish
