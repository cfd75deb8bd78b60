#!/usr/bin/env bash
# The release command, scripts/build.sh dist, in throwaway checkouts of the
# project with its expensive steps (CMake, CPack) replaced by small programs
# first on the PATH, which write files that say which run made them and fail
# at the step FAIL_AT names: a development build's files say so and name the
# commit; the tag's are the release's; every step's failure ends it with a
# non-zero exit and nothing in dist/, however full an earlier run left it; a
# tree with changes, a tag that is not HEAD and a folder that is no checkout
# are refused before anything is built.
#
#   release.sh
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/checks.sh"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
version="$(sed -n 's/^project(quillmoor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
work="$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-release.XXXXXX")"
trap 'rm -rf "$work"' EXIT
bin="$work/bin"
mkdir -p "$bin"
export SHIM_LOG="$work/steps.log" VERSION="$version" REAL_GIT="$(command -v git)" REAL_SHA256SUM="$(command -v sha256sum)"
export GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@quillmoor.invalid GIT_COMMITTER_NAME=test
export GIT_COMMITTER_EMAIL=test@quillmoor.invalid GIT_AUTHOR_DATE="2026-12-07T12:00:00Z" GIT_COMMITTER_DATE="2026-12-07T12:00:00Z"
unset QUILLMOOR_SIGN_CERT QUILLMOOR_SIGN_KEY QUILLMOOR_DIST_DIRTY QUILLMOOR_TESTS SOURCE_DATE_EPOCH

# CMake: configuring makes the tree's cache, building writes the tree's
# outputs, each holding "<what> <RUN>".
cat >"$bin/cmake" <<'EOF'
#!/usr/bin/env bash
echo "cmake $*" >>"$SHIM_LOG"
case "$1" in
  --preset) step="configure-$2" tree="$2" ;;
  --build) step="build-${2#build/}" tree="${2#build/}" ;;
  *) exit 0 ;;
esac
[[ " $* " == *" --target quillmoor-bake-glyphs "* ]] && step=build-glyphs
[ "${FAIL_AT:-}" != "$step" ] || { echo "cmake: $step failed" >&2; exit 1; }
[ "$tree" != emscripten ] || tree=web
mkdir -p "build/$tree"
case "$step" in
  configure-*) echo "cache $RUN" >"build/$tree/CMakeCache.txt"; echo "cpack $RUN" >"build/$tree/CPackConfig.cmake" ;;
  build-windows)
    echo "setup $RUN" >"build/windows/quillmoor-$VERSION-setup.exe"
    echo "zip $RUN" >"build/windows/quillmoor-$VERSION-windows-x64.zip" ;;
  build-web) echo "page $RUN" >build/web/quillmoor.html ;;
esac
EOF
cat >"$bin/cpack" <<'EOF'
#!/usr/bin/env bash
echo "cpack $*" >>"$SHIM_LOG"
[ "${FAIL_AT:-}" != cpack ] || { echo "cpack: failed" >&2; exit 1; }
while [ $# -gt 0 ]; do [ "$1" = -B ] && out=$2; shift; done
mkdir -p "$out" && echo "deb $RUN" >"$out/quillmoor_${VERSION}_amd64.deb"
EOF
cat >"$bin/git" <<'EOF'
#!/usr/bin/env bash
[ "${FAIL_AT:-}:$1" != archive:archive ] || { echo "git archive: failed" >&2; exit 1; }
exec "$REAL_GIT" "$@"
EOF
cat >"$bin/sha256sum" <<'EOF'
#!/usr/bin/env bash
[ "${FAIL_AT:-}" != sums ] || { echo "sha256sum: failed" >&2; exit 1; }
exec "$REAL_SHA256SUM" "$@"
EOF
for tool in makensis zip dpkg-shlibdeps emcc; do printf '#!/bin/sh\nexit 0\n' >"$bin/$tool"; done
chmod +x "$bin"/*

# A checkout of the project: its build script and version, committed.
checkout="$work/checkout"
mkdir -p "$checkout/scripts"
cp "$root/scripts/build.sh" "$checkout/scripts/"
cp "$root/CMakeLists.txt" "$checkout/"
printf 'build/\ndist/\n' >"$checkout/.gitignore"
git -C "$checkout" init -q
git -C "$checkout" add -A
git -C "$checkout" commit -q -m sources

# dist RUN [ENV...]: runs the release command in the checkout as run RUN and
# prints its exit code; its output goes to $work/RUN.log.
dist() {
  : >"$SHIM_LOG"
  (cd "$checkout" && env PATH="$bin:$PATH" RUN="$1" "${@:2}" bash scripts/build.sh dist >"$work/$1.log" 2>&1)
  echo $?
}
dist_files() { ls "$checkout/dist" 2>/dev/null | tr '\n' ' '; }
built() { grep -c '^cmake --build' "$SHIM_LOG"; }

section "a development build: HEAD has no tag"
commit="$(git -C "$checkout" rev-parse --short=12 HEAD)"
label="$version-dev+g$commit"
expect "exit code" "$(dist first)" 0
expect "its files name the commit" "$(dist_files)" \
  "SHA256SUMS quillmoor-$label-setup.exe quillmoor-$label-windows-x64.zip quillmoor-$label.html quillmoor-$label.tar.gz quillmoor_${label}_amd64.deb "
expect "each file is this run's" "$(cat "$checkout/dist/quillmoor-$label-setup.exe" "$checkout/dist/quillmoor-$label.html" \
  "$checkout/dist/quillmoor_${label}_amd64.deb" | tr '\n' ' ')" "setup first page first deb first "
expect "the sums hold" "$(cd "$checkout/dist" && sha256sum -c --quiet SHA256SUMS 2>&1)" ""
expect "the source archive's folder names the commit" "$(tar -tzf "$checkout/dist/quillmoor-$label.tar.gz" | head -1)" \
  "quillmoor-$label/"

section "each step failing in turn, after a run that filled dist/"
for step in configure-windows build-windows configure-linux build-glyphs configure-emscripten build-web \
  build-linux cpack archive sums; do
  [ "$(dist "before-$step")" = 0 ] || fail "$step: the run before it failed"
  expect "$step fails: exit code" "$(dist "$step" FAIL_AT="$step")" 1
  expect "$step fails: nothing in dist/" "$(dist_files)" ""
done

section "the release: HEAD is its tag"
git -C "$checkout" tag "v$version"
expect "exit code" "$(dist tagged)" 0
expect "its files" "$(dist_files)" \
  "SHA256SUMS quillmoor-$version-setup.exe quillmoor-$version-windows-x64.zip quillmoor-$version.html quillmoor-$version.tar.gz quillmoor_${version}_amd64.deb "

section "refused before any build"
echo "# changed" >>"$checkout/CMakeLists.txt"
expect "changes to a tracked file: exit code" "$(dist dirty)" 1
expect "changes to a tracked file: nothing built" "$(built)" 0
contains "changes to a tracked file: it says so" "$(cat "$work/dirty.log")" "changes"
expect "built all the same when asked: exit code" "$(dist dirty-asked QUILLMOOR_DIST_DIRTY=1)" 0
expect "built all the same when asked: marked" "$(ls "$checkout/dist" | grep -c "^quillmoor[-_]$version\.dirty[-_.]")" 5
git -C "$checkout" checkout -q CMakeLists.txt
echo "# later" >>"$checkout/scripts/build.sh"
git -C "$checkout" commit -q -am later
expect "the tag is not HEAD: exit code" "$(dist moved)" 1
expect "the tag is not HEAD: nothing built" "$(built)" 0
cp -r "$checkout" "$work/copy"
rm -rf "$work/copy/.git" "$work/copy/dist"
: >"$SHIM_LOG"
(cd "$work/copy" && env PATH="$bin:$PATH" RUN=copy bash scripts/build.sh dist >"$work/copy.log" 2>&1)
expect "not a checkout: exit code" "$?" 1
expect "not a checkout: nothing built" "$(built)" 0
expect "not a checkout: no release files" "$(ls "$work/copy/dist" 2>/dev/null | wc -l)" 0

report_and_exit
