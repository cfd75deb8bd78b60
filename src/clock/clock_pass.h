// The clock section of every frame: twelve numerals, sixty dial marks, and
// the hour, minute and second hands.
#pragma once

#include "base/extended.h"

inline constexpr int ClockPositions = 12;
inline constexpr Extended NumeralRingRadius = 0.36_x;

// Up to two digits per clock position, left digit first, each with its
// horizontal shift from the ring point in CellSteps.
struct NumeralDigit {
  int Digit = 0;
  int Shift = 0;
};

struct RingNumeral {
  int DigitCount = 1;
  NumeralDigit Digits[2];
};

// Position k = 0 is twelve o'clock, then clockwise. A lone 1 stands in its
// glyph's right-hand columns, so it is pulled left; the two-digit numerals
// are set as listed.
inline constexpr RingNumeral NumeralTable[ClockPositions] = {
    {2, {{1, -6}, {2, 4}}},  // 12
    {1, {{1, -2}}},          // 1
    {1, {{2, 0}}},           // 2
    {1, {{3, 1}}},           // 3
    {1, {{4, 0}}},           // 4
    {1, {{5, 0}}},           // 5
    {1, {{6, 0}}},           // 6
    {1, {{7, 0}}},           // 7
    {1, {{8, 0}}},           // 8
    {1, {{9, -1}}},          // 9
    {2, {{1, -5}, {0, 5}}},  // 10
    {2, {{1, -5}, {1, 1}}},  // 11
};

struct RingPoint {
  Extended x = 0, y = 0;
};

// (0.36 cos t, -0.36 sin t) with t = 2 pi k / 12 - pi/2, relative to ClockOffset.
RingPoint NumeralRingPoint(int position);

// Degrees, counter-clockwise about +z from +x: 90 is twelve o'clock.
struct HandAngleSet {
  Extended Hour = 0, Minute = 0, Second = 0;
};

// The angles the hands are drawn at, set by the frame from its clock reading.
extern HandAngleSet HandAngles;

// The clock section: numerals, dial marks, then the three hands turned by
// HandAngles. Expects the identity model-view matrix and alpha blending; sets
// the blend function (to that same value) before each numeral and leaves the
// model-view matrix as it found it.
void DrawClockFace();
