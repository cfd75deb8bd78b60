#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "clock/dial_marks.h"
#include "clock/hands.h"
#include "clock_test_support.h"

namespace {

using clocktest::CornersOf;
using clocktest::Same;

constexpr double Pi = 3.14159265358979323846;

class DialAndHands : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildDialMarks();
    BuildHands();
    rgl::Reset();
  }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }
};

TEST_F(DialAndHands, SixtyOrder3MarksClockwiseFromTheTopInOneBracket) {
  DrawDialMarks();
  ASSERT_EQ(rgl::Brackets().size(), 1u);
  EXPECT_EQ(rgl::Calls().size(), rgl::Brackets()[0].size() + 2) << "nothing but glBegin, corners, glEnd";
  const auto corners = CornersOf(rgl::Brackets()[0]);
  const auto cell = clocktest::CellCorners(3, 0.015);
  ASSERT_EQ(corners.size(), 60 * cell.size());
  for (int m = 0; m < 60; ++m) {
    // Mark 0 at (0, 0.4), mark 15 at (0.4, 0), and so on clockwise.
    const double t = 2 * m * Pi / 60 - Pi / 2, cx = 0.4 * std::cos(t), cy = -0.4 * std::sin(t);
    for (std::size_t n = 0; n < cell.size(); ++n) {
      const clocktest::Corner& c = corners[std::size_t(m) * cell.size() + n];
      ASSERT_NEAR(c.Position.x, cx + cell[n].x, 1e-7) << m << " " << n;
      ASSERT_NEAR(c.Position.y, cy + cell[n].y, 1e-7) << m << " " << n;
      ASSERT_TRUE(c.Position.z == 1 && c.FreshNormal && Same(c.Normal, c.Position) && c.OnlyCornerCalls);
      ASSERT_TRUE(c.Colour.r == 1 && c.Colour.g == 1 && c.Colour.b == 1);
      ASSERT_NEAR(c.Colour.a, std::cos(cell[n].Row / 3.0 + 0.57), 1e-7) << m << " " << n;
    }
  }
  // The step guard 0.000001 leaves a row's last point a hair short of the next sector.
  const CellLattice& mark = DialMarks.Marks[7];
  EXPECT_NEAR(double(std::atan2(mark.y[0][3][3] - mark.y[0][0][0], mark.x[0][3][3] - mark.x[0][0][0])),
              double(-::Pi / 6 + 3 * ::Pi / (9 + 0.000001L)), 1e-15);
}

// Point (i, j) of a hand: x = cos(pi sqrt(i / 10 + 0.1)) / L + c,
// y = cos(pi j / 6) sin(pi i / 10 + phase) / W, z = 1.
Vector3f HandPoint(int hand, int i, int j) {
  const double W[3] = {35, 60, 100}, phase[3] = {0.1, 0.15, 0.2}, L[3] = {5.1, 4.8, 4.5}, c[3] = {0.19, 0.21, 0.22};
  return {float(std::cos(Pi * std::sqrt(i / 10.0 + 0.1)) / L[hand] + c[hand]),
          float(std::cos(Pi * j / 6) * std::sin(Pi * i / 10 + phase[hand]) / W[hand]), 1};
}

TEST_F(DialAndHands, EachHandIsSixtyQuadsOfItsBladeWithTheHourHandLitByItsFaces) {
  // Corner c (0..5) of quad (i, j): A = (i,j) (i+1,j+1) (i,j+1), then
  // B = (i,j) (i+1,j) (i+1,j+1).
  const int di[6] = {0, 1, 0, 0, 1, 1}, dj[6] = {0, 1, 1, 0, 0, 1};
  for (int h = 0; h < 3; ++h) {
    SCOPED_TRACE("hand " + std::to_string(h));
    rgl::Reset();
    DrawHand(Hand(h), h == 0 ? NormalStyle::FaceNormal : NormalStyle::PositionAsNormal);
    ASSERT_EQ(rgl::Brackets().size(), 1u);
    EXPECT_EQ(rgl::Calls().size(), rgl::Brackets()[0].size() + 2);
    const auto corners = CornersOf(rgl::Brackets()[0]);
    ASSERT_EQ(corners.size(), 360u);
    for (std::size_t n = 0; n < 360; ++n) {
      const int i = int(n / 36) + di[n % 6], j = int(n / 6 % 6) + dj[n % 6];
      const clocktest::Corner& c = corners[n];
      const Vector3f p = HandPoint(h, i, j);
      ASSERT_NEAR(c.Position.x, p.x, 1e-7) << i << " " << j;
      ASSERT_NEAR(c.Position.y, p.y, 1e-7) << i << " " << j;
      ASSERT_EQ(c.Position.z, 1);
      // Opaque along the middle, transparent at both edges: (1 - 2 |j/6 - 1/2|)^2.
      const double across = 1 - 2 * std::fabs(j / 6.0 - 0.5);
      ASSERT_NEAR(c.Colour.a, across * across, 1e-7) << j;
      ASSERT_TRUE(c.Colour.r == 1 && c.Colour.g == 1 && c.Colour.b == 1);
      if (h != 0) {
        ASSERT_TRUE(c.FreshNormal && Same(c.Normal, c.Position)) << n;
      } else if (n % 3 == 0) {
        const Vector3f normal = TriangleNormal(c.Position, corners[n + 1].Position, corners[n + 2].Position);
        ASSERT_TRUE(c.FreshNormal && !corners[n + 1].FreshNormal && !corners[n + 2].FreshNormal) << n;
        ASSERT_TRUE(Same(c.Normal, normal)) << n;
        if (i <= 8) {
          ASSERT_GT(normal.z, 0) << "rows 0..8 face the viewer";
        }
      }
    }
  }
}

}  // namespace
