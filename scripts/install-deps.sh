#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing,
# in four sets:
#   scripts/install-deps.sh run    building and running the savers and the renderer
#   scripts/install-deps.sh web    the web page's compiler (scripts/run.sh --web)
#   scripts/install-deps.sh test   what the tests add (Wine, X servers, compositors,
#                                  XScreenSaver, a browser, the package's checks ...)
#   scripts/install-deps.sh dist   what the release's files add (scripts/build.sh dist)
# Several sets may be named; with none, all four are installed.
# Recommended packages come along on purpose: Wine relies on its recommends
# for OpenGL (libgl1, Mesa's drivers), its X extensions and its own fonts (Tahoma).
set -euo pipefail

run_packages=(
  # native build and the Windows saver's cross compiler
  build-essential cmake pkg-config g++-mingw-w64-x86-64
  # OpenGL through Mesa: EGL's surfaceless platform for the headless renderer
  libgl-dev libegl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  # the outline font on Linux; the renderer's PNGs deflated by libdeflate
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core fonts-liberation libdeflate-dev
  # the X11 saver: Xlib, RandR to tell a change of monitors from input, the
  # screen-saver extension and DPMS (libXext) to tell when nobody sees it
  libx11-dev libxrandr-dev libxss-dev libxext-dev
  # the Wayland saver: wayland-client, wayland-egl and wayland-scanner, and the
  # distribution's protocol XML (xdg-shell, xdg-output, the viewporter)
  libwayland-dev wayland-protocols
  # run.sh asks whether an X display answers
  x11-utils
)

web_packages=(
  # the web page: Debian's emscripten (its own clang, LLVM and Node.js)
  emscripten
)

dist_packages=(
  # the Windows installer (makensis) and the zip of the saver; the Debian
  # package's dependencies from dpkg-shlibdeps; the source archive; the
  # Windows programs signed when a certificate is given; python3 gives the
  # uninstaller its own version resource
  nsis zip dpkg-dev git osslsigncode python3
)

packages=(
  # unit tests and benchmarks; OpenGL ES for the web's OpenGL layer tested and
  # measured natively on Mesa
  libgtest-dev libbenchmark-dev libgles-dev
  # reading the renderer's state JSON back in the render tests, its PNGs read
  # back by libpng and checked by a strict checker, the video recipes' output
  # checked with ffprobe, faults injected into its writes (strace, below,
  # traces the order of its calls), a terminal for its progress line (script)
  nlohmann-json3-dev libpng-dev pngcheck ffmpeg fiu-utils bsdutils
  # the web page in headless Chromium (driven by python3 over a pipe)
  chromium
  # the clocks tried in zones off UTC, with summer time and half an hour off
  tzdata
  # Wine on a virtual X screen to run the Windows saver
  wine wine64 fonts-wine xvfb xdotool imagemagick
  # the Windows installer and the zip built beside the saver, run and read back;
  # the installer signed with a certificate made for the test, and checked
  nsis zip unzip osslsigncode openssl
  # two monitors for the Windows saver: Xephyr in Xvfb with two Xinerama heads
  # at places of their own (Xvfb puts all its heads at 0,0)
  xserver-xephyr
  # the Linux saver under the real XScreenSaver daemon; the root's background;
  # ps to tell when the daemon's hack has gone
  xscreensaver x11-xserver-utils procps
  # the Wayland saver end to end: a headless wlroots compositor with the layer
  # shell, its screenshots and keys, and Weston (no layer shell) for the
  # full-screen window it falls back to
  sway grim wtype weston
  # the Debian package: dependencies from dpkg-shlibdeps, the config XML checked,
  # the man pages formatted; python3 also collects the exit codes of the hacks
  # the daemon runs
  dpkg-dev libxml2-utils groff-base python3
  # the package checked against Debian's policy
  lintian
  # the theme entry for MATE's screen saver checked
  desktop-file-utils
  # the Linux saver under MATE's screen saver (in a private D-Bus session) and
  # under xsecurelock; strace watches what a hack writes where MATE drops it
  mate-screensaver dbus xsecurelock strace
  # the tiled window in front of the Wayland wallpaper in bench/wallpaper_cpu.sh
  foot
)

wanted=()
[ $# -gt 0 ] || set -- run web test dist
for set_name in "$@"; do
  case "$set_name" in
    run) wanted+=("${run_packages[@]}") ;;
    web) wanted+=("${web_packages[@]}") ;;
    test) wanted+=("${packages[@]}") ;;
    dist) wanted+=("${dist_packages[@]}") ;;
    *) echo "usage: $0 [run] [web] [test] [dist]" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps ($*): all ${#wanted[@]} packages present"
  exit 0
fi

echo "install-deps ($*): installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
# Other installs may hold dpkg's lock for a while: wait for it instead of failing.
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -q "${missing[@]}"
