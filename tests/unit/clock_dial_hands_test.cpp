#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "clock/dial_marks.h"
#include "clock/hands.h"
#include "clock_test_support.h"

namespace {

using clocktest::CornersOf;
using clocktest::Same;

// ---- Dial marks -------------------------------------------------------------

class DialMarksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildDialMarks();
    rgl::Reset();
  }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }
};

TEST_F(DialMarksTest, MarksStartAtTheTopAndRunClockwise) {
  struct Expected {
    int mark;
    double x, y;
  };
  for (const Expected& e : {Expected{0, 0, 0.4}, {15, 0.4, 0}, {30, 0, -0.4}, {45, -0.4, 0}}) {
    for (int s = 0; s < LatticeSectors; ++s) {
      EXPECT_NEAR(double(DialMarks.Marks[e.mark].x[s][0][0]), e.x, 1e-15) << e.mark;
      EXPECT_NEAR(double(DialMarks.Marks[e.mark].y[s][0][0]), e.y, 1e-15) << e.mark;
    }
  }
  // Mark 1 is right of mark 0: clockwise.
  EXPECT_GT(DialMarkCentre(1).x, 0);
  for (int m = 0; m < DialMarkCount; ++m) {
    const ExtendedPoint2 c = DialMarkCentre(m);
    EXPECT_NEAR(double(std::hypot(c.x, c.y)), 0.4, 1e-15);
    const ExtendedPoint2 next = DialMarkCentre((m + 1) % DialMarkCount);
    EXPECT_LT(c.x * next.y - c.y * next.x, 0) << "turning clockwise at mark " << m;
  }
}

TEST_F(DialMarksTest, EachMarkIsAnOrder3CellAboutItsCentre) {
  // Sector 0, row 3, point 0 lies 0.015 from the centre at -30 degrees.
  const CellLattice& mark0 = DialMarks.Marks[0];
  EXPECT_NEAR(double(mark0.x[0][3][0]), 0.012990, 5e-7);
  EXPECT_NEAR(double(mark0.y[0][3][0]), 0.4 - 0.0075, 5e-7);
  for (int m = 0; m < DialMarkCount; ++m) {
    const ExtendedPoint2 c = DialMarkCentre(m);
    const CellLattice& mark = DialMarks.Marks[m];
    for (int s = 0; s < LatticeSectors; ++s)
      for (int j = 0; j <= 3; ++j)
        for (int k = 0; k <= j; ++k) {
          EXPECT_NEAR(double(std::hypot(mark.x[s][j][k] - c.x, mark.y[s][j][k] - c.y)), 0.005 * j, 1e-15);
          EXPECT_EQ(mark.z[s][j][k], 1);
        }
    // Every mark has the same shape: its offsets match mark 0's.
    EXPECT_NEAR(double(mark.x[2][3][1] - c.x), double(mark0.x[2][3][1] - DialMarkCentre(0).x), 1e-15);
  }
}

TEST_F(DialMarksTest, SharedColoursFadeByRow) {
  const double alpha[4] = {0.84190, 0.61900, 0.32795, 0.00080};
  for (int j = 0; j <= 3; ++j)
    for (int k = 0; k <= j; ++k) {
      EXPECT_NEAR(double(DialMarks.Colours.a[j][k]), alpha[j], 5e-6) << j;
      EXPECT_EQ(DialMarks.Colours.r[j][k], 1);
      EXPECT_EQ(DialMarks.Colours.g[j][k], 1);
      EXPECT_EQ(DialMarks.Colours.b[j][k], 1);
    }
}

TEST_F(DialMarksTest, DrawsAllMarksInOneBracketLitByTheirPositions) {
  DrawDialMarks();
  const auto brackets = rgl::Brackets();
  ASSERT_EQ(brackets.size(), 1u);
  clocktest::ExpectOnlyCornerCalls(brackets[0]);
  const auto corners = CornersOf(brackets[0]);
  ASSERT_EQ(corners.size(), 3240u * 3u);
  for (const clocktest::Corner& c : corners) {
    EXPECT_TRUE(c.NormalSentForIt);
    EXPECT_TRUE(Same(c.Normal, c.Position));
  }
  // Mark by mark: 162 corners each, opening with the mark's centre, opaque at 0.8419.
  for (int m = 0; m < DialMarkCount; ++m) {
    const clocktest::Corner& first = corners[static_cast<std::size_t>(m) * 162];
    EXPECT_EQ(first.Position.x, static_cast<float>(DialMarks.Marks[m].x[0][0][0]));
    EXPECT_EQ(first.Position.y, static_cast<float>(DialMarks.Marks[m].y[0][0][0]));
    EXPECT_EQ(first.Colour.a, static_cast<float>(DialMarks.Colours.a[0][0]));
  }
  // No matrix, blend or enable calls: only the bracket.
  EXPECT_EQ(rgl::Calls().front().name, "glBegin");
  EXPECT_EQ(rgl::Calls().back().name, "glEnd");
  EXPECT_EQ(rgl::Calls().size(), brackets[0].size() + 2);
}

// ---- Hands ------------------------------------------------------------------

class Hands : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildHands();
    rgl::Reset();
  }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }

  static Extended HalfWidth(Hand hand, int i) { return HandGrids.Of(hand).y[i][0]; }
};

TEST_F(Hands, ShapesMatchTheSampleTable) {
  const int rows[] = {0, 2, 4, 5, 6, 8, 10};
  const double hourX[] = {0.2970, 0.1607, 0.0712, 0.0411, 0.0192, -0.0035, -0.0038};
  const double hourHalf[] = {0.0029, 0.0190, 0.0279, 0.0284, 0.0262, 0.0144, -0.0029};
  const double minuteX[] = {0.3237, 0.1789, 0.0838, 0.0518, 0.0285, 0.0044, 0.0041};
  const double secondX[] = {0.3413, 0.1868, 0.0854, 0.0512, 0.0264, 0.0007, 0.0004};
  for (int n = 0; n < 7; ++n) {
    const int i = rows[n];
    for (int j = 0; j < HandColumns; ++j) {
      // x does not depend on the column.
      EXPECT_NEAR(double(HandGrids.Of(Hand::Hour).x[i][j]), hourX[n], 5e-5) << i;
      EXPECT_NEAR(double(HandGrids.Of(Hand::Minute).x[i][j]), minuteX[n], 5e-5) << i;
      EXPECT_NEAR(double(HandGrids.Of(Hand::Second).x[i][j]), secondX[n], 5e-5) << i;
    }
    EXPECT_NEAR(double(HalfWidth(Hand::Hour, i)), hourHalf[n], 5e-5) << i;
  }
}

TEST_F(Hands, HandsTaperAndDifferInLengthAndWidth) {
  const double widest[HandCount] = {0.0284, 0.0165, 0.0099};
  const double tip[HandCount] = {0.2970, 0.3237, 0.3413};
  for (int h = 0; h < HandCount; ++h) {
    const HandPositionGrids& grid = HandGrids.Hands[h];
    Extended maxHalf = 0;
    for (int i = 0; i < HandRows; ++i) {
      maxHalf = std::max(maxHalf, grid.y[i][0]);
      for (int j = 0; j < HandColumns; ++j) {
        EXPECT_EQ(grid.z[i][j], 1);
        // Symmetric about the hand's axis: column 6 - j mirrors column j.
        EXPECT_NEAR(double(grid.y[i][j] + grid.y[i][6 - j]), 0, 1e-15);
      }
      EXPECT_NEAR(double(grid.y[i][3]), 0, 1e-15);
    }
    EXPECT_NEAR(double(maxHalf), widest[h], 5e-5) << h;
    EXPECT_NEAR(double(grid.x[0][0]), tip[h], 5e-5) << h;
    // Near the hub the width factor has turned negative: the last row's
    // columns lie in reverse order.
    EXPECT_LT(grid.y[10][0], 0) << h;
    EXPECT_GT(grid.y[9][0], 0) << h;
  }
  EXPECT_LT(HandGrids.Of(Hand::Hour).x[10][0], 0);
}

TEST_F(Hands, SharedColourIsOpaqueInTheMiddleAndClearAtTheEdges) {
  const double alpha[HandColumns] = {0, 1.0 / 9, 4.0 / 9, 1, 4.0 / 9, 1.0 / 9, 0};
  for (int i = 0; i < HandRows; ++i) {
    for (int j = 0; j < HandColumns; ++j) {
      EXPECT_NEAR(double(HandGrids.a[i][j]), alpha[j], 1e-15);
      EXPECT_EQ(HandGrids.r[i][j], 1);
      EXPECT_EQ(HandGrids.g[i][j], 1);
      EXPECT_EQ(HandGrids.b[i][j], 1);
    }
    EXPECT_EQ(HandGrids.a[i][0], 0);
    EXPECT_EQ(HandGrids.a[i][6], 0);
    EXPECT_EQ(HandGrids.a[i][3], 1);
  }
}

// The corners of quad (i, j) in emission order: A = (i,j) (i+1,j+1) (i,j+1),
// B = (i,j) (i+1,j) (i+1,j+1).
Vector3f HandCorner(Hand hand, int quad, int corner) {
  const int i = quad / 6, j = quad % 6;
  const int di[6] = {0, 1, 0, 0, 1, 1}, dj[6] = {0, 1, 1, 0, 0, 1};
  const HandPositionGrids& g = HandGrids.Of(hand);
  const int r = i + di[corner], c = j + dj[corner];
  return ToVector3f(g.x[r][c], g.y[r][c], g.z[r][c]);
}

TEST_F(Hands, HourHandHasOneFaceNormalPerTriangle) {
  DrawHand(Hand::Hour, NormalStyle::FaceNormal);
  const auto brackets = rgl::Brackets();
  ASSERT_EQ(brackets.size(), 1u);
  EXPECT_EQ(rgl::Calls().size(), brackets[0].size() + 2) << "no matrix, blend or enable calls";
  clocktest::ExpectOnlyCornerCalls(brackets[0]);
  const auto corners = CornersOf(brackets[0]);
  ASSERT_EQ(corners.size(), 360u);
  EXPECT_EQ(clocktest::Count(brackets[0], "glNormal3fv"), 120u);
  for (int quad = 0; quad < 60; ++quad) {
    for (int t = 0; t < 2; ++t) {
      const std::size_t first = static_cast<std::size_t>(quad * 6 + t * 3);
      const Vector3f a = HandCorner(Hand::Hour, quad, t * 3), b = HandCorner(Hand::Hour, quad, t * 3 + 1),
                     c = HandCorner(Hand::Hour, quad, t * 3 + 2);
      EXPECT_TRUE(corners[first].NormalSentForIt);
      EXPECT_FALSE(corners[first + 1].NormalSentForIt);
      EXPECT_FALSE(corners[first + 2].NormalSentForIt);
      EXPECT_TRUE(Same(corners[first].Normal, TriangleNormal(a, b, c))) << quad << t;
      EXPECT_TRUE(Same(corners[first].Position, a));
      EXPECT_TRUE(Same(corners[first + 1].Position, b));
      EXPECT_TRUE(Same(corners[first + 2].Position, c));
      // Rows 0..8 face the viewer; the self-crossing hub strip need not.
      if (quad / 6 <= 8) {
        EXPECT_GT(corners[first].Normal.z, 0) << quad << t;
      }
    }
  }
  // Colours come from the shared grid: quad (0, 2) opens at column 2 (alpha 4/9).
  EXPECT_EQ(corners[12].Colour.a, static_cast<float>(HandGrids.a[0][2]));
  EXPECT_EQ(corners[13].Colour.a, 1.0f);  // (1, 3)
}

TEST_F(Hands, MinuteAndSecondHandsAreLitByTheirPositions) {
  for (Hand hand : {Hand::Minute, Hand::Second}) {
    rgl::Reset();
    DrawHand(hand, NormalStyle::PositionAsNormal);
    const auto brackets = rgl::Brackets();
    ASSERT_EQ(brackets.size(), 1u);
    const auto corners = CornersOf(brackets[0]);
    ASSERT_EQ(corners.size(), 360u);
    for (std::size_t n = 0; n < corners.size(); ++n) {
      EXPECT_TRUE(corners[n].NormalSentForIt);
      EXPECT_TRUE(Same(corners[n].Normal, corners[n].Position));
      EXPECT_TRUE(Same(corners[n].Position, HandCorner(hand, int(n / 6), int(n % 6))));
    }
  }
}

}  // namespace
