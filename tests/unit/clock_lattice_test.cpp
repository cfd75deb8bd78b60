#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/cell_lattice.h"
#include "clock_test_support.h"

namespace {

using clocktest::Same;

constexpr LatticeShape Order2{2, 0.005L, 0, 0, 1, 0.000001L};
constexpr LatticeShape Order3{3, 0.015L, 0, 0, 1, 0.000001L};
constexpr LatticeShape FlakeShape{4, 0.015L, 0, 0, 0, 0.00001L};

CellLattice Placed(const LatticeShape& shape) {
  CellLattice lattice;
  LatticeAngle angle;
  EXPECT_TRUE(PlaceLattice(shape, angle, lattice));
  return lattice;
}

TEST(TriangleNormal, DegenerateCounterClockwiseAndSwappedTriangles) {
  const Vector3f zero{0, 0, 0};
  EXPECT_TRUE(Same(TriangleNormal({1, 2, 3}, {2, 4, 6}, {3, 6, 9}), zero));                 // collinear
  EXPECT_TRUE(Same(TriangleNormal({0.5f, -1, 2}, {0.5f, -1, 2}, {0.5f, -1, 2}), zero));     // equal
  EXPECT_TRUE(Same(TriangleNormal({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), Vector3f{0, 0, 1}));
  EXPECT_TRUE(Same(TriangleNormal({3, 4, 5}, {5, 4, 5}, {3, 7, 5}), Vector3f{0, 0, 6}));    // twice the area
  EXPECT_TRUE(Same(TriangleNormal({0, 0, 0}, {0, 0, 1}, {1, 0, 0}), Vector3f{0, 1, 0}));
  const Vector3f a{0.1f, -0.3f, 1}, b{0.7f, 0.2f, 0.9f}, c{-0.4f, 0.5f, 1.3f};
  const Vector3f n = TriangleNormal(a, b, c);
  EXPECT_NE(n.x, 0);
  EXPECT_TRUE(Same(TriangleNormal(a, c, b), Vector3f{-n.x, -n.y, -n.z}));
}

TEST(TriangleNormal, FormsEachProductPairInExtendedPrecision) {
  // N.z = (1 + 2^-12)^2 - 1 = 2^-11 + 2^-24: squared in single precision the
  // 2^-24 would round away.
  const float e = 1.0f + std::ldexp(1.0f, -12);
  EXPECT_EQ(TriangleNormal({0, 0, 0}, {e, 1, 0}, {1, e, 0}).z, std::ldexp(1.0f, -11) + std::ldexp(1.0f, -24));
}

TEST(LatticePlacement, RowsAreArcsAndSectorsMeetInSeparateNearlyEqualPoints) {
  for (const LatticeShape& shape : {Order2, Order3, FlakeShape}) {
    const CellLattice cell = Placed(shape);
    for (int s = 0; s < LatticeSectors; ++s)
      for (int j = 1; j <= shape.Order; ++j) {
        for (int k = 0; k <= j; ++k) {
          const Extended x = cell.x[s][j][k], y = cell.y[s][j][k];
          EXPECT_NEAR(double(std::hypot(x, y)), double(shape.Radius * j / shape.Order), 1e-15);
          // The step guard shortens point k by about k * pi * guard / (9 j^2) radians.
          const Extended off = std::remainder(std::atan2(y, x) - (s * Pi / 3 - Pi / 6 + k * Pi / (3 * j)), 2 * Pi);
          EXPECT_LE(off, 1e-15L) << s << j << k;
          EXPECT_GT(off, -shape.StepGuard) << s << j << k;
        }
        const int next = (s + 1) % LatticeSectors;
        const Extended gap = std::hypot(cell.x[s][j][j] - cell.x[next][j][0], cell.y[s][j][j] - cell.y[next][j][0]);
        EXPECT_GT(gap, 0);
        EXPECT_LT(gap, shape.Radius * shape.StepGuard);
      }
  }
}

TEST(LatticePlacement, RowZeroIsTheCentreWhateverTheAccumulatorHeld) {
  const LatticeShape shape{3, 0.015L, 0.25L, -0.125L, 1, 0.000001L};
  const CellLattice alone = Placed(shape);
  for (Extended start : {Extended(1e30L), std::numeric_limits<Extended>::infinity(),
                         std::numeric_limits<Extended>::quiet_NaN()}) {
    CellLattice cell;
    LatticeAngle angle{start};
    ASSERT_TRUE(PlaceLattice(shape, angle, cell));
    for (int s = 0; s < LatticeSectors; ++s) {
      EXPECT_EQ(cell.x[s][0][0], 0.25L);
      EXPECT_EQ(cell.y[s][0][0], -0.125L);
      EXPECT_EQ(cell.z[s][0][0], 1);
    }
    EXPECT_EQ(cell.y[0][1][0], alone.y[0][1][0]) << "row 1 starts from the reset angle";
  }
}

TEST(LatticePlacement, OneAccumulatorServesSeveralLattices) {
  LatticeAngle angle;
  CellLattice first, second;
  const LatticeShape moved{2, 0.005L, 0.5L, 0.25L, 1, 0.000001L};
  ASSERT_TRUE(PlaceLattice(Order2, angle, first));
  EXPECT_EQ(angle.Value, 5 * Pi / 3 - Pi / 6);
  ASSERT_TRUE(PlaceLattice(moved, angle, second));
  const CellLattice alone = Placed(moved);
  for (int s = 0; s < LatticeSectors; ++s)
    for (int k = 0; k <= 2; ++k) EXPECT_EQ(second.x[s][2][k], alone.x[s][2][k]);
}

TEST(LatticePlacement, RefusesOrdersTheStorageCannotHold) {
  for (int order : {0, -1, 6}) {
    CellLattice cell;
    LatticeAngle angle;
    EXPECT_FALSE(PlaceLattice({order, 0.01L, 0, 0, 1, 0.000001L}, angle, cell)) << order;
    EXPECT_EQ(cell.x[0][1][0], 0);
    int visits = 0;
    ForEachLatticeTriangle(order, [&](LatticeIndex, LatticeIndex, LatticeIndex) { ++visits; });
    EXPECT_EQ(visits, 0);
  }
  const CellLattice five = Placed({MaxLatticeOrder, 0.01L, 0, 0, 1, 0.000001L});
  EXPECT_NEAR(double(std::hypot(five.x[0][5][5], five.y[0][5][5])), 0.01, 1e-15);
}

}  // namespace
