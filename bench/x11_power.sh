# What the X11 saver costs while nobody can see it, on Xvfb with Mesa: three
# periods of PERIOD seconds (default 20) each, the middle one hidden, for two
# cases: the saver full screen in its own window with the X server's screen
# saver off, on (xset s activate), off again (xset s reset); and the saver in
# a given window (--window-id) shown, wholly covered by another window,
# shown again. Run through the end-to-end runner, which starts and ends the
# X server:
#
#   bash tests/e2e/with_xvfb.sh bench/x11_power.sh build/linux/quillmoor build/linux/x11_probe
#
# QUILLMOOR_BIN may be any build of the saver: run it for two builds to
# compare them side by side. Prints, per period, the saver's share of one
# processor (from its user and system time), the frames it swapped, the
# processor time per frame, and after each return to sight how long the first
# frame took to come, from the moment just before the command that makes the
# change (xset, or the kill of the covering window) started. Each hidden
# period starts half a second after the change, once a frame under way when
# it came is done.
source "$E2E_LIB"
readonly PERIOD="${POWER_PERIOD:-20}"
readonly TICKS="$(getconf CLK_TCK)"
export SWAP_LOG="$E2E_OUT/bench_swaps.log"

# at_us COMMAND...: runs COMMAND and prints the monotonic moments, in
# microseconds, taken just before it started and once it had ended.
at_us() {
  python3 -c 'import subprocess, sys, time
t = time.monotonic_ns() // 1000
subprocess.run(sys.argv[1:], check=True)
print(t, time.monotonic_ns() // 1000)' "$@"
}

# period LABEL [SINCE_US UNTIL_US]: measures the running saver for PERIOD
# seconds; with SINCE_US, also the wait from that moment to the first swap
# after it, and how long of it the command that made the change took.
period() {
  local ticks_before swaps_before ticks swaps first=""
  ticks_before=$(cpu_ticks "$SAVER_PID")
  swaps_before=$(wc -l <"$SWAP_LOG")
  sleep "$PERIOD"
  ticks=$(($(cpu_ticks "$SAVER_PID") - ticks_before))
  swaps=$(($(wc -l <"$SWAP_LOG") - swaps_before))
  if [ $# -ge 2 ]; then
    first=$(awk -v since="$2" -v until="$3" '$1 > since {
      printf "%.1f ms (the command %.1f ms)", ($1 - since) / 1000, (until - since) / 1000; exit }' "$SWAP_LOG")
  fi
  awk -v t="$ticks" -v hz="$TICKS" -v s="$PERIOD" -v n="$swaps" -v label="$1" -v first="$first" 'BEGIN {
    printf "  %-34s %6.2f %% of one processor  %5d swaps", label, 100 * t / hz / s, n
    if (n > 0) printf "  %5.1f ms a frame", 1000 * t / hz / n
    if (first != "") printf "  first frame after %s", first
    printf "\n" }'
}

xset s off
echo "Each period ${PERIOD} s; $(basename "$QUILLMOOR_BIN") at $(realpath "$QUILLMOOR_BIN")"

echo "full screen, the X server's screen saver:"
: >"$SWAP_LOG"
start_saver
wait_saver_window
sleep 2
period "off"
xset s activate
sleep 0.5  # a frame under way when it came is done
period "on (xset s activate)"
since=$(at_us xset s reset)
period "off again (xset s reset)" $since
xdotool key a
wait_saver_exit

echo "--window-id 640x480:"
: >"$SWAP_LOG"
make_host 640 480
start_saver --window-id "$HOST"
wait_glx_setup
sleep 2
period "shown"
: >"$E2E_OUT/cover.id"
"$QUILLMOOR_X11_PROBE" window 700 540 >"$E2E_OUT/cover.id" &
cover=$!
echo "$cover" >>"$E2E_CHILDREN"
poll "$WAIT_TRIES" grep -q '^id=' "$E2E_OUT/cover.id"
sleep 0.5  # a frame under way when it came is done
period "wholly covered"
since=$(at_us kill "$cover")
period "shown again" $since
kill -TERM "$SAVER_PID"
wait_saver_exit
finish
