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
# It needs the run, web and dist sets of scripts/install-deps.sh. No build
# time goes into the files: the .deb's file times are SOURCE_DATE_EPOCH's (the
# archived commit's time unless it is set), the zip's the release date's, the
# source archive's the commit's, and the installer has none.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
what=${1:-all}
tests=${QUILLMOOR_TESTS:-ON}
[ "$what" != dist ] || tests=${QUILLMOOR_TESTS:-OFF}
version=$(sed -n 's/^project(quillmoor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

build_windows() {
  cmake --preset windows >/dev/null
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
  cmake --preset linux -DQUILLMOOR_TESTS="$tests" -DQUILLMOOR_BENCH="$tests" -DQUILLMOOR_SCR="$scr" \
    -DQUILLMOOR_WIN_PROBE="$probe" -DQUILLMOOR_SETUP="$setup" -DQUILLMOOR_WINDOWS_ZIP="$zip" \
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

build_dist() {
  local missing=() tool ref tag="v$version" file
  for tool in makensis zip dpkg-shlibdeps git emcc; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "build.sh dist: ${missing[*]} missing: bash scripts/install-deps.sh run web dist" >&2
    exit 1
  fi
  # The sources of the release: its tag, which must then be what is built.
  if git rev-parse -q --verify "refs/tags/$tag^{commit}" >/dev/null; then
    ref=$tag
    if [ "$(git rev-parse "$tag^{commit}")" != "$(git rev-parse HEAD)" ]; then
      echo "build.sh dist: the tag $tag is not HEAD: check it out to build its release" >&2
      exit 1
    fi
  else
    ref=HEAD
    echo "build.sh dist: no tag $tag yet: the source archive is HEAD's"
  fi
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "build.sh dist: the working tree has changes that the source archive leaves out" >&2
  export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct "$ref")}

  build_windows && build_web && build_linux
  rm -rf dist build/dist-cpack
  mkdir -p dist
  for file in "quillmoor-$version-setup.exe" "quillmoor-$version-windows-x64.zip"; do
    cp "build/windows/$file" dist/
  done
  cp build/web/quillmoor.html "dist/quillmoor-$version.html"
  cpack -G DEB --config build/linux/CPackConfig.cmake -B build/dist-cpack >/dev/null
  cp build/dist-cpack/quillmoor_"$version"_*.deb dist/
  git archive --format=tar.gz --prefix="quillmoor-$version/" -o "dist/quillmoor-$version.tar.gz" "$ref"
  (cd dist && LC_ALL=C sha256sum -- * >SHA256SUMS)
  echo "dist/:"
  (cd dist && ls -l --time-style=+ -- * | awk '{print "  " $5 "  " $6}')
}

case "$what" in
  linux) build_linux ;;
  windows) build_windows ;;
  web) build_web ;;
  # The web page before the native tree, whose tests look for it.
  all) build_windows && build_web && build_linux ;;
  dist) build_dist ;;
  *) echo "usage: $0 linux|windows|web|all|dist" >&2; exit 2 ;;
esac
