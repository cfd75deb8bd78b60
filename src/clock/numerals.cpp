#include "clock/numerals.h"

#include <algorithm>
#include <cmath>

#include "base/scene_params.h"

NumeralCellTemplate CellTemplate;
DigitCellTable DigitCells;

void BuildCellTemplate() {
  LatticeAngle angle;
  PlaceLattice(NumeralCellShape, angle, CellTemplate.Positions);

  RowColours& colours = CellTemplate.Colours;
  for (int j = 0; j <= NumeralCellShape.Order; ++j)
    for (int k = 0; k <= j; ++k) {
      colours.r[j][k] = colours.g[j][k] = colours.b[j][k] = 1;
      colours.a[j][k] = std::cos(j * 1.57_x / 2);
    }
  CopyRowColours(colours, NumeralCellShape.Order, CellTemplate.ColourCopies);
}

void BuildDigits() {
  const CellLattice& cell = CellTemplate.Positions;
  for (int d = 0; d < DigitCount; ++d)
    for (int n = 0; n < DigitCellSlots; ++n) {
      const Extended gx = Glyphs[d][n].x * CellStep;
      const Extended gy = Glyphs[d][n].y * CellStep;
      for (int s = 0; s < LatticeSectors; ++s)
        for (int j = 0; j <= NumeralCellShape.Order; ++j)
          for (int k = 0; k <= j; ++k) {
            DigitCells.x[d][n][s][j][k] = gx + cell.x[s][j][k];
            DigitCells.y[d][n][s][j][k] = gy + cell.y[s][j][k];
            DigitCells.z[s][j][k] = cell.z[s][j][k];
          }
    }
  for (int d = 0; d < DigitCount; ++d)
    for (int n = 0; n < DigitCellSlots; ++n)
      CopyLatticePoints({DigitCells.x[d][n], DigitCells.y[d][n], DigitCells.z, NumeralCellShape.Order},
                        DigitCells.Points[d][n]);
}

void DrawDigit(int digit, int last, Extended offsetX, Extended offsetY) {
  if (digit < 0 || digit >= DigitCount) return;
  last = std::min(last, DigitCellCount[digit] - 1);

  const ExtendedPoint3& clock = SceneParams.ClockOffset;
  glPushMatrix();
  glTranslatef(static_cast<float>(clock.x + offsetX), static_cast<float>(clock.y + offsetY),
               static_cast<float>(clock.z));
  glBegin(GL_TRIANGLES);
  for (int n = 0; n <= last; ++n)
    EmitLatticeWithPositionNormals(NumeralCellShape.Order, DigitCells.Points[digit][n], CellTemplate.ColourCopies);
  glEnd();
  glPopMatrix();
}
