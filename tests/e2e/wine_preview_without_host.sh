# /p without a usable host window. With argument 2 missing or not a number
# there is no host: the preview shows in a small topmost window of its own at
# the screen's top-left corner, and a key press ends it. A number that names
# no window leaves nothing to draw into: the preview ends at once. The
# preview's own window is owned by the application's window.
source "$(dirname "${BASH_SOURCE[0]}")/preview_lib.sh"

# The window's style as created: the system adds WS_CLIPSIBLINGS (0x04000000)
# to every top-level window.
created_style() { printf '0x%08x' $(($(field style <<<"$1") & ~0x04000000)); }

section "/p1234 alone: argument 2 is missing, the preview has a window of its own"
start_saver /p1234
# Shown, and then active, so that keys reach it.
popup="$(probe find --class "$PREVIEW_CLASS" --visible --active --wait "$WINDOW_WAIT_MS")"
expect "the preview's window is shown" "$(field visible <<<"$popup")" 1
expect "its style: popup, visible" "$(created_style "$popup")" 0x90000000
expect "at the top-left corner, ${HOSTLESS_WIDTH}x${HOSTLESS_HEIGHT}" "$(field rect <<<"$popup")" \
  "0 0 $HOSTLESS_WIDTH $HOSTLESS_HEIGHT"
expect "it becomes the active window" "$(field foreground <<<"$popup")" 1
expect "the screen-saver-running flag is not touched" "$(field screensaver_running <<<"$popup")" 0
expect "owned by the application's window" "$(field owner <<<"$popup")" "$APPLICATION_TITLE"
first="$E2E_OUT/preview_popup_1.png" second="$E2E_OUT/preview_popup_2.png"
for attempt in $(seq 1 40); do
  screenshot "$E2E_OUT/preview_popup_screen.png"
  convert "$E2E_OUT/preview_popup_screen.png" -crop "${HOSTLESS_WIDTH}x${HOSTLESS_HEIGHT}+0+0" +repage "$first"
  [ "$(clock_pixels "$first" "$HOSTLESS_WIDTH" "$HOSTLESS_HEIGHT")" -ge 150 ] && break
  sleep 0.25
done
sleep 1
screenshot "$E2E_OUT/preview_popup_screen.png"
convert "$E2E_OUT/preview_popup_screen.png" -crop "${HOSTLESS_WIDTH}x${HOSTLESS_HEIGHT}+0+0" +repage "$second"
echo "  pictures: $first $second"
expect_scene "preview without a host" "$first" "$second" "$HOSTLESS_WIDTH" "$HOSTLESS_HEIGHT"
# Made topmost just after it appeared; by the time it draws, it is.
expect "it is topmost" "$(probe find --class "$PREVIEW_CLASS" | field topmost)" 1
xdotool mousemove 100 100 mousemove 300 200 click 1
expect "the pointer does not end it" "$(probe sync --class "$PREVIEW_CLASS" | field visible)" 1
xdotool key a
wait_saver_exit
expect "key a ends it: exit code" "$SAVER_EXIT" 0
expect "its window is gone" "$(probe gone --class "$PREVIEW_CLASS" --wait 5000 | field gone)" 1
expect "the application's window is gone" "$(probe gone --caption "$APPLICATION_TITLE" --wait 5000 | field gone)" 1
stop_saver

for arguments in "/p" "/p abc"; do
  section "'$arguments': no host either"
  # shellcheck disable=SC2086
  start_saver $arguments
  popup="$(probe find --class "$PREVIEW_CLASS" --visible --active --wait "$WINDOW_WAIT_MS")"
  expect "'$arguments': the preview's own window" "$(created_style "$popup") $(field rect <<<"$popup")" \
    "0x90000000 0 0 $HOSTLESS_WIDTH $HOSTLESS_HEIGHT"
  xdotool key space
  wait_saver_exit
  expect "'$arguments': a key ends it, exit code" "$SAVER_EXIT" 0
  stop_saver
done

section "a number that names no window: the preview ends at once"
# A window handle is the number's low 32 bits, sign-extended: the last four
# numbers all give the null handle, which names no window either.
saver="$(windows_path "$QUILLMOOR_SCR")"
for handle in 99999999 '$7FFF0000' 4294967296 0x100000000 -4294967296 -9223372036854775808; do
  report="$(probe run --wait 20000 -- "$saver" /p "$handle")"
  expect "'/p $handle': the saver ends by itself" "$(field timed_out <<<"$report")" 0
  expect "'/p $handle': exit code" "$(field exit_code <<<"$report")" 0
  expect "'/p $handle': top-level windows it opened" "$(grep '^window=' <<<"$report" | grep -cv '^window=IME|')" 0
done

finish
