# The settings and password switches: the saver has neither, so they end the
# process at once with exit code 0 and without opening any window.
source "$E2E_LIB"

saver="$(windows_path "$QUILLMOOR_SCR")"

section "settings and password switches end at once"
for arguments in "/c" "/C" "/c:1234" "/a" "/A" "/a 1234"; do
  # Word splitting is wanted: "/a 1234" is two arguments.
  # shellcheck disable=SC2086
  report="$(probe run --wait 20000 -- "$saver" $arguments)"
  expect "'$arguments': the saver ends by itself" "$(field timed_out <<<"$report")" 0
  expect "'$arguments': exit code" "$(field exit_code <<<"$report")" 0
  expect "'$arguments': top-level windows it opened" "$(field windows_seen <<<"$report")" 0
done
expect "the screen-saver-running flag was never set" "$(screensaver_flag)" 0

finish
