#!/usr/bin/env bash
# Installs what is missing, builds, and runs the saver: in a Wayland session
# the Wayland saver runs (extra arguments go to it, e.g. --layer background);
# else with a reachable X display the X11 saver (extra arguments go to it,
# e.g. --root or --fps); with neither the headless renderer draws it into a
# PNG whose path is printed
# (extra arguments go to the renderer, e.g. --at "2026-12-24 18:00:00"
# --size 1280x720 --out night.png).
#   scripts/run.sh --web   builds the web page instead and prints where it is
# Only what building and running need is installed (scripts/install-deps.sh
# run; with --web also its compiler), and the native programs are built
# without their tests.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --web ]; then
  bash scripts/install-deps.sh run web
  QUILLMOOR_TESTS=OFF bash scripts/build.sh web
  page="$PWD/build/web/quillmoor.html"
  # The path as a URL: every byte but letters, digits and / . _ ~ - percent-encoded.
  url="file://" LC_ALL=C
  for ((i = 0; i < ${#page}; i++)); do
    c="${page:i:1}"
    case "$c" in [A-Za-z0-9/._~-]) url+="$c" ;; *) url+=$(printf '%%%02X' "'$c") ;; esac
  done
  echo "Web page: $page"
  echo "Open it in a browser: $url"
  echo "(URL parameters for a fixed picture, e.g. ${url}?at=2026-12-24T18:00:00&seed=3)"
  exit 0
fi

bash scripts/install-deps.sh run
QUILLMOOR_TESTS=OFF bash scripts/build.sh windows
QUILLMOOR_TESTS=OFF bash scripts/build.sh linux

# The option's value from the arguments, in any of the forms the programs
# take: -name VALUE, --name VALUE, -name=VALUE, --name=VALUE.
option_value() {
  local name="$1" argument
  shift
  while [ $# -gt 0 ]; do
    argument="$1"
    shift
    case "$argument" in
      -"$name" | --"$name") [ $# -gt 0 ] && echo "$1"; return 0 ;;
      -"$name"=* | --"$name"=*) echo "${argument#*=}"; return 0 ;;
    esac
  done
  return 1
}
has_option() {
  local argument
  for argument in "${@:2}"; do
    case "$argument" in -"$1" | --"$1" | -"$1"=* | --"$1"=*) return 0 ;; esac
  done
  return 1
}

# A Wayland compositor's socket: WAYLAND_DISPLAY names it, as a path or in
# XDG_RUNTIME_DIR.
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
  socket="$WAYLAND_DISPLAY"
  [[ "$socket" == /* ]] || socket="${XDG_RUNTIME_DIR:-}/$socket"
  if [ -S "$socket" ]; then
    if has_option layer "$@" && [[ "$(option_value layer "$@")" == b* ]]; then
      echo "Running the Wayland saver on $WAYLAND_DISPLAY behind the windows: Ctrl+C (or SIGTERM) ends it"
    else
      echo "Running the Wayland saver on $WAYLAND_DISPLAY: any key, or a jump of the pointer, ends it"
    fi
    ./build/linux/quillmoor-wayland "$@"
    echo "Windows saver: $PWD/build/windows/quillmoor.scr"
    exit 0
  fi
  echo "WAYLAND_DISPLAY is '$WAYLAND_DISPLAY', but there is no compositor's socket at $socket" >&2
fi

display_reachable=no
if [ -n "${DISPLAY:-}" ]; then
  if xdpyinfo >/dev/null 2>&1; then
    display_reachable=yes
  else
    echo "DISPLAY is '$DISPLAY', but no X server answers there: rendering a PNG instead" >&2
  fi
fi

if [ "$display_reachable" = yes ]; then
  # In a window it is given, the saver leaves input alone: only a signal ends it.
  if has_option window-id "$@" || [ -n "${XSCREENSAVER_WINDOW:-}" ]; then
    echo "Running the X11 saver on $DISPLAY in the given window: Ctrl+C (or SIGTERM) ends it"
  elif has_option root "$@"; then
    echo "Running the X11 saver on $DISPLAY in the root window: Ctrl+C (or SIGTERM) ends it"
  else
    echo "Running the X11 saver full screen on $DISPLAY: any key, or a jump of the pointer, ends it"
  fi
  ./build/linux/quillmoor "$@"
else
  if out=$(option_value out "$@"); then
    ./build/linux/quillmoor-render --frames 60 "$@"
  else
    out=${QUILLMOOR_OUT:-$PWD/build/quillmoor.png}
    ./build/linux/quillmoor-render --frames 60 --out "$out" "$@"
  fi
  # A relative path is the repository's, where the renderer ran.
  [ "$out" = - ] || echo "Rendered picture: $(realpath -m -- "$out")"
fi
echo "Windows saver: $PWD/build/windows/quillmoor.scr"
