# What the end-to-end runners (with_wine.sh, with_xvfb.sh, with_compositor.sh)
# need to give a script screens of its own: checking for tools, starting Xvfb
# servers (and Xephyr inside one, for several monitors) on free displays, and
# ending them and the script's children. The runner sets RUNNER (its name, for
# messages), WORK_DIR, SCREEN_WIDTH and SCREEN_HEIGHT before it starts a server.

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
  local name="$1"
  shift
  start_x_server "$name" Xvfb -screen 0 "${SCREEN_WIDTH}x${SCREEN_HEIGHT}x24" "$@"
}

# start_xephyr NAME WxH+X+Y...: starts Xephyr as a client of $DISPLAY with one
# Xinerama head of each size at each place of the virtual screen, the first
# being screen 0 (and so the primary monitor to Wine), and sets
# STARTED_DISPLAY. Without RANDR, Wine takes the monitors from Xinerama; Xvfb
# cannot do this, as it puts every head at 0,0.
start_xephyr() {
  local name="$1" head width height x y arguments=()
  shift
  for head in "$@"; do
    IFS='x+' read -r width height x y <<<"$head"
    arguments+=(-origin "$x,$y" -screen "${width}x${height}")
  done
  start_x_server "$name" Xephyr +xinerama -extension RANDR "${arguments[@]}"
}

# start_x_server NAME SERVER [options...]: starts the server on the first free
# display and sets STARTED_DISPLAY to ":N" once it accepts clients.
start_x_server() {
  local name="$1" server="$2" display_file="$WORK_DIR/$1.display" tries=0
  shift 2
  "$server" -displayfd 3 -nolisten tcp "$@" 3>"$display_file" >"$WORK_DIR/$name.log" 2>&1 &
  XVFB_PIDS+=($!)
  until [ -s "$display_file" ]; do
    if ! kill -0 "${XVFB_PIDS[-1]}" 2>/dev/null || [ "$tries" -ge 200 ]; then
      echo "$RUNNER: $server did not start:" >&2
      cat "$WORK_DIR/$name.log" >&2
      exit 1
    fi
    tries=$((tries + 1))
    sleep 0.05
  done
  STARTED_DISPLAY=":$(head -n 1 "$display_file")"
}

# Ends every server started here, the last started first (a nested server
# before the one it shows on).
stop_xvfbs() {
  local k
  for ((k = ${#XVFB_PIDS[@]} - 1; k >= 0; k--)); do
    kill "${XVFB_PIDS[k]}" 2>/dev/null
    wait "${XVFB_PIDS[k]}" 2>/dev/null
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
