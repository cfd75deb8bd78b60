#!/usr/bin/env bash
# Configures and builds the native Linux targets, the Windows saver and the
# web page.
#   scripts/build.sh linux | windows | web | all
# The native tree has its tests and benchmarks unless QUILLMOOR_TESTS=OFF
# (scripts/run.sh builds without them, so it needs no test packages).
#   scripts/build.sh dist
# builds all three (the native tree without its tests, unless
# QUILLMOOR_TESTS=ON) and writes the release's files to dist/, each named with
# the version, with their SHA-256 sums:
#   quillmoor-<version>-setup.exe        the Windows installer
#   quillmoor-<version>-windows-x64.zip  the saver, its licence and a read-me
#   quillmoor_<version>_amd64.deb        the Debian package
#   quillmoor-<version>.html             the web page
#   quillmoor-<version>.tar.gz           the sources: git archive of the tag
#                                        v<version>, or of HEAD while there is none
#   SHA256SUMS
# The version is the project's when HEAD is its tag v<version>; any other
# commit is a development build, whose files say so and name the commit:
# <version>-dev+g<commit>. It builds only from a git checkout whose tracked
# files are as committed, so that the files are what the source archive
# holds; QUILLMOOR_DIST_DIRTY=1 builds from changed files all the same, and
# marks the version with .dirty. dist/ is emptied first, and any step that
# fails ends it with a non-zero exit and an empty dist/: it never ships what
# an earlier build left. With QUILLMOOR_SIGN_CERT and QUILLMOOR_SIGN_KEY (a
# code-signing certificate and its key, PEM files; QUILLMOOR_SIGN_PASSWORD_FILE
# if the key has a password) the saver, the uninstaller and the installer
# are signed by osslsigncode; without, it says that they are not.
# It needs the run, web and dist sets of scripts/install-deps.sh. No build
# time goes into the files: the .deb's file times are SOURCE_DATE_EPOCH's (the
# archived commit's time unless it is set), the zip's the release date's, the
# source archive's the commit's, and the installer has none (unless signed).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
what=${1:-all}
tests=${QUILLMOOR_TESTS:-ON}
[ "$what" != dist ] || tests=${QUILLMOOR_TESTS:-OFF}
version=$(sed -n 's/^project(quillmoor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

build_windows() {
  cmake --preset windows -DQUILLMOOR_SIGN_CERT="${QUILLMOOR_SIGN_CERT:-}" \
    -DQUILLMOOR_SIGN_KEY="${QUILLMOOR_SIGN_KEY:-}" >/dev/null
  cmake --build build/windows -j "$jobs"
}

build_linux() {
  local scr="" probe="" setup="" zip="" html=""
  if [ -f build/windows/quillmoor.scr ]; then
    scr=$PWD/build/windows/quillmoor.scr
    probe=$PWD/build/windows/win_probe.exe
    [ -f "build/windows/quillmoor-$version-setup.exe" ] && setup=$PWD/build/windows/quillmoor-$version-setup.exe
    [ -f "build/windows/quillmoor-$version-windows-x64.zip" ] && zip=$PWD/build/windows/quillmoor-$version-windows-x64.zip
  fi
  [ -f build/web/quillmoor.html ] && html=$PWD/build/web/quillmoor.html
  # The files for the tests only where there are tests: CMake warns of
  # variables that nothing reads.
  local test_files=()
  [ "$tests" = OFF ] || test_files=(-DQUILLMOOR_SCR="$scr" -DQUILLMOOR_WIN_PROBE="$probe" -DQUILLMOOR_SETUP="$setup"
    -DQUILLMOOR_WINDOWS_ZIP="$zip")
  cmake --preset linux -DQUILLMOOR_TESTS="$tests" -DQUILLMOOR_BENCH="$tests" "${test_files[@]}" \
    -DQUILLMOOR_HTML="$html" >/dev/null
  cmake --build build/linux -j "$jobs"
}

# The page needs the native font converter first; a native tree already
# configured is reused, else one is configured for the converter alone.
build_web() {
  [ -f build/linux/CMakeCache.txt ] ||
    cmake --preset linux -DQUILLMOOR_TESTS="$tests" -DQUILLMOOR_BENCH="$tests" >/dev/null
  cmake --build build/linux -j "$jobs" --target quillmoor-bake-glyphs
  # Debian's emscripten wants its own Node modules when another node comes
  # first on the PATH.
  export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
  cmake --preset emscripten >/dev/null
  cmake --build build/web -j "$jobs"
}

dist_refuse() {
  echo "build.sh dist: $*" >&2
  exit 1
}

build_dist() {
  local missing=() tool ref tag="v$version" label commit deb
  # Everything that can refuse does so before any build.
  for tool in makensis zip dpkg-shlibdeps git emcc; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  if [ -n "${QUILLMOOR_SIGN_CERT:-}${QUILLMOOR_SIGN_KEY:-}" ]; then
    command -v osslsigncode >/dev/null || missing+=(osslsigncode)
  fi
  [ ${#missing[@]} -eq 0 ] || dist_refuse "${missing[*]} missing: bash scripts/install-deps.sh run web dist"
  [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ] ||
    dist_refuse "$PWD is not a git checkout: the release's sources are a commit's (git clone the repository)"
  if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    [ "${QUILLMOOR_DIST_DIRTY:-}" = 1 ] ||
      dist_refuse "the working tree has changes that the source archive leaves out: commit or stash them" \
        "(QUILLMOOR_DIST_DIRTY=1 builds from them all the same, marked .dirty)"
  fi
  # The sources of the release: its tag, which must then be what is built.
  commit=$(git rev-parse --short=12 HEAD)
  if git rev-parse -q --verify "refs/tags/$tag^{commit}" >/dev/null; then
    [ "$(git rev-parse "$tag^{commit}")" = "$(git rev-parse HEAD)" ] ||
      dist_refuse "the tag $tag is not HEAD: check it out to build its release"
    ref=$tag
    label=$version
  else
    ref=HEAD
    label="$version-dev+g$commit"
    echo "build.sh dist: no tag $tag at HEAD: a development build, $label"
  fi
  if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    label="$label.dirty"
    echo "build.sh dist: built from changed files: $label" >&2
  fi
  if [ -n "${QUILLMOOR_SIGN_CERT:-}" ] && [ -n "${QUILLMOOR_SIGN_KEY:-}" ]; then
    echo "build.sh dist: signing with $QUILLMOOR_SIGN_CERT"
  elif [ -n "${QUILLMOOR_SIGN_CERT:-}${QUILLMOOR_SIGN_KEY:-}" ]; then
    dist_refuse "signing needs both QUILLMOOR_SIGN_CERT and QUILLMOOR_SIGN_KEY"
  else
    echo "build.sh dist: not signed (no QUILLMOOR_SIGN_CERT and QUILLMOOR_SIGN_KEY: see docs/building.md)"
  fi
  export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct "$ref")}

  # Nothing of an earlier release stays: a step that fails leaves dist/ empty.
  rm -rf dist build/dist-cpack
  trap 'rm -rf dist' EXIT
  build_windows
  build_web
  build_linux
  mkdir -p dist
  cp "build/windows/quillmoor-$version-setup.exe" "dist/quillmoor-$label-setup.exe"
  cp "build/windows/quillmoor-$version-windows-x64.zip" "dist/quillmoor-$label-windows-x64.zip"
  cp build/web/quillmoor.html "dist/quillmoor-$label.html"
  cpack -G DEB --config build/linux/CPackConfig.cmake -B build/dist-cpack >/dev/null
  deb=$(ls build/dist-cpack/quillmoor_"$version"_*.deb)
  cp "$deb" "dist/quillmoor_${label}_${deb##*_}"
  git archive --format=tar.gz --prefix="quillmoor-$label/" -o "dist/quillmoor-$label.tar.gz" "$ref"
  (cd dist && LC_ALL=C sha256sum -- * >SHA256SUMS)
  trap - EXIT
  echo "dist/:"
  (cd dist && ls -l --time-style=+ -- * | awk '{print "  " $5 "  " $6}')
}

case "$what" in
  linux) build_linux ;;
  windows) build_windows ;;
  web) build_web ;;
  # The web page before the native tree, whose tests look for it; each step
  # on its own line, so that its failure ends the script.
  all)
    build_windows
    build_web
    build_linux
    ;;
  dist) build_dist ;;
  *) echo "usage: $0 linux|windows|web|all|dist" >&2; exit 2 ;;
esac
