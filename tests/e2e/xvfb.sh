# What the end-to-end runners (with_wine.sh, with_xvfb.sh, with_compositor.sh)
# need to give a script screens of its own: checking for tools, starting Xvfb
# servers on free displays, and ending them and the script's children. The
# runner sets RUNNER (its name, for messages), WORK_DIR, SCREEN_WIDTH and
# SCREEN_HEIGHT before it starts a server.

XVFB_PIDS=()

# require TOOL...: ends the runner with a message when a tool is missing.
require() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$RUNNER: $tool is not installed" >&2; exit 1; }
  done
}

# start_xvfb NAME [Xvfb options...]: starts Xvfb on the first free display and
# sets STARTED_DISPLAY to ":N" once it accepts clients.
start_xvfb() {
  local name="$1" display_file="$WORK_DIR/$1.display" tries=0
  shift
  Xvfb -displayfd 3 -screen 0 "${SCREEN_WIDTH}x${SCREEN_HEIGHT}x24" -nolisten tcp "$@" \
    3>"$display_file" >"$WORK_DIR/$name.log" 2>&1 &
  XVFB_PIDS+=($!)
  until [ -s "$display_file" ]; do
    if ! kill -0 "${XVFB_PIDS[-1]}" 2>/dev/null || [ "$tries" -ge 200 ]; then
      echo "$RUNNER: Xvfb did not start:" >&2
      cat "$WORK_DIR/$name.log" >&2
      exit 1
    fi
    tries=$((tries + 1))
    sleep 0.05
  done
  STARTED_DISPLAY=":$(head -n 1 "$display_file")"
}

# Ends every server start_xvfb started.
stop_xvfbs() {
  local pid
  for pid in "${XVFB_PIDS[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  XVFB_PIDS=()
}

# Ends the runner's background jobs and what the script started and listed in
# $WORK_DIR/children (savers, probe windows, input devices).
end_children() {
  local pid
  for pid in $(jobs -p); do kill "$pid" 2>/dev/null; done
  [ -f "$WORK_DIR/children" ] && while read -r pid; do kill "$pid" 2>/dev/null; done <"$WORK_DIR/children"
}
