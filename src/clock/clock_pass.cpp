#include "clock/clock_pass.h"

#include <cmath>

#include "base/opengl.h"
#include "base/scene_params.h"
#include "clock/dial_marks.h"
#include "clock/hands.h"
#include "clock/numerals.h"

HandAngleSet HandAngles;

RingPoint NumeralRingPoint(int position) {
  const Extended theta = 2 * Pi * position / 12 - Pi / 2;
  return {NumeralRingRadius * std::cos(theta), -NumeralRingRadius * std::sin(theta)};
}

namespace {

void TranslateToClock() {
  const ExtendedPoint3& clock = SceneParams.ClockOffset;
  glTranslatef(static_cast<float>(clock.x), static_cast<float>(clock.y), static_cast<float>(clock.z));
}

void DrawTurnedHand(Hand hand, Extended degrees, NormalStyle style) {
  glPushMatrix();
  TranslateToClock();
  glRotatef(static_cast<float>(degrees), 0, 0, 1);
  DrawHand(hand, style);
  glPopMatrix();
}

}  // namespace

void DrawClockFace() {
  for (int k = 0; k < ClockPositions; ++k) {
    const RingPoint ring = NumeralRingPoint(k);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const RingNumeral& numeral = NumeralTable[k];
    for (int n = 0; n < numeral.DigitCount; ++n) {
      const NumeralDigit& digit = numeral.Digits[n];
      DrawDigit(digit.Digit, DigitCellCount[digit.Digit] - 1, ring.x + digit.Shift * CellStep, ring.y);
    }
  }

  glPushMatrix();
  TranslateToClock();
  DrawDialMarks();
  glPopMatrix();

  // The hour hand is lit by its faces, the thinner two by their positions.
  DrawTurnedHand(Hand::Hour, HandAngles.Hour, NormalStyle::FaceNormal);
  DrawTurnedHand(Hand::Minute, HandAngles.Minute, NormalStyle::PositionAsNormal);
  DrawTurnedHand(Hand::Second, HandAngles.Second, NormalStyle::PositionAsNormal);
}
