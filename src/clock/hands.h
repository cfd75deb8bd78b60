// The three clock hands: thin, tapering, translucent white blades, each an
// 11 x 7 grid of points (i = 0 at the tip .. 10 at the hub, j = 0..6 across),
// lying along +x of their own frame until the clock pass turns them.
#pragma once

#include "base/cell_lattice.h"

inline constexpr int HandRows = 11;     // i along the hand
inline constexpr int HandColumns = 7;   // j across it
inline constexpr int HandTriangleCount = 2 * (HandRows - 1) * (HandColumns - 1);

enum class Hand { Hour = 0, Minute = 1, Second = 2 };
inline constexpr int HandCount = 3;

// How a hand's triangles get their normals.
enum class NormalStyle { PositionAsNormal, FaceNormal };

using HandGrid = Extended[HandRows][HandColumns];

struct HandPositionGrids {
  HandGrid x{}, y{}, z{};
};

// Positions of the hour, minute and second hands, then the colour grids all
// three share.
struct HandGridSet {
  HandPositionGrids Hands[HandCount];
  HandGrid r{}, g{}, b{}, a{};

  const HandPositionGrids& Of(Hand hand) const { return Hands[static_cast<int>(hand)]; }
};
extern HandGridSet HandGrids;

// x = cos(pi * sqrt(i / 10 + 0.1)) / LengthDivisor + LengthOffset,
// y = cos(pi * j / 6) * sin(pi * i / 10 + WidthPhase) / WidthDivisor.
struct HandShape {
  Extended WidthDivisor, WidthPhase, LengthDivisor, LengthOffset;
};

inline constexpr HandShape HandShapes[HandCount] = {
    {35, 0.1_x, 5.1_x, 0.19_x},    // hour
    {60, 0.15_x, 4.8_x, 0.21_x},   // minute
    {100, 0.2_x, 4.5_x, 0.22_x},   // second
};

// Fills all of HandGrids. The width factor turns negative at the hub row, so
// the last strip of each hand crosses itself; that is the blade's shape.
void BuildHands();

// One hand's 120 triangles in one glBegin(GL_TRIANGLES) bracket. The caller
// has translated to ClockOffset and turned by the hand's angle; no matrix,
// blend or enable state is touched.
void DrawHand(Hand hand, NormalStyle style);
