#!/usr/bin/env bash
# The Debian package, built by CPack from a finished build: it holds the three
# programs, the settings description, the man pages, the picture, the
# copyright and the changelog and nothing else, and lintian finds no error or
# warning in it; the man pages and the changelog are compressed as Debian
# wants, the copyright gives the licence of LICENSE; the programs are
# hardened; unpacked, its programs run; its Depends names exactly the
# packages of the libraries the programs link; its XScreenSaver config parses
# and names the installed command with options it accepts, its frame-rate
# slider the range the saver takes; MATE's theme entry runs the installed hack.
#
#   deb.sh BUILD_DIR
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/checks.sh"
[ $# -eq 1 ] && [ -f "$1/CPackConfig.cmake" ] || { echo "usage: deb.sh BUILD_DIR (a configured build)" >&2; exit 2; }
work="$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-deb.XXXXXX")"
trap 'rm -rf "$work"' EXIT

section "cpack -G DEB"
cpack -G DEB --config "$1/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; report_and_exit; }
deb="$(ls "$work"/cpack/*.deb)"
echo "  $(basename "$deb"): $(stat -c %s "$deb") bytes"
echo "  Depends: $(dpkg-deb -f "$deb" Depends)"

section "what it holds"
html="$(sed -n 's/^QUILLMOOR_HTML:FILEPATH=//p' "$1/CMakeCache.txt")"
overrides="" web_page=""
[ -n "$html" ] && overrides="./usr/share/lintian/overrides/quillmoor " web_page="./usr/share/quillmoor/quillmoor.html "
expect "its files" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort | tr '\n' ' ')" \
  "./usr/bin/quillmoor-render ./usr/bin/quillmoor-wayland ./usr/libexec/xscreensaver/quillmoor ./usr/share/applications/screensavers/quillmoor.desktop ./usr/share/doc/quillmoor/changelog.gz ./usr/share/doc/quillmoor/copyright ./usr/share/doc/quillmoor/quillmoor.png ./usr/share/doc/quillmoor/state-json.md ${overrides}./usr/share/man/man1/quillmoor-render.1.gz ./usr/share/man/man1/quillmoor-wayland.1.gz ./usr/share/man/man6/quillmoor.6.gz ${web_page}./usr/share/xscreensaver/config/quillmoor.xml "
dpkg-deb -x "$deb" "$work/root"
usr="$work/root/usr"
[ -z "$html" ] || expect "the web page is the built one" "$(cmp "$html" "$usr/share/quillmoor/quillmoor.html" 2>&1)" ""
doc="$usr/share/doc/quillmoor"
# gzip -9n: deflate with no flags (no name), no time stamp (bytes 4 to 7), best compression (byte 8 is 2).
for page in "$usr"/share/man/man*/* "$doc/changelog.gz"; do
  expect "$(basename "$page") is compressed with gzip -9n" "$(head -c 9 "$page" | od -An -tx1 | tr -d ' ')" 1f8b08000000000002
done
for page in "$usr"/share/man/man*/*; do
  expect "$(basename "$page") formats without warnings" "$(zcat "$page" | groff -man -ww -z 2>&1)" ""
done
expect "the changelog's entry is this version's" "$(zcat "$doc/changelog.gz" | head -n 1)" \
  "quillmoor ($(dpkg-deb -f "$deb" Version)) unstable; urgency=medium"
# Its only indented lines, the licence's text, are the terms of LICENSE.
expect "the copyright names the licence" "$(grep -c '^License: Expat$' "$doc/copyright")" 2
expect "with the terms of LICENSE (their differences)" "$(diff <(sed -n 's/^ //p' "$doc/copyright" | sed 's/^\.$//') \
  <(sed -n '/^Permission/,$p' "$(dirname "${BASH_SOURCE[0]}")/../../LICENSE"))" ""

section "lintian -I --pedantic"
if command -v lintian >/dev/null; then
  # Root is fine for reading a package; lintian's note about it is not a finding.
  tags="$(lintian -I --pedantic --fail-on error,warning "$deb" 2>"$work/lintian.err")"
  status=$?
  [ -z "$tags" ] || sed 's/^/  /' <<<"$tags"
  expect "lintian finds no error or warning (exit status)" "$status" 0
  expect "no E: or W: tag" "$(grep -E '^[EW]: ' <<<"$tags")" ""
else
  fail "lintian is not installed (scripts/install-deps.sh)"
fi

section "hardened"
programs=("$usr/bin/quillmoor-render" "$usr/bin/quillmoor-wayland" "$usr/libexec/xscreensaver/quillmoor")
for program in "${programs[@]}"; do
  name="$(basename "$program")"
  contains "$name: bound at start (BIND_NOW)" "$(readelf -d "$program" | grep -E '\(FLAGS(_1)?\)')" NOW
  at_least "$name: fortified C library calls (__*_chk)" "$(readelf -s --wide "$program" | grep -cE ' __[a-z0-9_]+_chk(@|$)')" 1
  expect "$name: no .comment section" "$(readelf -S --wide "$program" | grep -c ' \.comment ')" 0
done

section "unpacked, it runs"
expect "quillmoor --version" "$("$usr/libexec/xscreensaver/quillmoor" --version)" "quillmoor $(dpkg-deb -f "$deb" Version)"
expect "quillmoor-wayland --version" "$("$usr/bin/quillmoor-wayland" --version)" "quillmoor-wayland $(dpkg-deb -f "$deb" Version)"
"$usr/bin/quillmoor-render" --size 32x32 --seed 1 --out "$work/x.png" 2>"$work/render.err"
expect "quillmoor-render --size 32x32: exit code" "$?" 0
expect "it writes a PNG" "$(head -c 8 "$work/x.png" 2>/dev/null | od -An -tx1 | tr -d ' ')" "89504e470d0a1a0a"

section "Depends"
# The packages that own the libraries the programs link, in this machine's
# library folder, against those the package depends on (the first of two
# alternatives counts).
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
linked="$(objdump -p "${programs[@]}" | awk '/NEEDED/ {print $2}' |
  sort -u | while read -r library; do dpkg -S "*/$multiarch/$library" | head -n 1 | cut -d: -f1; done | sort -u | tr '\n' ' ')"
depends="$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/ //g' | sort -u | tr '\n' ' ')"
expect "the packages of the linked libraries, and no others" "$depends" "$linked"
expect "no library linked goes unused (ldd -u)" \
  "$(ldd -u "${programs[@]}" | grep -v ':$')" ""

section "the XScreenSaver config"
xml="$usr/share/xscreensaver/config/quillmoor.xml"
if xmllint --noout "$xml"; then pass "it is well-formed XML"; else fail "xmllint refuses it"; fi
read -r tag name command fps described < <(python3 - "$xml" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
fps = [b.get("arg-set") for b in root.iter("boolean") if b.get("id") == "showfps"]
print(root.tag, root.get("name"), root.find("command").get("arg"), fps[0] if fps else "-",
      len(root.findtext("_description", "").split()))
PY
)
expect "a screensaver named after the installed command" "$tag $name" "screensaver $(ls "$usr/libexec/xscreensaver")"
expect "its command line and its frame-rate switch" "$command $fps" "--root --fps"
at_least "words in its description" "$described" 40
"$usr/libexec/xscreensaver/quillmoor" $command $fps --help >/dev/null
expect "the saver accepts them" "$?" 0
# The frame-rate slider's ends and default are delays the saver takes, and a
# microsecond beyond either end is refused: the slider spans the whole range.
read -r low default high < <(python3 -c '
import sys, xml.etree.ElementTree as ET
n = [n for n in ET.parse(sys.argv[1]).getroot().iter("number") if n.get("arg") == "--delay %"][0]
print(n.get("low"), n.get("default"), n.get("high"))' "$xml")
statuses=""
for delay in "$low" "$default" "$high" "$((low - 1))" "$((high + 1))"; do
  "$usr/libexec/xscreensaver/quillmoor" --delay "$delay" --help >/dev/null 2>&1
  statuses+="$delay:$? "
done
expect "the slider's low, default and high accepted, one beyond refused" "$statuses" \
  "$low:0 $default:0 $high:0 $((low - 1)):2 $((high + 1)):2 "

section "MATE's theme"
entry="$usr/share/applications/screensavers/quillmoor.desktop"
expect "a screen saver, run by its full installed path, on the root or the window MATE gives" \
  "$(grep -E '^(Categories|Exec|TryExec)=' "$entry" | sort | tr '\n' ' ')" \
  "Categories=Screensaver; Exec=/usr/libexec/xscreensaver/quillmoor --root TryExec=/usr/libexec/xscreensaver/quillmoor "
expect "desktop-file-validate finds nothing" "$(desktop-file-validate --no-hints "$entry" 2>&1)" ""

report_and_exit
