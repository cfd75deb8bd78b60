# Monitors (with_wine.sh --heads; the first head is the primary): one, two
# or three, side by side, stacked, overlapping or mirrored. The scene covers
# the primary monitor exactly as with one, never hidden; every other monitor
# goes dark under a black window of the saver's own that hides what lies
# there, input over it ends the saver by the same rules, a click there gives
# the keyboard back to the saver and puts its windows back on top, and a
# second full-screen start ends at once.
source "$E2E_LIB"

readonly DARK_CLASS="QuillmoorDarkWindow"
readonly OTHER="Quillmoor probe window"
# "Within a second", generously: the process still has to end under Wine.
readonly KEY_END_MS=3000

read -r -a heads <<<"$HEADS"
IFS='x+' read -r PW PH PX PY <<<"${heads[0]}"
# Every other monitor in Windows' coordinates, which put the primary's
# corner at 0,0 (left of or above it they are negative), each once: a head
# that mirrors another is no monitor of its own.
others=()
for head in "${heads[@]:1}"; do
  IFS='x+' read -r w h x y <<<"$head"
  rect="$((x - PX)) $((y - PY)) $((x - PX + w)) $((y - PY + h))"
  [ "$rect" = "0 0 $PW $PH" ] && continue
  printf '%s\n' "${others[@]}" | grep -qxF -e "$rect" || others+=("$rect")
done
# strip L T R B: the part of a monitor beyond the primary's edge, as
# "L T R B" (the whole monitor when the two do not meet); nothing when the
# primary holds all of it.
strip() {
  local l=$1 t=$2 r=$3 b=$4
  if [ "$l" -ge "$PW" ] || [ "$r" -le 0 ] || [ "$t" -ge "$PH" ] || [ "$b" -le 0 ]; then echo "$l $t $r $b"
  elif [ "$r" -gt "$PW" ]; then echo "$((l > PW ? l : PW)) $t $r $b"
  elif [ "$b" -gt "$PH" ]; then echo "$l $((t > PH ? t : PH)) $r $b"
  elif [ "$l" -lt 0 ]; then echo "$l $t $((r < 0 ? r : 0)) $b"
  elif [ "$t" -lt 0 ]; then echo "$l $t $r $((b < 0 ? b : 0))"
  fi
}
# The first other monitor's part beyond the primary, where the script puts
# the pointer and another program's window: L2 T2 in Windows' coordinates,
# X2 Y2 on the screenshot, W2 x H2.
read -r L2 T2 R2 B2 <<<"$([ ${#others[@]} -gt 0 ] && strip ${others[0]})"
if [ -n "${L2:-}" ]; then
  W2=$((R2 - L2)) H2=$((B2 - T2)) X2=$((L2 + PX)) Y2=$((T2 + PY))
fi

# move X Y: puts the pointer at X Y in Windows' coordinates, and checks that
# it got there: once the pointer has been on the second head, Xephyr may stop
# a warp onto the first head's columns beyond the second head's width at the
# last of them. The script is laid out so that it never needs such a warp.
move() {
  local x=$(($1 + PX)) y=$(($2 + PY)) attempt
  xdotool mousemove "$x" "$y"
  # The server may take a moment to report the warp.
  for attempt in $(seq 1 20); do
    [ "$(xdotool getmouselocation --shell | sed -n 's/^[XY]=//p' | tr '\n' ' ')" = "$x $y " ] && return
    sleep 0.05
  done
  fail "the pointer does not reach $x $y: $(xdotool getmouselocation)"
}

# others_max FILE: takes a screenshot into FILE and prints the brightest
# level over the parts of the other monitors beyond the primary.
others_max() {
  local rect l t r b level max=0
  screenshot "$1"
  for rect in "${others[@]}"; do
    read -r l t r b <<<"$(strip $rect)"
    [ -n "$l" ] || continue
    level=$(convert "$1" -crop "$((r - l))x$((b - t))+$((l + PX))+$((t + PY))" +repage \
      -format "%[fx:round(255*maxima)]" info:)
    [ "$level" -gt "$max" ] && max=$level
  done
  echo "$max"
}

# wait_others_max FILE LEVEL: the other monitors' brightest level once it
# is LEVEL, or after five seconds whatever it is then.
wait_others_max() {
  local level attempt
  for attempt in $(seq 1 20); do
    level="$(others_max "$1")"
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

# expect_scene_and_dark DESCRIPTION FILE: a screenshot (into FILE) shows
# the scene over the whole primary monitor, nowhere hidden (its darkest
# levels lie over the clear colour), and black beyond it on every other
# monitor, within ten seconds.
expect_scene_and_dark() {
  local shot="$2" primary="${2%.png}_primary.png" dark_max attempt
  for attempt in $(seq 1 40); do
    dark_max=$(others_max "$shot")
    convert "$shot" -crop "${PW}x${PH}+$PX+$PY" +repage "$primary"
    over_clear_colour "$(darkest_levels "$primary")" && [ "$dark_max" = 0 ] && break
    sleep 0.25
  done
  echo "  screenshot: $shot"
  expect "$1: the primary monitor shows the scene, nowhere hidden" \
    "$(over_clear_colour "$(darkest_levels "$primary")" && echo yes)" yes
  expect "$1: the other monitors are black beyond the primary (their brightest level)" "$dark_max" 0
}

# expect_covers DESCRIPTION: one visible black window over each other
# monitor, exactly, and no more.
expect_covers() {
  local dark matches
  dark="$(probe find --class "$DARK_CLASS" --visible)"
  matches="$(field matches <<<"$dark")"
  expect "$1: black windows" "${matches:-0}" "${#others[@]}"
  expect "$1: each covers one other monitor" "$(sed -n 's/^match_rect=//p' <<<"$dark" | sort | tr '\n' ';')" \
    "$([ ${#others[@]} -gt 0 ] && printf '%s\n' "${others[@]}" | sort | tr '\n' ';')"
}

section "Wine sees the monitors: ${heads[*]}"
expect "their rectangles" "$(probe system | grep '^monitor=' | sort | tr '\n' ';')" \
  "$(printf 'monitor=%s\n' "0 0 $PW $PH primary" "${others[@]}" | sort | tr '\n' ';')"

# The pointer crosses from the primary onto the first other monitor where
# the two meet along an edge: across the edge, then along it.
axis=""
if [ -n "${L2:-}" ] && [ "$T2" -le 300 ] && [ "$B2" -gt 400 ]; then
  if [ "$L2" -eq "$PW" ]; then axis=x edge=$PW way=1; elif [ "$R2" -eq 0 ]; then axis=x edge=0 way=-1; fi
fi
if [ -z "$axis" ] && [ -n "${L2:-}" ] && [ "$L2" -le 300 ] && [ "$R2" -gt 400 ]; then
  if [ "$T2" -eq "$PH" ]; then axis=y edge=$PH way=1; elif [ "$B2" -eq 0 ]; then axis=y edge=0 way=-1; fi
fi
# at ACROSS ALONG: the point ACROSS pixels beyond the edge (negative: on the
# primary's side), ALONG pixels along it.
at() { if [ "$axis" = x ]; then echo "$((edge + way * $1)) $2"; else echo "$2 $((edge + way * $1))"; fi; }
if [ -n "$axis" ]; then
  section "moves across the monitors: one pointer record for all the saver's windows"
  # From the primary over the edge onto the other monitor: 100 pixels, then
  # 101 further on.
  move $(at -50 300)
  start_saver_and_wait /s
  move $(at 50 300)
  expect_saver_still_up "100 across the edge onto the other monitor" $(at 50 300)
  move $(at 50 400)
  expect_saver_still_up "100 along the edge on the other monitor" $(at 50 400)
  move $(at 151 400)
  expect_all_gone "101 on into the other monitor"
fi

if [ -z "${L2:-}" ]; then
  section "no monitor beyond the primary: the scene alone"
  move 300 300
  start_saver_and_wait /s
  window="$(active_saver_window)"
  expect "the scene's window covers the primary monitor" "$(field rect <<<"$window")" "0 0 $PW $PH"
  expect_covers "no other monitor"
  expect_scene_and_dark "no other monitor" "$E2E_OUT/monitors.png"
  xdotool key a
  expect_all_gone "a key"
  finish
  exit
fi

section "a bright window of another program on another monitor, always on top"
probe window --caption "$OTHER" --topmost --at $((L2 + W2 / 8)) $((T2 + H2 / 8)) --size $((W2 * 3 / 4)) $((H2 / 2)) \
  --wait 300000 >/dev/null &
other_pid=$!
expect "it is the active window" \
  "$(probe find --caption "$OTHER" --visible --active --wait "$WINDOW_WAIT_MS" | field foreground)" 1
for attempt in $(seq 1 40); do
  screenshot "$E2E_OUT/monitors_before.png"
  [ "$(pixel "$E2E_OUT/monitors_before.png" $((X2 + W2 / 2)) $((Y2 + H2 * 3 / 8)))" = "255,255,255" ] && break
  sleep 0.25
done
expect "it shows white there" "$(pixel "$E2E_OUT/monitors_before.png" $((X2 + W2 / 2)) $((Y2 + H2 * 3 / 8)))" \
  "255,255,255"

section "the scene on the primary monitor, every other one dark"
# Over the other program's window, near its lower edge.
move $((L2 + W2 / 2)) $((T2 + H2 * 5 / 8 - 30))
start_saver_and_wait /s
window="$(active_saver_window)"
expect "the scene's window covers the primary monitor" "$(field rect <<<"$window")" "0 0 $PW $PH"
expect_covers "the saver shown"
dark="$(probe find --class "$DARK_CLASS" --visible)"
expect "the saver's own" "$(field pid <<<"$dark")" "$(field pid <<<"$window")"
expect "owned by the application's window" "$(field owner <<<"$dark")" "$APPLICATION_TITLE"
expect "popup, topmost, no frame" "$(field popup <<<"$dark") $(field topmost <<<"$dark") $(field frame <<<"$dark")" "1 1 0"
expect_scene_and_dark "the saver shown" "$E2E_OUT/monitors.png"

section "the display changes: the black windows are laid over the monitors again"
# Wine here cannot move, add or remove a monitor while programs run (it
# reads the Xinerama heads once per process, and takes neither RandR
# monitors nor a second head in a virtual desktop), so the black windows
# are put out of place first, as another program may do, and the system's
# own display-change handling (display settings applied again) then has
# something to set right.
read -r l t r b <<<"${others[0]}"
expect "a black window is moved off its monitor" \
  "$(probe place --class "$DARK_CLASS" --at $((l + 50)) $((t + 50)) --size $(((r - l) / 2)) $(((b - t) / 2)) | field placed)" 1
contains "it lies where it was put, off its monitor" "$(probe find --class "$DARK_CLASS" --visible | sed -n 's/^match_rect=//p')" \
  "$((l + 50)) $((t + 50)) $((l + 50 + (r - l) / 2)) $((t + 50 + (b - t) / 2))"
expect "the system applies the display settings" "$(probe display | field result)" 0
expect "the scene's window keeps its place" "$(sync_saver | field rect)" "0 0 $PW $PH"
expect_covers "after the display change"
expect_scene_and_dark "after the display change" "$E2E_OUT/monitors_changed.png"

section "clicks on another monitor keep the keyboard with the saver"
xdotool click 1
properties="$(sync_saver)"
expect "a click over the other program's window: the saver is shown and active" \
  "$(field visible <<<"$properties") $(field foreground <<<"$properties")" "1 1"
# Clear of the other program's window: Wine shows a window of another
# program above every other once it is made the active one.
move $((L2 + W2 / 2)) $((T2 + H2 * 5 / 8 + 70))
expect_saver_still_up "100 down over the black window" $((L2 + W2 / 2)) $((T2 + H2 * 5 / 8 + 70))
# Another program takes the keyboard, as one that steals the focus does.
expect "the other program is made the active one" "$(probe activate --caption "$OTHER" | field foreground)" "$OTHER"
expect "it shows over the black monitor while it is active (its brightest level)" \
  "$(wait_others_max "$E2E_OUT/monitors_other_active.png" 255)" 255
xdotool key a
expect_saver_still_up "a key that went to the other program"
xdotool click 1
properties="$(sync_saver)"
expect "a click there again: the saver is shown and active again" \
  "$(field visible <<<"$properties") $(field foreground <<<"$properties")" "1 1"
expect_scene_and_dark "the black windows back over the other program's window" "$E2E_OUT/monitors_clicked_back.png"
before=$(date +%s%N)
xdotool key a
for attempt in $(seq 1 $((EXIT_WAIT_SECONDS * 100))); do saver_running || break; sleep 0.01; done
at_most "milliseconds from a key then to the saver's end" $((($(date +%s%N) - before) / 1000000)) "$KEY_END_MS"
expect_all_gone "click on another monitor, then a key"

section "a jump onto another monitor"
move 300 300
start_saver_and_wait /s
move $((L2 + W2 / 2)) $((T2 + H2 / 2))
expect_all_gone "a jump from the primary onto another monitor"

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
