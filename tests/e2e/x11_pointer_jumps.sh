# The pointer ends the saver only by a jump of more than 100 pixels along
# either axis between two motion events; the first is measured from where the
# pointer was when the window was created. A click ends nothing, and neither
# does the server moving the pointer when the screen's layout or its monitors
# change, whether the root window's ConfigureNotify tells it or RandR's
# events alone; the first jump after such a change does. Each check pings the
# saver's window: its answer says every earlier event is handled.
source "$E2E_LIB"

# move X Y: puts the pointer at X Y and waits until the server has it there,
# so that its motion event is delivered before anything that follows.
move() { xdotool mousemove --sync "$1" "$2"; }

section "jumps of exactly 100 pixels, a click, then a jump of 101"
move 200 200
start_saver
wait_saver_window
move 300 300
expect_saver_still_up "100 right and 100 down from where it started"
# 200 from the start: measured from the previous event, not from creation.
move 400 300
expect_saver_still_up "another 100 right"
move 400 400
expect_saver_still_up "another 100 down"
move 300 400
expect_saver_still_up "100 left"
xdotool click 1
expect_saver_still_up "a click without moving"
# A slow sweep of any length ends nothing.
for x in 380 460 540 620 700 780 860 940; do move "$x" 400; done
expect_saver_still_up "a sweep of 640 in steps of 80"
move 839 400
expect_saver_ended "101 left"

section "the first move is measured from the position at creation"
move 200 200
start_saver
wait_saver_window
move 200 301
expect_saver_ended "101 down as the first move"

section "upwards"
move 500 500
start_saver
wait_saver_window
move 500 400
expect_saver_still_up "100 up"
move 500 299
expect_saver_ended "101 up"

section "a change of the screen's layout is not input (Xephyr, resized through RandR)"
start_resizable_screen 1024 768
move 900 700
start_saver
wait_saver_window
# The screen shrinks under the pointer: the server puts it at 799,599, a
# jump of 101 that no one made.
xrandr -s 800x600
expect "the pointer is moved onto what is left" "$(xdotool getmouselocation | cut -d' ' -f1-2)" "x:799 y:599"
expect_saver_still_up "the pointer moved off the lost part"
move 699 599
expect_saver_still_up "then 100 left"
move 598 599
expect_saver_ended "then 101 left"
# A change that leaves the pointer where it was: the first jump after it counts.
move 700 500
start_saver
wait_saver_window
xrandr -s 1024x768
expect_saver_still_up "the screen grown, the pointer where it was"
move 700 399
expect_saver_ended "then 101 up"
end_resizable_screen

section "the monitor shrunk on a screen of the same size, the pointer moved by the server"
xrandr --newmode quillmoor-800x600 40 800 840 968 1056 600 601 605 628
xrandr --addmode screen quillmoor-800x600
move 900 700
start_saver
wait_saver_window
xrandr --output screen --mode quillmoor-800x600 --fb "${SCREEN_WIDTH}x${SCREEN_HEIGHT}"
expect "the pointer is moved onto the monitor" "$(xdotool getmouselocation | cut -d' ' -f1-2)" "x:799 y:599"
expect "the root keeps its size" "$(xwininfo -root | awk '/Width|Height/ {printf "%s ", $2}')" "$SCREEN_WIDTH $SCREEN_HEIGHT "
expect_saver_still_up "the pointer moved off the monitor's lost part"
move 799 498
expect_saver_ended "then 101 up"
xrandr --output screen --mode "${SCREEN_WIDTH}x${SCREEN_HEIGHT}" && xrandr --delmode screen quillmoor-800x600

section "the monitor shrunk, told by RandR alone (the root's ConfigureNotify hidden), the pointer moved by the server"
xrandr --addmode screen quillmoor-800x600
move 900 700
SAVER_PRELOAD="${QUILLMOOR_X11_PROBE%/*}/no_root_configure.so" start_saver
wait_saver_window
xrandr --output screen --mode quillmoor-800x600 --fb "${SCREEN_WIDTH}x${SCREEN_HEIGHT}"
expect "the pointer is moved onto the monitor" "$(xdotool getmouselocation | cut -d' ' -f1-2)" "x:799 y:599"
expect_saver_still_up "the pointer moved off the monitor's lost part"
move 699 599
expect_saver_still_up "then 100 left"
move 598 599
expect_saver_ended "then 101 left"
xrandr --output screen --mode "${SCREEN_WIDTH}x${SCREEN_HEIGHT}" && xrandr --delmode screen quillmoor-800x600

finish
