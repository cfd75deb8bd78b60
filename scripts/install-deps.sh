#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Recommended packages come along on purpose: Wine relies on its recommends
# for OpenGL (libgl1, Mesa's drivers), its X extensions and its own fonts (Tahoma).
set -euo pipefail

packages=(
  # native build, tests and benchmarks
  build-essential cmake pkg-config libgtest-dev libbenchmark-dev
  # OpenGL through Mesa: EGL's surfaceless platform for the headless renderer
  libgl-dev libegl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  # the outline font on Linux; the renderer's PNGs deflated, and read back by libpng in its tests
  libfreetype-dev libfontconfig-dev fontconfig libpng-dev fonts-dejavu-core fonts-liberation
  libdeflate-dev
  # reading the renderer's state JSON back in the render tests
  nlohmann-json3-dev
  # the render tests: the video recipes run and their output checked with ffprobe
  ffmpeg
  # the render tests: faults injected into the renderer's writes, and the order of its calls traced
  fiu-utils strace
  # the web build's OpenGL 1.1 layer tested and measured natively on Mesa's OpenGL ES 3
  libgles-dev
  # the Windows saver: cross compiler, and Wine on a virtual X screen to run it
  g++-mingw-w64-x86-64 wine wine64 fonts-wine xvfb xdotool imagemagick x11-utils
  # two monitors for the Windows saver: Xephyr in Xvfb with two Xinerama heads
  # at places of their own (Xvfb puts all its heads at 0,0)
  xserver-xephyr
  # the Linux saver under the real XScreenSaver daemon; the root's background;
  # ps to tell when the daemon's hack has gone
  xscreensaver x11-xserver-utils procps
  # the Wayland saver: wayland-client, wayland-egl and wayland-scanner, and the
  # distribution's protocol XML (xdg-shell, xdg-output, the viewporter)
  libwayland-dev wayland-protocols
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

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
