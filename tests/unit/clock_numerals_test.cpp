#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "clock/numerals.h"
#include "clock_test_support.h"
#include "host/scene_params.h"

namespace {

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

TEST_F(Numerals, TemplateFadesFromAnOpaqueCentreToAnAlmostTransparentRim) {
  const double alpha[3] = {1.0, 0.70739, 0.00080};
  for (int j = 0; j <= 2; ++j)
    for (int k = 0; k <= j; ++k) {
      EXPECT_NEAR(double(CellTemplate.Colours.a[j][k]), alpha[j], 5e-6) << j << k;
      EXPECT_EQ(CellTemplate.Colours.r[j][k] + CellTemplate.Colours.g[j][k] + CellTemplate.Colours.b[j][k], 3);
    }
  EXPECT_GT(CellTemplate.Colours.a[2][1], 0);
}

TEST_F(Numerals, DigitCellsAreTemplateCopiesAtTheirGlyphOffsets) {
  EXPECT_NEAR(double(DigitCells.x[0][0][0][0][0]), -0.004, 1e-15);  // cell 0 of the 0
  EXPECT_NEAR(double(DigitCells.y[0][0][3][0][0]), 0.024, 1e-15);
  Extended rightmost = -1;  // of the 4's last cell, whose crossbar passes the stem
  for (const auto& sector : DigitCells.x[4][13])
    for (const auto& row : sector) rightmost = std::max(rightmost, *std::max_element(std::begin(row), std::end(row)));
  EXPECT_NEAR(double(rightmost), 0.025, 1e-12);

  for (int d = 0; d < DigitCount; ++d) {
    std::set<std::pair<int, int>> seen;
    for (int n = 0; n < DigitCellCount[d]; ++n) {
      EXPECT_TRUE(seen.insert({Glyphs[d][n].x, Glyphs[d][n].y}).second) << "digit " << d << " repeats a cell";
      for (int s = 0; s < LatticeSectors; ++s)
        for (int j = 0; j <= 2; ++j)
          for (int k = 0; k <= j; ++k) {
            EXPECT_EQ(DigitCells.x[d][n][s][j][k], Glyphs[d][n].x * CellStep + CellTemplate.Positions.x[s][j][k]);
            EXPECT_EQ(DigitCells.y[d][n][s][j][k], Glyphs[d][n].y * CellStep + CellTemplate.Positions.y[s][j][k]);
            EXPECT_EQ(DigitCells.z[s][j][k], 1);
          }
    }
  }
}

TEST_F(Numerals, DrawDigitEmitsItsCellsInOneTranslatedBracketLitByGlyphPositions) {
  DrawDigit(1, 7, 0.1L, -0.2L);
  const auto& calls = rgl::Calls();
  ASSERT_EQ(rgl::Brackets().size(), 1u);
  EXPECT_EQ(rgl::Current().vertices, 8 * 72);  // 8 cells, 192 triangles
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(calls[0].name, "glPushMatrix");
  EXPECT_EQ(calls[1].name, "glTranslatef");
  EXPECT_EQ(calls[1][0], static_cast<float>(0.5L + 0.1L));
  EXPECT_EQ(calls[1][1], static_cast<float>(0.2L - 0.2L));
  EXPECT_EQ(calls[1][2], -2.5f);
  EXPECT_EQ(calls[2].name, "glBegin");
  EXPECT_EQ(calls[calls.size() - 2].name, "glEnd");
  EXPECT_EQ(calls.back().name, "glPopMatrix");
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));

  const auto corners = clocktest::CornersOf(rgl::Brackets()[0]);
  for (const clocktest::Corner& c : corners) {
    EXPECT_TRUE(c.FreshNormal && c.OnlyCornerCalls);
    EXPECT_TRUE(clocktest::Same(c.Normal, c.Position));
    EXPECT_EQ(c.Position.z, 1);
  }
  for (int n = 0; n < 8; ++n) {  // each cell opens with its opaque centre
    const clocktest::Corner& centre = corners[static_cast<std::size_t>(n) * 72];
    EXPECT_EQ(centre.Position.x, static_cast<float>(Glyphs[1][n].x * CellStep)) << n;
    EXPECT_EQ(centre.Position.y, static_cast<float>(Glyphs[1][n].y * CellStep)) << n;
    EXPECT_EQ(centre.Colour.a, 1.0f);
    EXPECT_EQ(corners[static_cast<std::size_t>(n) * 72 + 1].Colour.a, static_cast<float>(CellTemplate.Colours.a[1][0]));
  }

  rgl::Reset();
  DrawDigit(7, 9, 0, 0);
  EXPECT_EQ(rgl::Current().vertices, 10 * 72);
}

TEST_F(Numerals, PlacementIsATranslationOnly) {
  DrawDigit(5, 13, 0, 0);
  const auto here = rgl::Brackets().at(0);
  rgl::Reset();
  DrawDigit(5, 13, -0.36L, 0.18L);
  const auto there = rgl::Brackets().at(0);
  ASSERT_EQ(here.size(), there.size());
  for (std::size_t i = 0; i < here.size(); ++i)
    for (int a = 0; a < here[i].argCount; ++a) EXPECT_EQ(here[i][a], there[i][a]);
}

TEST_F(Numerals, DrawDigitNeverReadsPastAGlyph) {
  const struct { int digit, last, cells; } cases[] = {{1, 14, 8}, {0, 1000, 14}, {1, -1, 0}};
  for (const auto& c : cases) {
    rgl::Reset();
    DrawDigit(c.digit, c.last, 0, 0);
    EXPECT_EQ(rgl::Current().vertices, c.cells * 72) << c.digit << " " << c.last;
    EXPECT_EQ(rgl::Current().modelview.size(), 1u);
  }
  for (int digit : {-1, 10}) {
    rgl::Reset();
    DrawDigit(digit, 7, 0, 0);
    EXPECT_TRUE(rgl::Calls().empty()) << digit;
  }
}

}  // namespace
