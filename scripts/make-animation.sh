#!/usr/bin/env bash
# Makes the README's animated picture, docs/quillmoor.gif: the last minute of
# Christmas Eve and the first three of Christmas Day as a time-lapse. The
# headless renderer writes every fourth of 240 frames as a numbered PNG while
# the frozen moment moves on a second a frame, and ImageMagick joins the 60
# pictures into a looping GIF at 10 pictures a second. So the curtain, the
# flakes and the text's sway move at about their real pace (40 frames a
# second against the saver's 33) while the clock, 4 seconds a picture, runs
# 40 times too fast, and at midnight the countdown turns from Christmas to
# New Year. 60 small pictures stay well within ImageMagick's resource limits.
#   scripts/make-animation.sh [OUTPUT.gif]   (default docs/quillmoor.gif)
set -euo pipefail
cd "$(dirname "$0")/.."

output=${1:-docs/quillmoor.gif}
render=build/linux/quillmoor-render
[ -x "$render" ] || bash scripts/build.sh linux
command -v convert >/dev/null || { echo "make-animation: needs ImageMagick's convert" >&2; exit 1; }

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

"$render" --size 480x270 --seed 7 --at "2026-12-24 23:59:00" --step 1 --frames 240 --every 4 \
  --out "$frames/%03d.png"
# A fixed 8x8 ordered dither to 8 x 8 x 4 levels (one palette of 256 colours
# for every picture): the curtain's gradients keep their smoothness without
# the banding of plain quantisation, and, unlike error diffusion, the same
# pattern in every picture compresses well and keeps the file small.
convert -delay 10 -loop 0 "$frames"/*.png -ordered-dither o8x8,8,8,4 -layers Optimize "$output"
echo "make-animation: $output ($(du -k "$output" | cut -f1) kB, $(ls "$frames" | wc -l) pictures)"
