# On its own the saver covers the screen with a window of its own: titled
# "Quillmoor", at (0, 0), the screen's size, left alone by window managers,
# holding the keyboard and the pointer, the scene drawn over the dark blue
# clear colour. Any key ends it with exit code 0 as it goes down, a modifier
# alone included; so does its window destroyed by another client, which it
# reports. A second one started while it runs ends at once with exit code 0;
# what another user leaves at the lock's path never stops it.
source "$E2E_LIB"

section "the window"
start_saver
wait_saver_window
info="$(xwininfo -id "${SAVER_WINDOW:-0}" 2>/dev/null)"
geometry="$(awk -F: '/Absolute upper-left X|Absolute upper-left Y|Width|Height/ {gsub(/ /, "", $2); printf "%s ", $2}' <<<"$info")"
expect "at (0, 0), the screen's size" "$geometry" "0 0 $SCREEN_WIDTH $SCREEN_HEIGHT "
expect "override-redirect" "$(sed -n 's/.*Override Redirect State: //p' <<<"$info")" yes
expect "shown" "$(sed -n 's/.*Map State: //p' <<<"$info")" IsViewable
expect "title" "$(xprop -id "${SAVER_WINDOW:-0}" WM_NAME 2>/dev/null)" 'WM_NAME(STRING) = "Quillmoor"'
expect "the only window titled so" "$(saver_windows | wc -l)" 1

section "the picture"
shot="$E2E_OUT/full_screen.png"
screenshot_clock "$shot" root "$SCREEN_WIDTH" "$SCREEN_HEIGHT" 1500
echo "  screenshot: $shot (clock centre at $CLOCK_X,$CLOCK_Y, dial radius $DIAL_RADIUS)"
# The numerals, dial marks and hands are white cells and blades: a couple of
# thousand bright pixels in the clock's box, and the hub, where the hands
# meet, bright itself. Whatever else the scene draws, it only adds to the clear
# colour's blue, and no pixel of the screen is left black.
at_least "pixels of the clock standing out" "$CLOCK_BRIGHT" 1500
at_least "the hands' hub at the clock's centre (red channel)" "$HUB_RED" 120
at_least "the least blue anywhere on the screen" "$LEAST_BLUE" "$CLEAR_BLUE"

section "a key ends it"
xdotool key a
expect_saver_ended "key a"

section "a modifier alone ends it"
start_saver
wait_saver_window
xdotool key Shift_L
expect_saver_ended "Shift alone"

section "a key held down ends it at the press"
# Without the server's autorepeat, which would release it every moment.
xset r off
start_saver
wait_saver_window
xdotool keydown b
expect_saver_ended "b pressed and not released"
xdotool keyup b
xset r on

section "one saver per display in a window of its own"
start_saver
wait_saver_window
timeout 10 "$QUILLMOOR_BIN" 2>"$E2E_OUT/second.err"
expect "a second one: exit code" "$?" 0
expect "a second one: nothing said" "$(cat "$E2E_OUT/second.err")" ""
expect_saver_still_up "the first"
expect "the first still holds the keyboard and the pointer" "$(probe grabbed | tr '\n' ' ')" "keyboard=1 pointer=1 "
expect "still one window titled so" "$(saver_windows | wc -l)" 1
# A daemon's window takes no lock: a saver drawing there runs beside it.
make_host 200 150
"$QUILLMOOR_BIN" --window-id "$HOST" 2>/dev/null &
given=$!
echo "$given" >>"$E2E_CHILDREN"
sleep 1
if kill -0 "$given" 2>/dev/null; then pass "a saver in a given window runs beside it"; else fail "the saver in the given window ended"; fi
kill "$given"
xdotool key a
expect_saver_ended "one key"

section "XDG_RUNTIME_DIR unset: what another user puts at the lock's path in /tmp"
runtime_dir="${XDG_RUNTIME_DIR-}"
unset XDG_RUNTIME_DIR
lock="/tmp/quillmoor-saver-$(id -u).x11$DISPLAY.lock" target=/tmp/quillmoor-planted-target
other=(setpriv --reuid=65534 --regid=65534 --clear-groups)
for planted in "its file, readable, held locked" "a FIFO" "a link"; do
  rm -f "$lock" "$target"
  case "$planted" in
    its*) "${other[@]}" touch "$lock"
      # The lock is held by the process killed below, not by a child of it
      # that would keep the test's output open.
      "${other[@]}" sh -c 'exec 9<"$1" && flock 9 && exec sleep 600' - "$lock" </dev/null >/dev/null 2>&1 &
      holder=$!
      poll 100 sh -c "! flock -n '$lock' true" ;;
    *FIFO) "${other[@]}" mkfifo -m 644 "$lock" ;;
    *link) "${other[@]}" ln -s "$target" "$lock" ;;
  esac
  start_saver
  wait_saver_window
  expect "$planted: the saver runs, saying so in one line" \
    "$(grep -c "^quillmoor: cannot .* $lock.*; running without it$" "$E2E_OUT/saver.err")/$(wc -l <"$E2E_OUT/saver.err")" 1/1
  xdotool key a
  expect_saver_ended "$planted"
done
expect "nothing made where the link points" "$(test -e "$target" && echo made)" ""
kill "$holder"
rm -f "$lock"
[ -z "$runtime_dir" ] || export XDG_RUNTIME_DIR="$runtime_dir"

section "its window destroyed by another client"
start_saver
wait_saver_window
probe destroy "$SAVER_WINDOW"
expect_saver_ended "window destroyed"
contains "and says why" "$(cat "$E2E_OUT/saver.err")" "quillmoor: the window was destroyed"

finish
