# The saver under the real XScreenSaver daemon, listed as its GL hacks are
# ("GL: quillmoor --root" in its programs): activated, the scene shows in the
# daemon's window and never on the real root window; deactivated, the saver
# ends within a second, killed by SIGTERM, and has written nothing to its
# standard error (the session's error log). The settings dialog's preview command
# line (--root --window-id ID) draws in the given window, not on the root.
source "$E2E_LIB"

for tool in xscreensaver xscreensaver-command xsetroot setpriv; do
  command -v "$tool" >/dev/null || { fail "$tool is not installed (scripts/install-deps.sh)"; finish; }
done

# The daemon runs no hacks as root: then it runs as nobody. Its home, with its
# settings and a copy of the saver it can run, is its own.
XSS_HOME="$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-xscreensaver.XXXXXX")"
trap 'rm -rf "$XSS_HOME"' EXIT
AS_USER=()
cp "$QUILLMOOR_BIN" "$XSS_HOME/quillmoor"
cat >"$XSS_HOME/.xscreensaver" <<EOF
mode: one
selected: 0
timeout: 1:00:00
lock: False
fade: False
unfade: False
splash: False
programs: GL: $XSS_HOME/quillmoor --root 2>$XSS_HOME/hack.err \\n
EOF
chmod 755 "$XSS_HOME"
if [ "$(id -u)" -eq 0 ]; then
  AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chown -R 65534:65534 "$XSS_HOME"
fi
as_daemon_user() { env HOME="$XSS_HOME" "${AS_USER[@]}" "$@"; }

# The root's background, which the saver must never paint over.
xsetroot -solid '#305070'
readonly BACKGROUND="srgb(48,80,112)"
# expect_background DESCRIPTION FILE CROP: every pixel of CROP of FILE is the background.
expect_background() {
  expect "$1" "$(convert "$2" -crop "$3" +repage -unique-colors -format '%k %[pixel:p{0,0}]' info:)" "1 $BACKGROUND"
}

# The daemon's helper that runs the hacks kills them as it exits and leaves
# them to end on their own, so their exit codes are collected here: the daemon
# runs under a subreaper that inherits its orphans and writes down how each one
# ended ("PID CODE").
log="$E2E_OUT/xscreensaver.log"
reaped="$E2E_OUT/reaped"
start_under_subreaper "$reaped" env HOME="$XSS_HOME" "${AS_USER[@]}" xscreensaver -no-splash -verbose >"$log" 2>&1
poll 300 as_daemon_user xscreensaver-command -time >/dev/null 2>&1 || { fail "the daemon never answered"; finish; }

section "activated: GL: quillmoor --root"
as_daemon_user xscreensaver-command -activate >/dev/null
# The daemon's log names the saver's process and the window it made for it.
# The shell that the redirection of its standard error brings in execs it.
launched() {
  read -r HACK_PID HACK_WINDOW < <(sed -n 's/.*forked ".*quillmoor --root 2>[^"]*" in pid \([0-9]*\) on window \(0x[0-9a-fA-F]*\).*/\1 \2/p' "$log" | head -n 1)
  [ -n "$HACK_PID" ]
}
poll 300 launched || { fail "the daemon never ran the saver"; cat "$log"; finish; }
environment_window="$(tr '\0' '\n' <"/proc/$HACK_PID/environ" | field XSCREENSAVER_WINDOW)"
expect "the daemon's window is in the saver's environment" "${environment_window,,}" "${HACK_WINDOW,,}"
shot="$E2E_OUT/daemon_active.png"
screenshot_clock "$shot" root "$SCREEN_WIDTH" "$SCREEN_HEIGHT" 1500
echo "  screenshot: $shot (clock centre at $CLOCK_X,$CLOCK_Y)"
at_least "pixels of the clock standing out" "$CLOCK_BRIGHT" 1500
at_least "the hands' hub at the clock's centre" "$HUB_RED" 120
at_least "the least blue anywhere on the screen" "$LEAST_BLUE" "$CLEAR_BLUE"
expect "the signals it catches" "$(caught_signals "$HACK_PID")" "HUP INT TERM"

section "deactivated"
# Gone, or a zombie its parent has not yet reaped.
hack_gone() { ! ps -o stat= -p "$HACK_PID" | grep -qv Z; }
as_daemon_user xscreensaver-command -deactivate >/dev/null
if poll 20 hack_gone; then pass "the saver ends within a second"; else fail "the saver still runs a second later"; fi
poll 100 grep -q "^$HACK_PID " "$reaped"
# os.waitstatus_to_exitcode gives -N for a process killed by signal N.
expect "it ends killed by SIGTERM" "$(sed -n "s/^$HACK_PID //p" "$reaped")" -15
expect "its standard error stayed empty" "$(cat "$XSS_HOME/hack.err" 2>&1)" ""
import -window root "$E2E_OUT/daemon_after.png"
expect_background "the root window as it was before" "$E2E_OUT/daemon_after.png" "${SCREEN_WIDTH}x${SCREEN_HEIGHT}+0+0"

section "the settings dialog's preview: --root --window-id ID"
make_host 400 300
unset XSCREENSAVER_WINDOW
start_saver --root --window-id "$HOST"
expect_scene "in the given window" "$E2E_OUT/preview_window.png" "$HOST" 400 300
import -window root "$E2E_OUT/preview_root.png"
expect_background "the root beside the window untouched" "$E2E_OUT/preview_root.png" "500x400+500+350"
expect_signal_ends "--root --window-id" TERM

finish
