#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "clock/numerals.h"
#include "clock_test_support.h"
#include "host/scene_params.h"

namespace {

using clocktest::CornersOf;
using clocktest::Same;

class Numerals : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildCellTemplate();
    BuildDigits();
    SceneParams.ClockOffset = {0.5L, 0.2L, -2.5L};
    rgl::Reset();
  }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }
};

TEST_F(Numerals, TemplateFadesFromOpaqueCentreToAnAlmostTransparentRim) {
  const RowColours& c = CellTemplate.Colours;
  const double alpha[3] = {1.0, 0.70739, 0.00080};
  for (int j = 0; j <= 2; ++j)
    for (int k = 0; k <= j; ++k) {
      EXPECT_NEAR(double(c.a[j][k]), alpha[j], 5e-6) << j << k;
      EXPECT_EQ(c.r[j][k], 1);
      EXPECT_EQ(c.g[j][k], 1);
      EXPECT_EQ(c.b[j][k], 1);
    }
  EXPECT_GT(c.a[2][0], 0) << "the rim is almost, not exactly, transparent";
  // The template itself is the order-2 lattice of radius 0.005 about the origin in z = 1.
  EXPECT_EQ(CellTemplate.Positions.x[3][0][0], 0);
  EXPECT_NEAR(double(CellTemplate.Positions.x[0][2][1]), 0.005, 1e-12);
  EXPECT_EQ(CellTemplate.Positions.z[5][2][2], 1);
}

TEST_F(Numerals, GlyphsStayOnTheirGridWithoutRepeatedCells) {
  for (int d = 0; d < DigitCount; ++d) {
    std::set<std::pair<int, int>> seen;
    for (int n = 0; n < DigitCellCount[d]; ++n) {
      const GlyphCell cell = Glyphs[d][n];
      EXPECT_TRUE(seen.insert({cell.x, cell.y}).second) << "digit " << d << " repeats a cell";
      EXPECT_GE(cell.x, -3) << d;
      EXPECT_LE(cell.x, d == 4 ? 5 : 3) << d;
      EXPECT_GE(cell.y, -6) << d;
      EXPECT_LE(cell.y, 6) << d;
      if (d == 1) {
        EXPECT_TRUE(cell.x == 1 || cell.x == 3) << "the 1 keeps right of centre";
      }
    }
  }
  // The 4's crossbar passes its stem's cell at (3, -2) and ends beyond it.
  EXPECT_EQ(Glyphs[4][4].x, 3);
  EXPECT_EQ(Glyphs[4][4].y, -2);
  EXPECT_EQ(Glyphs[4][13].x, 5);
  EXPECT_EQ(Glyphs[4][13].y, -2);
}

TEST_F(Numerals, DigitCellsAreTemplateCopiesAtTheirGlyphOffsets) {
  // Cell 0 of the 0 is centred at (-0.004, 0.024).
  EXPECT_NEAR(double(DigitCells.x[0][0][0][0][0]), -0.004, 1e-15);
  EXPECT_NEAR(double(DigitCells.y[0][0][2][0][0]), 0.024, 1e-15);
  // The rightmost point of the 4's last cell: 5 steps plus the rim radius.
  Extended rightmost = -1;
  for (int s = 0; s < LatticeSectors; ++s)
    for (int j = 0; j <= 2; ++j)
      for (int k = 0; k <= j; ++k) rightmost = std::max(rightmost, DigitCells.x[4][13][s][j][k]);
  EXPECT_NEAR(double(rightmost), 0.025, 1e-12);

  for (int d = 0; d < DigitCount; ++d)
    for (int n = 0; n < DigitCellCount[d]; ++n)
      for (int s = 0; s < LatticeSectors; ++s)
        for (int j = 0; j <= 2; ++j)
          for (int k = 0; k <= j; ++k) {
            EXPECT_EQ(DigitCells.x[d][n][s][j][k], Glyphs[d][n].x * CellStep + CellTemplate.Positions.x[s][j][k]);
            EXPECT_EQ(DigitCells.y[d][n][s][j][k], Glyphs[d][n].y * CellStep + CellTemplate.Positions.y[s][j][k]);
            EXPECT_EQ(DigitCells.z[s][j][k], 1);
          }
}

TEST_F(Numerals, DrawDigitEmitsTheRequestedCellsInOneTranslatedBracket) {
  DrawDigit(1, 7, 0.1L, -0.2L);
  const auto brackets = rgl::Brackets();
  ASSERT_EQ(brackets.size(), 1u);
  EXPECT_EQ(clocktest::Count(brackets[0], "glVertex3fv"), 8u * 72u);  // 8 cells, 192 triangles

  // Push, translate to ClockOffset + offset, begin ... end, pop; nothing else.
  const auto& calls = rgl::Calls();
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(calls[0].name, "glPushMatrix");
  EXPECT_EQ(calls[1].name, "glTranslatef");
  EXPECT_EQ(calls[1][0], static_cast<float>(0.5L + 0.1L));
  EXPECT_EQ(calls[1][1], static_cast<float>(0.2L - 0.2L));
  EXPECT_EQ(calls[1][2], -2.5f);
  EXPECT_EQ(calls[2].name, "glBegin");
  EXPECT_EQ(calls[2][0], GL_TRIANGLES);
  EXPECT_EQ(calls[calls.size() - 2].name, "glEnd");
  EXPECT_EQ(calls.back().name, "glPopMatrix");
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));
  EXPECT_EQ(rgl::Current().modelview.size(), 1u);

  rgl::Reset();
  DrawDigit(7, 9, 0, 0);
  EXPECT_EQ(rgl::Current().vertices, 10 * 72);
}

TEST_F(Numerals, CellsAreLitByTheirPositionInTheGlyphsFrame) {
  DrawDigit(8, 13, 0.3L, 0.1L);
  const auto corners = CornersOf(rgl::Brackets().at(0));
  ASSERT_EQ(corners.size(), 14u * 72u);
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const clocktest::Corner& c = corners[i];
    EXPECT_TRUE(c.NormalSentForIt);
    EXPECT_TRUE(Same(c.Normal, c.Position));
    EXPECT_EQ(c.Position.z, 1);
    EXPECT_EQ(c.Colour.r, 1);
  }
  // Each cell opens with its centre (sector 0, row 0): the glyph offset itself, opaque.
  for (int n = 0; n < 14; ++n) {
    const clocktest::Corner& centre = corners[static_cast<std::size_t>(n) * 72];
    EXPECT_EQ(centre.Position.x, static_cast<float>(Glyphs[8][n].x * CellStep)) << n;
    EXPECT_EQ(centre.Position.y, static_cast<float>(Glyphs[8][n].y * CellStep)) << n;
    EXPECT_EQ(centre.Colour.a, 1.0f);
  }
  // The next two corners are on row 1 with its alpha.
  EXPECT_EQ(corners[1].Colour.a, static_cast<float>(CellTemplate.Colours.a[1][0]));
}

TEST_F(Numerals, PlacementIsATranslationOnly) {
  DrawDigit(5, 13, 0, 0);
  const auto here = rgl::Brackets().at(0);
  rgl::Reset();
  DrawDigit(5, 13, -0.36L, 0.18L);
  const auto there = rgl::Brackets().at(0);
  ASSERT_EQ(here.size(), there.size());
  for (std::size_t i = 0; i < here.size(); ++i) {
    EXPECT_EQ(here[i].name, there[i].name);
    for (int a = 0; a < here[i].argCount; ++a) EXPECT_EQ(here[i][a], there[i][a]);
  }
  EXPECT_EQ(rgl::CallsNamed("glTranslatef").at(0)[0], static_cast<float>(0.5L - 0.36L));
}

TEST_F(Numerals, DrawDigitNeverReadsPastAGlyph) {
  // A last index beyond the glyph stops at its last cell; a digit that does
  // not exist draws nothing at all.
  DrawDigit(1, 14, 0, 0);
  EXPECT_EQ(rgl::Current().vertices, 8 * 72);
  rgl::Reset();
  DrawDigit(0, 1000, 0, 0);
  EXPECT_EQ(rgl::Current().vertices, 14 * 72);
  rgl::Reset();
  DrawDigit(1, -1, 0, 0);
  EXPECT_EQ(rgl::Current().vertices, 0);
  EXPECT_EQ(rgl::Current().modelview.size(), 1u);
  for (int digit : {-1, 10, 42}) {
    rgl::Reset();
    DrawDigit(digit, 7, 0, 0);
    EXPECT_TRUE(rgl::Calls().empty()) << digit;
  }
}

}  // namespace
