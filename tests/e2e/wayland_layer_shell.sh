# On a wlroots compositor (headless sway): the scene on the first output, or
# on the one --output names, drawn at the output's size in pixels, and every
# other output black, an output added later included. Above the windows any
# key ends it with exit code 0 as it goes down, and so does a pointer jump of
# more than 100 pixels between two motion events on the layout (entering
# another output's surface counts as motion there); smaller moves do not. In
# the background layer input passes through and SIGTERM ends it, killed by
# that signal, even while the compositor is frozen; a frozen compositor's
# saver sleeps. A compositor that goes away ends it with exit code 1 and one
# line. One saver that ends on input runs per session, however its socket is
# named, and what another user leaves at its lock's path does not stop it. An
# output unplugged, moved or rescaled is no input; the next jump is.
source "$E2E_LIB"

give_seat_devices

section "one output: the scene on it"
start_saver
expect_scene "HEADLESS-1 alone" "$E2E_OUT/one_output.png" HEADLESS-1 1280 720
as_user wtype a
expect_saver_ended "key a"

sway_command create_output
sway_command output HEADLESS-2 resolution 1024x768 position 1280 0

section "the command line and the outputs"
as_user "$QUILLMOOR_BIN" --layer side 2>"$E2E_OUT/run.err"
expect "a bad layer: exit code" "$?" 2
expect "a bad layer: a line naming --help follows the message" "$(sed -n '2,$p' "$E2E_OUT/run.err")" \
  "quillmoor-wayland: try 'quillmoor-wayland --help' for the options"
for option in --help --version; do
  "$QUILLMOOR_BIN" "$option" >/dev/full 2>"$E2E_OUT/run.err"
  expect "$option > /dev/full: exit code" "$?" 1
  expect "$option > /dev/full: one line says so" "$(cat "$E2E_OUT/run.err")" \
    "quillmoor-wayland: cannot write to standard output: No space left on device"
done
as_user WAYLAND_DISPLAY="wayland-$(printf '%0100d' 0)$CONTROLS" "$QUILLMOOR_BIN" 2>"$E2E_OUT/run.err"
expect "a socket's path too long: exit code, lines said" "$?/$(wc -l <"$E2E_OUT/run.err")" 1/1
contains "a socket's path too long: escaped" "$(cat "$E2E_OUT/run.err")" "0$CONTROLS_ESCAPED' is longer than"
as_user WAYLAND_DISPLAY=nowhere "$QUILLMOOR_BIN" 2>"$E2E_OUT/run.err"
expect "no compositor: exit code" "$?" 1
contains "no compositor: says so" "$(cat "$E2E_OUT/run.err")" "cannot connect to the Wayland compositor 'nowhere'"
as_user "$QUILLMOOR_BIN" --output NOPE 2>"$E2E_OUT/run.err"
expect "no such output: exit code" "$?" 1
contains "no such output: the outputs named" "$(cat "$E2E_OUT/run.err")" "(there are HEADLESS-1, HEADLESS-2)"
as_user "$QUILLMOOR_BIN" --output "NO$CONTROLS" 2>"$E2E_OUT/run.err"
contains "an output's name with control characters: escaped" "$(cat "$E2E_OUT/run.err")" "named 'NO$CONTROLS_ESCAPED' (there"
as_user WAYLAND_DISPLAY="no$CONTROLS" "$QUILLMOOR_BIN" 2>"$E2E_OUT/run.err"
contains "a compositor's name with control characters: escaped" "$(cat "$E2E_OUT/run.err")" "compositor 'no$CONTROLS_ESCAPED'"
as_user env -u XDG_RUNTIME_DIR "$QUILLMOOR_BIN" 2>"$E2E_OUT/run.err"
expect "XDG_RUNTIME_DIR unset: exit code" "$?" 1
expect "XDG_RUNTIME_DIR unset: one line naming the cause" "$(cat "$E2E_OUT/run.err")" \
  "quillmoor-wayland: XDG_RUNTIME_DIR is not set: no folder to find the Wayland compositor's socket in"

section "overlay: the scene on the first output, the other black; a key ends it"
pointer_at 100 100
start_saver
expect_scene "HEADLESS-1 1280x720" "$E2E_OUT/overlay.png" HEADLESS-1 1280 720
expect_black "the other output" HEADLESS-2
as_user wtype a
expect_saver_ended "key a"
capture "$E2E_OUT/after.png" HEADLESS-2
at_least "its cover is gone: the compositor's grey shows" "$(brightest "$E2E_OUT/after.png")" 1

section "overlay: a key held down ends it at the press"
start_saver
expect_scene "again" "$E2E_OUT/overlay_key_held.png" HEADLESS-1 1280 720
in_background wtype -P b -s 60000
expect_saver_ended "b pressed and not released for a minute"
kill "$!"

section "overlay: moves of 100 pixels, then a jump of 101"
pointer_at 100 100
start_saver
expect_scene "again" "$E2E_OUT/overlay_pointer.png" HEADLESS-1 1280 720
pointer_at 150 150
expect_saver_still_up "50 right and down"
pointer_at 250 250
expect_saver_still_up "100 right and down"
pointer_at 250 150
expect_saver_still_up "100 up"
pointer_at 351 150
expect_saver_ended "101 right"

section "overlay: onto the other output"
pointer_at 1250 300
start_saver
expect_scene "again" "$E2E_OUT/overlay_outputs.png" HEADLESS-1 1280 720
pointer_at 1300 300
expect_saver_still_up "50 right, onto the other output's cover"
pointer_at 1300 401
expect_saver_ended "101 down on the other output"

section "overlay: the other output below the first, then over it"
sway_command output HEADLESS-2 position 0 720
pointer_at 300 700
start_saver
expect_scene "stacked" "$E2E_OUT/overlay_stacked.png" HEADLESS-1 1280 720
expect_black "the output below" HEADLESS-2
pointer_at 300 750
expect_saver_still_up "50 down, onto the cover below"
pointer_at 300 851
expect_saver_ended "101 down on the output below"
# Both at 0,0, the one mirroring the other: its cover hides nothing of the
# scene. (A screenshot composes every output at its place, so the cover
# cannot be seen on its own here.)
sway_command output HEADLESS-2 position 0 0
start_saver
expect_scene "mirrored" "$E2E_OUT/overlay_mirrored.png" HEADLESS-1 1280 720
as_user wtype a
expect_saver_ended "key a"
sway_command output HEADLESS-2 position 1280 0

section "overlay: an output moved, rescaled or resized is no input, the next jump is"
# HEADLESS-2 moved below HEADLESS-1, or halved by scale 2, from under the
# pointer: the compositor puts the pointer on what is left, 221 and 217
# pixels away, and says so before it says where the output is.
for change in "position 0 720" "scale 2"; do
  pointer_at 1500 600
  start_saver
  expect_scene "again" "$E2E_OUT/overlay_layout.png" HEADLESS-1 1280 720
  sway_command output HEADLESS-2 $change
  expect_saver_still_up "HEADLESS-2 $change under the pointer"
  [ "$change" = "scale 2" ] && pointer_at 1500 282 || pointer_at 1279 499
  expect_saver_ended "HEADLESS-2 $change: then 101 up"
  sway_command output HEADLESS-2 position 1280 0 scale 1
done
# Changes away from the pointer, which stays where it was.
pointer_at 300 300
start_saver
expect_scene "again" "$E2E_OUT/overlay_layout.png" HEADLESS-1 1280 720
sway_command output HEADLESS-2 position 0 720
sway_command output HEADLESS-2 resolution 800x600
expect_saver_still_up "HEADLESS-2 moved, then resized"
pointer_at 300 401
expect_saver_ended "then 101 down"
sway_command output HEADLESS-2 position 1280 0 resolution 1024x768

section "one saver per session: a second ends at once, a wallpaper runs beside it"
pointer_at 100 100
start_saver
expect_scene "the first" "$E2E_OUT/first.png" HEADLESS-1 1280 720
for layer in overlay top; do
  as_user timeout 10 "$QUILLMOOR_BIN" --layer "$layer" 2>"$E2E_OUT/second.err"
  expect "a second saver in the $layer layer: exit code" "$?" 0
  expect "a second saver in the $layer layer: nothing said" "$(cat "$E2E_OUT/second.err")" ""
done
as_user WAYLAND_DISPLAY="$E2E_RUNTIME/wayland-1" timeout 10 "$QUILLMOOR_BIN" 2>"$E2E_OUT/second.err"
expect "a second saver naming the socket by its path: exit code, lines said" "$?/$(wc -l <"$E2E_OUT/second.err")" 0/0
in_background "$QUILLMOOR_BIN" --layer background
wallpaper=$!
expect_saver_still_up "the first, after both"
sleep 1
if kill -0 "$wallpaper" 2>/dev/null; then pass "a wallpaper runs beside it"; else fail "the wallpaper ended"; fi
kill "$wallpaper"
as_user wtype a
expect_saver_ended "one key"

section "XDG_RUNTIME_DIR unset: what another user puts at the lock's path in /tmp"
lock="/tmp/quillmoor-saver-$(as_user id -u).$(realpath "$E2E_RUNTIME/wayland-1" | sed 's|%|%25|g; s|/|%2F|g').lock"
for planted in "a file held locked" "a FIFO"; do
  rm -f "$lock"
  if [ "$planted" = "a FIFO" ]; then mkfifo -m 644 "$lock"; else
    : >"$lock"
    sh -c 'exec 9<"$1" && flock 9 && exec sleep 600' - "$lock" </dev/null >/dev/null 2>&1 &
    holder=$!
    until ! flock -n "$lock" true; do sleep 0.05; done
  fi
  session_prefix
  start_reaped "${RUN_AS_USER[@]}" env -u XDG_RUNTIME_DIR WAYLAND_DISPLAY="$E2E_RUNTIME/wayland-1" "${REAPER[@]}" "$QUILLMOOR_BIN"
  expect_scene "$planted" "$E2E_OUT/foreign_lock.png" HEADLESS-1 1280 720
  expect "$planted: the saver runs, saying so in one line" \
    "$(grep -c "^quillmoor-wayland: cannot .*; running without it$" "$E2E_OUT/saver.err")/$(wc -l <"$E2E_OUT/saver.err")" 1/1
  as_user wtype a
  expect_saver_ended "$planted"
done
kill "$holder"
rm -f "$lock"

section "a signal ends it while it starts, the compositor frozen"
kill -STOP "$COMPOSITOR_PID"
start_saver
while saver_running && ! ls -l "/proc/$SAVER_PID/fd" | grep -q socket:; do sleep 0.05; done
kill -TERM "$SAVER_PID"
wait_saver_exit
expect "ended by SIGTERM" "$SAVER_EXIT" "signal 15"
kill -CONT "$COMPOSITOR_PID"

section "top, on HEADLESS-2 turned to portrait at scale 2: an output added is covered"
sway_command output HEADLESS-2 scale 2 transform 90
start_saver --output HEADLESS-2 --layer top
# Scale 2: 384x512 on the layout, drawn pixel for pixel at 768x1024, the
# scene in a 4:3 band across it.
expect_scene "HEADLESS-2 768x1024" "$E2E_OUT/top.png" HEADLESS-2 768 1024
expect_black "the first output" HEADLESS-1
sway_command create_output
expect_black "the output added" HEADLESS-3
as_user wtype -k Shift_L
expect_saver_ended "Shift alone"

section "background: input passes, SIGTERM ends it, a frozen compositor is waited for"
# Below the windows the pointer stays visible: it is kept off the pictures.
pointer_at 1500 300
start_saver --layer background --fps
shot="$E2E_OUT/background.png"
expect_scene "HEADLESS-1" "$shot" HEADLESS-1 1280 720
# The figures in the lower left corner: a dark box with white text on the ground.
at_least "--fps: the figures' box, dark pixels of 1000" "$(count_dark "$shot" 15 682 50 20)" 500
at_least "--fps: white text pixels" "$(count_bright "$shot" 15 682 50 20 90)" 20
as_user wtype a
pointer_at 900 600
expect_saver_still_up "a key and a jump"
kill -STOP "$COMPOSITOR_PID"
sleep 0.5
before=$(cpu_ticks "$SAVER_PID")
sleep 2
# A frame is drawn only once the compositor has called back for the last one:
# while it is stopped the saver sleeps in poll. Drawing on would take a
# processor's whole time (about 200 ticks), or most of it.
at_most "CPU ticks in 2 s while the compositor is stopped" "$(($(cpu_ticks "$SAVER_PID") - before))" 20
expect_signal_ends "while the compositor is stopped" TERM
kill -CONT "$COMPOSITOR_PID"

section "a lost output is no input: the scene's output unplugged from a nested sway"
start_nested_sway
pointer_at 900 300
start_saver --output WL-2
expect_scene "WL-2" "$E2E_OUT/nested_before.png" WL-2 640 480
# Closing the window unplugs WL-2 with the pointer on it: the compositor puts
# the pointer on WL-1, at 639,300, and the scene moves there.
NESTED_DISPLAY="" sway_command '[title="wlroots - WL-2"]' kill
expect_saver_still_up "the pointer moved off the lost output"
expect_scene "the scene moved to WL-1" "$E2E_OUT/nested_after.png" WL-1 640 480
pointer_at 539 300
expect_saver_still_up "then 100 left"
pointer_at 438 300
expect_saver_ended "then 101 left"

section "a lost output is no input: the pointer on the black output's cover when it goes"
# WL-2 comes back as a new window's output; the scene stays on WL-1.
end_nested_sway
start_nested_sway
pointer_at 900 300
start_saver --output WL-1
expect_scene "WL-1" "$E2E_OUT/nested_cover_before.png" WL-1 640 480
NESTED_DISPLAY="" sway_command '[title="wlroots - WL-2"]' kill
expect_saver_still_up "the pointer moved off the lost output"
sway_command seat seat0 cursor move 1 0
expect_saver_still_up "then a 1-pixel nudge"
pointer_at 539 300
expect_saver_still_up "then 100 left"
pointer_at 438 300
expect_saver_ended "then 101 left"
end_nested_sway

section "the compositor goes away"
pointer_at 1500 300
start_saver --layer bottom
expect_scene "bottom" "$E2E_OUT/bottom.png" HEADLESS-1 1280 720
kill "$COMPOSITOR_PID"
wait_saver_exit
expect "exit code" "$SAVER_EXIT" 1
expect "one line on standard error" "$(wc -l <"$E2E_OUT/saver.err")" 1
contains "saying so" "$(cat "$E2E_OUT/saver.err")" "the compositor went away"

finish
