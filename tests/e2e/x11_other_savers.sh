# The saver in the two other X11 hosts a Debian desktop offers. MATE's screen
# saver, in a D-Bus session of the test's own, finds it as a theme through
# quillmoor.desktop; chosen with gsettings and activated, the scene shows in
# MATE's window; deactivated, MATE ends and reaps the hack within a second,
# and the hack has written nothing to its standard error. MATE runs only programs in its saver
# folders: the hack is put in /usr/libexec/xscreensaver in a mount namespace
# of MATE's own, so the system's folder is never touched. xsecurelock runs
# it (through saver_multiplex, with -root and XSCREENSAVER_WINDOW) on each of
# two RandR monitors, the scene in both; a signal to xsecurelock ends all.
source "$E2E_LIB"

for tool in mate-screensaver mate-screensaver-command gsettings dbus-run-session unshare xsecurelock python3 strace; do
  command -v "$tool" >/dev/null || { fail "$tool is not installed (scripts/install-deps.sh)"; finish; }
done
[ "$(id -u)" -eq 0 ] || { fail "MATE's saver folder is mounted over in a namespace of its own: run as root"; finish; }

readonly SAVER_FOLDER=/usr/libexec/xscreensaver
HOME_DIR="$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-other-savers.XXXXXX")"
LOCKER_PID=""
SUBREAPER_PID=""
# A locker left running by a failed check is ended as it ends itself, so that
# it takes its helpers along, and waited for.
end_locker() {
  [ -n "$LOCKER_PID" ] && kill -TERM "$LOCKER_PID" 2>/dev/null
  [ -n "$SUBREAPER_PID" ] && wait "$SUBREAPER_PID" 2>/dev/null
}
trap 'end_locker; rm -rf "$HOME_DIR"' EXIT
mkdir -p "$HOME_DIR/hacks" "$HOME_DIR/data/applications/screensavers" "$HOME_DIR/runtime"
chmod 700 "$HOME_DIR/runtime"
cp "$QUILLMOOR_BIN" "$HOME_DIR/hacks/quillmoor"
# The theme entry as installed with the prefix /usr.
sed "s|@QUILLMOOR_HACK@|$SAVER_FOLDER/quillmoor|g" "$(dirname "${BASH_SOURCE[0]}")/../../data/quillmoor.desktop.in" \
  >"$HOME_DIR/data/applications/screensavers/quillmoor.desktop"
# No accessibility bus, no GVfs daemons (which would mount in the runtime
# folder) and settings in a file rather than in a service the bus starts:
# the session has only what the screen saver needs, and nothing outlives it.
export NO_AT_BRIDGE=1 GIO_USE_VFS=local GVFS_DISABLE_FUSE=1 GSETTINGS_BACKEND=keyfile
export HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/config" XDG_RUNTIME_DIR="$HOME_DIR/runtime" \
  XDG_DATA_HOME="$HOME_DIR/data" XDG_CURRENT_DESKTOP=MATE

# Gone for good: its parent has waited for it (a zombie still has its entry).
reaped() { [ ! -e "/proc/$1" ]; }

section "MATE's screen saver: the theme screensavers-quillmoor"
# The session bus lasts as long as the shell dbus-run-session runs, which
# becomes a sleep that the runner ends with the script's other children.
bus="$HOME_DIR/bus"
dbus-run-session -- sh -c 'echo $$ >"$1.pid"; echo $$ >>"$2"; echo "$DBUS_SESSION_BUS_ADDRESS" >"$1.tmp"; mv "$1.tmp" "$1"; exec sleep 3600' \
  sh "$bus" "$E2E_CHILDREN" 2>"$E2E_OUT/dbus.err" &
poll 200 test -s "$bus" || { fail "the D-Bus session never started"; finish; }
export DBUS_SESSION_BUS_ADDRESS="$(cat "$bus")"
gsettings set org.mate.screensaver mode single
gsettings set org.mate.screensaver themes "['screensavers-quillmoor']"
gsettings set org.mate.screensaver lock-enabled false
gsettings set org.mate.screensaver idle-activation-enabled false

unshare --mount --propagation private sh -c 'mount --bind "$1" "$2" && exec mate-screensaver --no-daemon' \
  sh "$HOME_DIR/hacks" "$SAVER_FOLDER" 2>"$E2E_OUT/mate.err" &
MATE_PID=$!
echo "$MATE_PID" >>"$E2E_CHILDREN"
poll 300 mate-screensaver-command --query >/dev/null 2>&1 || { fail "MATE's screen saver never answered"; cat "$E2E_OUT/mate.err"; finish; }

mate-screensaver-command --activate >/dev/null
hack_pid() { HACK_PID="$(ps -o pid= --ppid "$MATE_PID" | tr -d ' ' | head -n 1)"; [ -n "$HACK_PID" ]; }
poll 200 hack_pid || { fail "MATE never ran the saver"; cat "$E2E_OUT/mate.err"; finish; }
expect "MATE runs the hack from its saver folder" "$(readlink "/proc/$HACK_PID/exe" | sed 's| (deleted)$||')" "$SAVER_FOLDER/quillmoor"
contains "with the window to draw in, in hexadecimal" "$(tr '\0' '\n' <"/proc/$HACK_PID/environ" | grep '^XSCREENSAVER_WINDOW=')" "XSCREENSAVER_WINDOW=0x"
# MATE reads the hack's standard error through a pipe and drops it: what the
# hack writes there is watched from the outside.
strace -qq -f -p "$HACK_PID" -e trace=write -e signal=none -o "$E2E_OUT/mate_hack.strace" &
STRACE_PID=$!
echo "$STRACE_PID" >>"$E2E_CHILDREN"
shot="$E2E_OUT/mate_active.png"
screenshot_clock "$shot" root "$SCREEN_WIDTH" "$SCREEN_HEIGHT" 1500
echo "  screenshot: $shot (clock centre at $CLOCK_X,$CLOCK_Y)"
at_least "pixels of the clock standing out" "$CLOCK_BRIGHT" 1500
at_least "the hands' hub at the clock's centre" "$HUB_RED" 120
at_least "the least blue anywhere on the screen" "$LEAST_BLUE" "$CLEAR_BLUE"

mate-screensaver-command --deactivate >/dev/null
if poll 20 reaped "$HACK_PID"; then pass "--deactivate: the hack ended and reaped within a second"; else fail "--deactivate: the hack is still there a second later"; fi
wait "$STRACE_PID"
expect "the hack wrote nothing to its standard error" "$(grep -E '(^|[0-9] )write\(2,' "$E2E_OUT/mate_hack.strace")" ""
kill "$MATE_PID"
wait "$MATE_PID" 2>/dev/null
kill "$(cat "$bus.pid")"

section "xsecurelock on two monitors: XSECURELOCK_SAVER names the hack"
# Two RandR monitors side by side, the left one on the screen's output.
xrandr --setmonitor left 512/135x768/203+0+0 screen >/dev/null
xrandr --setmonitor right 512/135x768/203+512+0 none >/dev/null
expect "two monitors" "$(xrandr --listmonitors | head -n 1)" "Monitors: 2"
# It asks for a password only once a key is pressed: none is, and a signal
# ends it.
reaped_log="$E2E_OUT/xsecurelock.reaped"
start_under_subreaper "$reaped_log" env XSECURELOCK_SAVER="$QUILLMOOR_BIN" xsecurelock 2>"$E2E_OUT/xsecurelock.err"
locker() { LOCKER_PID="$(ps -o pid=,args= --ppid "$SUBREAPER_PID" | awk '$2 == "xsecurelock" {print $1}')"; [ -n "$LOCKER_PID" ]; }
poll 200 locker || { fail "xsecurelock never started"; finish; }
hacks() { HACKS="$(ps -eo pid=,args= | awk -v bin="$QUILLMOOR_BIN" '$2 == bin {print $1, $3}')"; [ "$(wc -l <<<"$HACKS")" -eq 2 ]; }
poll 300 hacks || { fail "xsecurelock never ran a hack per monitor ($HACKS)"; cat "$E2E_OUT/xsecurelock.err"; finish; }
monitor=0
while read -r pid arguments; do
  monitor=$((monitor + 1))
  expect "hack $monitor: run with -root" "$arguments" -root
  window="$(tr '\0' '\n' <"/proc/$pid/environ" | field XSCREENSAVER_WINDOW)"
  if [[ "$window" =~ ^[1-9][0-9]*$ ]]; then pass "hack $monitor: its window in XSCREENSAVER_WINDOW, in decimal ($window)"; else fail "hack $monitor: XSCREENSAVER_WINDOW is '$window'"; fi
done <<<"$HACKS"
# Each monitor is 512x768, narrower than 4:3: the scene in a band on each,
# cut out of the screen's picture.
capture() { import -window root "$1.screen.png" 2>/dev/null && convert "$1.screen.png" -crop "512x768+$2+0" +repage "$1"; }
expect_scene "the left monitor" "$E2E_OUT/xsecurelock_left.png" 0 512 768
expect_scene "the right monitor" "$E2E_OUT/xsecurelock_right.png" 512 512 768

kill -TERM "$LOCKER_PID"
poll 100 grep -q "^$LOCKER_PID " "$reaped_log"
# The subreaper writes -N for a death by signal N (a shell's 128 + N).
expect "xsecurelock ends killed by SIGTERM" "$(sed -n "s/^$LOCKER_PID //p" "$reaped_log")" -15
while read -r pid arguments; do
  if poll 20 reaped "$pid"; then pass "hack $pid is gone and reaped within a second"; else fail "hack $pid is still there a second later"; fi
  expect "hack $pid ends killed by SIGTERM" "$(sed -n "s/^$pid //p" "$reaped_log")" -15
done <<<"$HACKS"
LOCKER_PID=""
expect "and said nothing" "$(grep quillmoor "$E2E_OUT/xsecurelock.err")" ""
capture "$E2E_OUT/xsecurelock_after.png" 0
clock_place 512 768
expect "the scene is gone from the screen" "$(hub_red "$E2E_OUT/xsecurelock_after.png" "$CLOCK_X" "$CLOCK_Y")" 0

finish
