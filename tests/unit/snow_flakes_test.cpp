#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/random.h"
#include "clock_test_support.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "snow/flakes.h"

namespace {

using clocktest::CornersOf;
using clocktest::Same;

Extended Ci(int draw) { return -0.01L - Extended(draw) / 100; }

TEST(FlakePattern, IteratesOnTheProductOfTheSquaresUntilTheFirstValueOfATenth) {
  // Worked out apart, in double precision; the step count in the comment.
  const struct { int j, k; Extended ci; double v; } cases[] = {
      {0, 0, Ci(0), 0.8653972279},    // 3 steps
      {2, 1, Ci(0), 0.1227720629},    // 7
      {4, 2, Ci(0), 0.1146262285},    // 5
      {2, 1, Ci(49), 0.1209980443},   // 10
      {0, 0, Ci(199), 2.7000018519},  // 1: the largest value of any flake
      {2, 1, Ci(99), 0.1000499375},   // 1: the smallest
  };
  for (const auto& c : cases) EXPECT_NEAR(double(FlakePatternValue(c.j, c.k, c.ci)), c.v, 1e-9) << c.j << c.k;

  // For every constant each point gets there within 11 steps, so no value
  // falls short of 0.1; the pattern is mirror-symmetric within its row.
  for (int draw = 0; draw < 200; ++draw)
    for (int j = 0; j <= 4; ++j)
      for (int k = 0; k <= j; ++k) {
        const Extended v = FlakePatternValue(j, k, Ci(draw));
        ASSERT_GE(v, 0.1L) << draw << " " << j << k;
        ASSERT_LE(v, 2.71L);
        EXPECT_NEAR(double(v), double(FlakePatternValue(j, j - k, Ci(draw))), 1e-4);
      }
}

// A pattern of zeros with the given values, and opacities as generation gives
// them (v where v >= 0.1).
struct HaloCase {
  LatticeCoordinate pattern{}, opacity{};
  void Set(int s, int j, int k, Extended v) {
    pattern[s][j][k] = v;
    opacity[s][j][k] = v >= 0.1L ? v : 0;
  }
};

TEST(FlakeHalo, MarksFromValuesAboveATenthAndEachVisitSeesTheEarlierOnes) {
  static HaloCase c;
  c = {};
  // Sector 2: (1,0) and (1,1) strong, (2,0) empty, (2,1) and (2,2) strong.
  c.Set(2, 1, 0, 0.5L);
  c.Set(2, 1, 1, 0.5L);
  c.Set(2, 2, 1, 0.6L);
  c.Set(2, 2, 2, 0.7L);
  // Sector 4: a lone point of exactly 0.1 starts nothing; in sector 0 one a
  // hair above it does.
  c.Set(4, 3, 1, 0.1L);
  c.Set(0, 3, 1, std::nextafter(0.1L, 1.0L));
  MarkFlakeHalo(c.pattern, c.opacity);

  // Visit (0,0) fills the empty centre and fades (1,0) and (1,1); visit
  // (1,0) fills (2,0) and fades (2,1); visit (1,1) finds none of its three
  // empty, but (2,1) already at 0.1, and fades (2,2) as well. Visits (2,1)
  // and (2,2) reach row 3 from their strong values; (2,0) has none.
  for (auto [j, k] : {std::pair{0, 0}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {3, 1}, {3, 2}, {3, 3}})
    EXPECT_EQ(c.opacity[2][j][k], 0.1L) << j << k;
  EXPECT_EQ(c.opacity[2][3][0], 0);
  EXPECT_EQ(c.opacity[2][4][1], 0) << "row 3 holds no value above 0.1";
  for (int s : {1, 3}) EXPECT_EQ(c.opacity[s][1][0], 0) << "sectors keep apart";

  EXPECT_EQ(c.opacity[4][3][1], 0.1L);
  for (auto [j, k] : {std::pair{4, 1}, {4, 2}, {2, 0}, {2, 1}, {3, 0}}) {
    EXPECT_EQ(c.opacity[4][j][k], 0) << j << k;
    EXPECT_EQ(c.opacity[0][j][k], 0.1L) << j << k;
  }
}

class Flakes : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }
};

TEST_F(Flakes, EveryGenerationIsASixFoldOrder4LatticeWithAFaintRim) {
  SeedRandom(11);
  std::vector<bool> seen(200, false);
  for (int generation = 0; generation < 1500; ++generation) {
    const int index = generation % 201;
    Snowfall.Flakes[index].spin = 123;
    InitFlake(index);
    const Flake& flake = Snowfall.Flakes[index];
    ASSERT_EQ(flake.y, 1.5L);
    ASSERT_TRUE(std::fabs(flake.x) < 1 && std::fabs(flake.z) < 1);
    ASSERT_EQ(flake.spin, 123) << "generation leaves the spin alone";

    // Which of the 200 constants it was: the one that gives its centre's value.
    int draw = 0;
    while (draw < 200 && FlakePatternValue(0, 0, Ci(draw)) != flake.Pattern[0][0][0]) ++draw;
    ASSERT_LT(draw, 200);
    seen[static_cast<std::size_t>(draw)] = true;

    for (int s = 0; s < LatticeSectors; ++s) {
      for (int j = 0; j <= 4; ++j)
        for (int k = 0; k <= j; ++k) {
          const Extended v = FlakePatternValue(j, k, Ci(draw));
          ASSERT_EQ(flake.Pattern[s][j][k], v);
          ASSERT_EQ(flake.Colours.a[s][j][k], j < 4 ? v : 0.1L) << s << j << k;
          ASSERT_TRUE(flake.Colours.r[s][j][k] == 1 && flake.Colours.g[s][j][k] == 1 && flake.Colours.b[s][j][k] == 1);
          // Row j on the circle of radius 0.00375 j, in the plane z = 0; the
          // accumulator starts afresh, so sector 0's first point lies at -30 degrees.
          ASSERT_NEAR(double(std::hypot(flake.Lattice.x[s][j][k], flake.Lattice.y[s][j][k])), 0.00375 * j, 1e-15);
          ASSERT_EQ(flake.Lattice.z[s][j][k], 0);
        }
      for (int k = 0; k <= LatticeRowPoints - 1; ++k) ASSERT_EQ(flake.Pattern[s][5][k], 0) << "row 5 is never generated";
    }
    ASSERT_NEAR(double(flake.Lattice.x[0][4][0]), 0.015 * std::sqrt(3.0) / 2, 1e-12);
    ASSERT_NEAR(double(flake.Lattice.y[0][4][0]), -0.0075, 1e-12);
    ASSERT_NEAR(double(flake.Lattice.y[5][4][4]), -0.0075, 1e-7) << "sector 5 closes the circle";
    // The step guard 0.00001 leaves a row's last point a hair short of the next sector.
    ASSERT_NEAR(double(std::atan2(flake.Lattice.y[0][4][4], flake.Lattice.x[0][4][4])),
                double(-Pi / 6 + 4 * Pi / (12 + 0.00001L)), 1e-15);
  }
  int covered = 0;
  for (bool b : seen) covered += b;
  EXPECT_GT(covered, 190) << "the constant comes from Random(200)";
}

TEST_F(Flakes, OffsetsDrawASignThenASize) {
  // Replayed: x = +-n / (2i + 1000), negative when its sign draw (below 10)
  // is at most 5; z = +-n / (i + 1000), negative when its sign draw (below
  // 20) is at most 10.
  for (int index : {0, 200})
    for (std::uint64_t seed = 0; seed < 100; ++seed) {
      SeedRandom(seed);
      const Extended x = DrawFlakeX(index), z = DrawFlakeZ(index);
      SeedRandom(seed);
      const bool xNegative = Random(10) <= 5;
      const Extended xSize = Extended(Random(2 * index + 1000)) / (2 * index + 1000);
      const bool zNegative = Random(20) <= 10;
      const Extended zSize = Extended(Random(index + 1000)) / (index + 1000);
      EXPECT_EQ(x, xNegative ? -xSize : xSize) << index << " " << seed;
      EXPECT_EQ(z, zNegative ? -zSize : zSize) << index << " " << seed;
    }
}

TEST_F(Flakes, PlacementRegeneratesThenRedrawsTheOffsetsAndAHeight) {
  // The start: each flake generated, then x, z and its height drawn again.
  SeedRandom(78);
  PlaceFlakes();
  static Flake placed[FlakeCount];
  for (int i = 0; i < FlakeCount; ++i) placed[i] = Snowfall.Flakes[i];
  SeedRandom(78);
  for (int i = 0; i < FlakeCount; ++i) {
    InitFlake(i);
    const Extended x = DrawFlakeX(i), z = DrawFlakeZ(i), y = 1 + Extended(Random(2000)) / 1000;
    EXPECT_TRUE(placed[i].x == x && placed[i].z == z && placed[i].y == y) << i;
    EXPECT_EQ(placed[i].Pattern[0][2][1], Snowfall.Flakes[i].Pattern[0][2][1]);
    EXPECT_EQ(placed[i].spin, 0);
  }
  Extended lowest = 3, highest = 0;
  for (const Flake& f : placed) lowest = std::min(lowest, f.y), highest = std::max(highest, f.y);
  EXPECT_TRUE(lowest >= 1 && lowest < 1.1L && highest <= 2.999L && highest > 2.9L);
}

// The corners of sector 0, as (row, point) triples in emission order.
const int SectorTriangles[16][3][2] = {
    {{0, 0}, {1, 0}, {1, 1}},                                                              // row 0
    {{1, 0}, {2, 0}, {2, 1}}, {{1, 0}, {2, 1}, {1, 1}}, {{1, 1}, {2, 1}, {2, 2}},          // row 1
    {{2, 0}, {3, 0}, {3, 1}}, {{2, 0}, {3, 1}, {2, 1}}, {{2, 1}, {3, 1}, {3, 2}},
    {{2, 1}, {3, 2}, {2, 2}}, {{2, 2}, {3, 2}, {3, 3}},                                    // row 2
    {{3, 0}, {4, 0}, {4, 1}}, {{3, 0}, {4, 1}, {3, 1}}, {{3, 1}, {4, 1}, {4, 2}},
    {{3, 1}, {4, 2}, {3, 2}}, {{3, 2}, {4, 2}, {4, 3}}, {{3, 2}, {4, 3}, {3, 3}},
    {{3, 3}, {4, 3}, {4, 4}}};                                                             // row 3

TEST_F(Flakes, EmissionHasFaceNormalsAndLeavesOutCornersWithoutOpacity) {
  SeedRandom(3);
  InitFlake(0);
  Flake& flake = Snowfall.Flakes[0];
  const auto emitted = [&] {
    rgl::Reset();
    glBegin(GL_TRIANGLES);
    EmitFlake(flake);
    glEnd();
    return CornersOf(rgl::Brackets()[0]);
  };

  // Every sector in turn, each corner with its own sector's point and
  // opacity: first the generated ones, then opacities that differ from
  // sector to sector, so that a corner read from another sector shows.
  const auto expectSectorsInOrder = [&] {
    const auto corners = emitted();
    ASSERT_EQ(corners.size(), 3u * 96);
    EXPECT_EQ(rgl::CountOf("glNormal3fv"), 96u);
    for (int s = 0; s < LatticeSectors; ++s)
      for (std::size_t t = 0; t < 16; ++t)
        for (int c = 0; c < 3; ++c) {
          const auto [j, k] = std::pair{SectorTriangles[t][c][0], SectorTriangles[t][c][1]};
          const clocktest::Corner& corner = corners[(std::size_t(s) * 16 + t) * 3 + std::size_t(c)];
          EXPECT_TRUE(Same(corner.Position, ToVector3f(flake.Lattice.x[s][j][k], flake.Lattice.y[s][j][k], 0)))
              << s << " " << t;
          EXPECT_EQ(corner.Colour.a, static_cast<float>(flake.Colours.a[s][j][k])) << s << " " << t;
          EXPECT_EQ(corner.FreshNormal, c == 0);
        }
    for (std::size_t n = 0; n < corners.size(); n += 3) {
      const Vector3f normal = TriangleNormal(corners[n].Position, corners[n + 1].Position, corners[n + 2].Position);
      EXPECT_TRUE(Same(corners[n].Normal, normal) && normal.z > 0 && normal.x == 0 && normal.y == 0) << n;
    }
    EXPECT_EQ(corners[3 * 16 + 1].Position.y, static_cast<float>(flake.Lattice.y[1][1][0])) << "sector 1 follows";
  };
  expectSectorsInOrder();
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= FlakeOrder; ++j)
      for (int k = 0; k <= j; ++k) flake.Colours.a[s][j][k] = Extended(100 * s + 10 * j + k + 1) / 1024;
  MakeFlakeDrawingCopies(flake);
  expectSectorsInOrder();

  // Without opacity at (2,1) of sector 0 its six triangles are left out, and
  // at (3,0) of sector 1 its three; (3,3) of sector 0, at the same place,
  // keeps its own opacity and its triangles.
  flake.Colours.a[0][2][1] = 0;
  flake.Colours.a[1][3][0] = 0;
  MakeFlakeDrawingCopies(flake);
  EXPECT_EQ(emitted().size(), 3u * (96 - 6 - 3));
}

TEST_F(Flakes, EachTickFallsTurnsAndDrawsEveryFlakeInItsOwnBracket) {
  SeedRandom(9);
  PlaceFlakes();
  Snowfall.Flakes[7].spin = 90;
  const Flake before = Snowfall.Flakes[7];
  rgl::Reset();
  UpdateAndDrawFlakes();

  EXPECT_EQ(rgl::Current().brackets, 201);
  EXPECT_EQ(rgl::Current().vertices, 3LL * 96 * 201);
  EXPECT_EQ(rgl::CountOf("glPushMatrix"), 201u);
  EXPECT_EQ(rgl::CountOf("glPopMatrix"), 201u);
  for (const char* name : {"glEnable", "glDisable", "glBlendFunc", "glLoadIdentity"}) EXPECT_EQ(rgl::CountOf(name), 0u);
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));

  const Flake& after = Snowfall.Flakes[7];
  EXPECT_EQ(after.y, before.y - 0.002L);
  EXPECT_EQ(after.spin, 90 + 0.2L);
  EXPECT_TRUE(after.x == before.x && after.z == before.z);

  // Flake 7's matrices: round the axis at (0, 0, -2) by -spin, out to its
  // offsets, turned back by +spin.
  const auto& calls = rgl::Calls();
  std::size_t begin = 0;
  for (int seen = -1; seen < 7; ++begin) seen += calls[begin].name == "glBegin";
  const std::vector<rgl::Call> leadIn(calls.begin() + std::ptrdiff_t(begin) - 6, calls.begin() + std::ptrdiff_t(begin));
  const float spin = static_cast<float>(after.spin);
  const struct { const char* name; std::vector<float> args; } expected[] = {
      {"glPushMatrix", {}},
      {"glTranslatef", {0, 0, -2}},
      {"glRotatef", {-spin, 0, 1, 0}},
      {"glTranslatef", {float(after.x), float(after.y), float(after.z)}},
      {"glRotatef", {spin, 0, 1, 0}},
      {"glBegin", {float(GL_TRIANGLES)}}};
  for (std::size_t n = 0; n < 6; ++n) {
    EXPECT_EQ(leadIn[n].name, expected[n].name);
    for (std::size_t a = 0; a < expected[n].args.size(); ++a) EXPECT_EQ(float(leadIn[n][int(a)]), expected[n].args[a]) << leadIn[n].name;
  }

}

TEST_F(Flakes, SpinStartsOverAtAFullTurnAndFlakesAreBornAgainBelowHalfAUnitDown) {
  SeedRandom(21);
  PlaceFlakes();
  Flake& turning = Snowfall.Flakes[0];
  Flake& falling = Snowfall.Flakes[1];
  Flake& almostTurned = Snowfall.Flakes[2];
  turning.spin = 360 - 0.2L;
  ASSERT_EQ(turning.spin + 0.2L, 360);
  const Extended justShort = std::nextafter(360.0L, 0.0L);
  almostTurned.spin = justShort - 0.2L;
  ASSERT_EQ(almostTurned.spin + 0.2L, justShort);
  falling.y = -0.5L + 0.002L;
  ASSERT_EQ(falling.y - 0.002L, -0.5L);
  falling.spin = 200;
  const Extended x = falling.x, z = falling.z;

  UpdateAndDrawFlakes();
  EXPECT_EQ(turning.spin, 0) << "set to zero at 360";
  EXPECT_EQ(almostTurned.spin, justShort) << "and not a hair before";
  EXPECT_EQ(falling.y, -0.5L) << "exactly -0.5 is no rebirth";
  EXPECT_TRUE(falling.x == x && falling.z == z);

  turning.spin = 359.9L;
  // A hair below -0.5 after this fall.
  falling.y = std::nextafter(-0.5L, -1.0L) + 0.002L;
  ASSERT_EQ(falling.y - 0.002L, std::nextafter(-0.5L, -1.0L));
  rgl::Reset();
  UpdateAndDrawFlakes();
  EXPECT_EQ(turning.spin, 0) << "and past it, to zero rather than 0.1";
  EXPECT_EQ(falling.y, 1.5L);
  EXPECT_FALSE(falling.x == x && falling.z == z) << "new offsets";
  EXPECT_EQ(falling.spin, 200 + 0.2L + 0.2L) << "the spin carries on";
  // Drawn at its new place in the same tick.
  const auto translations = rgl::CallsNamed("glTranslatef");
  const rgl::Call& at = translations[2 * 1 + 1];
  EXPECT_TRUE(at[0] == float(falling.x) && at[1] == 1.5f && at[2] == float(falling.z));
  EXPECT_EQ(rgl::Brackets()[1].size(), 7u * 96) << "a normal, then three colours and vertices";
}

}  // namespace
