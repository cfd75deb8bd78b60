#include <gtest/gtest.h>

#include <cmath>

#include "base/scene_params.h"
#include "clock/numerals.h"
#include "clock_test_support.h"

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

TEST_F(Numerals, EachDigitDrawsTheCellsOfItsPictureInOneTranslatedBracket) {
  for (int d = 0; d < 10; ++d) {
    SCOPED_TRACE("digit " + std::to_string(d));
    const clocktest::Cells cells = clocktest::PictureCells(d);
    rgl::Reset();
    DrawDigit(d, int(cells.size()) - 1, 0.1L, -0.2L);
    const auto& calls = rgl::Calls();
    ASSERT_EQ(rgl::Brackets().size(), 1u);
    // The placement is the translation alone: the corners stay in the glyph's frame.
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[0].name, "glPushMatrix");
    EXPECT_EQ(calls[1].name, "glTranslatef");
    EXPECT_TRUE(calls[1][0] == float(0.5L + 0.1L) && calls[1][1] == float(0.2L - 0.2L) && calls[1][2] == -2.5f);
    EXPECT_EQ(calls[2].name, "glBegin");
    EXPECT_EQ(calls[calls.size() - 2].name, "glEnd");
    EXPECT_EQ(calls.back().name, "glPopMatrix");
    EXPECT_EQ(clocktest::CellsDrawn(clocktest::CornersOf(rgl::Brackets()[0])), cells);
  }
  // The step guard 0.000001 leaves a row's last point a hair short of the next sector.
  const CellLattice& cell = CellTemplate.Positions;
  EXPECT_NEAR(double(std::atan2(cell.y[0][2][2], cell.x[0][2][2])), double(-Pi / 6 + 2 * Pi / (6 + 0.000001L)), 1e-15);
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
