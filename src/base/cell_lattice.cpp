#include "base/cell_lattice.h"

#include <cmath>

bool PlaceLattice(const LatticeShape& shape, LatticeAngle& angle, CellLattice& lattice) {
  if (shape.Order < 1 || shape.Order > MaxLatticeOrder) return false;
  for (int s = 0; s < LatticeSectors; ++s) {
    const Extended sectorStart = s * Pi / 3 - Pi / 6;
    for (int j = 0; j <= shape.Order; ++j) {
      const Extended radius = shape.Radius * j / shape.Order;
      const Extended step = Pi / (3 * j + shape.StepGuard);
      for (int k = 0; k <= j; ++k) {
        Extended& x = lattice.x[s][j][k];
        Extended& y = lattice.y[s][j][k];
        if (j == 0) {
          // Radius 0: the angle has no effect, and must not bring in a stray
          // infinity or NaN through 0 * cos.
          x = shape.CentreX;
          y = shape.CentreY;
        } else {
          x = shape.CentreX + radius * std::cos(angle.Value);
          y = shape.CentreY + radius * std::sin(angle.Value);
        }
        lattice.z[s][j][k] = shape.PlaneZ;
        angle.Value = k < j ? angle.Value + step : sectorStart;
      }
    }
  }
  return true;
}
