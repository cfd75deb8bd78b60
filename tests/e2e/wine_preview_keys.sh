# A key press that reaches the preview's window ends the preview once the
# host's screen-saver password, where one is asked for, is accepted: at once
# when none is asked for or the system has no password library; a refused
# password leaves it running and the next key press asks again. The library
# is the system's own: a file of that name beside the saver or in the current
# folder is never loaded. The host keeps the keyboard (the preview is
# disabled), so the key is posted to the preview's window, as a host that
# passes a key on would.
source "$(dirname "${BASH_SOURCE[0]}")/preview_lib.sh"

readonly HOST="Quillmoor preview host"
readonly DESKTOP_KEY='HKCU\Control Panel\Desktop'
readonly SYSTEM_LIBRARY="$WINEPREFIX/drive_c/windows/system32/PASSWORD.CPL"
readonly PASSWORD_DOUBLE="$(dirname "$QUILLMOOR_PROBE")/password_double.dll"
# "About a second", generously.
readonly KEY_END_MS=3000

# The prefix is shared: leave it as it was found.
restore_prefix() {
  wine reg delete "$DESKTOP_KEY" /v ScreenSaveUsePassword /f >/dev/null 2>&1
  rm -f "$SYSTEM_LIBRARY"
}
trap restore_prefix EXIT
restore_prefix

# key_ends_preview DESCRIPTION: a key press posted to the preview ends it
# soon, with exit code 0, and takes the preview's window with it.
key_ends_preview() {
  local ended
  ended="$(probe post --parent "$HOST" --class "$PREVIEW_CLASS" --message keydown --exit-wait 20000)"
  expect "$1: the saver ends" "$(field ended <<<"$ended")" 1
  at_most "$1: milliseconds from the key press to the end" "$(field after_ms <<<"$ended")" "$KEY_END_MS"
  wait_host
  expect "$1: exit code" "$(report_field exit_code)" 0
  expect "$1: the host's window is still there" "$(report_field host_destroyed)" 0
  expect "$1: no window is left in it" "$(report_field children_left)" 0
  stop_host "$HOST"
}

section "no password asked for (no registry value); handle as \$hex"
start_host "$HOST" "$E2E_OUT/preview_keys_1.txt" -- /p '${hwnd_hex}'
expect "the preview is shown" "$(preview_child "$HOST" | field visible)" 1
key_ends_preview "no password"

section "a password asked for, but no password library; handle as 0x hex"
wine reg add "$DESKTOP_KEY" /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >/dev/null 2>&1
start_host "$HOST" "$E2E_OUT/preview_keys_2.txt" -- /p "0x{hwnd_hex}"
expect "the preview is shown" "$(preview_child "$HOST" | field visible)" 1
key_ends_preview "no library"

section "the password library refuses, then accepts; handle with a leading blank"
log="$E2E_OUT/preview_password.log"
rm -f "$log"
cp "$PASSWORD_DOUBLE" "$SYSTEM_LIBRARY"
export QUILLMOOR_PASSWORD_ANSWERS=01 QUILLMOOR_PASSWORD_LOG="$(windows_path "$log")"
start_host "$HOST" "$E2E_OUT/preview_keys_3.txt" -- /p " {hwnd}"
child="$(preview_child "$HOST")"
expect "the preview is shown" "$(field visible <<<"$child")" 1
probe post --parent "$HOST" --class "$PREVIEW_CLASS" --message keydown >/dev/null
for attempt in $(seq 1 100); do
  [ -s "$log" ] && break
  sleep 0.05
done
# Several redraw periods for a wrongly set stop flag to take effect.
sleep 0.5
expect "the first key press asks for the password" "$(wc -l <"$log" 2>/dev/null)" 1
expect "the dialog's owner is the preview's window, and the pointer is shown for it" \
  "$(tr -d '\r' <"$log" 2>/dev/null | head -n 1)" "owner=$((16#$(field hwnd <<<"$child" | sed 's/^0x//'))) cursor=1"
expect "refused: the preview is still shown" \
  "$(probe sync --parent "$HOST" --class "$PREVIEW_CLASS" | field visible)" 1
if host_running; then pass "refused: the saver still runs"; else fail "the saver ended on a refused password"; fi
key_ends_preview "accepted on the second key press"
expect "the second key press asked again" "$(wc -l <"$log" 2>/dev/null)" 2

section "a password library beside the saver and in the current folder is not loaded"
rm -f "$SYSTEM_LIBRARY" "$log"
planted="$E2E_OUT/planted"
mkdir -p "$planted"
cp "$QUILLMOOR_SCR" "$planted/quillmoor.scr"
cp "$PASSWORD_DOUBLE" "$planted/PASSWORD.CPL"
# Had it been loaded, it would refuse every time and the key would not end it.
export QUILLMOOR_PASSWORD_ANSWERS=0
(
  cd "$planted" || exit 1
  PREVIEW_SAVER="$planted/quillmoor.scr" start_host "$HOST" "$E2E_OUT/preview_keys_4.txt" -- /p "{hwnd}"
  expect "the preview is shown" "$(preview_child "$HOST" | field visible)" 1
  key_ends_preview "library planted"
  [ "$FAILURES" -eq 0 ]
) || FAILURES=$((FAILURES + 1))
expect "the planted library was never called" "$(cat "$log" 2>/dev/null | wc -l)" 0

finish
