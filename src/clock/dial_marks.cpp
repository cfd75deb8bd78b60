#include "clock/dial_marks.h"

#include <cmath>

DialMarkSet DialMarks;

ExtendedPoint2 DialMarkCentre(int mark) {
  const Extended theta = Extended(2 * mark) * Pi / 60 - Pi / 2;
  return {DialRadius * std::cos(theta), -DialRadius * std::sin(theta)};
}

void BuildDialMarks() {
  LatticeAngle angle;
  for (int m = 0; m < DialMarkCount; ++m) {
    const ExtendedPoint2 centre = DialMarkCentre(m);
    const LatticeShape shape{DialMarkOrder, DialMarkRimRadius, centre.x, centre.y, DialPlaneZ, DialMarkStepGuard};
    PlaceLattice(shape, angle, DialMarks.Marks[m]);
    CopyLatticePoints(ViewOf(DialMarks.Marks[m], DialMarkOrder), DialMarks.Points[m]);
  }

  RowColours& colours = DialMarks.Colours;
  for (int j = 0; j <= DialMarkOrder; ++j)
    for (int k = 0; k <= j; ++k) {
      colours.r[j][k] = colours.g[j][k] = colours.b[j][k] = 1;
      colours.a[j][k] = std::cos(Extended(j) / 3 + 0.57_x);
    }
  CopyRowColours(colours, DialMarkOrder, DialMarks.ColourCopies);
}

void DrawDialMarks() {
  glBegin(GL_TRIANGLES);
  for (const LatticePointCopies& mark : DialMarks.Points)
    EmitLatticeWithPositionNormals(DialMarkOrder, mark, DialMarks.ColourCopies);
  glEnd();
}
