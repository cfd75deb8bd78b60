#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "clock/dial_marks.h"
#include "clock/hands.h"
#include "clock_test_support.h"

namespace {

using clocktest::CornersOf;
using clocktest::Same;

class DialAndHands : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildDialMarks();
    BuildHands();
    rgl::Reset();
  }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }
};

TEST_F(DialAndHands, MarksRunClockwiseFromTheTopAsOrder3Cells) {
  const struct { int mark; double x, y; } centres[] = {{0, 0, 0.4}, {15, 0.4, 0}, {30, 0, -0.4}, {45, -0.4, 0}};
  for (const auto& e : centres)
    for (int s = 0; s < LatticeSectors; ++s) {
      EXPECT_NEAR(double(DialMarks.Marks[e.mark].x[s][0][0]), e.x, 1e-15) << e.mark;
      EXPECT_NEAR(double(DialMarks.Marks[e.mark].y[s][0][0]), e.y, 1e-15) << e.mark;
    }
  // Sector 0's first rim point: 0.015 from the centre at -30 degrees.
  EXPECT_NEAR(double(DialMarks.Marks[0].x[0][3][0]), 0.012990, 5e-7);
  EXPECT_NEAR(double(DialMarks.Marks[0].y[0][3][0]), 0.4 - 0.0075, 5e-7);
  for (int m = 0; m < DialMarkCount; ++m) {
    const ExtendedPoint2 c = DialMarkCentre(m), next = DialMarkCentre((m + 1) % DialMarkCount);
    EXPECT_LT(c.x * next.y - c.y * next.x, 0) << "clockwise at mark " << m;
    for (int j = 0; j <= 3; ++j)  // every mark the same cell: row j at 0.005 j
      EXPECT_NEAR(double(std::hypot(DialMarks.Marks[m].x[4][j][j] - c.x, DialMarks.Marks[m].y[4][j][j] - c.y)),
                  0.005 * j, 1e-15);
  }
  const double alpha[4] = {0.84190, 0.61900, 0.32795, 0.00080};
  for (int j = 0; j <= 3; ++j)
    for (int k = 0; k <= j; ++k) EXPECT_NEAR(double(DialMarks.Colours.a[j][k]), alpha[j], 5e-6) << j;
}

TEST_F(DialAndHands, DialIsOneBracketOfMarksLitByTheirPositions) {
  DrawDialMarks();
  ASSERT_EQ(rgl::Brackets().size(), 1u);
  EXPECT_EQ(rgl::Calls().size(), rgl::Brackets()[0].size() + 2) << "nothing but glBegin, corners, glEnd";
  const auto corners = CornersOf(rgl::Brackets()[0]);
  ASSERT_EQ(corners.size(), 3240u * 3u);
  for (const clocktest::Corner& c : corners) EXPECT_TRUE(c.FreshNormal && Same(c.Normal, c.Position) && c.OnlyCornerCalls);
  for (int m = 0; m < DialMarkCount; ++m) {  // 162 corners a mark, opening at its centre
    const clocktest::Corner& first = corners[static_cast<std::size_t>(m) * 162];
    EXPECT_EQ(first.Position.x, static_cast<float>(DialMarkCentre(m).x));
    EXPECT_EQ(first.Position.y, static_cast<float>(DialMarkCentre(m).y));
    EXPECT_EQ(first.Colour.a, static_cast<float>(DialMarks.Colours.a[0][0]));
  }
}

TEST_F(DialAndHands, HandsFollowTheSampleTable) {
  const int rows[] = {0, 2, 4, 5, 6, 8, 10};
  const double x[HandCount][7] = {{0.2970, 0.1607, 0.0712, 0.0411, 0.0192, -0.0035, -0.0038},
                                  {0.3237, 0.1789, 0.0838, 0.0518, 0.0285, 0.0044, 0.0041},
                                  {0.3413, 0.1868, 0.0854, 0.0512, 0.0264, 0.0007, 0.0004}};
  const double hourHalfWidth[7] = {0.0029, 0.0190, 0.0279, 0.0284, 0.0262, 0.0144, -0.0029};
  const double widest[HandCount] = {0.0284, 0.0165, 0.0099};
  for (int h = 0; h < HandCount; ++h) {
    const HandPositionGrids& grid = HandGrids.Hands[h];
    for (int n = 0; n < 7; ++n)
      for (int j = 0; j < HandColumns; ++j) EXPECT_NEAR(double(grid.x[rows[n]][j]), x[h][n], 5e-5) << h << rows[n];
    Extended maxHalf = 0;
    for (int i = 0; i < HandRows; ++i) {
      maxHalf = std::max(maxHalf, grid.y[i][0]);
      for (int j = 0; j < HandColumns; ++j) {
        EXPECT_NEAR(double(grid.y[i][j] + grid.y[i][6 - j]), 0, 1e-15);  // symmetric about the axis
        EXPECT_EQ(grid.z[i][j], 1);
      }
    }
    EXPECT_NEAR(double(maxHalf), widest[h], 5e-5) << h;
    EXPECT_TRUE(grid.y[9][0] > 0 && grid.y[10][0] < 0) << "the hub row lies reversed";
  }
  for (int n = 0; n < 7; ++n) EXPECT_NEAR(double(HandGrids.Of(Hand::Hour).y[rows[n]][0]), hourHalfWidth[n], 5e-5);

  const double alpha[HandColumns] = {0, 1.0 / 9, 4.0 / 9, 1, 4.0 / 9, 1.0 / 9, 0};
  for (int i = 0; i < HandRows; ++i) {
    for (int j = 0; j < HandColumns; ++j) EXPECT_NEAR(double(HandGrids.a[i][j]), alpha[j], 1e-15);
    EXPECT_TRUE(HandGrids.a[i][0] == 0 && HandGrids.a[i][6] == 0 && HandGrids.a[i][3] == 1);
    EXPECT_EQ(HandGrids.r[i][2] + HandGrids.g[i][2] + HandGrids.b[i][2], 3);
  }
}

// Corner c (0..5) of quad q (row q / 6, column q % 6): A = (i,j) (i+1,j+1)
// (i,j+1), then B = (i,j) (i+1,j) (i+1,j+1).
Vector3f HandCorner(Hand hand, int q, int c) {
  const int di[6] = {0, 1, 0, 0, 1, 1}, dj[6] = {0, 1, 1, 0, 0, 1};
  const HandPositionGrids& g = HandGrids.Of(hand);
  const int i = q / 6 + di[c], j = q % 6 + dj[c];
  return ToVector3f(g.x[i][j], g.y[i][j], g.z[i][j]);
}

TEST_F(DialAndHands, HourHandCarriesOneFaceNormalPerTriangle) {
  DrawHand(Hand::Hour, NormalStyle::FaceNormal);
  ASSERT_EQ(rgl::Brackets().size(), 1u);
  EXPECT_EQ(rgl::Calls().size(), rgl::Brackets()[0].size() + 2);
  const auto corners = CornersOf(rgl::Brackets()[0]);
  ASSERT_EQ(corners.size(), 360u);
  EXPECT_EQ(rgl::CountOf("glNormal3fv"), 120u);
  for (int q = 0; q < 60; ++q)
    for (int t = 0; t < 2; ++t) {
      const std::size_t n = static_cast<std::size_t>(q * 6 + t * 3);
      const Vector3f a = HandCorner(Hand::Hour, q, t * 3), b = HandCorner(Hand::Hour, q, t * 3 + 1),
                     c = HandCorner(Hand::Hour, q, t * 3 + 2);
      EXPECT_TRUE(corners[n].FreshNormal && !corners[n + 1].FreshNormal && !corners[n + 2].FreshNormal);
      EXPECT_TRUE(Same(corners[n].Normal, TriangleNormal(a, b, c))) << q << t;
      EXPECT_TRUE(Same(corners[n].Position, a) && Same(corners[n + 1].Position, b) && Same(corners[n + 2].Position, c));
      if (q / 6 <= 8) {
        EXPECT_GT(corners[n].Normal.z, 0) << "rows 0..8 face the viewer";
      }
    }
  EXPECT_EQ(corners[12].Colour.a, static_cast<float>(HandGrids.a[0][2]));  // quad (0, 2)
  EXPECT_EQ(corners[13].Colour.a, 1.0f);                                     // its corner (1, 3)
}

TEST_F(DialAndHands, MinuteAndSecondHandsAreLitByTheirPositions) {
  for (Hand hand : {Hand::Minute, Hand::Second}) {
    rgl::Reset();
    DrawHand(hand, NormalStyle::PositionAsNormal);
    ASSERT_EQ(rgl::Brackets().size(), 1u);
    const auto corners = CornersOf(rgl::Brackets()[0]);
    ASSERT_EQ(corners.size(), 360u);
    for (std::size_t n = 0; n < corners.size(); ++n) {
      EXPECT_TRUE(corners[n].FreshNormal && Same(corners[n].Normal, corners[n].Position));
      EXPECT_TRUE(Same(corners[n].Position, HandCorner(hand, int(n / 6), int(n % 6))));
    }
  }
}

}  // namespace
