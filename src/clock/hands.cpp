#include "clock/hands.h"

#include <cmath>
#include <initializer_list>

HandGridSet HandGrids;

void BuildHands() {
  for (int h = 0; h < HandCount; ++h) {
    const HandShape& shape = HandShapes[h];
    HandPositionGrids& grid = HandGrids.Hands[h];
    for (int i = 0; i < HandRows; ++i)
      for (int j = 0; j < HandColumns; ++j) {
        grid.x[i][j] = std::cos(Pi * std::sqrt(Extended(i) / 10 + 0.1_x)) / shape.LengthDivisor + shape.LengthOffset;
        grid.y[i][j] = std::cos(Pi * j / 6) * std::sin(Pi * i / 10 + shape.WidthPhase) / shape.WidthDivisor;
        grid.z[i][j] = 1;
      }
  }

  // Opaque along the middle column, fading to fully transparent at both edges.
  for (int i = 0; i < HandRows; ++i)
    for (int j = 0; j < HandColumns; ++j) {
      const Extended across = 1 - 2 * std::fabs(Extended(j) / 6 - 0.5_x);
      HandGrids.r[i][j] = HandGrids.g[i][j] = HandGrids.b[i][j] = 1;
      HandGrids.a[i][j] = across * across;
    }
}

namespace {

struct HandPoint {
  Vector3f Position;
  Colour4f Colour;
};

HandPoint PointOf(const HandPositionGrids& hand, int i, int j) {
  return {ToVector3f(hand.x[i][j], hand.y[i][j], hand.z[i][j]),
          ToColour4f(HandGrids.r[i][j], HandGrids.g[i][j], HandGrids.b[i][j], HandGrids.a[i][j])};
}

}  // namespace

void DrawHand(Hand hand, NormalStyle style) {
  const HandPositionGrids& grid = HandGrids.Of(hand);
  glBegin(GL_TRIANGLES);
  for (int i = 0; i + 1 < HandRows; ++i)
    for (int j = 0; j + 1 < HandColumns; ++j) {
      const HandPoint p = PointOf(grid, i, j);
      const HandPoint right = PointOf(grid, i, j + 1);
      const HandPoint below = PointOf(grid, i + 1, j);
      const HandPoint diagonal = PointOf(grid, i + 1, j + 1);
      // A = (p, diagonal, right), B = (p, below, diagonal).
      if (style == NormalStyle::FaceNormal) {
        const Vector3f normalA = TriangleNormal(p.Position, diagonal.Position, right.Position);
        const Vector3f normalB = TriangleNormal(p.Position, below.Position, diagonal.Position);
        SendNormal(normalA);
        SendCorner(p.Position, p.Colour);
        SendCorner(diagonal.Position, diagonal.Colour);
        SendCorner(right.Position, right.Colour);
        SendNormal(normalB);
        SendCorner(p.Position, p.Colour);
        SendCorner(below.Position, below.Colour);
        SendCorner(diagonal.Position, diagonal.Colour);
      } else {
        for (const HandPoint* corner : {&p, &diagonal, &right, &p, &below, &diagonal})
          SendCornerWithPositionNormal(corner->Position, corner->Colour);
      }
    }
  glEnd();
}
