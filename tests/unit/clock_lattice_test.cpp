#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "clock/cell_lattice.h"
#include "clock_test_support.h"

namespace {

using clocktest::CornersOf;
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

RowColours RowFade(int order) {
  RowColours colours;
  for (int j = 0; j <= order; ++j)
    for (int k = 0; k <= j; ++k) {
      colours.r[j][k] = 1;
      colours.g[j][k] = 0.5L;
      colours.b[j][k] = Extended(k) / 8;
      colours.a[j][k] = 1 - Extended(j) / 8;
    }
  return colours;
}

// ---- TriangleNormal ---------------------------------------------------------

TEST(TriangleNormal, DegenerateTrianglesHaveZeroNormal) {
  const Vector3f zero{0, 0, 0};
  for (const Vector3f& n : {TriangleNormal({1, 2, 3}, {2, 4, 6}, {3, 6, 9}),  // collinear
                            TriangleNormal({0.5f, -1, 2}, {0.5f, -1, 2}, {0.5f, -1, 2}),  // equal
                            TriangleNormal({1, 1, 1}, {1, 1, 1}, {4, 0, -2})})  // two equal
    EXPECT_TRUE(Same(n, zero)) << n.x << " " << n.y << " " << n.z;
}

TEST(TriangleNormal, CounterClockwiseUnitTrianglePointsUp) {
  EXPECT_TRUE(Same(TriangleNormal({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), Vector3f{0, 0, 1}));
  // Not normalised: twice the area, and independent of a shift of all corners.
  EXPECT_TRUE(Same(TriangleNormal({3, 4, 5}, {5, 4, 5}, {3, 7, 5}), Vector3f{0, 0, 6}));
  EXPECT_TRUE(Same(TriangleNormal({0, 0, 0}, {0, 1, 0}, {0, 0, 1}), Vector3f{1, 0, 0}));
  EXPECT_TRUE(Same(TriangleNormal({0, 0, 0}, {0, 0, 1}, {1, 0, 0}), Vector3f{0, 1, 0}));
}

TEST(TriangleNormal, SwappingTheLastTwoCornersFlipsTheSign) {
  const Vector3f a{0.1f, -0.3f, 1}, b{0.7f, 0.2f, 0.9f}, c{-0.4f, 0.5f, 1.3f};
  const Vector3f n = TriangleNormal(a, b, c);
  const Vector3f m = TriangleNormal(a, c, b);
  EXPECT_NE(n.x, 0);
  EXPECT_TRUE(Same(m, Vector3f{-n.x, -n.y, -n.z}));
}

TEST(TriangleNormal, FormsEachProductPairInExtendedPrecision) {
  // N.z = (1 + 2^-12)^2 - 1 = 2^-11 + 2^-24. Squared in single precision the
  // 2^-24 would round away; formed in Extended it survives the final rounding.
  const float e = 1.0f + std::ldexp(1.0f, -12);
  const Vector3f n = TriangleNormal({0, 0, 0}, {e, 1, 0}, {1, e, 0});
  EXPECT_EQ(n.z, std::ldexp(1.0f, -11) + std::ldexp(1.0f, -24));
}

// ---- Placement --------------------------------------------------------------

TEST(LatticePlacement, Order2MatchesTheWorkedExample) {
  const CellLattice cell = Placed(Order2);
  struct Expected {
    int s, j, k;
    double x, y;
  };
  const Expected points[] = {
      {0, 1, 0, 0.0021651, -0.00125}, {0, 1, 1, 0.0021651, 0.00125}, {0, 2, 0, 0.0043301, -0.0025},
      {0, 2, 1, 0.005, 0.0},          {0, 2, 2, 0.0043301, 0.0025},  {1, 1, 0, 0.0021651, 0.00125},
  };
  for (const Expected& p : points) {
    EXPECT_NEAR(double(cell.x[p.s][p.j][p.k]), p.x, 5e-8) << p.s << p.j << p.k;
    EXPECT_NEAR(double(cell.y[p.s][p.j][p.k]), p.y, 5e-8) << p.s << p.j << p.k;
    EXPECT_EQ(cell.z[p.s][p.j][p.k], 1);
  }
}

TEST(LatticePlacement, RowsAreArcsDividingEachSectorEvenly) {
  for (const LatticeShape& shape : {Order2, Order3, FlakeShape}) {
    const CellLattice cell = Placed(shape);
    const int R = shape.Order;
    for (int s = 0; s < LatticeSectors; ++s)
      for (int j = 1; j <= R; ++j)
        for (int k = 0; k <= j; ++k) {
          const Extended x = cell.x[s][j][k], y = cell.y[s][j][k];
          EXPECT_NEAR(double(std::hypot(x, y)), double(shape.Radius * j / R), 1e-15);
          const Extended expected = s * Pi / 3 - Pi / 6 + k * Pi / (3 * j);
          // Exact but for the step guard, which shortens point k by about
          // k * pi * guard / (9 j^2) radians.
          const Extended off = std::remainder(std::atan2(y, x) - expected, 2 * Pi);
          EXPECT_LE(off, 1e-15L) << s << j << k;
          EXPECT_GT(off, -shape.StepGuard) << s << j << k;
        }
  }
}

TEST(LatticePlacement, NeighbouringSectorsMeetInAlmostEqualPoints) {
  const CellLattice cell = Placed(Order3);
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 1; j <= 3; ++j) {
      const int next = (s + 1) % LatticeSectors;
      const Extended gap = std::hypot(cell.x[s][j][j] - cell.x[next][j][0], cell.y[s][j][j] - cell.y[next][j][0]);
      EXPECT_GT(gap, 0) << "stored separately, not shared";
      EXPECT_LT(gap, 0.015L * 2e-6L);
    }
}

TEST(LatticePlacement, RowZeroIsTheCentreWhateverTheAccumulatorHeld) {
  const LatticeShape shape{3, 0.015L, 0.25L, -0.125L, 1, 0.000001L};
  for (Extended start : {-Pi / 6, Extended(1e30L), std::numeric_limits<Extended>::infinity(),
                         std::numeric_limits<Extended>::quiet_NaN()}) {
    CellLattice cell;
    LatticeAngle angle{start};
    ASSERT_TRUE(PlaceLattice(shape, angle, cell));
    for (int s = 0; s < LatticeSectors; ++s) {
      EXPECT_EQ(cell.x[s][0][0], 0.25L) << double(start);
      EXPECT_EQ(cell.y[s][0][0], -0.125L) << double(start);
      EXPECT_EQ(cell.z[s][0][0], 1);
    }
    // The first row after the centre starts from the reset angle, so a
    // stray start value leaves no trace beyond row 0.
    EXPECT_EQ(cell.x[0][1][0], Placed(shape).x[0][1][0]);
  }
}

TEST(LatticePlacement, OneAccumulatorServesManyLattices) {
  // A builder keeps its accumulator from lattice to lattice; the reset after
  // every row makes each lattice come out as if placed alone.
  LatticeAngle angle;
  CellLattice first, second;
  const LatticeShape moved{2, 0.005L, 0.5L, 0.25L, 1, 0.000001L};
  ASSERT_TRUE(PlaceLattice(Order2, angle, first));
  EXPECT_EQ(angle.Value, 5 * Pi / 3 - Pi / 6);
  ASSERT_TRUE(PlaceLattice(moved, angle, second));
  const CellLattice alone = Placed(moved);
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= 2; ++j)
      for (int k = 0; k <= j; ++k) {
        EXPECT_EQ(second.x[s][j][k], alone.x[s][j][k]);
        EXPECT_EQ(second.y[s][j][k], alone.y[s][j][k]);
      }
}

TEST(LatticePlacement, FillsOnlyTheUsedSlots) {
  for (const LatticeShape& shape : {Order2, Order3, FlakeShape}) {
    CellLattice cell;
    for (auto* grid : {&cell.x, &cell.y, &cell.z})
      for (auto& sector : *grid)
        for (auto& row : sector)
          for (Extended& v : row) v = 99;
    LatticeAngle angle;
    ASSERT_TRUE(PlaceLattice(shape, angle, cell));
    int written = 0;
    for (int s = 0; s < LatticeSectors; ++s)
      for (int j = 0; j < LatticeRows; ++j)
        for (int k = 0; k < LatticeRowPoints; ++k) {
          const bool used = j <= shape.Order && k <= j;
          written += cell.z[s][j][k] != 99;
          EXPECT_EQ(cell.x[s][j][k] != 99, used) << s << j << k;
        }
    const int R = shape.Order;
    EXPECT_EQ(written, 6 * (R + 1) * (R + 2) / 2);
  }
}

TEST(LatticePlacement, RefusesOrdersTheStorageCannotHold) {
  for (int order : {0, -1, 6, 100}) {
    CellLattice cell;
    LatticeAngle angle;
    EXPECT_FALSE(PlaceLattice({order, 0.01L, 0, 0, 1, 0.000001L}, angle, cell)) << order;
    EXPECT_EQ(angle.Value, -Pi / 6);
    EXPECT_EQ(cell.x[0][1][0], 0);
  }
  CellLattice cell;
  LatticeAngle angle;
  EXPECT_TRUE(PlaceLattice({MaxLatticeOrder, 0.01L, 0, 0, 1, 0.000001L}, angle, cell));
  // The rim row of order 5 fills the storage's last row, all six points.
  EXPECT_NEAR(double(std::hypot(cell.x[0][5][5], cell.y[0][5][5])), 0.01, 1e-15);
  EXPECT_NEAR(double(cell.y[0][5][0]), -0.005, 1e-15);
}

// ---- Triangulation ----------------------------------------------------------

TEST(LatticeTriangulation, VisitsRowsInOrderWithTheSecondTriangleInsideRowsOnly) {
  std::vector<std::array<LatticeIndex, 3>> triangles;
  ForEachLatticeTriangle(2, [&](LatticeIndex a, LatticeIndex b, LatticeIndex c) { triangles.push_back({a, b, c}); });
  ASSERT_EQ(triangles.size(), 24u);
  // Sector 0: row 0 gives one triangle, row 1 three.
  const int expected[4][3][2] = {
      {{0, 0}, {1, 0}, {1, 1}}, {{1, 0}, {2, 0}, {2, 1}}, {{1, 0}, {2, 1}, {1, 1}}, {{1, 1}, {2, 1}, {2, 2}}};
  for (int t = 0; t < 4; ++t)
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(triangles[t][c].Sector, 0);
      EXPECT_EQ(triangles[t][c].Row, expected[t][c][0]) << t << c;
      EXPECT_EQ(triangles[t][c].Point, expected[t][c][1]) << t << c;
    }
  for (std::size_t t = 0; t < triangles.size(); ++t) EXPECT_EQ(triangles[t][0].Sector, int(t / 4));

  for (int order = 1; order <= MaxLatticeOrder; ++order) {
    int count = 0;
    ForEachLatticeTriangle(order, [&](LatticeIndex, LatticeIndex, LatticeIndex) { ++count; });
    EXPECT_EQ(count, LatticeTriangleCount(order));
    EXPECT_EQ(count, 6 * order * order);
  }
  int none = 0;
  for (int order : {0, 6}) ForEachLatticeTriangle(order, [&](LatticeIndex, LatticeIndex, LatticeIndex) { ++none; });
  EXPECT_EQ(none, 0);
}

TEST(LatticeTriangulation, EveryTriangleIsCounterClockwiseSeenFromAbove) {
  for (const LatticeShape& shape : {Order2, Order3, FlakeShape}) {
    const CellLattice cell = Placed(shape);
    const LatticeView view = ViewOf(cell, shape.Order);
    ForEachLatticeTriangle(shape.Order, [&](LatticeIndex a, LatticeIndex b, LatticeIndex c) {
      EXPECT_GT(TriangleNormal(view.At(a), view.At(b), view.At(c)).z, 0);
    });
  }
}

// ---- Emission ---------------------------------------------------------------

class LatticeEmission : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }

  template <class Colours, class Emitter>
  std::vector<clocktest::Corner> Emit(const CellLattice& cell, int order, const Colours& colours, Emitter emit) {
    glBegin(GL_TRIANGLES);
    emit(ViewOf(cell, order), colours);
    glEnd();
    const auto brackets = rgl::Brackets();
    EXPECT_EQ(brackets.size(), 1u);
    clocktest::ExpectOnlyCornerCalls(brackets.at(0));
    return CornersOf(brackets.at(0));
  }
};

TEST_F(LatticeEmission, PositionAsNormalSendsEachCornersPositionAsItsNormal) {
  for (const LatticeShape& shape : {Order2, Order3}) {
    rgl::Reset();
    const CellLattice cell = Placed(shape);
    const RowColours colours = RowFade(shape.Order);
    const auto corners = Emit(cell, shape.Order, colours, [](const LatticeView& v, const RowColours& c) {
      EmitLatticeWithPositionNormals(v, c);
    });
    ASSERT_EQ(corners.size(), shape.Order == 2 ? 72u : 162u);
    EXPECT_EQ(rgl::CountOf("glNormal3fv"), corners.size());
    EXPECT_EQ(rgl::CountOf("glColor4fv"), corners.size());

    std::size_t n = 0;
    ForEachLatticeTriangle(shape.Order, [&](LatticeIndex a, LatticeIndex b, LatticeIndex c) {
      for (LatticeIndex i : {a, b, c}) {
        const clocktest::Corner& corner = corners[n++];
        EXPECT_TRUE(corner.NormalSentForIt);
        EXPECT_TRUE(Same(corner.Normal, corner.Position));
        EXPECT_TRUE(Same(corner.Position, ToVector3f(cell.x[i.Sector][i.Row][i.Point], cell.y[i.Sector][i.Row][i.Point], 1)));
        // The colour follows the row and point, never the sector.
        EXPECT_EQ(corner.Colour.a, static_cast<float>(1 - Extended(i.Row) / 8));
        EXPECT_EQ(corner.Colour.b, static_cast<float>(Extended(i.Point) / 8));
        EXPECT_EQ(corner.Colour.g, 0.5f);
      }
    });
  }
}

TEST_F(LatticeEmission, FaceNormalStyleSendsOneNormalPerTriangleBeforeItsCorners) {
  const CellLattice cell = Placed(FlakeShape);
  SectorColours colours;
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= 4; ++j)
      for (int k = 0; k <= j; ++k) {
        colours.r[s][j][k] = colours.g[s][j][k] = colours.b[s][j][k] = 1;
        colours.a[s][j][k] = Extended(s) / 10 + Extended(j) / 100 + Extended(k) / 1000;
      }
  const auto corners = Emit(cell, 4, colours, [](const LatticeView& v, const SectorColours& c) {
    EmitLatticeWithFaceNormals(v, c);
  });
  ASSERT_EQ(corners.size(), 96u * 3u);
  EXPECT_EQ(rgl::CountOf("glNormal3fv"), 96u);

  std::size_t n = 0;
  const LatticeView view = ViewOf(cell, 4);
  ForEachLatticeTriangle(4, [&](LatticeIndex a, LatticeIndex b, LatticeIndex c) {
    const clocktest::Corner& first = corners[n];
    EXPECT_TRUE(first.NormalSentForIt);
    EXPECT_FALSE(corners[n + 1].NormalSentForIt);
    EXPECT_FALSE(corners[n + 2].NormalSentForIt);
    EXPECT_TRUE(Same(first.Normal, TriangleNormal(view.At(a), view.At(b), view.At(c))));
    EXPECT_GT(first.Normal.z, 0);
    for (LatticeIndex i : {a, b, c}) {
      const clocktest::Corner& corner = corners[n++];
      EXPECT_TRUE(Same(corner.Position, view.At(i)));
      EXPECT_EQ(corner.Colour.a, static_cast<float>(colours.a[i.Sector][i.Row][i.Point]));
      EXPECT_EQ(corner.Position.z, 0);
    }
  });
}

}  // namespace
