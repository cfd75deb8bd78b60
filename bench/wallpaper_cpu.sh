# The Wayland saver as a wallpaper (--layer background) behind an ordinary
# tiled window on headless sway: the processor time it takes at each frame
# delay, one run after the other, and behind a full-screen window, where the
# compositor stops calling back and the saver sleeps. Run through the
# end-to-end runner, which starts and ends the compositor:
#
#   bash tests/e2e/with_compositor.sh bench/wallpaper_cpu.sh \
#       build/linux/quillmoor-wayland build/linux/wayland_pointer
#
# Prints one line per case: the share of one processor over SECONDS
# (default 10) of wall time, from the process's user and system time.
source "$E2E_LIB"
readonly SECONDS_MEASURED="${WALLPAPER_SECONDS:-10}"
readonly TICKS="$(getconf CLK_TCK)"

command -v foot >/dev/null || { echo "wallpaper_cpu: foot (a terminal) is the tiled window: apt-get install foot" >&2; exit 1; }
give_seat_devices
pointer_at 10 10
# The terminal runs a sleep: the compositor's user has no login shell.
in_background foot sleep 3600 2>/dev/null
tries=0
until as_user swaymsg -r -t get_tree | grep -q '"app_id": "foot"'; do
  tries=$((tries + 1))
  [ "$tries" -lt 300 ] || { echo "wallpaper_cpu: the terminal's window never showed" >&2; finish; }
  sleep 0.1
done

# measure LABEL: the running saver's share of a processor over the period.
measure() {
  local before after
  sleep 3  # past the first frames
  before=$(cpu_ticks "$SAVER_PID")
  sleep "$SECONDS_MEASURED"
  after=$(cpu_ticks "$SAVER_PID")
  awk -v t=$((after - before)) -v hz="$TICKS" -v s="$SECONDS_MEASURED" -v label="$1" \
    'BEGIN { printf "%-44s %5.1f %% of one processor\n", label, 100 * t / hz / s }'
}

for delay in 30000 100000; do
  start_saver --layer background --delay "$delay"
  measure "behind a tiled window, --delay $delay"
  kill "$SAVER_PID"
  wait "$SAVER_PID" 2>/dev/null
done
sway_command '[app_id="foot"]' fullscreen enable
start_saver --layer background
measure "behind a full-screen window, --delay 30000"
kill "$SAVER_PID"
wait "$SAVER_PID" 2>/dev/null
SAVER_PID=""
finish
