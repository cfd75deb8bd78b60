# /s under Wine draws the scene: the snowflake clock upper right, the six
# lines of the countdown at the left in lit, translucent outline text (Wine's
# own outline conversion of Tahoma), and the white ground along the bottom,
# over the coloured curtain and the dark blue clear colour.
source "$E2E_LIB"

# Where the scene puts things on this screen: the clock's centre lies at
# eye-space (0.28 * aspect, 0.2, -1.5) and its dial marks at radius 0.4, seen
# through a 45-degree perspective; the countdown's anchors lie left of the
# middle at depth -2.
read -r CLOCK_X CLOCK_Y DIAL_RADIUS <<<"$(awk -v w="$SCREEN_WIDTH" -v h="$SCREEN_HEIGHT" 'BEGIN {
  aspect = w / h; f = 1 / (sin(3.14159265 / 8) / cos(3.14159265 / 8));
  x = (f / aspect * 0.28 * aspect / 1.5 + 1) / 2 * w;
  y = (1 - f * 0.2 / 1.5) / 2 * h;
  printf "%d %d %d\n", x, y, f * 0.4 / 1.5 / 2 * h }')"

section "the picture"
start_saver_and_wait /s
shot="$E2E_OUT/scene.png"
box=$((DIAL_RADIUS * 2 + 20))
# The box stops at two thirds of the height, above the ground; the dial ends
# above that line.
box_height=$((SCREEN_HEIGHT * 2 / 3 - (CLOCK_Y - box / 2)))
[ "$box_height" -gt "$box" ] && box_height=$box
for attempt in $(seq 1 40); do
  screenshot "$shot"
  clock=$(count_raised "$shot" $((CLOCK_X - box / 2)) $((CLOCK_Y - box / 2)) "$box" "$box_height" 12)
  [ "$clock" -ge 1000 ] && break
  sleep 0.25
done
echo "  screenshot: $shot (clock centre at $CLOCK_X,$CLOCK_Y, dial radius $DIAL_RADIUS)"

# The numerals, dial marks and hands are white cells and blades: a couple of
# thousand pixels standing out in the clock's box, and the centre, where the
# three hands meet, near-white (the curtain alone, coloured, leaves at least
# one channel well below that).
at_least "pixels of the clock standing out" "$clock" 1000
centre_white=$(convert "$shot" -crop "5x5+$((CLOCK_X - 2))+$((CLOCK_Y - 2))" +repage -separate \
  -evaluate-sequence min -format "%[fx:round(255*maxima)]" info:)
at_least "the hands' hub at the clock's centre (its weakest channel)" "$centre_white" 200

# The text: translucent white over blue at the left, one band of lit pixels
# for each line (the heading pair lies on one anchor), from the glyphs' height
# above the line's anchor down to a little below it. The display, and with it
# the anchors' heights, depends on the date: New Year from 25 December on.
# Down to two thirds of the height: below it the ground begins.
text=$(count_raised "$shot" 0 0 $((SCREEN_WIDTH * 45 / 100)) $((SCREEN_HEIGHT * 2 / 3)) 6)
at_least "lit pixels of the countdown's lines at the left" "$text" 3000
if [ "$(date +%m%d)" -ge 1225 ]; then anchors="0.45 0.3 0.15 0 -0.15"; else anchors="0.5 0.35 0.2 0.05 -0.1"; fi
for anchor in $anchors; do
  row=$(awk -v a="$anchor" -v h="$SCREEN_HEIGHT" 'BEGIN {
    f = cos(3.14159265 / 8) / sin(3.14159265 / 8); printf "%d", (1 - f * a / 2) / 2 * h }')
  lit=$(count_raised "$shot" 0 $((row - 45)) $((SCREEN_WIDTH * 45 / 100)) 55 6)
  at_least "lit pixels of the line anchored at y = $anchor (screen row $row)" "$lit" 400
done
# The ground: lit white across the whole width of the bottom eighth, where
# its front rows lie.
band=$((SCREEN_HEIGHT / 8))
ground=$(count_bright "$shot" 0 $((SCREEN_HEIGHT - band)) "$SCREEN_WIDTH" "$band" 25)
at_least "lit pixels of the ground across the bottom" "$ground" $((SCREEN_WIDTH * band * 99 / 100))
# Everything drawn lies over the dark blue: no channel anywhere below it.
darkest="$(darkest_levels "$shot")"
if over_clear_colour "$darkest"; then pass "the darkest levels over the screen lie over the clear colour ($darkest)"
else fail "the darkest levels ($darkest) lie below the clear colour $DARK_BLUE"; fi

xdotool key a
expect_saver_ended "key a"
finish
