# Two monitors (with_wine.sh --heads; the first head is the primary): the
# scene covers the primary monitor exactly as with one, the other monitor
# goes dark under a black window of the saver's own that hides what lies
# there, input over it ends the saver by the same rules, a click there gives
# the keyboard back to the saver, and a second full-screen start ends at once.
source "$E2E_LIB"

readonly DARK_CLASS="QuillmoorDarkWindow"
readonly OTHER="Quillmoor probe window"
# "Within a second", generously: the process still has to end under Wine.
readonly KEY_END_MS=3000

read -r -a heads <<<"$HEADS"
IFS='x+' read -r _ _ PX PY <<<"${heads[0]}"
IFS='x+' read -r W2 H2 X2 Y2 <<<"${heads[1]}"
# The second monitor in Windows' coordinates, which put the primary's corner
# at 0,0: left of the primary it is negative.
L2=$((X2 - PX)) T2=$((Y2 - PY))
SECOND_RECT="$L2 $T2 $((L2 + W2)) $((T2 + H2))"

# move X Y: puts the pointer at X Y in Windows' coordinates, and checks that
# it got there: once the pointer has been on the second head, Xephyr may stop
# a warp onto the first head's columns beyond the second head's width at the
# last of them. The script is laid out so that it never needs such a warp.
move() {
  local x=$(($1 + PX)) y=$(($2 + PY))
  xdotool mousemove "$x" "$y"
  [ "$(xdotool getmouselocation --shell | sed -n 's/^[XY]=//p' | tr '\n' ' ')" = "$x $y " ] ||
    fail "the pointer does not reach $x $y: $(xdotool getmouselocation)"
}

# second_max FILE: takes a screenshot into FILE and prints the brightest
# level over the second monitor.
second_max() {
  screenshot "$1"
  convert "$1" -crop "${W2}x${H2}+$X2+$Y2" +repage -format "%[fx:round(255*maxima)]" info:
}

# wait_second_max FILE LEVEL: the second monitor's brightest level once it
# is LEVEL, or after five seconds whatever it is then.
wait_second_max() {
  local level attempt
  for attempt in $(seq 1 20); do
    level="$(second_max "$1")"
    [ "$level" = "$2" ] && break
    sleep 0.25
  done
  echo "$level"
}

# expect_all_gone DESCRIPTION: the saver ended and took its black windows along.
expect_all_gone() {
  expect_saver_ended "$1"
  expect "$1: no black window is left" "$(probe gone --class "$DARK_CLASS" --wait 5000 | field gone)" 1
  stop_saver
}

section "Wine sees two monitors"
system="$(probe system)"
expect "monitors" "$(field monitors <<<"$system")" 2
expect "their rectangles" "$(grep '^monitor=' <<<"$system" | sort | tr '\n' ';')" \
  "$(printf 'monitor=%s\n' "0 0 $SCREEN_WIDTH $SCREEN_HEIGHT primary" "$SECOND_RECT" | sort | tr '\n' ';')"

section "moves across the monitors: one pointer record for all the saver's windows"
# From the primary over the edge onto the second monitor: 100 pixels, then
# 101 further on.
if [ "$L2" -gt 0 ]; then edge=$L2 way=1; else edge=0 way=-1; fi
move $((edge - way * 50)) 300
start_saver_and_wait /s
move $((edge + way * 50)) 300
expect_saver_still_up "100 across the edge onto the second monitor" $((edge + way * 50)) 300
move $((edge + way * 50)) 400
expect_saver_still_up "100 down on the second monitor" $((edge + way * 50)) 400
move $((edge + way * 151)) 400
expect_all_gone "101 along the second monitor"

section "a bright window of another program on the second monitor, always on top"
probe window --caption "$OTHER" --topmost --at $((L2 + 100)) $((T2 + 100)) --size 600 400 --wait 300000 >/dev/null &
other_pid=$!
expect "it is the active window" \
  "$(probe find --caption "$OTHER" --visible --active --wait "$WINDOW_WAIT_MS" | field foreground)" 1
for attempt in $(seq 1 40); do
  screenshot "$E2E_OUT/monitors_before.png"
  [ "$(pixel "$E2E_OUT/monitors_before.png" $((X2 + 400)) $((Y2 + 300)))" = "255,255,255" ] && break
  sleep 0.25
done
expect "it shows white there" "$(pixel "$E2E_OUT/monitors_before.png" $((X2 + 400)) $((Y2 + 300)))" "255,255,255"

section "the scene on the primary monitor, the second one dark"
# Over the other program's window, near its lower edge.
move $((L2 + 400)) $((T2 + 450))
start_saver_and_wait /s
window="$(active_saver_window)"
expect "the scene's window covers the primary monitor" "$(field rect <<<"$window")" "0 0 $SCREEN_WIDTH $SCREEN_HEIGHT"
dark="$(probe find --class "$DARK_CLASS" --visible)"
expect "one black window" "$(field matches <<<"$dark")" 1
expect "it covers the second monitor" "$(field rect <<<"$dark")" "$SECOND_RECT"
expect "the saver's own" "$(field pid <<<"$dark")" "$(field pid <<<"$window")"
expect "owned by the application's window" "$(field owner <<<"$dark")" "$APPLICATION_TITLE"
expect "popup, topmost, no frame" "$(field popup <<<"$dark") $(field topmost <<<"$dark") $(field frame <<<"$dark")" "1 1 0"
shot="$E2E_OUT/monitors.png"
for attempt in $(seq 1 40); do
  second_max=$(second_max "$shot")
  convert "$shot" -crop "${SCREEN_WIDTH}x${SCREEN_HEIGHT}+$PX+$PY" +repage "$E2E_OUT/monitors_primary.png"
  over_clear_colour "$(darkest_levels "$E2E_OUT/monitors_primary.png")" && [ "$second_max" = 0 ] && break
  sleep 0.25
done
echo "  screenshot: $shot"
expect "the primary monitor shows the scene: its darkest levels lie over the clear colour" \
  "$(over_clear_colour "$(darkest_levels "$E2E_OUT/monitors_primary.png")" && echo yes)" yes
expect "the second monitor is black, the bright window hidden (its brightest level)" "$second_max" 0

section "the monitors change"
expect "the change reaches the saver" "$(probe post --caption "$SAVER_CAPTION" --message displaychange | field posted)" 1
expect "the scene's window keeps its place" "$(sync_saver | field rect)" "0 0 $SCREEN_WIDTH $SCREEN_HEIGHT"
dark="$(probe find --class "$DARK_CLASS" --visible)"
expect "still one black window over the second monitor" "$(field matches <<<"$dark") $(field rect <<<"$dark")" \
  "1 $SECOND_RECT"

section "clicks on the second monitor keep the keyboard with the saver"
xdotool click 1
properties="$(sync_saver)"
expect "a click over the other program's window: the saver is shown and active" \
  "$(field visible <<<"$properties") $(field foreground <<<"$properties")" "1 1"
# Clear of the other program's window: Wine shows a window of another
# program above every other once it is made the active one.
move $((L2 + 400)) $((T2 + 550))
expect_saver_still_up "100 down over the black window" $((L2 + 400)) $((T2 + 550))
# Another program takes the keyboard, as one that steals the focus does.
expect "the other program is made the active one" "$(probe activate --caption "$OTHER" | field foreground)" "$OTHER"
expect "it shows over the black monitor while it is active (its brightest level)" \
  "$(wait_second_max "$E2E_OUT/monitors_other_active.png" 255)" 255
xdotool key a
expect_saver_still_up "a key that went to the other program"
xdotool click 1
properties="$(sync_saver)"
expect "a click there again: the saver is shown and active again" \
  "$(field visible <<<"$properties") $(field foreground <<<"$properties")" "1 1"
expect "the black window is back over the other program's window (the second monitor's brightest level)" \
  "$(wait_second_max "$E2E_OUT/monitors_clicked_back.png" 0)" 0
before=$(date +%s%N)
xdotool key a
for attempt in $(seq 1 $((EXIT_WAIT_SECONDS * 100))); do saver_running || break; sleep 0.01; done
at_most "milliseconds from a key then to the saver's end" $((($(date +%s%N) - before) / 1000000)) "$KEY_END_MS"
expect_all_gone "click on the second monitor, then a key"

section "a jump onto the second monitor"
move 300 300
start_saver_and_wait /s
move $((L2 + W2 / 2)) $((T2 + H2 / 2))
expect_all_gone "a jump from the primary onto the second monitor"

section "one saver at a time"
start_saver_and_wait /s
report="$(probe run --wait 20000 -- "$(windows_path "$QUILLMOOR_SCR")" /s)"
expect "a second /s ends by itself" "$(field timed_out <<<"$report")" 0
expect "with exit code 0" "$(field exit_code <<<"$report")" 0
expect "without a window" "$(field windows_seen <<<"$report")" 0
properties="$(sync_saver)"
expect "the first is still shown and active" "$(field visible <<<"$properties") $(field foreground <<<"$properties")" "1 1"
expect "the screen-saver-running flag is still set" "$(screensaver_flag)" 1
xdotool key a
expect_all_gone "the first, on a key"

kill "$other_pid" 2>/dev/null
wait "$other_pid" 2>/dev/null
finish
