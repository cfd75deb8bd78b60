#!/usr/bin/env bash
# Makes the Windows saver's icon, src/host/win32/resources/quillmoor.ico, the
# same file byte for byte on every run:
#   - 256 pixels: the snowflake clock cut round out of a render of the scene
#     (10:08:36 on 20 December, seed 6), ringed by a dark outer and a light
#     inner line so that its edge holds on dark and light backgrounds;
#   - 64, 48, 40, 32, 24, 20 and 16 pixels: drawn anew for their size, as the
#     render's fine hands and numerals melt away there: a light face in a
#     purple rim with a dark outer edge, so that it stands out on black, on
#     white and on the task bar's blue alike; bold dark hands at four o'clock,
#     the minute hand straight up and the hour hand a third of a turn from it,
#     which no one reads as a tick (the thin second hand too from 48 pixels
#     up); a hub, and dial marks (twelve dots down to 24 pixels, four bars
#     below that).
# Each small picture is drawn eight times larger and averaged down, so edges
# are smooth and the shapes sit on the pixel grid.
#   scripts/make-icon.sh [--sheet FILE.png]
# With --sheet it also writes every size, eight times enlarged, on a dark, a
# light and the Windows task bar's blue background, to look at.
set -euo pipefail
cd "$(dirname "$0")/.."

output=src/host/win32/resources/quillmoor.ico
sheet=""
case "${1:-}" in
  --sheet) [ $# -eq 2 ] || { echo "usage: $0 [--sheet FILE.png]" >&2; exit 2; }; sheet=$2 ;;
  "") ;;
  *) echo "usage: $0 [--sheet FILE.png]" >&2; exit 2 ;;
esac
render=build/linux/quillmoor-render
[ -x "$render" ] || bash scripts/build.sh linux
command -v convert >/dev/null || { echo "make-icon: needs ImageMagick's convert" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

readonly DARK_EDGE="#140a30" LIGHT_RING="#ddd6ff"
# The drawn faces: light in the middle, a purple rim, dark hands and marks.
readonly FACE_MIDDLE="#ffffff" FACE_EDGE="#e4ddff" RIM="#5a3cd0" INK="#1c1048"
# PNG written without the time of making, so that a run repeats the last one.
readonly PLAIN_PNG=(-define png:exclude-chunks=date,time +set date:create +set date:modify)

# rings SIZE SCALE: ImageMagick draw primitives for the two rings of a disc of
# SIZE pixels drawn SCALE times larger: the dark edge along the outermost
# pixel, the light ring just inside it, each a pixel wide (at 256 pixels the
# render's dial dots lie just inside them).
rings() {
  awk -v s="$1" -v k="$2" -v dark="$DARK_EDGE" -v light="$LIGHT_RING" 'BEGIN {
    w = k; c = s * k / 2
    printf "fill none stroke %s stroke-width %g circle %g,%g %g,%g ", dark, w, c, c, c, w / 2
    printf "stroke %s stroke-width %g circle %g,%g %g,%g ", light, w, c, c, c, w * 1.5 }'
}

# finish SIZE SCALE SOURCE [DRAW]: cuts the picture SOURCE, SIZE x SCALE
# pixels square, round, draws DRAW on it (by default the two rings), and
# averages it down to SIZE pixels as $work/SIZE.png.
finish() {
  local big=$(($1 * $2))
  convert "$3" \( -size "${big}x${big}" xc:black -fill white -draw "circle $((big / 2)),$((big / 2)) $((big / 2)),0" \) \
    -alpha off -compose copy_opacity -composite -compose over -draw "${4:-$(rings "$1" "$2")}" \
    -filter box -resize "$1x$1" "${PLAIN_PNG[@]}" "$work/$1.png"
}

# The clock from the render: the dial's middle lies at (1392, 366) in a
# 1920x1080 picture and its dots end 11 pixels inside a circle 366 pixels out.
"$render" --size 1920x1080 --at "2026-12-20 10:08:36" --seed 6 --out "$work/scene.png" >/dev/null
convert "$work/scene.png" -crop 732x732+1026+0 +repage -resize 1024x1024! "$work/clock.miff"
finish 256 4 "$work/clock.miff"

# A drawn clock face of SIZE pixels, eight times larger while it is drawn.
for size in 64 48 40 32 24 20 16; do
  k=8
  face=$(awk -v s="$size" -v k="$k" -v edge="$DARK_EDGE" -v rim="$RIM" -v ink="$INK" 'BEGIN {
    pi = atan2(0, -1); c = s * k / 2
    # The rim: a dark outermost pixel, then purple, a ninth of the radius
    # wide but never under a pixel and a half.
    rw = (s < 24 ? 1.5 : s / 18) * k
    printf "fill none stroke %s stroke-width %g circle %g,%g %g,%g ", edge, k, c, c, c, k / 2
    printf "stroke %s stroke-width %g circle %g,%g %g,%g ", rim, rw, c, c, c, k + rw / 2
    r = c - k - rw
    # Four in the afternoon: the minute hand at twelve, the hour hand at four; the
    # second hand at 36 seconds.
    hour = (90 - 4 * 30) * pi / 180; minute = 90 * pi / 180; second = (90 - 36 * 6) * pi / 180
    hw = (s < 24 ? 2 : s / 11) * k; mw = (s < 24 ? 2 : s / 14) * k
    printf " stroke-linecap round fill none stroke %s ", ink
    printf "stroke-width %g line %g,%g %g,%g ", hw, c, c, c + 0.55 * r * cos(hour), c - 0.55 * r * sin(hour)
    printf "stroke-width %g line %g,%g %g,%g ", mw, c, c, c + 0.8 * r * cos(minute), c - 0.8 * r * sin(minute)
    if (s >= 48)
      printf "stroke %s stroke-width %g line %g,%g %g,%g ", rim, k, c, c, c + 0.85 * r * cos(second), c - 0.85 * r * sin(second)
    printf "stroke none fill %s circle %g,%g %g,%g ", ink, c, c, c + hw * 0.75, c
    if (s >= 24) {
      d = (s >= 32 ? s / 40 : 0.8) * k
      for (h = 0; h < 12; h++) {
        a = h * pi / 6; x = c + 0.84 * r * cos(a); y = c - 0.84 * r * sin(a)
        printf "circle %g,%g %g,%g ", x, y, x + d, y
      }
    } else {
      for (h = 0; h < 4; h++) {
        a = h * pi / 2; x0 = c + 0.7 * r * cos(a); y0 = c - 0.7 * r * sin(a)
        printf "stroke %s stroke-width %g line %g,%g %g,%g ", ink, k, x0, y0, c + r * cos(a), c - r * sin(a)
      }
    }
  }')
  convert -size "$((size * k))x$((size * k))" radial-gradient:"$FACE_MIDDLE-$FACE_EDGE" "$work/disc.miff"
  finish "$size" "$k" "$work/disc.miff" "$face"
done

# Largest first, as Windows' own icons list them; the 256 picture is stored
# as PNG, the others as bitmaps with an alpha channel.
sizes=(256 64 48 40 32 24 20 16)
(cd "$work" && convert "${sizes[@]/%/.png}" "ICO:$OLDPWD/$output.tmp")
mv "$output.tmp" "$output"
echo "make-icon: $output ($(stat -c %s "$output") bytes, ${sizes[*]} pixels)"

if [ -n "$sheet" ]; then
  # One row per background; up to 64 pixels each picture enlarged eight times
  # without smoothing, so that every pixel shows.
  rows=()
  for background in "#1e1e1e" "#f3f3f3" "#0078d4"; do
    tiles=()
    for size in 16 20 24 32 40 48 64 256; do
      zoom=$((size <= 64 ? 8 : 1))
      convert "$work/$size.png" -background "$background" -flatten -filter point -resize "$((size * zoom))x" \
        -bordercolor "$background" -border 8 "$work/tile-$size.png"
      tiles+=("$work/tile-$size.png")
    done
    convert "${tiles[@]}" -background "$background" -gravity center +append "$work/row-${#rows[@]}.png"
    rows+=("$work/row-${#rows[@]}.png")
  done
  convert "${rows[@]}" -append +repage -depth 8 "$sheet"
  echo "make-icon: $sheet"
fi
